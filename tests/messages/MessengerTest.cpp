// Messenger: the partial message files and the merged Messenger.Msg, compared
// byte for byte.

#include <tessaro/Messenger.h>

#include <gtest/gtest.h>

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include "TestSupport.h"
#include "messages/LanguageManager.h"
#include "messages/MessengerClock.h"

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::ErrorNumberOf;
using test::ReadFile;
using test::WriteFile;

const std::string kConversion = "Conversion of data type of the variable";
const std::string kSameName = "A variable with the same name has been found so this cannot be imported";
const std::string kFileError = "File access error";
const std::string kUnfit = "Data type of variable not appropriate for the import or not managed from the protocol";
const std::string kIncomplete = "DB not fit for import: there is not the address or symbol in ASC file";
const std::string kCheck = "Check the type and address of the variable";

// One import's block in the merged file, device name given, time 12-04-26 07.22.06.
std::string Block(const std::string& device, const std::vector<test::MessageBlock>& blocks) {
    return test::MergedImport("--" + device + "--12-04-26 07.22.06", blocks);
}

void CollectWarning(const std::string& text, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

// The component's layout, the header time fixed at 12-04-26 07.22.06, English chosen.
class MessengerTest : public ::testing::Test {
protected:
    test::ComponentLayout layout{"SELECT 1;"};
    std::vector<std::string> warnings;
    std::string messengerFile;  // of the last Run

    void SetUp() override {
        test::FixMessengerTime(2026, 12, 4, 7, 22, 6);
        SetWarningHandler(&CollectWarning, &warnings);
        CurrentCountryCode = "44";
    }
    void TearDown() override {
        SetThreadMessengerTime(std::nullopt);
        SetWarningHandler(nullptr, nullptr);
        CurrentCountryCode.clear();
        EXPECT_TRUE(warnings.empty());
    }
    bool AnyPartialLeft() const {
        for (int n = 1; n <= 6; ++n)
            if (fs::exists(layout.PartialFile(n))) return true;
        return false;
    }
    // One whole import: create, the reports, append; what the merged file holds then.
    std::string Run(const std::function<void(Messenger&)>& reports, const std::string& device = "P") {
        Messenger m;
        m.CreateMsgFiles();
        m.DeviceName = device;
        reports(m);
        m.AppendAllFiles();
        messengerFile = m.MessengerFile;
        EXPECT_FALSE(AnyPartialLeft());
        return fs::exists(layout.merged) ? ReadFile(layout.merged) : "";
    }
};

TEST_F(MessengerTest, RecordLinesOfEveryKindInFileOrder) {
    WriteFile(layout.PartialFile(4), "left over\r\n");  // replaced by an empty file
    Messenger m;
    m.CreateMsgFiles();
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(fs::file_size(layout.PartialFile(n)), 0u) << n;
    m.RecordVariableNoForKORVO("Odd");
    m.RecordCheckVariable("Check");
    m.RecordKORVOTypeConversion("Speed", "INT", "Word");
    m.RecordKORVOTypeConversion("Long", "VERYLONGTYPENAME", "ANOTHERLONGTYPENAME");
    m.RecordKORVOTypeConversion("Exact", "ABCDEFGHIJKLMN", "OPQRSTUVWXYZAB");  // 14 + 2 + 14 = 30
    m.RecordVariableWithSameName("Motor", "/plc/Symbols.ASC");
    m.RecordFileError("/plc/Broken.AWL");
    m.RecordVariableDBIncomplete("DB 7");
    // Records by partial file, the group lines not among them.
    EXPECT_EQ(m.RecordCounts(), (std::array<size_t, 7>{0, 3, 1, 1, 1, 1, 1}));
    m.DeviceName = "Dev";
    EXPECT_EQ(m.MessengerFile, "");
    m.AppendAllFiles();
    EXPECT_EQ(m.MessengerFile, "Messenger.Msg");
    EXPECT_FALSE(AnyPartialLeft());
    EXPECT_EQ(ReadFile(layout.merged),
              Block("Dev", {{kConversion,
                             {"INT->Word                      Speed", "VERYLONGTYPENAME->ANOTHERLONGT Long",
                              "ABCDEFGHIJKLMN->OPQRSTUVWXYZAB Exact"}},
                            {kSameName, {"Motor /plc/Symbols.ASC"}}, {kFileError, {"/plc/Broken.AWL"}},
                            {kUnfit, {"Odd"}}, {kIncomplete, {"DB 7"}},
                            {kCheck, {"Check"}}}));
}

TEST_F(MessengerTest, GroupTitlesLinesAndBytes) {
    struct Case {
        const char* what;
        std::function<void(Messenger&)> reports;
        std::string expected;
    };
    const Case cases[] = {
        {"titles switch within one file",
         [](Messenger& m) {
             m.DeviceName = "";
             for (auto [db, name] : {std::pair{"DB 1", "A"}, {"DB 1", "B"}, {"DB 2", "C"}, {"DB 1", "D"}}) {
                 m.DB = db;
                 m.RecordVariableNoForKORVO(name);
             }
         },
         Block("", {{kUnfit, {"DB 1", "A", "B", "DB 2", "C", "DB 1", "D"}}})},
        {"the last title is kept per file",
         [](Messenger& m) {
             m.DB = "DB 1";
             m.RecordVariableNoForKORVO("A");
             m.RecordCheckVariable("B");
             m.DB = "DB 2";
             m.RecordCheckVariable("C");
             m.DB = "DB 1";
             m.RecordVariableNoForKORVO("D");  // file 4 still under DB 1: no title
             m.RecordCheckVariable("E");
         },
         Block("P", {{kUnfit, {"DB 1", "A", "D"}}, {kCheck, {"DB 1", "B", "DB 2", "C", "DB 1", "E"}}})},
        {"no title under an empty DB until it changes",
         [](Messenger& m) {
             m.RecordVariableDBIncomplete("First");
             m.DB = "Symbol Files";
             m.RecordVariableDBIncomplete("Second");
             m.DB = "";
             m.RecordVariableDBIncomplete("Third");  // back to empty: an empty title
         },
         Block("P", {{kIncomplete, {"First", "Symbol Files", "Second", "", "Third"}}})},
        {"a file error ignores DB and leaves the other files' titles",
         [](Messenger& m) {
             m.DB = "DB 5";
             m.RecordFileError("/plc/One.AWL");
             m.DB = "DB 6";
             m.RecordFileError("/plc/Two.AWL");
             m.RecordVariableWithSameName("X", "/plc/Two.AWL");
         },
         Block("P", {{kSameName, {"DB 6", "X /plc/Two.AWL"}}, {kFileError, {"/plc/One.AWL", "/plc/Two.AWL"}}})},
        {"lines read back: CR ends a line, a lone LF stays",
         [](Messenger& m) {
             m.RecordCheckVariable("a\rb");
             m.RecordCheckVariable("c\nd");
         },
         Block("P", {{kCheck, {"a", "b", "c\nd"}}})},
        {"texts pass through as bytes",
         [](Messenger& m) {
             m.DeviceName = "Pr\xE9sse";
             m.DB = "DB \xC4";
             m.RecordVariableNoForKORVO("Gr\xF6\xDF" "e");
         },
         Block("Pr\xE9sse", {{kUnfit, {"DB \xC4", "Gr\xF6\xDF" "e"}}})},
        {"time fields have two digits",
         [](Messenger& m) {
             test::FixMessengerTime(2000, 1, 2, 0, 0, 9);
             m.RecordFileError("F");
         },
         test::MergedImport("--P--01-02-00 00.00.09", {{kFileError, {"F"}}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(layout.merged);
        test::FixMessengerTime(2026, 12, 4, 7, 22, 6);
        EXPECT_EQ(Run(c.reports), c.expected);
    }
}

TEST_F(MessengerTest, TheMergedFileIsAppendedToOnlyWithReports) {
    Messenger none;
    none.CreateMsgFiles();
    none.DB = "DB 1";  // a title alone is no report
    none.AppendAllFiles();
    EXPECT_FALSE(fs::exists(layout.merged));
    EXPECT_EQ(none.MessengerFile, "");
    WriteFile(layout.merged, "x");  // shorter than two bytes: deleted
    EXPECT_EQ(Run([](Messenger&) {}), "");
    EXPECT_EQ(messengerFile, "");

    const std::string first = Run([](Messenger& m) { m.RecordKORVOTypeConversion("Speed", "INT", "Word"); }, "Press1");
    Messenger empty;  // an import without reports leaves the file as it was, and names it
    empty.CreateMsgFiles();
    empty.AppendAllFiles();
    EXPECT_EQ(empty.MessengerFile, "Messenger.Msg");
    test::FixMessengerTime(2027, 1, 9, 23, 5, 59);
    EXPECT_EQ(Run([](Messenger& m) { m.RecordVariableNoForKORVO("Valve"); }, "Press2"),
              first + test::MergedImport("--Press2--01-09-27 23.05.59", {{kUnfit, {"Valve"}}}));
}

TEST_F(MessengerTest, TitlesInTheLanguageAndCodePage) {
    auto reports = [](Messenger& m) {
        m.RecordVariableNoForKORVO("Odd");
        m.RecordVariableWithSameName("X", "F");
    };
    struct Case { const char* page; const char* country; std::string same, unfit; } cases[] = {
        {"WINDOWS-1252", "49", "Es wurde eine Variable mit dem gleichen Namen gefunden und wird daher nicht importiert.",
         "Variable nicht geeignet f\xFCr das Importieren oder nicht vom Protokoll gehandhabt"},
        {"WINDOWS-1252", "", "E' stato gi\xE0 trovata una variabile con lo stesso nome e perci\xF2 non sar\xE0 importata.",
         "Tipo della Variabile non adatta all'importazione o non gestito dal protocollo"},  // before any import
        {"WINDOWS-1252", "86", "???????????????????????", "??????????????????????"},
        {"CP1251", "49", "Es wurde eine Variable mit dem gleichen Namen gefunden und wird daher nicht importiert.",
         "Variable nicht geeignet f?r das Importieren oder nicht vom Protokoll gehandhabt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + " " + c.country);
        fs::remove(layout.merged);
        SetCodePage(c.page);
        CurrentCountryCode = c.country;
        std::string merged = Run(reports);
        SetCodePage("WINDOWS-1252");
        EXPECT_EQ(merged, Block("P", {{c.same, {"X F"}}, {c.unfit, {"Odd"}}}));
    }
}

TEST_F(MessengerTest, FailuresByNumber) {
    Messenger unopened;
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { unopened.RecordVariableNoForKORVO("A"); }, [&] { unopened.RecordVariableDBIncomplete("A"); },
             [&] { unopened.RecordVariableWithSameName("A", "F"); }, [&] { unopened.RecordFileError("F"); },
             [&] { unopened.RecordCheckVariable("A"); }, [&] { unopened.RecordKORVOTypeConversion("A", "INT", "Word"); },
             [&] { unopened.AppendAllFiles(); }})
        EXPECT_EQ(ErrorNumberOf(call), BadFileNameOrNumber);
    Messenger done;
    done.CreateMsgFiles();
    done.AppendAllFiles();
    EXPECT_EQ(ErrorNumberOf([&] { done.RecordCheckVariable("A"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { done.AppendAllFiles(); }), BadFileNameOrNumber);
    EXPECT_FALSE(fs::exists(layout.merged));

    fs::create_directories(layout.merged);  // a folder where the merged file should be
    Messenger blocked;
    blocked.CreateMsgFiles();
    blocked.RecordCheckVariable("A");
    EXPECT_EQ(ErrorNumberOf([&] { blocked.AppendAllFiles(); }), PathFileAccessError);
    EXPECT_EQ(blocked.MessengerFile, "Messenger.Msg");

    fs::remove(layout.merged);
    Messenger gone;  // a partial file deleted before the merge
    gone.CreateMsgFiles();
    gone.RecordCheckVariable("A");
    fs::remove(layout.PartialFile(6));
    EXPECT_EQ(ErrorNumberOf([&] { gone.AppendAllFiles(); }), FileNotFound);

    SetThreadComponentFolder(layout.component + "/missing");
    Messenger missing;
    EXPECT_EQ(ErrorNumberOf([&] { missing.CreateMsgFiles(); }), PathFileAccessError);
    EXPECT_EQ(ErrorNumberOf([&] { missing.RecordCheckVariable("A"); }), BadFileNameOrNumber);
}

TEST_F(MessengerTest, AnUnwritableComponentFolderFailsCreationAndDeletion) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    Messenger m;
    m.CreateMsgFiles();
    m.RecordCheckVariable("A");
    fs::permissions(layout.component, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), PathFileAccessError);  // partials not deletable
    Messenger second;
    EXPECT_EQ(ErrorNumberOf([&] { second.CreateMsgFiles(); }), PathFileAccessError);
    fs::permissions(layout.component, fs::perms::owner_all);
}

TEST_F(MessengerTest, TheCurrentTimeWhenNotFixed) {
    SetThreadMessengerTime(std::nullopt);
    std::tm before = MessengerLocalTime();
    std::string stamp = Run([](Messenger& m) { m.RecordCheckVariable("A"); }).substr(7, 17);  // after CR LF "--P--"
    auto two = [](int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; };
    EXPECT_EQ(stamp.substr(0, 6), two(before.tm_mon + 1) + "-" + two(before.tm_mday) + "-");  // unless at midnight
    EXPECT_EQ(std::string() + stamp[8] + stamp[11] + stamp[14], " ..") << stamp;
}

}  // namespace
}  // namespace tessaro
