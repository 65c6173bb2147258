#pragma once
// The contract every importer fulfils, so the driver can drive all of them alike: give
// it one source file, the UDT collection and the device identifier, and let it append
// what it finds. The state the three importers share lives here, once.

#include <tessaro/DataSource.h>
#include <tessaro/ImportOptions.h>
#include <tessaro/Variable.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessaro {

class LineReader;
struct UDTInfoRecord;
using UDTCollection = Collection<std::shared_ptr<UDTInfoRecord>>;
using UDTCollectionPtr = std::shared_ptr<UDTCollection>;

class InfoImportedVariable {
public:
    virtual ~InfoImportedVariable() = default;

    std::shared_ptr<tessaro::DataSource> DataSource = std::make_shared<tessaro::DataSource>();
    UDTCollectionPtr UDTs;
    int32_t DeviceId = 0;

    // The main passes hand the driver's Variables, the UDT pre-pass its UDT collection.
    // An importer overrides the one its pass uses (and brings the other in with a
    // using-declaration); the contract's own bodies do nothing.
    virtual void GetImportedVariables(VariableList& Variables);
    virtual void GetImportedVariables(UDTCollection& UDTs);
};

// Appends what a source was read as to the import's Readings: the reading as its importer
// filled it, with the lines, lone LFs and tabs its reader met (file null: never opened).
void NoteReading(FileReading reading, const LineReader* file);

// The key of a variable in Variables: "_" + Trim(Name + "_" + DeviceId), already folded
// to upper case for Collection::AddFolded and lookups.
std::string VariableKey(std::string_view name, int32_t deviceId);

}  // namespace tessaro
