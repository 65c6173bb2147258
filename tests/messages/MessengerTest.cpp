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
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessaro {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Every line followed by CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& line : lines) out += line + "\r\n";
    return out;
}

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

int32_t ErrorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.Number;
    }
    return 0;
}

void CollectWarning(const std::string& text, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

// Component folder root/app/bin, merged file root/app/Messenger.Msg, the header time
// fixed at 12-04-26 07.22.06, English chosen.
class MessengerTest : public ::testing::Test {
protected:
    TempDir root;
    std::string component = (root.path() / "app" / "bin").string();
    std::string merged = (root.path() / "app" / "Messenger.Msg").string();
    std::vector<std::string> warnings;

    void SetUp() override {
        std::filesystem::create_directories(component);
        SetThreadComponentFolder(component);
        SetThreadMessengerTime(Time(2026, 12, 4, 7, 22, 6));
        SetWarningHandler(&CollectWarning, &warnings);
        CurrentCountryCode = "44";
    }
    void TearDown() override {
        SetThreadMessengerTime(std::nullopt);
        SetThreadComponentFolder("");
        SetWarningHandler(nullptr, nullptr);
        CurrentCountryCode.clear();
        EXPECT_TRUE(warnings.empty());
    }

    std::string Partial(int n) const { return component + "/" + std::to_string(n) + ".Msg"; }
    bool AnyPartialLeft() const {
        for (int n = 1; n <= 6; ++n)
            if (std::filesystem::exists(Partial(n))) return true;
        return false;
    }
    bool MergedExists() const { return std::filesystem::exists(merged); }
};

TEST_F(MessengerTest, AConversionUnderABlockTitle) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "Press1";
    EXPECT_EQ(m.MessengerFile, "");
    m.DB = "DB 5";
    m.RecordKORVOTypeConversion("Speed", "INT", "Word");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged), Lines({"",
                                       "--Press1--12-04-26 07.22.06",
                                       "",
                                       "",
                                       "-Conversion of data type of the variable",
                                       "",
                                       "DB 5",
                                       "",
                                       "INT->Word                      Speed",
                                       ""}));
    EXPECT_EQ(m.MessengerFile, "Messenger.Msg");
    EXPECT_FALSE(AnyPartialLeft());
}

TEST_F(MessengerTest, CreateMsgFilesMakesSixEmptyFilesReplacingEarlierOnes) {
    WriteFile(Partial(4), "left over\r\n");
    Messenger m;
    m.CreateMsgFiles();
    for (int n = 1; n <= 6; ++n) {
        ASSERT_TRUE(std::filesystem::exists(Partial(n))) << n;
        EXPECT_EQ(std::filesystem::file_size(Partial(n)), 0u) << n;
    }
    m.AppendAllFiles();
    EXPECT_FALSE(AnyPartialLeft());
}

TEST_F(MessengerTest, RecordLinesOfEveryKind) {
    Messenger m;
    m.CreateMsgFiles();
    m.RecordKORVOTypeConversion("Speed", "INT", "Word");
    m.RecordKORVOTypeConversion("Long", "VERYLONGTYPENAME", "ANOTHERLONGTYPENAME");
    m.RecordKORVOTypeConversion("Exact", "ABCDEFGHIJKLMN", "OPQRSTUVWXYZAB");  // 14 + 2 + 14 = 30
    m.RecordVariableWithSameName("Motor", "/plc/Symbols.ASC");
    m.RecordFileError("/plc/Broken.AWL");
    m.RecordVariableNoForKORVO("Odd");
    m.RecordVariableDBIncomplete("DB 7");
    m.RecordCheckVariable("Check");
    // The partial files are buffered; AppendAllFiles completes them. Compare the merge.
    m.DeviceName = "Dev";
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--Dev--12-04-26 07.22.06", "", "",
                     "-Conversion of data type of the variable", "",
                     "INT->Word                      Speed", "",
                     "VERYLONGTYPENAME->ANOTHERLONGT Long", "",
                     "ABCDEFGHIJKLMN->OPQRSTUVWXYZAB Exact", "",
                     "-A variable with the same name has been found so this cannot be imported", "",
                     "Motor /plc/Symbols.ASC", "",
                     "-File access error", "",
                     "/plc/Broken.AWL", "",
                     "-Data type of variable not appropriate for the import or not managed from the protocol", "",
                     "Odd", "",
                     "-DB not fit for import: there is not the address or symbol in ASC file", "",
                     "DB 7", "",
                     "-Check the type and address of the variable", "",
                     "Check", ""}));
}

