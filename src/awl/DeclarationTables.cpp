#include "awl/DeclarationTables.h"

#include <tessaro/RuntimeError.h>

#include <cstring>
#include <unordered_map>

namespace tessaro {

thread_local DeclarationTable DeclaredStrings;
thread_local DeclarationTable DeclaredUDTs;

namespace {

// Block number and name to the first index with both, over entries 1 to covered - 1.
struct DeclarationIndex {
    size_t covered = 0;
    std::unordered_map<std::string, size_t> first;
};
thread_local DeclarationIndex stringsIndex;
thread_local DeclarationIndex udtsIndex;

DeclarationIndex* IndexOf(const DeclarationTable& table) {
    if (&table == &DeclaredStrings) return &stringsIndex;
    if (&table == &DeclaredUDTs) return &udtsIndex;
    return nullptr;
}

std::string IndexKey(int32_t dbNumber, std::string_view name) {
    std::string key(sizeof dbNumber, '\0');
    std::memcpy(key.data(), &dbNumber, sizeof dbNumber);
    key.append(name);
    return key;
}

}  // namespace

void ResetDeclarationTables() {
    DeclaredStrings.assign(1, DeclarationEntry{});
    DeclaredUDTs.assign(1, DeclarationEntry{});
    for (DeclarationIndex* index : {&stringsIndex, &udtsIndex}) {
        index->first.clear();
        index->covered = 1;
    }
}

void AppendDeclaration(DeclarationTable& table, DeclarationEntry entry) {
    table.push_back(std::move(entry));
    DeclarationIndex* index = IndexOf(table);
    if (!index || index->covered + 1 != table.size()) return;
    index->first.try_emplace(IndexKey(table.back().DBNumber, table.back().Name), table.size() - 1);
    index->covered = table.size();
}

const DeclarationEntry* FindDeclaration(const DeclarationTable& table, int32_t dbNumber, std::string_view name) {
    if (table.empty()) throw RuntimeError(SubscriptOutOfRange, "the declaration tables were not reset");
    if (const DeclarationIndex* index = IndexOf(table); index && index->covered == table.size()) {
        auto it = index->first.find(IndexKey(dbNumber, name));
        return it == index->first.end() ? nullptr : &table[it->second];
    }
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].DBNumber == dbNumber && table[i].Name == name) return &table[i];
    return nullptr;
}

}  // namespace tessaro
