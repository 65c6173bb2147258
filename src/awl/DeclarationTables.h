#pragma once
// What the data-block importer learns from a block's declarations, for the element
// record to read: which elements are STRINGs (and their declared length) and which are
// of a UDT type (and its number). Both tables are indexed from 0; entry 0 is an empty
// entry that no reader uses, and the entries of a file follow from index 1 in file order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

struct DeclarationEntry {
    int32_t DBNumber = 0;   // the declaring block
    std::string Name;       // upper case, without surrounding blanks
    int32_t Length = 0;     // DeclaredStrings: the declared maximum number of characters
    int16_t UDTNumber = 0;  // DeclaredUDTs: the number of the element's UDT type
};

using DeclarationTable = std::vector<DeclarationEntry>;

// The tables of the data-block import running on this thread. They keep the entries
// of the last file until the next data-block import resets them.
extern thread_local DeclarationTable DeclaredStrings;
extern thread_local DeclarationTable DeclaredUDTs;

// Both tables back to their single empty entry, at the start of every file.
void ResetDeclarationTables();

// Appends an entry to DeclaredStrings or DeclaredUDTs and notes it in the table's
// lookup index, so that a search does not walk every declaration of the file.
void AppendDeclaration(DeclarationTable& table, DeclarationEntry entry);

// The first entry from index 1 upward with this block number and name, or null;
// SubscriptOutOfRange (9) for a table never reset. The two tables of this thread are
// searched through their index while it covers every entry (entries added by
// AppendDeclaration since the last reset); any other table, or one appended to
// directly, is walked.
const DeclarationEntry* FindDeclaration(const DeclarationTable& table, int32_t dbNumber, std::string_view name);

}  // namespace tessaro