TEST_F(MessengerTest, GroupLinesSwitchTitlesInOneFile) {
    Messenger m;
    m.CreateMsgFiles();
    m.DB = "DB 1";
    m.RecordVariableNoForKORVO("A");
    m.RecordVariableNoForKORVO("B");
    m.DB = "DB 2";
    m.RecordVariableNoForKORVO("C");
    m.DB = "DB 1";
    m.RecordVariableNoForKORVO("D");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "----12-04-26 07.22.06", "", "",  // no DeviceName
                     "-Data type of variable not appropriate for the import or not managed from the protocol", "",
                     "DB 1", "", "A", "", "B", "", "DB 2", "", "C", "", "DB 1", "", "D", ""}));
}

TEST_F(MessengerTest, LastDBIsKeptPerFile) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.DB = "DB 1";
    m.RecordVariableNoForKORVO("A");    // file 4: group line DB 1
    m.RecordCheckVariable("B");         // file 6: its own group line DB 1
    m.DB = "DB 2";
    m.RecordCheckVariable("C");         // file 6: DB 2
    m.DB = "DB 1";
    m.RecordVariableNoForKORVO("D");    // file 4 still under DB 1: no group line
    m.RecordCheckVariable("E");         // file 6: DB 1 again
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--P--12-04-26 07.22.06", "", "",
                     "-Data type of variable not appropriate for the import or not managed from the protocol", "",
                     "DB 1", "", "A", "", "D", "",
                     "-Check the type and address of the variable", "",
                     "DB 1", "", "B", "", "DB 2", "", "C", "", "DB 1", "", "E", ""}));
}

TEST_F(MessengerTest, NoGroupLineUnderAnEmptyDBUntilItChanges) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.RecordVariableDBIncomplete("First");  // DB empty, LastDB empty: no group line
    m.DB = "Symbol Files";
    m.RecordVariableDBIncomplete("Second");
    m.DB = "";
    m.RecordVariableDBIncomplete("Third");  // back to empty: an empty group line
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--P--12-04-26 07.22.06", "", "",
                     "-DB not fit for import: there is not the address or symbol in ASC file", "",
                     "First", "", "Symbol Files", "", "Second", "", "", "", "Third", ""}));
}

TEST_F(MessengerTest, AFileErrorIgnoresDB) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.DB = "DB 5";
    m.RecordFileError("/plc/One.AWL");
    m.DB = "DB 6";
    m.RecordFileError("/plc/Two.AWL");
    // The same-name file still sees DB 6 as new: RecordFileError left the LastDB of the
    // other files alone and has none of its own that matters.
    m.RecordVariableWithSameName("X", "/plc/Two.AWL");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--P--12-04-26 07.22.06", "", "",
                     "-A variable with the same name has been found so this cannot be imported", "",
                     "DB 6", "", "X /plc/Two.AWL", "",
                     "-File access error", "",
                     "/plc/One.AWL", "", "/plc/Two.AWL", ""}));
}

TEST_F(MessengerTest, NothingReportedLeavesNoMergedFile) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.DB = "DB 1";  // a group title alone is no report
    m.AppendAllFiles();
    EXPECT_FALSE(MergedExists());
    EXPECT_EQ(m.MessengerFile, "");
    EXPECT_FALSE(AnyPartialLeft());
}

TEST_F(MessengerTest, NothingReportedLeavesAnEarlierMergedFileAsItWas) {
    const std::string earlier = Lines({"", "--Old--01-02-03 04.05.06", "", "", "-File access error", "", "x", ""});
    WriteFile(merged, earlier);
    Messenger m;
    m.CreateMsgFiles();
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged), earlier);
    EXPECT_EQ(m.MessengerFile, "Messenger.Msg");
}

TEST_F(MessengerTest, AMergedFileShorterThanTwoBytesIsDeleted) {
    WriteFile(merged, "x");
    Messenger m;
    m.CreateMsgFiles();
    m.AppendAllFiles();
    EXPECT_FALSE(MergedExists());
    EXPECT_EQ(m.MessengerFile, "");
}

