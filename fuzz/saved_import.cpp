// A saved import read back (JSON lines or CSV): it is read, or refused with a
// SavedImportError naming a line of the input; the account, where read, has one entry per
// variable, and no more variables than the input has lines.
#include "FuzzSupport.h"

#include <tessaro/ImportRecords.h>

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessaro;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    try {
        const ImportRecords records = ParseSavedImport(text, "saved");
        fuzz::Check(records.Variables.size() <= lines, "more variables than lines");
        fuzz::Check(!records.HasAccount() || records.Accounts.size() == records.Variables.size(),
                    "the account does not match the variables");
    } catch (const SavedImportError& error) {
        fuzz::Check(error.File == "saved" && error.Line <= lines + 1, "an error names no line of the input");
    }
    return 0;
}
