#include "asc/InfoASCImportedVariable.h"

#include "asc/SymbolRowReader.h"
#include "asc/VariableASCInfoRecord.h"
#include "driver/ImportContext.h"
#include "platform/HostHooks.h"
#include "platform/LineReader.h"
#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

#include <exception>
#include <optional>

namespace tessaro {

std::string SymbolFileSection(std::string_view sourceId) {
    std::string section(FileNameOf(sourceId));
    section += " (Symbol file)";
    return section;
}

namespace {

SymbolRowFormat RowFormatOf(std::string_view format) {
    return format == "SDF" ? SymbolRowFormat::SDF : SymbolRowFormat::DIF;
}

// The columns of a symbol line up to its operand area (1 to 31), in bytes on a code page
// of up to two bytes a character.
constexpr size_t kUpToOperandArea = 2 * 31;

// The mnemonics a file is read with, from its operand areas read before its lines or rows
// become variables: up to the first German-only area (the choice is then German, whatever
// follows; the main pass notes a mix), else to the end. Of an ASC line only the start is
// looked at, up to its operand area. A file read to its end without a lone LF has the
// same lines whether or not LFs end lines: lineFeedEnds is then cleared, and the main
// pass spares itself the search for them.
ImportOptions::Mnemonics MnemonicsOfFile(const std::string& sourceId, std::string_view format, bool& lineFeedEnds,
                                         LineReader::Tabs tabs) {
    MnemonicsMet met;
    LineReader file(sourceId, lineFeedEnds, tabs);
    if (format == "ASC") {
        while (!file.AtEnd() && !met.German) {
            const std::string_view line = file.ReadLineStart(kUpToOperandArea);
            const std::string_view operandArea = OperandAreaOf(line);
            if (met.Adds(operandArea) && HoldsSymbol(line)) met.Note(operandArea);
        }
    } else {
        SymbolRowReader rows(file, RowFormatOf(format));
        SymbolLineColumns row;
        try {
            while (!met.German && rows.Next(row))
                if (!row.Symbol.empty()) met.Note(row.OperandArea);
        } catch (const RuntimeError& error) {
            // A row that does not fit its format: the main pass ends at it and says why.
            if (error.Number != InvalidArgument) throw;
        }
    }
    if (file.AtEnd() && file.LoneLineFeeds() == 0) lineFeedEnds = false;
    return met.Chosen();
}

}  // namespace

void InfoASCImportedVariable::GetImportedVariables(VariableList& Variables) {
    std::optional<LineReader> file;
    std::optional<SymbolRowReader> rows;  // an SDF or DIF file's
    ImportContext& import = CurrentImport();
    const ImportOptions& options = import.Options;
    bool lineFeedEnds = options.LineEnd == ImportOptions::LineEnds::AlsoLineFeed;
    // Tabs move the columns of an ASC line only; the other formats' fields are delimited.
    const auto tabs = options.Tab == ImportOptions::Tabs::AsBlanks && Format == "ASC" ? LineReader::Tabs::ToColumns
                                                                                      : LineReader::Tabs::AsWritten;
    FileReading reading;
    reading.Format = Format;
    try {
        const std::string& sourceId = ObjectOf(DataSource).SourceId;
        reading.SourceId = sourceId;
        const bool detect = options.Mnemonic == ImportOptions::Mnemonics::Detect;
        const ImportOptions::Mnemonics mnemonics =
            detect ? MnemonicsOfFile(sourceId, Format, lineFeedEnds, tabs) : options.Mnemonic;
        MnemonicsMet met;  // the operand areas as the lines are read, for a mix to be said
        reading.EnglishMnemonics = mnemonics == ImportOptions::Mnemonics::English;
        file.emplace(sourceId, lineFeedEnds, tabs);
        const std::string section = SymbolFileSection(sourceId);
        if (import.Account) import.AccountFile(sourceId, 48);  // a symbol's line reaches its type
        // Completes a record's variable and adds it when it has a data area; the record's
        // account entry, when it has one, follows.
        auto add = [&](VariableASCInfoRecord& record) {
            if (record.Entry && record.Entry->Name.empty()) {  // no symbol on the line
                import.DropLine();
                record.Entry = nullptr;
            }
            Variable& variable = *record.VariableInfoRecord;
            if (!variable.Name.empty()) {
                ++reading.Entries;
                met.Note(record.OperandArea());
            }
            variable.SectionName = section;
            variable.DeviceId = DeviceId;
            if (variable.DataAreaId == 0) return;
            std::string key = VariableKey(variable.Name, DeviceId);
            const std::string_view kept = record.Entry ? import.Keep(key) : std::string_view();
            try {
                Variables.AddFolded(record.VariableInfoRecord, std::move(key));
                ++reading.Added;
                if (record.Entry) import.Accounted(*record.Entry, variable, kept);
            } catch (const RuntimeError& error) {
                if (error.Number != DuplicateKey) throw;
                // The variable already in the collection stays; this one is dropped.
                import.MessageLog().RecordVariableWithSameName(variable.Name, sourceId);
                if (record.Entry) import.AccountedSameName(*record.Entry, kept);
            }
        };
        if (Format == "ASC") {
            std::string line;  // the memory of the lines, lent to each record in turn
            while (!file->AtEnd()) {
                YieldToHost();
                VariableASCInfoRecord record;
                record.Mnemonics = mnemonics;
                record.SourceLine.swap(line);
                record.SourceLine.assign(file->ReadLine());
                if (import.Account) record.Entry = &import.AccountLine(sourceId, file->Lines());
                record.GetVariableInfoRecord();
                add(record);
                line.swap(record.SourceLine);
            }
        } else {
            rows.emplace(*file, RowFormatOf(Format));
            SymbolLineColumns row;
            for (;;) {
                YieldToHost();
                if (!rows->Next(row)) break;
                VariableASCInfoRecord record;
                record.Mnemonics = mnemonics;
                if (import.Account) record.Entry = &import.AccountLine(sourceId, rows->RowLine());
                record.GetVariableInfoRecord(row);
                add(record);
            }
        }
        file->Close();
        reading.MixedMnemonics = detect && met.Mixed();
    } catch (const std::exception& error) {
        // A row that does not fit its format ends the reading at the row's line.
        const size_t linesRead = rows && rows->RowLine() ? rows->RowLine() : file ? file->Lines() : 0;
        if (file) file->Close();
        const std::string sourceId = DataSource ? DataSource->SourceId : std::string();
        import.MessageLog().RecordFileError(sourceId);
        reading.FileError = true;
        reading.Failure = error.what();
        if (import.Account) import.AccountedFileError(sourceId, linesRead, error.what());
    }
    NoteReading(std::move(reading), file ? &*file : nullptr);
}

}  // namespace tessaro
