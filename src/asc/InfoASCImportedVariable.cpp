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

// The mnemonics a file is read with, from its operand areas read before its lines become
// variables: up to the first German-only area (the choice is then German, whatever
// follows; the main pass notes a mix), else to the end.
ImportOptions::Mnemonics MnemonicsOfFile(const std::string& sourceId, bool lineFeedEnds, LineReader::Tabs tabs) {
    MnemonicsMet met;
    LineReader file(sourceId, lineFeedEnds, tabs);
    while (!file.AtEnd() && !met.German) {
        const std::string_view line = file.ReadLine();
        const std::string_view operandArea = OperandAreaOf(line);
        if (!operandArea.empty() && HoldsSymbol(line)) met.Note(operandArea);
    }
    return met.Chosen();
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
        const bool detect = options.Mnemonic == ImportOptions::Mnemonics::Detect;
        const ImportOptions::Mnemonics mnemonics =
            detect ? MnemonicsOfFile(sourceId, lineFeedEnds, tabs) : options.Mnemonic;
        MnemonicsMet met;  // the operand areas as the lines are read, for a mix to be said
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
            Variable& variable = *record.VariableInfoRecord;
            if (!variable.Name.empty()) {
                ++reading.Entries;
                met.Note(record.OperandArea());
            }
            line.swap(record.SourceLine);
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
        reading.MixedMnemonics = detect && met.Mixed();
    } catch (const std::exception&) {
        if (file) file->Close();
        CurrentImport().MessageLog().RecordFileError(DataSource ? DataSource->SourceId : std::string());
        reading.FileError = true;
    }
    NoteReading(std::move(reading), file ? &*file : nullptr);
}

}  // namespace tessaro
