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
#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessaro {

class DeviceDBService;

struct ImportContext {
    std::shared_ptr<Messenger> SharedMessenger;
    std::shared_ptr<DeviceDBService> DeviceDB;  // open from OpenDeviceDB to CloseDeviceDB
    // Decimal country code of the import's language ("44", "39", "33", "34", "49",
    // "86"), fixed by the driver at the start of the import. Empty before the thread's
    // first import, which selects the Italian texts.
    std::string CurrentCountryCode;
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
    AccountEntry& AccountLine(const std::string& file, size_t line);
    // The entry became the variable under key.
    void Accounted(AccountEntry& entry, std::string key);
    // The entry's variable was refused: key is already in the collection.
    void AccountedSameName(AccountEntry& entry, const std::string& key);
    // The variable under key was removed, its line's fate now fate for reason.
    void AccountedRemoval(const std::string& key, LineFate fate, std::string reason);
    // The reading of file ended at line with a file error: that line's entry, or a new one
    // where the line held no symbol or value (line 0: the file was never read).
    void AccountedFileError(const std::string& file, size_t line, std::string_view what);
    // The import has ended: the account is the host's alone, the index of its keys goes.
    void CloseAccount() {
        Account.reset();
        accountedKeys_.Clear();
    }

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
    Collection<size_t> accountedKeys_;  // the entry of each variable added, by its key
};

// The context of the calling thread's import: the one its last StartImport made, kept
// after the import (after a failed one with everything still in it) until the next
// import replaces it; an empty one before the thread's first import.
ImportContext& CurrentImport();

// A fresh context made the calling thread's current one; the one before goes, unless
// still held elsewhere. One import runs at a time on a thread.
std::shared_ptr<ImportContext> StartImport();

}  // namespace tessaro