TEST_F(MessengerTest, ASecondImportAppendsASecondBlock) {
    {
        Messenger first;
        first.CreateMsgFiles();
        first.DeviceName = "Press1";
        first.DB = "DB 5";
        first.RecordKORVOTypeConversion("Speed", "INT", "Word");
        first.AppendAllFiles();
    }
    const std::string firstBlock = ReadFile(merged);
    {
        Messenger empty;  // an import without reports in between changes nothing
        empty.CreateMsgFiles();
        empty.AppendAllFiles();
        EXPECT_EQ(empty.MessengerFile, "Messenger.Msg");
    }
    SetThreadMessengerTime(Time(2027, 1, 9, 23, 5, 59));
    {
        Messenger second;
        second.CreateMsgFiles();
        second.DeviceName = "Press2";
        second.DB = "Symbol Files";
        second.RecordVariableNoForKORVO("Valve");
        second.AppendAllFiles();
        EXPECT_EQ(second.MessengerFile, "Messenger.Msg");
    }
    EXPECT_EQ(ReadFile(merged),
              firstBlock + Lines({"", "--Press2--01-09-27 23.05.59", "", "",
                                  "-Data type of variable not appropriate for the import or not managed from the protocol",
                                  "", "Symbol Files", "", "Valve", ""}));
    EXPECT_EQ(firstBlock, Lines({"", "--Press1--12-04-26 07.22.06", "", "", "-Conversion of data type of the variable", "",
                                 "DB 5", "", "INT->Word                      Speed", ""}));
}

TEST_F(MessengerTest, LinesAreCopiedAsTheyReadBack) {
    // A partial file is read back line by line: a carriage return ends a line, a line
    // feed alone stays part of it.
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.RecordCheckVariable("a\rb");
    m.RecordCheckVariable("c\nd");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged), Lines({"", "--P--12-04-26 07.22.06", "", "", "-Check the type and address of the variable",
                                       "", "a", "", "b", "", "c\nd", ""}));
}

TEST_F(MessengerTest, TextsPassThroughAsBytes) {
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "Pr\xE9sse";  // already in the code page
    m.DB = "DB \xC4";
    m.RecordVariableNoForKORVO("Gr\xF6\xDF" "e");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--Pr\xE9sse--12-04-26 07.22.06", "", "",
                     "-Data type of variable not appropriate for the import or not managed from the protocol", "",
                     "DB \xC4", "", "Gr\xF6\xDF" "e", ""}));
}

TEST_F(MessengerTest, GermanAndChineseTitlesInWindows1252) {
    ASSERT_EQ(CodePageName(), "WINDOWS-1252");
    CurrentCountryCode = "49";
    {
        Messenger m;
        m.CreateMsgFiles();
        m.DeviceName = "P";
        m.RecordKORVOTypeConversion("Speed", "INT", "Word");
        m.RecordVariableNoForKORVO("Odd");
        m.AppendAllFiles();
    }
    CurrentCountryCode = "86";
    {
        Messenger m;
        m.CreateMsgFiles();
        m.DeviceName = "P";
        m.RecordVariableNoForKORVO("Odd");
        m.RecordVariableWithSameName("X", "F");
        m.AppendAllFiles();
    }
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--P--12-04-26 07.22.06", "", "",
                     "-Konversion des Datentyps der Variable", "",
                     "INT->Word                      Speed", "",
                     "-Variable nicht geeignet f\xFCr das Importieren oder nicht vom Protokoll gehandhabt", "",
                     "Odd", "",
                     "", "--P--12-04-26 07.22.06", "", "",
                     "-???????????????????????", "",  // 已经找到了具有相同名称的变量，所以它不能被导入
                     "X F", "",
                     "-??????????????????????", "",  // 变量的数据类型不适于导入或不能由协议进行管理
                     "Odd", ""}));
}

TEST_F(MessengerTest, TitlesInAnotherCodePage) {
    struct Restore {
        ~Restore() { SetCodePage("WINDOWS-1252"); }
    } restore;
    SetCodePage("CP1251");
    CurrentCountryCode = "49";
    {
        Messenger m;
        m.CreateMsgFiles();
        m.DeviceName = "\xCF\xF0\xE5\xF1\xF1";  // "Пресс" in CP1251, passed through
        m.RecordVariableNoForKORVO("Odd");
        m.AppendAllFiles();
    }
    CurrentCountryCode = "86";
    {
        Messenger m;
        m.CreateMsgFiles();
        m.DeviceName = "P";
        m.RecordFileError("F");
        m.AppendAllFiles();
    }
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--\xCF\xF0\xE5\xF1\xF1--12-04-26 07.22.06", "", "",
                     "-Variable nicht geeignet f?r das Importieren oder nicht vom Protokoll gehandhabt", "",
                     "Odd", "",
                     "", "--P--12-04-26 07.22.06", "", "",
                     "-??????", "",  // 文件访问出错
                     "F", ""}));
}

