#include "awl/InfoUDTImportedVariable.h"

#include "awl/InfoAWLImportedVariable.h"
#include "awl/UDTInfoRecord.h"
#include "driver/ImportContext.h"
#include "platform/HostHooks.h"
#include "platform/LineReader.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <exception>

namespace tessaro {

namespace {

enum class Phase { SeekHeader, SeekStruct, Fields };

// A STRING field of a definition line, or null for any other line.
std::shared_ptr<UDTField> StringFieldOf(std::string_view line) {
    std::string upper = UpperCase(line);
    if (!Contains(upper, ": STRING  [")) return nullptr;
    auto field = std::make_shared<UDTField>();
    size_t colon = Position(upper, " : ");
    if (colon > 0) field->Name = TrimBlanks(Columns(upper, 1, colon - 1));
    size_t open = Position(upper, "[");
    size_t close = Position(upper, "]", open + 1);
    if (close == 0) throw RuntimeError(InvalidArgument, "a STRING field without \"]\"");
    field->Length = RoundToInt16(NumberIn(Columns(upper, open + 1, close - open - 1)));
    return field;
}

}  // namespace

void InfoUDTImportedVariable::GetImportedVariables(UDTCollection& Variables) {
    try {
        const ImportOptions& options = CurrentImport().Options;
        LineReader file(DataSource->SourceId, options.LineEnd == ImportOptions::LineEnds::AlsoLineFeed,
                        DataBlockSourceTabs(options));
        Phase phase = Phase::SeekHeader;
        std::shared_ptr<UDTInfoRecord> record;
        std::string line;
        while (!file.AtEnd()) {
            YieldToHost();
            line = file.ReadLine();
            switch (phase) {
            case Phase::SeekHeader:
                if (!file.ReadUntil(line, [](std::string_view l) { return l.substr(0, 8) == "TYPE UDT"; })) return;
                record = std::make_shared<UDTInfoRecord>();
                record->Number = RoundToInt16(NumberIn(Columns(line, 9, 20)));
                record->Fields = std::make_shared<Collection<std::shared_ptr<UDTField>>>();
                phase = Phase::SeekStruct;
                break;
            case Phase::SeekStruct:
                if (!file.ReadUntil(line, [](std::string_view l) { return Contains(l, "STRUCT"); })) return;
                phase = Phase::Fields;
                break;
            case Phase::Fields:
                while (!Contains(line, "END_TYPE") && !file.AtEnd()) {
                    if (auto field = StringFieldOf(line)) record->Fields->Add(field);
                    line = file.ReadLine();
                }
                Variables.Add(record);
                record.reset();
                phase = Phase::SeekHeader;
                break;
            }
        }
    } catch (const std::exception&) {
        CurrentImport().MessageLog().RecordFileError(DataSource->SourceId);
    }
}

}  // namespace tessaro
