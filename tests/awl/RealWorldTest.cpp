// Every real-world statement-list source through the pre-pass and the data-block
// import: no failure escapes, every variable has an area and a unique key, and byte
// offsets never go back within a block.
#include "AwlFixture.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/InfoUDTImportedVariable.h"

#include <filesystem>
#include <map>
#include <set>

namespace tessaro::test {
namespace {

class RealWorld : public AwlImport {};

TEST_F(RealWorld, EverySourceImportsWithSaneAddresses) {
    if (SharedDir().empty()) GTEST_SKIP() << "no shared samples";
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(SharedDir() / "samples" / "realworld")) {
        std::string name = entry.path().filename().string();
        std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
        if (ext == ".awl" || ext == ".AWL") sources.push_back(name);
    }
    ASSERT_FALSE(sources.empty());
    size_t total = 0;
    for (const auto& name : sources) {
        SCOPED_TRACE(name);
        std::string path = layout.root / name;
        WriteFile(path, SharedFileWithCrLf("samples/realworld/" + name));
        auto udts = std::make_shared<UDTCollection>();
        InfoUDTImportedVariable pre;
        pre.DataSource->SourceId = path;
        ASSERT_NO_THROW(pre.GetImportedVariables(*udts));

        VariableCollection variables;
        InfoAWLImportedVariable importer;
        importer.DataSource->SourceId = path;
        importer.UDTs = udts;
        importer.DeviceId = 1;
        ASSERT_NO_THROW(importer.GetImportedVariables(variables));
        std::map<std::string, int32_t> lastOffset;  // per block name
        std::set<std::string> keys;
        for (const auto& v : variables) {
            EXPECT_NE(v->DataAreaId, 0) << v->Name;
            EXPECT_EQ(v->DeviceId, 1);
            EXPECT_TRUE(keys.insert(VariableKey(v->Name, 1)).second) << v->Name;
            std::string block = v->Name.substr(0, v->Name.find('.'));
            auto [it, first] = lastOffset.try_emplace(block, v->FieldAdd2);
            if (!first) {
                EXPECT_GE(v->FieldAdd2, it->second) << v->Name;
                it->second = v->FieldAdd2;
            }
            EXPECT_GE(v->NestingLevel, 1);
        }
        total += variables.Count();
    }
    EXPECT_GT(total, 1000u);
}

}  // namespace
}  // namespace tessaro::test