TEST_F(MessengerTest, ItalianTitlesBeforeAnyImport) {
    CurrentCountryCode.clear();
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.RecordVariableWithSameName("X", "F");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged),
              Lines({"", "--P--12-04-26 07.22.06", "", "",
                     "-E' stato gi\xE0 trovata una variabile con lo stesso nome e perci\xF2 non sar\xE0 importata.", "",
                     "X F", ""}));
}

TEST_F(MessengerTest, HeaderTimeFieldsHaveTwoDigits) {
    SetThreadMessengerTime(Time(2000, 1, 2, 0, 0, 9));
    Messenger m;
    m.CreateMsgFiles();
    m.RecordFileError("F");
    m.AppendAllFiles();
    EXPECT_EQ(ReadFile(merged), Lines({"", "----01-02-00 00.00.09", "", "", "-File access error", "", "F", ""}));
}

TEST_F(MessengerTest, RecordsBeforeCreateMsgFilesFail) {
    Messenger m;
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordVariableNoForKORVO("A"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordVariableDBIncomplete("A"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordVariableWithSameName("A", "F"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordFileError("F"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordCheckVariable("A"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordKORVOTypeConversion("A", "INT", "Word"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), BadFileNameOrNumber);
    EXPECT_FALSE(MergedExists());
}

TEST_F(MessengerTest, RecordsAfterAppendAllFilesFail) {
    Messenger m;
    m.CreateMsgFiles();
    m.AppendAllFiles();
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordCheckVariable("A"); }), BadFileNameOrNumber);
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), BadFileNameOrNumber);
}

TEST_F(MessengerTest, AMissingComponentFolderFails) {
    SetThreadComponentFolder(component + "/missing");
    Messenger m;
    EXPECT_EQ(ErrorNumberOf([&] { m.CreateMsgFiles(); }), PathFileAccessError);
    EXPECT_EQ(ErrorNumberOf([&] { m.RecordCheckVariable("A"); }), BadFileNameOrNumber);
}

TEST_F(MessengerTest, AnUnwritableComponentFolderFails) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    std::filesystem::permissions(component, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    Messenger m;
    EXPECT_EQ(ErrorNumberOf([&] { m.CreateMsgFiles(); }), PathFileAccessError);
}

TEST_F(MessengerTest, AMergedFileThatCannotBeOpenedFails) {
    std::filesystem::create_directories(merged);  // a folder where the file should be
    Messenger m;
    m.CreateMsgFiles();
    m.RecordCheckVariable("A");
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), PathFileAccessError);
    EXPECT_EQ(m.MessengerFile, "Messenger.Msg");
}

TEST_F(MessengerTest, APartialFileThatCannotBeDeletedFails) {
    if (::geteuid() == 0) GTEST_SKIP() << "root deletes anywhere";
    Messenger m;
    m.CreateMsgFiles();
    m.RecordCheckVariable("A");
    std::filesystem::permissions(component, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), PathFileAccessError);
    std::filesystem::permissions(component, std::filesystem::perms::owner_all);
}

TEST_F(MessengerTest, APartialFileGoneFails) {
    Messenger m;
    m.CreateMsgFiles();
    m.RecordCheckVariable("A");
    std::filesystem::remove(Partial(6));
    EXPECT_EQ(ErrorNumberOf([&] { m.AppendAllFiles(); }), FileNotFound);
}

TEST_F(MessengerTest, TheCurrentTimeWhenNotFixed) {
    SetThreadMessengerTime(std::nullopt);
    std::tm before = MessengerLocalTime();
    Messenger m;
    m.CreateMsgFiles();
    m.DeviceName = "P";
    m.RecordCheckVariable("A");
    m.AppendAllFiles();
    std::string bytes = ReadFile(merged);
    ASSERT_GE(bytes.size(), 24u);
    std::string stamp = bytes.substr(7, 17);  // CR LF "--P--" then the time
    auto two = [](int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; };
    EXPECT_EQ(stamp.substr(0, 6), two(before.tm_mon + 1) + "-" + two(before.tm_mday) + "-");  // unless at midnight
    EXPECT_EQ(stamp[2], '-');
    EXPECT_EQ(stamp[8], ' ');
    EXPECT_EQ(stamp[11], '.');
    EXPECT_EQ(stamp[14], '.');
}

}  // namespace
}  // namespace tessaro
