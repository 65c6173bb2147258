#pragma once
// How an import reads its sources. Every option defaults to the reading the component has
// always had (CR or CR LF line ends, tabs as written, data-block names of 20 characters,
// German operand-area mnemonics, commented-out value lines read as values, no account); a host that wants another reading asks for
// it before GetVariables. After the import, the driver's Readings say per file what was
// read other than by default.

#include <cstddef>
#include <string>
#include <vector>

namespace tessaro {

struct ImportOptions {
    // CarriageReturn: a line ends at CR or CR LF, a lone LF stays in the line.
    // AlsoLineFeed: a lone LF ends a line as well.
    enum class LineEnds { CarriageReturn, AlsoLineFeed };
    // AsWritten: tabs are characters like any other. AsBlanks: a symbol table's tab
    // becomes blanks to the next multiple of 8 columns; a data-block source's tab a blank.
    enum class Tabs { AsWritten, AsBlanks };
    // FirstTwenty: a symbolic data block is named by the 20 characters from its header's
    // 11th. Whole: by its whole quoted name, and its symbol found by that name.
    enum class BlockNames { FirstTwenty, Whole };
    // German: E input, A output, Z counter. English: I input, Q output, C counter.
    // Detect: per file; English when its operand areas include I, Q or C and none of E, A,
    // Z, else German (a file with both is read as German, and its reading says so).
    // M, T and D are the same in both.
    enum class Mnemonics { German, English, Detect };
    // AsValues: a line of a data block's value section that holds ":=" is a value line,
    // also when it is commented out ("//" first after blanks and tabs). PassedOver: such
    // a line gives no variable, but its element, still declared, keeps its bytes in the
    // block, so the elements after it keep their addresses.
    enum class CommentedValues { AsValues, PassedOver };

    LineEnds LineEnd = LineEnds::CarriageReturn;
    Tabs Tab = Tabs::AsWritten;
    BlockNames BlockName = BlockNames::FirstTwenty;
    Mnemonics Mnemonic = Mnemonics::German;
    CommentedValues CommentedValue = CommentedValues::AsValues;
    // Keep the account of the import (ImportAccount.h): one entry per symbol or value line.
    bool Account = false;
    // Also read the symbol tables of the two other exports, ".SDF" (quoted fields separated
    // by commas) and ".DIF" (Data Interchange Format), by the end of SourceId in any letter
    // case, in the symbol-table pass beside ".ASC". Their rows fill the same fields as an
    // ".ASC" line's columns, with names of any length. Off: such files are ignored, as
    // every file other than ".ASC" and ".AWL" is. Reading ".ASC" and ".AWL" does not change.
    bool OtherSymbolFormats = false;
    // An import holds its component folder while it runs; one that finds it held waits for
    // the other up to this many seconds (negative: as long as it takes), then fails with
    // PermissionDenied (70). Not a reading: IsDefault does not look at it.
    double FolderWaitSeconds = -1;

    // Files as they are often handed over: lone LFs end lines, tabs are blanks, block
    // names whole, mnemonics detected per file, commented-out value lines passed over
    // (no account).
    static ImportOptions AsFound() {
        ImportOptions options;
        options.LineEnd = LineEnds::AlsoLineFeed;
        options.Tab = Tabs::AsBlanks;
        options.BlockName = BlockNames::Whole;
        options.Mnemonic = Mnemonics::Detect;
        options.CommentedValue = CommentedValues::PassedOver;
        return options;
    }

    // Every option at its default: the component's own reading.
    bool IsDefault() const {
        return LineEnd == LineEnds::CarriageReturn && Tab == Tabs::AsWritten &&
               BlockName == BlockNames::FirstTwenty && Mnemonic == Mnemonics::German &&
               CommentedValue == CommentedValues::AsValues && !Account && !OtherSymbolFormats;
    }
};

// What one source was read as, filled by its importer in the main pass.
struct FileReading {
    std::string SourceId;       // as the host named it
    std::string Format;         // "ASC", "AWL", "SDF", "DIF"
    size_t Lines = 0;           // lines read, as the import counts them
    bool LoneLineFeeds = false; // lone LFs met and read as line ends
    bool TabsAsBlanks = false;  // tabs met and read as blanks
    bool EnglishMnemonics = false;  // operand areas read with I, Q, C
    bool MixedMnemonics = false;    // both E, A, Z and I, Q, C met; read as German
    bool WholeBlockNames = false;   // a symbolic block name longer than 20 characters kept whole
    size_t CommentedValueLines = 0; // value-section lines commented out with "//", passed over
    size_t Entries = 0;         // symbol lines with a symbol, or value lines, met
    size_t Added = 0;           // variables added from them
    size_t UnnumberedBlocks = 0;    // symbolic data blocks that found no symbol
    bool FileError = false;     // a file error was reported for the source
    // Why the file was left early with a file error (what failed, for a row that does not
    // fit its format the line it lies on), or empty when it was read to its end.
    std::string Failure;

    // True when the file was read other than by default.
    bool Differs() const {
        return LoneLineFeeds || TabsAsBlanks || EnglishMnemonics || MixedMnemonics || WholeBlockNames ||
               CommentedValueLines > 0;
    }
    // What was read other than by default, in words ("LF line ends, tabs: read as such"),
    // as every host says it; empty when nothing was.
    std::string Said() const;
};

}  // namespace tessaro
