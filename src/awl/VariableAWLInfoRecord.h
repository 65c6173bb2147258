#pragma once
// One value line of a data block's BEGIN section turned into one Variable: its full
// name, section and nesting level, the "DBW" area and the type its value literal shows,
// its length, and its byte offset as the block's layout answers it. The importer writes
// the internal members, calls GetVariableInfoRecord once, and reads back the Variable
// and DataLength.

#include "awl/DataBlockLayout.h"
#include "driver/InfoImportedVariable.h"

#include <tessaro/ImportAccount.h>
#include <tessaro/Variable.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessaro {

// The element path of a value line whose ":=" stands at position assign (1-based): the
// text before it, blanks around it removed.
std::string_view ValuePath(std::string_view valueLine, size_t assign);

// The absolute address of an element of block number at byte and bit, by the type and
// length the layout placed it with: "DB20.DBX4.1" for a BOOL bit, "DB20.DBB10",
// "DB20.DBW6", "DB20.DBD8" for 1, 2 and 4 bytes, "DB20.DBB10[12]" (first byte, length)
// for any other length.
std::string ElementAddress(int32_t number, int32_t byte, int32_t bit, std::string_view type, int32_t length);

class VariableAWLInfoRecord {
public:
    void GetVariableInfoRecord();

    VariablePtr VariableInfoRecord = std::make_shared<Variable>();
    UDTCollectionPtr UDTs;

    // Internal: written and read by the data-block importer.
    const DataBlockLayout* Layout = nullptr;  // where the block stands; none: at its start
    int32_t DBNumber = 0;
    std::string DBName;       // "DB 12" or the quoted symbol of the block's header
    int32_t DataLength = 0;   // out: bytes the element occupies; 0 for a BOOL
    std::string SourceLine;   // the value line as read
    AccountEntry* Entry = nullptr;  // the line's entry in the import's account, if it has one

private:
    void AssignDataArea();
    void AssignDataType();
    void AssignFieldAdd1();
    void AssignFieldAdd2();
    void AssignFieldAdd3();
    void AssignFieldAdd4();
    void AssignFieldAdd5();
};

}  // namespace tessaro
