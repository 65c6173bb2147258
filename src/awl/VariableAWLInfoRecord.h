#pragma once
// One value line of a data block's BEGIN section turned into one Variable: its full
// name, section and nesting level, the "DBW" area and the type its value literal shows,
// its length, and its byte offset as the block's layout answers it. The importer writes
// the internal members, calls GetVariableInfoRecord once, and reads back the Variable
// and DataLength.

#include "awl/DataBlockLayout.h"
#include "driver/InfoImportedVariable.h"

#include <tessaro/Variable.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tessaro {

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
