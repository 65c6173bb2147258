#pragma once
// The account of an import: one entry for every source line that holds a symbol (a symbol
// table) or a value (a data block's value section), in the order the import read them,
// saying where it came from, what was written there, its absolute address and what became
// of it. Kept only when ImportOptions::Account is set. Texts are in the component's code
// page, as the records' are.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

enum class LineFate {
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
    std::string OldType;  // a type conversion's from and to; empty for the other kinds
    std::string NewType;
};

struct AccountEntry {
    // Where.
    std::string File;             // the SourceId as the host named it
    int32_t Line = 0;             // 1-based, as the import counts lines
    // What was written.
    std::string Name;             // the symbol, or the element's path
    std::string OperandArea;      // as written: "E", "MW", "DB"; empty for an element
    std::string Address;          // as written: "0.3", "4"; empty for an element
    std::string DataType;         // as written
    std::string Comment;          // the text after the data type, blanks around it removed
    // The absolute address: "E 0.3", "EW 2"; "DB20.DBX4.1", "DB20.DBW6", ...
    std::string AbsoluteAddress;
    // What became of it.
    LineFate Fate = LineFate::Imported;
    std::string Reason;           // empty when imported without remark
    std::vector<LineReport> Reports;  // the design's reports about this line, in their order
    std::string Key;              // the collection key, where it became a variable
};

struct ImportAccount {
    std::vector<AccountEntry> Entries;
};

}  // namespace tessaro
