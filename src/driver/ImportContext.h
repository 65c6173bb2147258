#pragma once
// The shared objects of one import: its message log, its device database, the language
// of its messages and the declaration tables of its data blocks. VariableDriver makes a
// fresh context at the start of every import; importers, records and the message texts
// reach the thread's context through CurrentImport() and nothing else.
//
// It lives here, beside the importer contract, because it names objects of every folder
// below (messages, devicedb, awl) and the driver is the one that makes it. The message
// texts read CurrentCountryCode from it: that is the one look upward, as GetMessageText
// takes nothing but a message number.

#include "awl/DeclarationTables.h"

#include <tessaro/Collection.h>
#include <tessaro/ImportAccount.h>
#include <tessaro/ImportOptions.h>
#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/Variable.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaro {

class DeviceDBService;

struct ImportContext {
    std::shared_ptr<Messenger> SharedMessenger;
    std::shared_ptr<DeviceDBService> DeviceDB;  // open from OpenDeviceDB to CloseDeviceDB
    // Decimal country code of the import's language ("44", "39", "33", "34", "49",
    // "86"), fixed by the driver at the start of the import. Empty before the thread's
    // first import, which selects the Italian texts.
    std::string CurrentCountryCode;
    // How the import reads its sources, fixed by the driver at the start of the import.
    ImportOptions Options;
    // What each source was read as, one entry per source of the main passes, in order.
    std::vector<FileReading> Readings;
    // Filled by the data-block importer per file, read by the element record.
    DeclarationTable DeclaredStrings;
    DeclarationTable DeclaredUDTs;

    // The account of the import when the host asked for one, else null; the importers and
    // records write it where they decide a line's fate. Every Accounted call below expects
    // it set: callers test Account first, so that an import without one pays one branch.
    std::shared_ptr<ImportAccount> Account;

    // A file's lines are about to be accounted for: room for as many entries as lines of
    // at least shortestLine bytes fit in it (room never written costs no memory).
    void AccountFile(const std::string& file, size_t shortestLine);
    // A new entry for line of file, appended to the account.
    AccountEntry& AccountLine(std::string_view file, size_t line);
    // The last entry goes, with its reports: its line held nothing to account for.
    void DropLine();
    // A copy of text kept as long as the account (the entry's texts are views).
    std::string_view Keep(std::string_view text) { return Account->Keep(text); }
    std::string_view Keep(std::initializer_list<std::string_view> parts) { return Account->Keep(parts); }
    // A report of the design about entry's line.
    void Report(AccountEntry& entry, const LineReport& report) { Account->Report(entry, report); }
    // The entry became variable, under key (a view kept by the account).
    void Accounted(AccountEntry& entry, const Variable& variable, std::string_view key);
    // The entry's variable was refused: key (kept by the account) is already in the collection.
    void AccountedSameName(AccountEntry& entry, std::string_view key);
    // The variable removed, under key, was removed: its line's fate is now fate for reason
    // (a view kept by the account or a constant text).
    void AccountedRemoval(const Variable& removed, std::string_view key, LineFate fate, std::string_view reason);
    // The reading of file ended at line with a file error: that line's entry, or a new one
    // where the line held no symbol or value (line 0: the file was never read).
    void AccountedFileError(const std::string& file, size_t line, std::string_view what);
    // The import has ended: the clashes' reasons are written, the account is the host's
    // alone and the indexes of its entries go.
    void CloseAccount();

    // The message log and the device database; while there is none a call fails with
    // ObjectNotSet (91), as a call through an unset object reference does.
    Messenger& MessageLog() const { return ObjectOf(SharedMessenger); }
    DeviceDBService& DeviceDatabase() const { return ObjectOf(DeviceDB); }

    // A new DeviceDBService for the database beside the component (which opens it), made
    // DeviceDB with DeviceId; the one held before goes.
    void OpenDeviceDB(int32_t DeviceId);
    // Empties DeviceDB; the service ends and closes the database.
    void CloseDeviceDB();

private:
    // An earlier variable's entry is asked for by the removal of a block's symbol and by a
    // clash of names. The symbols of data blocks, which the blocks' headers remove, are
    // indexed by variable as they are accounted; any other variable removed is found by its
    // key, in an index brought up to date only when such a removal comes. A clash's line is
    // found when the import ends, by one walk over the entries: the last entry before the
    // clash that became a variable of its key.
    std::unordered_map<const Variable*, uint32_t> blockSymbols_;
    // The keyed entries: open addressing, a power of two of slots, at most half of them
    // used; a slot holds a key's hash and its entry's index + 1 (0: free). A later entry of
    // a key replaces the earlier.
    struct KeySlot {
        uint32_t hash = 0;
        uint32_t entry = 0;
    };
    std::vector<KeySlot> keys_;
    size_t keysUsed_ = 0;
    size_t keyed_ = 0;  // the entries keys_ has seen
    KeySlot& SlotOf(std::string_view key, uint32_t hash);
    void IndexKey(uint32_t entry);
    // The imported entry of variable under key, or null.
    AccountEntry* EntryOf(const Variable* variable, std::string_view key);
    std::string_view accountFile_;  // the file of the last entry, as the account keeps it
    struct Clash {
        uint32_t entry;
        std::string_view key;  // kept by the account
    };
    std::vector<Clash> clashes_;  // in the order of their entries
    void WriteClashReasons();
};

// The context of the calling thread's import: the one its last StartImport made, kept
// after the import (after a failed one with everything still in it) until the next
// import replaces it; an empty one before the thread's first import.
ImportContext& CurrentImport();

// A fresh context made the calling thread's current one; the one before goes, unless
// still held elsewhere. One import runs at a time on a thread.
std::shared_ptr<ImportContext> StartImport();

}  // namespace tessaro
