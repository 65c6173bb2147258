#include "asc/InfoASCImportedVariable.h"

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

// The operand areas of every symbol line of a file, read once before its lines become
// variables.
MnemonicsMet MnemonicsOfFile(const std::string& sourceId, bool lineFeedEnds, LineReader::Tabs tabs) {
    MnemonicsMet met;
    LineReader file(sourceId, lineFeedEnds, tabs);
    while (!file.AtEnd() && !met.Mixed()) {
        const SymbolLineColumns columns = SplitSymbolLine(file.ReadLine());
        if (!columns.Symbol.empty()) met.Note(columns.OperandArea);
    }
    return met;
}

}  // namespace

void InfoASCImportedVariable::GetImportedVariables(VariableList& Variables) {
    std::optional<LineReader> file;
    const ImportOptions& options = CurrentImport().Options;
    const bool lineFeedEnds = options.LineEnd == ImportOptions::LineEnds::AlsoLineFeed;
    const auto tabs = options.Tab == ImportOptions::Tabs::AsBlanks ? LineReader::Tabs::ToColumns : LineReader::Tabs::AsWritten;
    FileReading reading;
    reading.Format = "ASC";
    try {
        const std::string& sourceId = ObjectOf(DataSource).SourceId;
        reading.SourceId = sourceId;
        ImportOptions::Mnemonics mnemonics = options.Mnemonic;
        if (mnemonics == ImportOptions::Mnemonics::Detect) {
            const MnemonicsMet met = MnemonicsOfFile(sourceId, lineFeedEnds, tabs);
            mnemonics = met.Chosen();
            reading.MixedMnemonics = met.Mixed();
        }
        reading.EnglishMnemonics = mnemonics == ImportOptions::Mnemonics::English;
        file.emplace(sourceId, lineFeedEnds, tabs);
        const std::string section = SymbolFileSection(sourceId);
        std::string line;  // the memory of the lines, lent to each record in turn
        while (!file->AtEnd()) {
            YieldToHost();
            VariableASCInfoRecord record;
            record.Mnemonics = mnemonics;
            record.SourceLine.swap(line);
            record.SourceLine.assign(file->ReadLine());
            record.GetVariableInfoRecord();
            line.swap(record.SourceLine);
            Variable& variable = *record.VariableInfoRecord;
            if (!variable.Name.empty()) ++reading.Entries;
            variable.SectionName = section;
            variable.DeviceId = DeviceId;
            if (variable.DataAreaId == 0) continue;
            try {
                Variables.AddFolded(record.VariableInfoRecord, VariableKey(variable.Name, DeviceId));
                ++reading.Added;
            } catch (const RuntimeError& error) {
                if (error.Number != DuplicateKey) throw;
                // The variable already in the collection stays; this one is dropped.
                CurrentImport().MessageLog().RecordVariableWithSameName(variable.Name, sourceId);
            }
        }
        file->Close();
    } catch (const std::exception&) {
        if (file) file->Close();
        CurrentImport().MessageLog().RecordFileError(DataSource ? DataSource->SourceId : std::string());
        reading.FileError = true;
    }
    NoteReading(std::move(reading), file ? &*file : nullptr);
}

}  // namespace tessaro
