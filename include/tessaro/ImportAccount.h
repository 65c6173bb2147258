#pragma once
// The account of an import: one entry for every source line that holds a symbol (a symbol
// table) or a value (a data block's value section), in the order the import read them,
// saying where it came from, what was written there, its absolute address and what became
// of it. Kept only when ImportOptions::Account is set. Texts are in the component's code
// page, as the records' are.
//
// The account owns its texts: an entry's texts and its reports' types are views of text the
// ImportAccount keeps (or of the library's constant texts), valid while the ImportAccount
// lives, and its reports are a run of the account's Reports. A host holds the account as
// the driver gives it (std::shared_ptr<const ImportAccount>) for as long as it reads the
// entries, and copies out the texts it keeps longer. An account is moved, never copied.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaro {

enum class LineFate : uint8_t {
    Imported,          // became a variable (Key names it)
    AreaNotKnown,      // the operand area selects no data area
    AreaNotInDevice,   // the device's database has no such data area
    SameName,          // an earlier variable has the same key (Reason: its file and line)
    ReplacedByBlock,   // a data block's symbol, removed because the block's elements replace it
    BlockNotImported,  // in a data block that was not imported (incomplete or skipped)
    FileError,         // the line at which the file's reading ended with a file error
};

// The stable name of a fate, as the command line and the summary write it:
// "imported", "area-not-known", "area-not-in-device", "same-name", "replaced-by-block",
// "block-not-imported", "file-error".
std::string_view FateName(LineFate fate);

// One of the design's reports about a line, by the partial message file it went to (1 type
// conversion, 2 same name, 3 file error, 4 not for the device, 5 incomplete data block,
// 6 to check: the numbering of VariableDriver::ReportCounts).
struct LineReport {
    int32_t Kind = 0;
    std::string_view OldType;  // a type conversion's from and to; empty for the other kinds
    std::string_view NewType;
};

struct AccountEntry {
    // Where.
    std::string_view File;             // the SourceId as the host named it
    int32_t Line = 0;                  // 1-based, as the import counts lines
    // What became of it (the reason and the reports follow below).
    LineFate Fate = LineFate::Imported;
    // What was written.
    std::string_view Name;             // the symbol, or the element's path
    std::string_view OperandArea;      // as written: "E", "MW", "DB"; empty for an element
    std::string_view Address;          // as written: "0.3", "4"; empty for an element
    std::string_view DataType;         // as written
    std::string_view Comment;          // the text after the data type, blanks around it removed
    // The absolute address: "E 0.3", "EW 2"; "DB20.DBX4.1", "DB20.DBW6", ...
    std::string_view AbsoluteAddress;
    std::string_view Reason;           // empty when imported without remark
    std::string_view Key;              // the collection key, where it became a variable
    // The design's reports about this line, in their order: ImportAccount::ReportsOf.
    uint32_t FirstReport = 0;
    uint32_t ReportCount = 0;
};

class ImportAccount {
public:
    ImportAccount() = default;
    ImportAccount(ImportAccount&& other) noexcept { *this = std::move(other); }
    ImportAccount& operator=(ImportAccount&& other) noexcept;
    ImportAccount(const ImportAccount&) = delete;  // the entries' views would name the copied-from text
    ImportAccount& operator=(const ImportAccount&) = delete;
    ~ImportAccount() = default;

    std::vector<AccountEntry> Entries;
    std::vector<LineReport> Reports;  // every entry's reports, each entry's a run of them

    // The reports of entry, an entry of this account.
    std::span<const LineReport> ReportsOf(const AccountEntry& entry) const {
        return std::span<const LineReport>(Reports).subspan(entry.FirstReport, entry.ReportCount);
    }
    // Adds report to entry's reports (entry of this account; the last entry's at no cost).
    void Report(AccountEntry& entry, const LineReport& report);
    // A copy of text (or of parts, one after the other) kept as long as the account.
    std::string_view Keep(std::string_view text) { return Keep({text}); }
    std::string_view Keep(std::initializer_list<std::string_view> parts) {
        size_t size = 0;
        for (std::string_view part : parts) size += part.size();
        if (size == 0) return {};
        if (free_ < size) NewBlock(size);
        char* const kept = next_;
        for (std::string_view part : parts) next_ = std::copy(part.begin(), part.end(), next_);
        free_ -= size;
        return {kept, size};
    }

private:
    // The kept text: blocks that never move, filled one after the other.
    void NewBlock(size_t size);
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    size_t free_ = 0;
};

}  // namespace tessaro
