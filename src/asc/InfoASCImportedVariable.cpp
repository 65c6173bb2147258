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

void InfoASCImportedVariable::GetImportedVariables(VariableList& Variables) {
    std::optional<LineReader> file;
    std::optional<SymbolRowReader> rows;  // an SDF or DIF file's
    ImportContext& import = CurrentImport();
    try {
        const std::string& sourceId = ObjectOf(DataSource).SourceId;
        file.emplace(sourceId);
        const std::string section = SymbolFileSection(sourceId);
        if (import.Account) import.AccountFile(sourceId, 48);  // a symbol's line reaches its type
        // Completes a record's variable and adds it when it has a data area; the record's
        // account entry, when it has one, follows.
        auto add = [&](VariableASCInfoRecord& record) {
            if (record.Entry && record.Entry->Name.empty()) {  // no symbol on the line
                import.Account->Entries.pop_back();
                record.Entry = nullptr;
            }
            Variable& variable = *record.VariableInfoRecord;
            variable.SectionName = section;
            variable.DeviceId = DeviceId;
            if (variable.DataAreaId == 0) return;
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
        };
        if (Reading.Format == "ASC") {
            std::string line;  // the memory of the lines, lent to each record in turn
            while (!file->AtEnd()) {
                YieldToHost();
                VariableASCInfoRecord record;
                record.SourceLine.swap(line);
                record.SourceLine.assign(file->ReadLine());
                ++Reading.Lines;
                if (import.Account) record.Entry = &import.AccountLine(sourceId, file->LinesRead());
                record.GetVariableInfoRecord();
                line.swap(record.SourceLine);
                add(record);
            }
        } else {
            rows.emplace(*file, Reading.Format == "SDF" ? SymbolRowFormat::SDF : SymbolRowFormat::DIF);
            SymbolLineColumns row;
            for (;;) {
                YieldToHost();
                const bool more = rows->Next(row);
                Reading.Lines = rows->Lines();
                if (!more) break;
                VariableASCInfoRecord record;
                if (import.Account) record.Entry = &import.AccountLine(sourceId, rows->RowLine());
                record.GetVariableInfoRecord(row);
                add(record);
            }
        }
        file->Close();
    } catch (const std::exception& error) {
        // A row that does not fit its format ends the reading at the row's line.
        const size_t linesRead = rows && rows->RowLine() ? rows->RowLine() : file ? file->LinesRead() : 0;
        if (file) file->Close();
        Reading.Failure = error.what();
        const std::string sourceId = DataSource ? DataSource->SourceId : std::string();
        import.MessageLog().RecordFileError(sourceId);
        if (import.Account) import.AccountedFileError(sourceId, linesRead, error.what());
    }
}

}  // namespace tessaro
