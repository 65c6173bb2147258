#pragma once
// What the data-block importer learns from a block's declarations, for the element
// record to read: which elements are STRINGs (and their declared length) and which are
// of a UDT type (and its number). A table is indexed from 0; entry 0 is an empty entry
// that no reader uses, and the entries of a file follow from index 1 in file order.

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

// One declaration table with its own lookup index, so that a search does not walk
// every declaration of the file. A table starts out never reset.
class DeclarationTable {
public:
    // Back to the single empty entry, at the start of every file.
    void Reset();

    // Appends an entry and notes it in the index.
    void Append(DeclarationEntry entry);

    // The first entry from index 1 upward with this block number and name, or null;
    // SubscriptOutOfRange (9) for a table never reset.
    const DeclarationEntry* Find(int32_t dbNumber, std::string_view name) const;

private:
    // Block number and name to the first index with both: an open-addressing table of
    // (hash, index) pairs over a power-of-two size, at most half full. A search that
    // finds nothing, the common case, reads one or two small slots.
    struct Slot {
        uint32_t hash = 0;
        uint32_t entry = 0;  // 0: empty (entry 0 is never indexed)
    };

    size_t SlotOf(int32_t dbNumber, std::string_view name, uint32_t hash) const;
    void Enter(uint32_t entry);

    std::vector<DeclarationEntry> entries_;
    std::vector<Slot> slots_;
    size_t used_ = 0;       // slots that hold an entry
    bool indexed_ = true;  // false once the entries outgrow the index's numbers; then walked
};

}  // namespace tessaro
