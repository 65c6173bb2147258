// The block-symbol index gives what a walk of the collection from its start gives,
// through random additions and removals.
#include <gtest/gtest.h>

#include <random>

#include "awl/BlockSymbolIndex.h"

namespace tessaro {
namespace {

VariablePtr FirstByWalk(const VariableCollection& variables, int32_t number) {
    for (const auto& v : variables)
        if (IsDataBlockSymbol(*v) && v->FieldAdd1 == number) return v;
    return nullptr;
}

VariablePtr FirstQuotedByWalk(const VariableCollection& variables, std::string_view quoted) {
    for (const auto& v : variables)
        if (QuotedSymbolOf(*v) == quoted) return v;
    return nullptr;
}

TEST(BlockSymbolIndex, Predicates) {
    struct Case { std::string tag, section; bool symbol; };
    const Case cases[] = {
        {"DB", "A.ASC (Symbol file)", true},  {"  DB ", "(Symbol file)", true}, {"db", "A.ASC (Symbol file)", false},
        {"DB", "A.ASC (symbol file)", false}, {"DB", "DB 12", false},           {"DBX", "(Symbol file)", false}};
    for (const auto& c : cases) {
        Variable v;
        v.TagAttribute = c.tag;
        v.SectionName = c.section;
        EXPECT_EQ(IsDataBlockSymbol(v), c.symbol) << c.tag << "|" << c.section;
    }
    Variable v;
    v.Name = "Short";
    EXPECT_EQ(QuotedSymbolOf(v), "\"Short\"");
    v.Name = "0123456789ABCDEFGHIJ0123456789XYZ";  // 33 characters: the last 30 count
    EXPECT_EQ(QuotedSymbolOf(v), "\"3456789ABCDEFGHIJ0123456789XYZ\"");
}

TEST(BlockSymbolIndex, AgreesWithAWalkThroughAdditionsAndRemovals) {
    std::mt19937 random(11);
    const std::vector<std::string> names = {
        "A", "B", "Recipe", "x", "Long.Name.Of.Some.Member.Beyond.Thirty", "Y.Name.Of.Some.Member.Beyond.Thirty"};
    const std::vector<std::string> tags = {"DB", " DB", "BOOL", ""};
    const std::vector<std::string> sections = {"P.ASC (Symbol file)", "DB 3", "X"};
    VariableCollection variables;
    int serial = 0;
    auto make = [&] {
        auto v = std::make_shared<Variable>();
        v->Name = names[random() % names.size()] + std::to_string(random() % 3);
        v->TagAttribute = tags[random() % tags.size()];
        v->SectionName = sections[random() % sections.size()];
        v->FieldAdd1 = static_cast<int32_t>(random() % 5);
        return v;
    };
    auto add = [&](const VariablePtr& v, BlockSymbolIndex* index) {
        variables.Add(v, "k" + std::to_string(serial++));
        if (index) index->Added(v);
    };
    for (int i = 0; i < 60; ++i) add(make(), nullptr);
    BlockSymbolIndex index(variables);
    std::vector<std::string> keys;
    for (int step = 0; step < 3000; ++step) {
        if (random() % 2 == 0) {
            add(make(), &index);
        } else if (variables.Count() > 0) {
            // Remove a random item by its key, as the importer does.
            size_t position = 1 + random() % variables.Count();
            VariablePtr gone = variables.Item(position);
            variables.Remove(position);
            index.Removed(gone);
        }
        for (int32_t number = 0; number < 5; ++number)
            ASSERT_EQ(index.FindDataBlockSymbol(number), FirstByWalk(variables, number)) << step;
        for (const auto& name : names)
            for (int k = 0; k < 3; ++k) {
                Variable probe;
                probe.Name = name + std::to_string(k);
                std::string quoted = QuotedSymbolOf(probe);
                ASSERT_EQ(index.FindQuotedSymbol(quoted), FirstQuotedByWalk(variables, quoted)) << step << quoted;
            }
    }
}

TEST(BlockSymbolIndex, SameObjectTwice) {
    VariableCollection variables;
    auto v = std::make_shared<Variable>();
    v->TagAttribute = "DB";
    v->SectionName = "(Symbol file)";
    v->FieldAdd1 = 4;
    variables.Add(v, "one");
    variables.Add(v, "two");
    BlockSymbolIndex index(variables);
    variables.Remove("one");
    index.Removed(v);
    EXPECT_EQ(index.FindDataBlockSymbol(4), v);
    variables.Remove("two");
    index.Removed(v);
    EXPECT_EQ(index.FindDataBlockSymbol(4), nullptr);
}

}  // namespace
}  // namespace tessaro
