#include "awl/InfoAWLImportedVariable.h"

#include "awl/BlockSymbolIndex.h"
#include "awl/DataBlockLayout.h"
#include "awl/DeclarationTables.h"
#include "awl/ValueLiteral.h"
#include "awl/VariableAWLInfoRecord.h"
#include "driver/ImportContext.h"
#include "platform/HostHooks.h"
#include "platform/LineReader.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <exception>
#include <optional>

namespace tessaro {

namespace {

enum class State { SeekBlock, SkipBlock, Declarations, Values };

// The text of an upper-cased declaration line before its first " : ", trimmed.
std::string DeclaredName(std::string_view upper) {
    size_t colon = Position(upper, " : ");
    return colon == 0 ? std::string() : std::string(TrimBlanks(Columns(upper, 1, colon - 1)));
}

// Notes a STRING or UDT-typed declaration of block number in the declaration tables.
void NoteDeclaration(std::string_view line, int32_t number) {
    std::string upper = UpperCase(line);
    std::string_view text = upper;
    if (Contains(text, ": STRING  [")) {
        DeclarationEntry entry{number, DeclaredName(text), 0, 0};
        entry.Length = RoundToInt32(NumberIn(ColumnsFrom(text, Position(text, "[") + 1)));
        CurrentImport().DeclaredStrings.Append(std::move(entry));
    } else if (Contains(text, ": UDT ")) {
        DeclarationEntry entry{number, DeclaredName(text), 0, 0};
        size_t from = Position(text, " UDT ") + 5;
        size_t semicolon = Position(text, ";", from);
        if (semicolon == 0) throw RuntimeError(InvalidArgument, "a UDT declaration without \";\"");
        entry.UDTNumber = RoundToInt16(NumberIn(Columns(text, from, semicolon - from)));
        CurrentImport().DeclaredUDTs.Append(std::move(entry));
    }
}

// The whole quoted name of a symbolic header, from its 11th character: the first quoted
// text, or the rest of the line when no quote closes it.
std::string_view WholeBlockName(std::string_view header) {
    std::string_view name = TrimBlanks(ColumnsFrom(header, 11));
    const size_t close = name.starts_with('"') ? name.find('"', 1) : std::string_view::npos;
    return close == std::string_view::npos ? name : name.substr(0, close + 1);
}

std::string_view TrimBlanksAndTabs(std::string_view text) {
    const size_t from = text.find_first_not_of(" \t");
    return from == std::string_view::npos ? std::string_view() : text.substr(from, text.find_last_not_of(" \t") + 1 - from);
}

// Whether a line is commented out: "//" before anything else but blanks and tabs.
bool CommentedOut(std::string_view line) { return TrimBlanksAndTabs(line).starts_with("//"); }

// A commented-out value line as the element's value line would be written: three blanks,
// the path, " := " and the value.
std::string Uncommented(std::string_view line) {
    const std::string_view text = TrimBlanksAndTabs(line).substr(2);
    const size_t assign = text.find(":=");
    return "   " + std::string(TrimBlanksAndTabs(text.substr(0, assign))) + " := " +
           std::string(TrimBlanksAndTabs(text.substr(assign + 2)));
}

}  // namespace

LineReader::Tabs DataBlockSourceTabs(const ImportOptions& options) {
    return options.Tab == ImportOptions::Tabs::AsBlanks ? LineReader::Tabs::ToValueIndentation
                                                        : LineReader::Tabs::AsWritten;
}

void InfoAWLImportedVariable::GetImportedVariables(VariableList& Variables) {
    ImportContext& import = CurrentImport();
    const ImportOptions& options = import.Options;
    const bool wholeNames = options.BlockName == ImportOptions::BlockNames::Whole;
    const bool passComments = options.CommentedValue == ImportOptions::CommentedValues::PassedOver;
    // A value line: one with ":=", unless the reading passes over commented-out lines.
    auto isValueLine = [&](std::string_view l) { return Contains(l, ":=") && !(passComments && CommentedOut(l)); };
    FileReading reading;
    reading.Format = "AWL";
    reading.SourceId = DataSource->SourceId;
    std::optional<LineReader> file;
    try {
        const std::string& sourceId = DataSource->SourceId;
        file.emplace(sourceId, options.LineEnd == ImportOptions::LineEnds::AlsoLineFeed, DataBlockSourceTabs(options));
        if (import.Account) import.AccountFile(sourceId, 12);  // "   A := 1;" and its line end
        import.DeclaredStrings.Reset();
        import.DeclaredUDTs.Reset();
        State state = State::SeekBlock;
        std::string line;
        std::string lastDeclarationLine;
        int32_t blockNumber = 0;
        std::string blockName;
        bool begun = false;     // a skipped block's values have begun, for the account
        DataBlockLayout layout;
        std::optional<BlockSymbolIndex> symbols;  // built at the first header

        auto removeSymbol = [&](const VariablePtr& symbol) {
            std::string key = VariableKey(symbol->Name, DeviceId);
            VariablePtr removed = Variables.Item(key);
            Variables.Remove(key);
            symbols->Removed(removed);
            if (import.Account)
                import.AccountedRemoval(*removed, key, LineFate::ReplacedByBlock,
                                        import.Keep("replaced by the elements of its block in " + sourceId));
        };
        // A value line that gives no variable because its block is not imported.
        auto notImported = [&](std::string_view valueLine, std::string_view reason) -> AccountEntry& {
            AccountEntry& entry = import.AccountLine(sourceId, file->Lines());
            entry.Name = import.Keep({blockName, ".", ValuePath(valueLine, Position(valueLine, ":="))});
            entry.Fate = LineFate::BlockNotImported;
            entry.Reason = import.Keep(reason);
            return entry;
        };

        while (!file->AtEnd()) {
            YieldToHost();
            line = file->ReadLine();
            switch (state) {
            case State::SeekBlock: {
                if (!file->ReadUntil(line, [](std::string_view l) { return l.substr(0, 10) == "DATA_BLOCK"; })) break;
                blockNumber = 0;
                blockName.clear();
                begun = false;
                layout = DataBlockLayout();
                if (!symbols) symbols.emplace(Variables);
                blockName = TrimBlanks(Columns(line, 11, 20));
                if (wholeNames && Columns(line, 12, 3) != "DB ") {
                    const std::string_view whole = WholeBlockName(line);
                    reading.WholeBlockNames = reading.WholeBlockNames || whole != blockName;
                    blockName = whole;
                }
                state = State::Declarations;
                if (Columns(line, 12, 3) == "DB ") {
                    blockNumber = RoundToInt32(NumberIn(Columns(line, 14, 20)));
                    if (VariablePtr symbol = symbols->FindDataBlockSymbol(blockNumber)) removeSymbol(symbol);
                } else {
                    const std::string_view quoted = wholeNames ? std::string_view(blockName) : TrimBlanks(Columns(line, 12, 30));
                    if (VariablePtr symbol = symbols->FindQuotedSymbol(quoted)) {
                        blockNumber = symbol->FieldAdd1;
                        removeSymbol(symbol);
                    }
                    if (blockNumber == 0) {
                        Messenger& log = import.MessageLog();
                        log.DB = "DB " + blockName;
                        log.RecordVariableDBIncomplete(blockName);
                        ++reading.UnnumberedBlocks;
                        state = State::SkipBlock;
                    }
                }
                break;
            }
            case State::SkipBlock: {
                auto blockEnds = [&](std::string_view l) {
                    if (l == "END_DATA_BLOCK") return true;
                    if (import.Account) {
                        if (begun && isValueLine(l)) {
                            import.Report(notImported(l, "its block " + blockName + " is incomplete: no symbol gives its number"),
                                          {5, {}, {}});
                        }
                        begun = begun || l == "BEGIN";
                    }
                    return false;
                };
                if (!file->ReadUntil(line, blockEnds)) break;
                state = State::SeekBlock;
                break;
            }
            case State::Declarations:
                while (line != "BEGIN" && !file->AtEnd()) {
                    NoteDeclaration(line, blockNumber);
                    lastDeclarationLine = line;
                    line = file->ReadLine();
                }
                if (file->AtEnd()) break;
                state = State::Values;
                break;
            case State::Values: {
                if (!file->ReadUntil(line, [](std::string_view l) { return Contains(l, ":=") || l == "END_DATA_BLOCK"; })) {
                    // The file ends at a value line: the import stops before it.
                    if (import.Account && isValueLine(line))
                        notImported(line, "the file ends at this line, before the block's END_DATA_BLOCK");
                    break;
                }
                if (line == "END_DATA_BLOCK") {
                    state = State::SeekBlock;
                    break;
                }
                if (passComments && CommentedOut(line)) {
                    // The element is still declared, so it keeps its bytes in the block and
                    // the elements after it keep their addresses; it gives no variable.
                    ++reading.CommentedValueLines;
                    const std::string element = Uncommented(line);
                    try {
                        const LiteralClass literal =
                            ClassifyValueLiteral(element, blockNumber, import.DeclaredStrings, import.DeclaredUDTs, UDTs.get());
                        layout.BeginLine(element);
                        layout.Place(literal.TagAttribute, literal.DataLength);
                    } catch (const RuntimeError&) {
                        // A comment whose value cannot be read takes no room.
                    }
                    break;
                }
                ++reading.Entries;
                VariableAWLInfoRecord record;
                layout.BeginLine(line);

                record.DBName = blockName;
                record.SourceLine = line;
                record.DBNumber = blockNumber;
                record.Layout = &layout;
                record.UDTs = UDTs;
                if (import.Account) record.Entry = &import.AccountLine(sourceId, file->Lines());
                record.GetVariableInfoRecord();
                VariablePtr variable = record.VariableInfoRecord;

                if (Contains(lastDeclarationLine, " FB ") || Contains(lastDeclarationLine, " SFB ") ||
                    Contains(lastDeclarationLine, " \"")) {
                    variable->Warning = true;
                    Messenger& log = import.MessageLog();
                    log.DB = "DB " + std::to_string(record.DBNumber);
                    log.RecordCheckVariable(variable->Name);
                    if (record.Entry) {
                        import.Report(*record.Entry, {6, {}, {}});
                        if (record.Entry->Reason.empty()) record.Entry->Reason = "in an instance or symbol block: to check";
                    }
                }

                layout.Place(variable->TagAttribute, record.DataLength);

                variable->DeviceId = DeviceId;
                if (variable->DataAreaId != 0) {
                    std::string key = VariableKey(variable->Name, DeviceId);
                    const std::string_view kept = record.Entry ? import.Keep(key) : std::string_view();
                    try {
                        Variables.AddFolded(variable, std::move(key));
                        symbols->Added(variable);
                        ++reading.Added;
                        if (record.Entry) import.Accounted(*record.Entry, *variable, kept);
                    } catch (const RuntimeError& e) {
                        if (e.Number != DuplicateKey) throw;
                        import.MessageLog().RecordVariableWithSameName(variable->Name, sourceId);
                        if (record.Entry) import.AccountedSameName(*record.Entry, kept);
                    }
                } else {
                    Messenger& log = import.MessageLog();
                    log.DB = std::to_string(record.DBNumber);
                    log.RecordVariableNoForKORVO(variable->Name);
                    if (record.Entry) import.Report(*record.Entry, {4, {}, {}});
                }
                break;
            }
            }
        }
    } catch (const std::exception& error) {
        import.MessageLog().RecordFileError(DataSource->SourceId);
        reading.FileError = true;
        if (import.Account) import.AccountedFileError(DataSource->SourceId, file ? file->Lines() : 0, error.what());
    }
    NoteReading(std::move(reading), file ? &*file : nullptr);
}

}  // namespace tessaro
