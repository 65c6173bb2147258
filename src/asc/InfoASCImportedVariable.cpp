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

void InfoASCImportedVariable::GetImportedVariables(VariableList& Variables) {
    std::optional<LineReader> file;
    ImportContext& import = CurrentImport();
    try {
        const std::string& sourceId = ObjectOf(DataSource).SourceId;
        file.emplace(sourceId);
        const std::string section = SymbolFileSection(sourceId);
        if (import.Account) import.AccountFile(sourceId, 48);  // a symbol's line reaches its type
        std::string line;  // the memory of the lines, lent to each record in turn
        while (!file->AtEnd()) {
            YieldToHost();
            VariableASCInfoRecord record;
            record.SourceLine.swap(line);
            record.SourceLine.assign(file->ReadLine());
            if (import.Account) record.Entry = &import.AccountLine(sourceId, file->LinesRead());
            record.GetVariableInfoRecord();
            line.swap(record.SourceLine);
            if (record.Entry && record.Entry->Name.empty()) import.Account->Entries.pop_back();  // no symbol on the line
            Variable& variable = *record.VariableInfoRecord;
            variable.SectionName = section;
            variable.DeviceId = DeviceId;
            if (variable.DataAreaId == 0) continue;
            std::string key = VariableKey(variable.Name, DeviceId);
            std::string kept = record.Entry ? key : std::string();
            try {
                Variables.AddFolded(record.VariableInfoRecord, std::move(key));
                if (record.Entry) import.Accounted(*record.Entry, std::move(kept));
            } catch (const RuntimeError& error) {
                if (error.Number != DuplicateKey) throw;
                // The variable already in the collection stays; this one is dropped.
                import.MessageLog().RecordVariableWithSameName(variable.Name, sourceId);
                if (record.Entry) import.AccountedSameName(*record.Entry, kept);
            }
        }
        file->Close();
    } catch (const std::exception& error) {
        const size_t linesRead = file ? file->LinesRead() : 0;
        if (file) file->Close();
        const std::string sourceId = DataSource ? DataSource->SourceId : std::string();
        import.MessageLog().RecordFileError(sourceId);
        if (import.Account) import.AccountedFileError(sourceId, linesRead, error.what());
    }
}

}  // namespace tessaro
