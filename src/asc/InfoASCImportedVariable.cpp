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
    try {
        const std::string& sourceId = ObjectOf(DataSource).SourceId;
        file.emplace(sourceId);
        const std::string section = SymbolFileSection(sourceId);
        // Completes a record's variable and adds it when it has a data area.
        auto add = [&](VariableASCInfoRecord& record) {
            Variable& variable = *record.VariableInfoRecord;
            variable.SectionName = section;
            variable.DeviceId = DeviceId;
            if (variable.DataAreaId == 0) return;
            try {
                Variables.AddFolded(record.VariableInfoRecord, VariableKey(variable.Name, DeviceId));
            } catch (const RuntimeError& error) {
                if (error.Number != DuplicateKey) throw;
                // The variable already in the collection stays; this one is dropped.
                CurrentImport().MessageLog().RecordVariableWithSameName(variable.Name, sourceId);
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
                record.GetVariableInfoRecord();
                line.swap(record.SourceLine);
                add(record);
            }
        } else {
            SymbolRowReader rows(*file, Reading.Format == "SDF" ? SymbolRowFormat::SDF : SymbolRowFormat::DIF);
            SymbolLineColumns row;
            for (;;) {
                YieldToHost();
                const bool more = rows.Next(row);
                Reading.Lines = rows.Lines();
                if (!more) break;
                VariableASCInfoRecord record;
                record.GetVariableInfoRecord(row);
                add(record);
            }
        }
        file->Close();
    } catch (const std::exception& error) {
        if (file) file->Close();
        Reading.Failure = error.what();
        CurrentImport().MessageLog().RecordFileError(DataSource ? DataSource->SourceId : std::string());
    }
}

}  // namespace tessaro
