// The settings hives: the .reg parser behind RegistryOpenKey / RegistryQueryValue.

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <tessaro/CodePage.h>

#include "TestSupport.h"


namespace tessaro {
namespace {

using test::ScopedEnv;
using test::WriteFile;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
std::string X(const std::string& values) { return kHeader + "[HKEY_CURRENT_USER\\Software\\X]\r\n" + values; }
std::string Sz(const std::string& text) { return text + '\0'; }
std::string Utf16(const std::u16string& units) {
    std::string bytes = "\xFF\xFE";
    for (char16_t u : units) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return bytes;
}

struct Query { int32_t result = -1; uint32_t type = 0xFFFFFFFF; std::string data; };  // kRegMoreData: bytes needed

class RegistryTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string userFile = dir / "user.reg", machineFile = dir / "machine.reg";
    ScopedEnv user{"TESSARO_USER_REGISTRY", userFile}, machine{"TESSARO_MACHINE_REGISTRY", machineFile};

    static Query Read(const std::string& keyPath, const std::string& name, uint32_t hive = kHKeyCurrentUser) {
        Query q;
        RegistryKey key = nullptr;
        if ((q.result = RegistryOpenKey(hive, keyPath, 0, kKeyRead, &key)) != kRegSuccess) return q;
        std::string buffer(1024, '\0');
        uint32_t size = 1024;
        q.result = RegistryQueryValue(key, name, &q.type, reinterpret_cast<unsigned char*>(buffer.data()), &size);
        q.data = q.result == kRegSuccess ? buffer.substr(0, size) : std::string(q.result == kRegMoreData ? size : 0, '\0');
        RegistryCloseKey(key);
        return q;
    }
};

// A user hive file, then values looked up in it: nullopt for "not found".
struct Lookup {
    const char* name;
    std::optional<std::string> data;
    uint32_t type = kRegSz;
    const char* key = "Software\\X";
};
struct Case { const char* what; std::string file; std::vector<Lookup> lookups; };
const std::nullopt_t none = std::nullopt;

TEST_F(RegistryTest, ValuesOfHiveFiles) {
    const std::string app = kHeader + "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n\"LanguageId\"=\"4\"\r\n";
    const Case cases[] = {
        {"types", X("\"S\"=\"2\"\r\n\"D\"=dword:00000106\r\n\"E\"=\"\"\r\n@=\"default\"\r\n"),
         {{"S", Sz("2")}, {"D", std::string("\x06\x01\0\0", 4), kRegDword}, {"E", Sz("")}, {"", Sz("default")}}},
        {"missing keys and values", app,
         {{"LanguageId", none, kRegSz, "Software\\Vendor\\Other"}, {"B", none, kRegSz, "Software\\Vendor\\App"},
          {"LanguageId", none, kRegSz, "Software\\Vendor"}}},
        {"case and empty components", app + "[HKEY_CURRENT_USER\\Software\\\xC3\x84rger]\r\n\"\xC3\xA9t\xC3\xA9\"=\"1\"\r\n",
         {{"languageid", Sz("4"), kRegSz, "SOFTWARE\\vendor\\aPP"}, {"LANGUAGEID", Sz("4"), kRegSz, "\\Software\\\\Vendor\\App\\"},
          {"\xC9T\xC9", Sz("1"), kRegSz, "software\\\xE4rger"}}},  // letters fold in the code page
        {"abbreviated root and the root section",
         kHeader + "[HKCU\\Software\\X]\r\n\"A\"=\"1\"\r\n[HKEY_CURRENT_USER]\r\n\"R\"=\"root\"\r\n",
         {{"A", Sz("1")}, {"R", Sz("root"), kRegSz, ""}}},
        {"comments and blanks",
         X("; a comment\r\n   ; indented\r\n\r\n   \t\r\n;\"A\"=\"commented out\"\r\n"
           "\"B\"=\"b;not a comment\" ; a comment\r\n\"C\" = dword:7 ; spaces around =\r\n"),
         {{"A", none}, {"B", Sz("b;not a comment")}, {"C", std::string("\x07\0\0\0", 4), kRegDword}}},
        {"escapes",
         X("\"Path\"=\"C:\\\\Program Files\\\\\"\r\n\"Q\"=\"say \\\"hi\\\"\"\r\n\"N \\\"q\\\"\"=\"1\"\r\n\"O\"=\"a\\tb\"\r\n"),
         {{"Path", Sz("C:\\Program Files\\")}, {"Q", Sz("say \"hi\"")}, {"N \"q\"", Sz("1")},
          {"O", Sz("a\\tb")}}},  // other escapes stay
        {"hex data with continuations",
         X("\"Expand\"=hex(2):25,00,50,00,61,00,\\\r\n  74,00,68,00,25,00,5c,00,\\\r\n  78,00,00,00\r\n"
           "\"Bin\"=hex:01,02,FF\r\n\"Dword\"=hex(4):06,00,00,00\r\n\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
           "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n\"EmptyBin\"=hex:\r\n\"After\"=\"still read\"\r\n"),
         {{"Expand", Sz("%Path%\\x"), kRegExpandSz}, {"Bin", "\x01\x02\xFF", kRegBinary},
          {"Dword", std::string("\x06\0\0\0", 4), kRegDword}, {"Multi", std::string("a\0b\0\0", 5), kRegMultiSz},
          {"Qword", std::string("\x01\0\0\0\0\0\0\0", 8), 11}, {"EmptyBin", "", kRegBinary}, {"After", Sz("still read")}}},
        {"REGEDIT4 hex text is 8-bit; CR line ends, the last without", "REGEDIT4\r\r[HKEY_CURRENT_USER\\Software\\X]\r"
         "\"E\"=hex(2):25,41,\\\r  25,00\r\"D\"=dword:00000002", {{"E", Sz("%A%"), kRegExpandSz}, {"D", std::string("\x02\0\0\0", 4), kRegDword}}},
        {"UTF-8", X("\"T\"=\"Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\"\r\n"), {{"T", Sz("Gr\xF6\xDF" "e \x80")}}},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + X("\"T\"=\"Gr\xC3\xB6\"\r\n"), {{"T", Sz("Gr\xF6")}}},
        {"Windows-1252", X("\"T\"=\"Gr\xF6\xDF" "e \x80\"\r\n"), {{"T", Sz("Gr\xF6\xDF" "e \x80")}}},
        {"UTF-16LE", Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"T\"=\"Gr\u00F6\u00DFe \u20AC\"\r\n"),
         {{"T", Sz("Gr\xF6\xDF" "e \x80")}}},
        {"a character the code page lacks", X("\"T\"=\"\xC3\xA8\xE4\xB8\xAD\"\r\n"), {{"T", Sz("\xE8?")}}},
        {"malformed lines are skipped",
         X("\"A\"=\"unterminated\r\n\"B\"=dword:xyz\r\n\"C\"=dword:123456789\r\n\"D\"=hex:0g,01\r\n\"E\"=hex(2:00\r\n"
           "\"F\"=something\r\n\"G\"\r\n\"H\"=\"x\" trailing junk\r\n\"I=\"1\"\r\njust words\r\n01,02,03\r\n"
           "[HKEY_CURRENT_USER\\Software\\Broken\r\n\"J\"=\"under a broken section\"\r\n"
           "[HKEY_CURRENT_USER\\Software\\X]\r\n\"Good\"=\"yes\"\r\n"),
         {{"A", none}, {"B", none}, {"C", none}, {"D", none}, {"E", none}, {"F", none}, {"G", none}, {"H", none},
          {"I", none}, {"J", none}, {"J", none, kRegSz, "Software\\Broken"}, {"Good", Sz("yes")}}},
        {"values outside a section, unknown roots",
         kHeader + "\"Loose\"=\"1\"\r\n[HKEY_CLASSES_ROOT\\Software\\X]\r\n\"A\"=\"1\"\r\n",
         {{"Loose", none, kRegSz, ""}, {"A", none}}},
        {"no header, LF line ends", "[HKEY_CURRENT_USER\\Software\\X]\n\"A\"=\"1\"\n\"H\"=hex:01,\\\n  02\n",
         {{"A", Sz("1")}, {"H", "\x01\x02", kRegBinary}}},
        {"later values replace, deletions remove",
         X("\"A\"=\"1\"\r\n\"B\"=\"1\"\r\n\"C\"=\"1\"\r\n[HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n\"S\"=\"1\"\r\n"
           "[HKEY_CURRENT_USER\\Software\\Y]\r\n\"Y\"=\"1\"\r\n[HKEY_CURRENT_USER\\software\\x]\r\n\"a\"=\"2\"\r\n"
           "\"B\"=-\r\n[-HKEY_CURRENT_USER\\Software\\Y]\r\n[-HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n"),
         {{"A", Sz("2")}, {"B", none}, {"C", Sz("1")}, {"Y", none, kRegSz, "Software\\Y"},
          {"S", none, kRegSz, "Software\\X\\Sub"}}},
        {"buffer limit", X("\"Fits\"=\"" + std::string(1023, 'a') + "\"\r\n"), {{"Fits", Sz(std::string(1023, 'a'))}}},
    };
    for (const auto& c : cases) {
        WriteFile(userFile, c.file);
        for (const auto& l : c.lookups) {
            SCOPED_TRACE(std::string(c.what) + ": " + l.key + " " + l.name);
            Query q = Read(l.key, l.name);
            EXPECT_EQ(q.result, l.data ? kRegSuccess : kRegFileNotFound);
            if (l.data) {
                EXPECT_EQ(q.type, l.type);
                EXPECT_EQ(q.data, *l.data);
            }
        }
    }
}

