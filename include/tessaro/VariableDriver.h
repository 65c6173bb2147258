#pragma once
// The class a host creates and calls: set the device, hand over the data sources, call
// GetVariables, then read Variables and MessengerFile.

#include <tessaro/DataSource.h>
#include <tessaro/ImportAccount.h>
#include <tessaro/ImportOptions.h>
#include <tessaro/Variable.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessaro {

struct UDTInfoRecord;

class VariableDriver {
public:
    VariableDriver();
    ~VariableDriver();  // empties Variables: a host's list from the last item to the first
    VariableDriver(const VariableDriver&) = delete;
    VariableDriver& operator=(const VariableDriver&) = delete;

    std::string MessengerFile;  // name of the merged message file after an import
    std::string DeviceName;
    int32_t DeviceId = 0;       // the host's device identifier, part of every key
    int32_t DeviceCodeId = 0;   // the device's code in the device database

    // The output. Reading gives the driver's own collection; assigning another list
    // (any VariableList) makes later imports fill that one. With none (null) every
    // addition of an import fails with 91, which the importers report as a file error.
    std::shared_ptr<VariableList> Variables = std::make_shared<VariableCollection>();

    // Runs one import over the sources (".ASC" and ".AWL" by the end of SourceId, any
    // letter case; ".SDF" and ".DIF" too when Options.OtherSymbolFormats is set). True
    // when it ran to its end, false when a step failed.
    bool GetVariables(DataSourceCollection& DataSources);

    // Why the last import returned false: the run-time error that stopped it, its
    // description naming what failed (the message files' folder, the device database).
    // Number 0 after an import that ran to its end.
    struct Failure {
        int32_t Number = 0;
        std::string Description;
    };
    Failure LastFailure;

    // The reports of the last import, by partial message file (1 type conversions, 2 same
    // names, 3 file errors, 4 not for the device, 5 incomplete data blocks, 6 to check).
    std::array<size_t, 7> ReportCounts{};

    // How the next imports read their sources; left alone, as the component always has.
    ImportOptions Options;
    // What each source of the last import was read as, in the order the passes read them.
    std::vector<FileReading> Readings;
    // The account of the last import when Options.Account was set, else null.
    std::shared_ptr<const ImportAccount> Account;

private:
    std::shared_ptr<Collection<std::shared_ptr<UDTInfoRecord>>> udts_;
};

}  // namespace tessaro
