#include "driver/ImportContext.h"

#include "devicedb/DeviceDBService.h"

#include <filesystem>

namespace tessaro {
namespace {

// Each thread has its own import, so imports on two threads never meet. What a thread
// keeps across its imports stays with its own code: the component folder a host sets
// (platform), the header time a test fixes (messages), the DAO engine of the thread's
// COM apartment (devicedb, Windows).
thread_local std::shared_ptr<ImportContext> current;

}  // namespace

ImportContext& CurrentImport() {
    if (!current) current = std::make_shared<ImportContext>();
    return *current;
}

std::shared_ptr<ImportContext> StartImport() {
    auto fresh = std::make_shared<ImportContext>();
    current = fresh;
    return fresh;
}

void ImportContext::OpenDeviceDB(int32_t DeviceId) {
    auto service = std::make_shared<DeviceDBService>();
    DeviceDB = service;
    DeviceDB->DeviceId = DeviceId;
}

void ImportContext::CloseDeviceDB() { DeviceDB.reset(); }

void ImportContext::AccountFile(const std::string& file, size_t shortestLine) {
    std::error_code unknown;
    const std::uintmax_t bytes = std::filesystem::file_size(file, unknown);
    if (!unknown) Account->Entries.reserve(Account->Entries.size() + static_cast<size_t>(bytes / shortestLine) + 1);
}

AccountEntry& ImportContext::AccountLine(const std::string& file, size_t line) {
    AccountEntry& entry = Account->Entries.emplace_back();
    entry.File = file;
    entry.Line = static_cast<int32_t>(line);
    return entry;
}

void ImportContext::Accounted(AccountEntry& entry, std::string key) {
    const size_t index = static_cast<size_t>(&entry - Account->Entries.data());
    try {
        accountedKeys_.AddFolded(index, key);
    } catch (const RuntimeError& error) {
        if (error.Number != DuplicateKey) throw;
        // The host removed the variable of the key while the import yielded to it.
        accountedKeys_.Remove(key);
        accountedKeys_.AddFolded(index, key);
    }
    entry.Key = std::move(key);
}

void ImportContext::AccountedSameName(AccountEntry& entry, const std::string& key) {
    entry.Fate = LineFate::SameName;
    entry.Key.clear();
    entry.Reports.push_back({2, {}, {}});
    if (!accountedKeys_.Contains(key)) {
        entry.Reason = "same name as a variable that was in the list before the import";
        return;
    }
    const AccountEntry& first = Account->Entries[accountedKeys_.Item(std::string_view(key))];
    entry.Reason = "same name as line " + std::to_string(first.Line) + " of " + first.File;
}

void ImportContext::AccountedRemoval(const std::string& key, LineFate fate, std::string reason) {
    if (!accountedKeys_.Contains(key)) return;  // a variable the host had before the import
    AccountEntry& entry = Account->Entries[accountedKeys_.Item(std::string_view(key))];
    entry.Fate = fate;
    entry.Reason = std::move(reason);
    accountedKeys_.Remove(std::string_view(key));
}

void ImportContext::AccountedFileError(const std::string& file, size_t line, std::string_view what) {
    std::vector<AccountEntry>& entries = Account->Entries;
    const bool held = !entries.empty() && entries.back().File == file && entries.back().Line == static_cast<int32_t>(line) &&
                      line != 0;
    AccountEntry& entry = held ? entries.back() : AccountLine(file, line);
    if (!entry.Key.empty() && accountedKeys_.Contains(entry.Key)) accountedKeys_.Remove(std::string_view(entry.Key));
    entry.Fate = LineFate::FileError;
    entry.Key.clear();
    entry.Reason = "the file's reading ended here: " + std::string(what);
    entry.Reports.push_back({3, {}, {}});
}

}  // namespace tessaro