TEST_F(RegistryTest, HivesFilesAndLimits) {
    EXPECT_EQ(Read("", "A").result, kRegFileNotFound);  // no hive file
    // Each file serves its own hive only.
    WriteFile(userFile, kHeader + "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\"A\"=\"u-m\"\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n"
                                  "\"A\"=\"user\"\r\n\"Long\"=\"" + std::string(1024, 'a') + "\"\r\n");
    WriteFile(machineFile, kHeader + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"m-u\"\r\n[hklm\\Software\\X]\r\n\"A\"=\"machine\"\r\n");
    EXPECT_EQ(Read("Software\\X", "A").data, Sz("user"));
    EXPECT_EQ(Read("Software\\X", "A", kHKeyLocalMachine).data, Sz("machine"));
    // A key above a section, and the root, open without values.
    RegistryKey key = nullptr;
    for (const char* path : {"Software", ""}) {
        EXPECT_EQ(RegistryOpenKey(kHKeyCurrentUser, path, 0, kKeyRead, &key), kRegSuccess) << path;
        RegistryCloseKey(key);
    }
    // One byte beyond the 1024-byte buffer: the size needed; without a buffer, the size alone.
    Query q = Read("Software\\X", "Long");
    EXPECT_EQ(q.result, kRegMoreData);
    EXPECT_EQ(q.data.size(), 1025u);
    uint32_t size = 4, type = 0;
    ASSERT_EQ(RegistryOpenKey(kHKeyCurrentUser, "Software\\X", 0, kKeyRead, &key), kRegSuccess);
    EXPECT_EQ(RegistryQueryValue(key, "Long", &type, nullptr, &size), kRegSuccess);
    RegistryCloseKey(key);
    EXPECT_EQ(size, 1025u);
    EXPECT_EQ(type, kRegSz);
    // Text in another code page; a folder is no readable hive.
    SetCodePage("CP1251");
    WriteFile(userFile, X("\"T\"=\"\xC3\xA8\xE4\xB8\xAD\"\r\n"));
    q = Read("Software\\X", "T");
    SetCodePage("WINDOWS-1252");
    EXPECT_EQ(q.data, Sz("??"));
    ScopedEnv folderAsHive("TESSARO_USER_REGISTRY", dir.path().string());
    EXPECT_EQ(Read("", "A").result, kRegFileNotFound);
}

}  // namespace
}  // namespace tessaro
