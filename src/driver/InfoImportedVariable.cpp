#include "driver/InfoImportedVariable.h"

#include "driver/ImportContext.h"
#include "platform/LineReader.h"

#include <tessaro/CodePage.h>

#include <algorithm>
#include <charconv>

namespace tessaro {

void InfoImportedVariable::GetImportedVariables(VariableList&) {}
void InfoImportedVariable::GetImportedVariables(UDTCollection&) {}

void NoteReading(FileReading reading, const LineReader* file) {
    if (file) {
        reading.Lines = file->Lines();
        reading.LoneLineFeeds = file->LoneLineFeeds() > 0;
        reading.TabsAsBlanks = file->TabLines() > 0;
    }
    CurrentImport().Readings.push_back(std::move(reading));
}

std::string VariableKey(std::string_view name, int32_t deviceId) {
    // "_" + Trim(name + "_" + id), folded, built in one string: the device number ends
    // in a digit, so only blanks leading the name are trimmed.
    char digits[12];
    const char* digitsEnd = std::to_chars(digits, digits + sizeof digits, deviceId).ptr;
    const size_t lead = std::min(name.find_first_not_of(' '), name.size());
    name.remove_prefix(lead);
    std::string key;
    key.reserve(name.size() + 2 + static_cast<size_t>(digitsEnd - digits));
    key.push_back('_');
    AppendUpperCase(key, name);
    key.push_back('_');
    key.append(digits, static_cast<size_t>(digitsEnd - digits));
    return key;
}

}  // namespace tessaro
