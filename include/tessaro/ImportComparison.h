#pragma once
// What changed between two imports: their records matched by collection key (the name in
// any letter case and the device), each variable added, removed, changed or, with the
// same data area, type and address under another name, renamed. The order of the
// records is no change. A symbol's section names its symbol table, so a table saved
// under another file name is no change of its symbols. Where both imports kept their
// account, a changed comment is a change too (a line that only moved is none), and a
// rename also needs the same written address; the accounts tell a host where each
// changed variable's line was and is.

#include <tessaro/ImportRecords.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

struct ComparisonOptions {
    bool Renames = true;   // a removed and an added variable at one address: renamed
    bool Comments = true;  // compare the account's comments, where both sides have them
};

enum class ChangeKind { Added, Removed, Changed, Renamed };

// "added", "removed", "changed", "renamed".
std::string_view ChangeName(ChangeKind kind);

// One column that differs: its name ("FieldAdd1", "Comment", ...) and both values as
// text (numbers in decimal, flags "true" or "false", texts in the code page).
struct ColumnChange {
    std::string_view Column;
    std::string Old, New;
};

struct RecordChange {
    ChangeKind Kind = ChangeKind::Changed;
    // The records compared: Old is null for an added variable, New for a removed one.
    // Indexes into the sides' Variables (and Accounts), or npos.
    size_t Old = npos, New = npos;
    std::vector<ColumnChange> Columns;  // Changed and Renamed: what differs, Name first
    static constexpr size_t npos = static_cast<size_t>(-1);
};

// A key met more than once on one side: only its first record is compared.
struct RepeatedKey {
    bool NewSide = false;
    size_t First = 0, Again = 0;  // indexes of the first record and of a later one
};

struct ImportComparison {
    // Added, changed and renamed in the new import's order, then removed in the old's.
    std::vector<RecordChange> Changes;
    std::vector<RepeatedKey> RepeatedKeys;
    size_t Added = 0, Removed = 0, Changed = 0, Renamed = 0;
    bool Differs() const { return !Changes.empty(); }
};

ImportComparison CompareImports(const ImportRecords& older, const ImportRecords& newer,
                                const ComparisonOptions& options = {});

// "12 added, 3 removed, 5 changed, 1 renamed"; "no difference" when there is none.
std::string ComparisonSummary(const ImportComparison& comparison);

}  // namespace tessaro
