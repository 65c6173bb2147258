#include <tessaro/ImportRecords.h>

#include "driver/InfoImportedVariable.h"

#include <tessaro/CodePage.h>

#include <unordered_map>

namespace tessaro {

ImportRecords RecordsOf(const VariableList& variables, const ImportAccount* account) {
    ImportRecords records;
    records.Variables.reserve(variables.Count());
    variables.ForEach([&](const VariablePtr& variable) {
        records.Variables.push_back(variable);
        return true;
    });
    if (!account) return records;
    // The entry of each key that became a variable; a later variable of the same key
    // (a clash) has no entry of its own.
    std::unordered_map<std::string, const AccountEntry*> entries;
    entries.reserve(account->Entries.size());
    for (const AccountEntry& entry : account->Entries)
        if (entry.Fate == LineFate::Imported && !entry.Key.empty()) entries.emplace(UpperCase(entry.Key), &entry);
    records.Accounts.resize(records.Variables.size());
    for (size_t i = 0; i < records.Variables.size(); ++i) {
        const Variable& v = *records.Variables[i];
        auto it = entries.find(VariableKey(v.Name, v.DeviceId));
        if (it == entries.end()) continue;
        const AccountEntry& e = *it->second;
        records.Accounts[i] = RecordAccount{std::string(e.File), e.Line, std::string(e.AbsoluteAddress), std::string(e.Comment)};
    }
    return records;
}

}  // namespace tessaro
