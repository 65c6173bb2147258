#pragma once
// The records of one import as a comparison reads them: the variables, in the order the
// import gave them, and where the import kept its account, each variable's source line
// (file, line, address as written, comment). They come from a finished import (a
// driver's Variables and Account) or from a saved one: a file that `tessaro import`
// wrote as JSON lines or as CSV. Texts are in the component's code page, as the
// records' are; a saved file's UTF-8 is converted on reading.

#include <tessaro/ImportAccount.h>
#include <tessaro/Variable.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The fifteen columns of a record, in the order the command line writes them.
inline constexpr std::array<std::string_view, 15> kVariableColumns = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId", "VariableLen",
    "FieldAdd1", "FieldAdd2",   "FieldAdd3", "FieldAdd4",    "FieldAdd5",    "Sign",       "Warning",
};

// The account's columns of a saved import, each optional: "File", "Line", "Address",
// "Comment", "Fate", "Reason".
struct RecordAccount {
    std::string File;     // the source as the import named it
    int32_t Line = 0;     // 1-based
    std::string Address;  // the absolute address, "E 0.3", "DB20.DBW6"
    std::string Comment;
};

struct ImportRecords {
    std::vector<VariablePtr> Variables;
    // Empty when the import kept no account, else one per variable (an entry left empty
    // where the account did not name the variable).
    std::vector<RecordAccount> Accounts;
    bool HasAccount() const { return !Accounts.empty(); }
};

// The records of a finished import: the variables shared, not copied; with an account,
// each variable's entry found by its key.
ImportRecords RecordsOf(const VariableList& variables, const ImportAccount* account = nullptr);

// A saved import that cannot be read: the file, the line (0 for the file as a whole)
// and what is wrong, all in what(): "FILE:LINE: text".
struct SavedImportError : std::runtime_error {
    SavedImportError(std::string file, size_t line, const std::string& problem);
    std::string File;
    size_t Line;
};

// Reads a file that `tessaro import --format jsonl` or `--format csv` wrote (told apart
// by its first character: "{" for JSON lines). CSV as RFC 4180 with a header row, in any
// column order. Every one of the fifteen columns must be there; the account's columns
// are taken where present, and a row whose Fate is not "imported" is a line that became
// no variable and is passed over. Unknown columns are ignored.
ImportRecords ReadSavedImport(const std::string& file);
// The same from the text of such a file, named file in errors.
ImportRecords ParseSavedImport(std::string_view text, const std::string& file);

}  // namespace tessaro
