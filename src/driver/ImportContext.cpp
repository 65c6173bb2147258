#include "driver/ImportContext.h"

#include "awl/BlockSymbolIndex.h"
#include "devicedb/DeviceDBService.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>

namespace tessaro {
namespace {

// Each thread has its own import, so imports on two threads never meet. What a thread
// keeps across its imports stays with its own code: the component folder a host sets
// (platform), the header time a test fixes (messages), the DAO engine of the thread's
// COM apartment (devicedb, Windows).
thread_local std::shared_ptr<ImportContext> current;

uint32_t HashOfKey(std::string_view key) { return static_cast<uint32_t>(std::hash<std::string_view>{}(key)); }

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
    if (unknown) return;
    Account->Entries.reserve(Account->Entries.size() + static_cast<size_t>(bytes / shortestLine) + 1);
    Account->Reports.reserve(Account->Entries.capacity());  // most lines have a report, few two
}

AccountEntry& ImportContext::AccountLine(std::string_view file, size_t line) {
    if (file != accountFile_) accountFile_ = Account->Keep(file);
    AccountEntry& entry = Account->Entries.emplace_back();
    entry.File = accountFile_;
    entry.Line = static_cast<int32_t>(line);
    return entry;
}

void ImportContext::DropLine() {
    const AccountEntry& last = Account->Entries.back();
    if (last.ReportCount != 0 && last.FirstReport + last.ReportCount == Account->Reports.size())
        Account->Reports.resize(last.FirstReport);
    Account->Entries.pop_back();
    keyed_ = std::min(keyed_, Account->Entries.size());
}

ImportContext::KeySlot& ImportContext::SlotOf(std::string_view key, uint32_t hash) {
    const size_t mask = keys_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        KeySlot& slot = keys_[at];
        if (slot.entry == 0 || (slot.hash == hash && Account->Entries[slot.entry - 1].Key == key)) return slot;
    }
}

void ImportContext::IndexKey(uint32_t entry) {
    if (2 * (keysUsed_ + 1) > keys_.size()) {
        std::vector<KeySlot> before(std::max<size_t>(1024, 2 * keys_.size()));
        before.swap(keys_);
        for (const KeySlot& held : before)
            if (held.entry != 0) SlotOf(Account->Entries[held.entry - 1].Key, held.hash) = held;
    }
    const std::string_view key = Account->Entries[entry].Key;
    const uint32_t hash = HashOfKey(key);
    KeySlot& slot = SlotOf(key, hash);
    if (slot.entry == 0) ++keysUsed_;
    slot = {hash, entry + 1};
}

AccountEntry* ImportContext::EntryOf(const Variable* variable, std::string_view key) {
    if (variable == nullptr) return nullptr;
    std::vector<AccountEntry>& entries = Account->Entries;
    AccountEntry* found = nullptr;
    if (auto symbol = blockSymbols_.find(variable); symbol != blockSymbols_.end()) {
        found = &entries[symbol->second];
    } else {
        for (; keyed_ < entries.size(); ++keyed_)
            if (!entries[keyed_].Key.empty()) IndexKey(static_cast<uint32_t>(keyed_));
        if (!keys_.empty())
            if (const KeySlot& slot = SlotOf(key, HashOfKey(key)); slot.entry != 0) found = &entries[slot.entry - 1];
    }
    // An entry whose variable has gone since (removed, or its line's reading failed), or
    // one of a variable made where a removed one was, is none.
    return found && found->Fate == LineFate::Imported && found->Key == key ? found : nullptr;
}

void ImportContext::Accounted(AccountEntry& entry, const Variable& variable, std::string_view key) {
    entry.Key = key;
    if (IsDataBlockSymbol(variable))
        blockSymbols_.insert_or_assign(&variable, static_cast<uint32_t>(&entry - Account->Entries.data()));
}

void ImportContext::AccountedSameName(AccountEntry& entry, std::string_view key) {
    entry.Fate = LineFate::SameName;
    entry.Key = {};
    Report(entry, {2, {}, {}});
    entry.Reason = "same name as an earlier variable";  // its line follows when the import ends
    clashes_.push_back({static_cast<uint32_t>(&entry - Account->Entries.data()), key});
}

void ImportContext::WriteClashReasons() {
    if (clashes_.empty()) return;
    // The keys of the clashes, each with the entry that last became a variable of it; a
    // cheap sieve of their lengths and ends spares the walk most lookups.
    std::unordered_map<std::string_view, const AccountEntry*> last;
    std::vector<bool> sieve(1 << 16);
    auto sieveOf = [](std::string_view key) -> size_t {
        const size_t n = key.size();
        if (n == 0) return 0;
        auto byte = [&](size_t at) { return static_cast<size_t>(static_cast<unsigned char>(key[at])); };
        return ((n * 131) ^ (byte(n / 2) << 8) ^ byte(n - 1) ^ (byte(n - 1 - std::min<size_t>(n - 1, 2)) << 4)) & 0xFFFF;
    };
    for (const Clash& clash : clashes_) {
        last.emplace(clash.key, nullptr);
        sieve[sieveOf(clash.key)] = true;
    }
    std::vector<AccountEntry>& entries = Account->Entries;
    size_t next = 0;
    for (size_t i = 0; i < entries.size() && next < clashes_.size(); ++i) {
        if (i == clashes_[next].entry) {
            for (; next < clashes_.size() && clashes_[next].entry == i; ++next) {
                const AccountEntry* first = last[clashes_[next].key];
                if (entries[i].Fate != LineFate::SameName) continue;  // its reading failed there since
                entries[i].Reason =
                    first ? Account->Keep({"same name as line ", std::to_string(first->Line), " of ", first->File})
                          : std::string_view("same name as a variable that was in the list before the import");
            }
            continue;
        }
        const std::string_view key = entries[i].Key;
        if (key.empty() || !sieve[sieveOf(key)]) continue;
        if (auto held = last.find(key); held != last.end()) held->second = &entries[i];
    }
}

void ImportContext::CloseAccount() {
    try {
        if (Account) WriteClashReasons();
    } catch (const std::exception&) {
        // Out of memory at the end: the clashes keep "an earlier variable" for their reason.
    }
    Account.reset();
    blockSymbols_ = {};
    keys_ = {};
    keysUsed_ = 0;
    keyed_ = 0;
    accountFile_ = {};
    clashes_ = {};
}

void ImportContext::AccountedRemoval(const Variable& removed, std::string_view key, LineFate fate,
                                     std::string_view reason) {
    AccountEntry* entry = EntryOf(&removed, key);
    if (!entry) return;  // a variable the host had before the import
    entry->Fate = fate;
    entry->Reason = reason;
}

void ImportContext::AccountedFileError(const std::string& file, size_t line, std::string_view what) {
    std::vector<AccountEntry>& entries = Account->Entries;
    const bool held = !entries.empty() && entries.back().File == file && entries.back().Line == static_cast<int32_t>(line) &&
                      line != 0;
    AccountEntry& entry = held ? entries.back() : AccountLine(file, line);
    entry.Fate = LineFate::FileError;  // its variable, if it had one, is no longer its line's
    entry.Key = {};
    entry.Reason = Account->Keep({"the file's reading ended here: ", what});
    Report(entry, {3, {}, {}});
}

}  // namespace tessaro
