// The settings hives: the .reg parser behind RegistryOpenKey / RegistryQueryValue.

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <tessaro/CodePage.h>

#include "TestSupport.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace tessaro {
namespace {

using test::TempDir;
using test::WriteFile;

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct Query {
    int32_t result = -1;
    uint32_t type = 0xFFFFFFFF;
    std::string data;
};

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string userFile = dir / "user.reg";
    std::string machineFile = dir / "machine.reg";
    ScopedEnv user{"TESSARO_USER_REGISTRY", userFile};
    ScopedEnv machine{"TESSARO_MACHINE_REGISTRY", machineFile};

    // Writes the per-user hive and reads one value, 1024-byte buffer.
    static Query Read(uint32_t hive, const std::string& keyPath, const std::string& name, uint32_t bufferSize = 1024) {
        Query q;
        RegistryKey key = nullptr;
        q.result = RegistryOpenKey(hive, keyPath, 0, kKeyRead, &key);
        if (q.result != kRegSuccess) {
            EXPECT_EQ(key, nullptr);
            return q;
        }
        std::string buffer(bufferSize, '\0');
        uint32_t size = bufferSize;
        q.result = RegistryQueryValue(key, name, &q.type, reinterpret_cast<unsigned char*>(buffer.data()), &size);
        if (q.result == kRegSuccess) q.data = buffer.substr(0, size);
        else if (q.result == kRegMoreData) q.data = std::string(size, '\0');  // only the size
        EXPECT_EQ(RegistryCloseKey(key), kRegSuccess);
        return q;
    }
    Query User(const std::string& keyPath, const std::string& name, uint32_t bufferSize = 1024) {
        return Read(kHKeyCurrentUser, keyPath, name, bufferSize);
    }
};

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST_F(RegistryTest, TextAndNumberValues) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n"
                            "\"LanguageId\"=\"2\"\r\n"
                            "\"Count\"=dword:00000106\r\n"
                            "\"Empty\"=\"\"\r\n");
    auto q = User("Software\\Vendor\\App", "LanguageId");
    EXPECT_EQ(q.result, kRegSuccess);
    EXPECT_EQ(q.type, kRegSz);
    EXPECT_EQ(q.data, std::string("2\0", 2));
    q = User("Software\\Vendor\\App", "Count");
    EXPECT_EQ(q.type, kRegDword);
    EXPECT_EQ(q.data, std::string("\x06\x01\x00\x00", 4));
    q = User("Software\\Vendor\\App", "Empty");
    EXPECT_EQ(q.type, kRegSz);
    EXPECT_EQ(q.data, std::string(1, '\0'));
}

TEST_F(RegistryTest, MissingFileKeyOrValue) {
    EXPECT_EQ(User("Software\\Vendor\\App", "LanguageId").result, kRegFileNotFound);  // no hive file
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n\"A\"=\"1\"\r\n");
    EXPECT_EQ(User("Software\\Vendor\\Other", "A").result, kRegFileNotFound);
    EXPECT_EQ(User("Software\\Vendor\\App", "B").result, kRegFileNotFound);
    // A key above a section exists, without values.
    EXPECT_EQ(User("Software\\Vendor", "A").result, kRegFileNotFound);
    RegistryKey key = nullptr;
    EXPECT_EQ(RegistryOpenKey(kHKeyCurrentUser, "Software\\Vendor", 0, kKeyRead, &key), kRegSuccess);
    RegistryCloseKey(key);
    EXPECT_EQ(RegistryOpenKey(kHKeyCurrentUser, "", 0, kKeyRead, &key), kRegSuccess);
    RegistryCloseKey(key);
    // A folder is not a readable hive.
    ScopedEnv folderAsHive("TESSARO_USER_REGISTRY", dir.path().string());
    EXPECT_EQ(User("", "A").result, kRegFileNotFound);
}

TEST_F(RegistryTest, HandlesAndArguments) {
    RegistryKey key = reinterpret_cast<RegistryKey>(1);
    EXPECT_EQ(RegistryOpenKey(0x80000000u, "Software", 0, kKeyRead, &key), kRegInvalidHandle);
    EXPECT_EQ(key, nullptr);
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software]\r\n");
    EXPECT_EQ(RegistryOpenKey(kHKeyCurrentUser, "Software", 0, 0x20006 /* KEY_WRITE */, &key), kRegAccessDenied);
    EXPECT_EQ(RegistryCloseKey(nullptr), kRegInvalidHandle);
    uint32_t size = 4;
    EXPECT_EQ(RegistryQueryValue(nullptr, "A", nullptr, nullptr, &size), kRegInvalidHandle);
}

TEST_F(RegistryTest, EachFileServesItsOwnHive) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\"A\"=\"from user file, machine section\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"user\"\r\n");
    WriteFile(machineFile, std::string(kHeader) +
                               "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"from machine file, user section\"\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\"A\"=\"machine\"\r\n");
    EXPECT_EQ(User("Software\\X", "A").data, std::string("user\0", 5));
    EXPECT_EQ(Read(kHKeyLocalMachine, "Software\\X", "A").data, std::string("machine\0", 8));
}

TEST_F(RegistryTest, AbbreviatedRootsAndRootSection) {
    WriteFile(userFile, std::string(kHeader) + "[HKCU\\Software\\X]\r\n\"A\"=\"1\"\r\n[HKEY_CURRENT_USER]\r\n\"R\"=\"root\"\r\n");
    WriteFile(machineFile, std::string(kHeader) + "[hklm\\Software\\X]\r\n\"A\"=\"2\"\r\n");
    EXPECT_EQ(User("Software\\X", "A").data, std::string("1\0", 2));
    EXPECT_EQ(Read(kHKeyLocalMachine, "Software\\X", "A").data, std::string("2\0", 2));
    EXPECT_EQ(User("", "R").data, std::string("root\0", 5));
}

TEST_F(RegistryTest, KeyPathsAndNamesIgnoreCaseAndEmptyComponents) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n\"LanguageId\"=\"4\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\\xC3\x84rger]\r\n\"\xC3\xA9t\xC3\xA9\"=\"1\"\r\n");
    EXPECT_EQ(User("SOFTWARE\\vendor\\aPP", "languageid").data, std::string("4\0", 2));
    EXPECT_EQ(User("\\Software\\\\Vendor\\App\\", "LANGUAGEID").data, std::string("4\0", 2));
    // Non-ASCII letters fold in the code page (Windows-1252: "ärger", "ÉTÉ").
    EXPECT_EQ(User("software\\\xE4rger", "\xC9T\xC9").result, kRegSuccess);
}

TEST_F(RegistryTest, CommentsBlankLinesAndTrailingComments) {
    WriteFile(userFile, std::string(kHeader) +
                            "; a comment line\r\n"
                            "   ; an indented comment\r\n"
                            "\r\n   \t\r\n"
                            "[HKEY_CURRENT_USER\\Software\\X] ; the key\r\n"
                            ";\"A\"=\"commented out\"\r\n"
                            "\"B\"=\"b;not a comment\" ; a comment\r\n"
                            "\"C\" = dword:7 ; spaces around the equals sign\r\n");
    EXPECT_EQ(User("Software\\X", "A").result, kRegFileNotFound);
    EXPECT_EQ(User("Software\\X", "B").data, std::string("b;not a comment\0", 16));
    EXPECT_EQ(User("Software\\X", "C").data, std::string("\x07\0\0\0", 4));
}

TEST_F(RegistryTest, EscapedQuotesAndBackslashes) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                            "\"Path\"=\"C:\\\\Program Files\\\\Tessaro\\\\\"\r\n"
                            "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                            "\"Name \\\"with\\\" quotes\"=\"1\"\r\n"
                            "\"Other\"=\"a\\tb\"\r\n");
    EXPECT_EQ(User("Software\\X", "Path").data, std::string("C:\\Program Files\\Tessaro\\\0", 26));
    EXPECT_EQ(User("Software\\X", "Quote").data, std::string("say \"hi\"\0", 9));
    EXPECT_EQ(User("Software\\X", "Name \"with\" quotes").data, std::string("1\0", 2));
    // A backslash before anything else stays as written.
    EXPECT_EQ(User("Software\\X", "Other").data, std::string("a\\tb\0", 5));
}

TEST_F(RegistryTest, HexDataWithContinuations) {
    // "%Path%\x" in UTF-16LE with its terminator, as regedit writes expandable text.
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                            "\"Expand\"=hex(2):25,00,50,00,61,00,\\\r\n"
                            "  74,00,68,00,25,00,5c,00,\\\r\n"
                            "  78,00,00,00\r\n"
                            "\"Bin\"=hex:01,02,FF\r\n"
                            "\"Dword\"=hex(4):06,00,00,00\r\n"
                            "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                            "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                            "\"EmptyBin\"=hex:\r\n"
                            "\"After\"=\"still read\"\r\n");
    auto q = User("Software\\X", "Expand");
    EXPECT_EQ(q.type, kRegExpandSz);
    EXPECT_EQ(q.data, std::string("%Path%\\x\0", 9));
    q = User("Software\\X", "Bin");
    EXPECT_EQ(q.type, kRegBinary);
    EXPECT_EQ(q.data, "\x01\x02\xFF");
    q = User("Software\\X", "Dword");
    EXPECT_EQ(q.type, kRegDword);
    EXPECT_EQ(q.data, std::string("\x06\0\0\0", 4));
    q = User("Software\\X", "Multi");
    EXPECT_EQ(q.type, kRegMultiSz);
    EXPECT_EQ(q.data, std::string("a\0b\0\0", 5));
    q = User("Software\\X", "Qword");
    EXPECT_EQ(q.type, 11u);
    EXPECT_EQ(q.data.size(), 8u);
    q = User("Software\\X", "EmptyBin");
    EXPECT_EQ(q.type, kRegBinary);
    EXPECT_EQ(q.data, "");
    EXPECT_EQ(User("Software\\X", "After").data, std::string("still read\0", 11));
}

TEST_F(RegistryTest, Regedit4HexTextIsEightBit) {
    WriteFile(userFile, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"E\"=hex(2):25,41,25,00\r\n");
    auto q = User("Software\\X", "E");
    EXPECT_EQ(q.type, kRegExpandSz);
    EXPECT_EQ(q.data, std::string("%A%\0", 4));
}

TEST_F(RegistryTest, LineEndsCrLfLfOrCr) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string e = end;
        WriteFile(userFile, "Windows Registry Editor Version 5.00" + e + e + "[HKEY_CURRENT_USER\\Software\\X]" + e +
                                "\"A\"=\"1\"" + e + "\"H\"=hex:01,\\" + e + "  02" + e + "\"B\"=dword:00000002");
        EXPECT_EQ(User("Software\\X", "A").data, std::string("1\0", 2)) << "line end " << int(e.back());
        EXPECT_EQ(User("Software\\X", "H").data, "\x01\x02") << "line end " << int(e.back());
        EXPECT_EQ(User("Software\\X", "B").data, std::string("\x02\0\0\0", 4)) << "line end " << int(e.back());
    }
}

TEST_F(RegistryTest, Utf8Windows1252AndUtf16Files) {
    const std::string expected("Gr\xF6\xDF" "e \x80\0", 8);  // "Größe €" in Windows-1252
    const std::string body = "[HKEY_CURRENT_USER\\Software\\X]\r\n\"T\"=\"Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\"\r\n";
    WriteFile(userFile, std::string(kHeader) + body);
    EXPECT_EQ(User("Software\\X", "T").data, expected) << "UTF-8";
    WriteFile(userFile, "\xEF\xBB\xBF" + std::string(kHeader) + body);
    EXPECT_EQ(User("Software\\X", "T").data, expected) << "UTF-8 with byte-order mark";
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"T\"=\"Gr\xF6\xDF" "e \x80\"\r\n");
    EXPECT_EQ(User("Software\\X", "T").data, expected) << "Windows-1252";
    // UTF-16LE with its byte-order mark, as regedit exports.
    std::u16string units = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"T\"=\"Gr\u00F6\u00DFe \u20AC\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : units) {
        utf16.push_back(static_cast<char>(u & 0xFF));
        utf16.push_back(static_cast<char>(u >> 8));
    }
    WriteFile(userFile, utf16);
    EXPECT_EQ(User("Software\\X", "T").data, expected) << "UTF-16LE";
}

TEST_F(RegistryTest, TextIsGivenInTheCodePage) {
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"T\"=\"\xC3\xA8\xE4\xB8\xAD\"\r\n");
    EXPECT_EQ(User("Software\\X", "T").data, std::string("\xE8?\0", 3));  // è kept, 中 lacks
    SetCodePage("CP1251");
    auto q = User("Software\\X", "T");
    SetCodePage("WINDOWS-1252");
    EXPECT_EQ(q.data, std::string("??\0", 3));
}

TEST_F(RegistryTest, MalformedLinesAreSkipped) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                            "\"A\"=\"unterminated\r\n"
                            "\"B\"=dword:xyz\r\n"
                            "\"C\"=dword:123456789\r\n"
                            "\"D\"=hex:0g,01\r\n"
                            "\"E\"=hex(2:00\r\n"
                            "\"F\"=something\r\n"
                            "\"G\"\r\n"
                            "\"H\"=\"x\" trailing junk\r\n"
                            "\"I=\"1\"\r\n"
                            "just some words\r\n"
                            "01,02,03\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Broken\r\n"
                            "\"J\"=\"under a broken section\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                            "\"Good\"=\"yes\"\r\n");
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"})
        EXPECT_EQ(User("Software\\X", name).result, kRegFileNotFound) << name;
    EXPECT_EQ(User("Software\\X", "Good").data, std::string("yes\0", 4));
    EXPECT_EQ(User("Software\\Broken", "J").result, kRegFileNotFound);
}

TEST_F(RegistryTest, ValuesOutsideASectionAndUnknownRootsAreIgnored) {
    WriteFile(userFile, std::string(kHeader) +
                            "\"Loose\"=\"1\"\r\n"
                            "[HKEY_CLASSES_ROOT\\Software\\X]\r\n\"A\"=\"1\"\r\n");
    EXPECT_EQ(User("", "Loose").result, kRegFileNotFound);
    EXPECT_EQ(User("Software\\X", "A").result, kRegFileNotFound);
}

TEST_F(RegistryTest, FileWithoutHeaderIsReadAllTheSame) {
    WriteFile(userFile, "[HKEY_CURRENT_USER\\Software\\X]\n\"A\"=\"1\"\n");
    EXPECT_EQ(User("Software\\X", "A").data, std::string("1\0", 2));
}

TEST_F(RegistryTest, LaterValuesReplaceEarlierAndDeletionsRemove) {
    WriteFile(userFile, std::string(kHeader) +
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"1\"\r\n\"B\"=\"1\"\r\n\"C\"=\"1\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n\"S\"=\"1\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Y]\r\n\"Y\"=\"1\"\r\n"
                            "[HKEY_CURRENT_USER\\software\\x]\r\n\"a\"=\"2\"\r\n\"B\"=-\r\n"
                            "[-HKEY_CURRENT_USER\\Software\\Y]\r\n"
                            "[-HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n");
    EXPECT_EQ(User("Software\\X", "A").data, std::string("2\0", 2));
    EXPECT_EQ(User("Software\\X", "B").result, kRegFileNotFound);
    EXPECT_EQ(User("Software\\X", "C").data, std::string("1\0", 2));
    EXPECT_EQ(User("Software\\Y", "Y").result, kRegFileNotFound);
    EXPECT_EQ(User("Software\\X\\Sub", "S").result, kRegFileNotFound);
}

TEST_F(RegistryTest, DefaultValue) {
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n@=\"default\"\r\n");
    EXPECT_EQ(User("Software\\X", "").data, std::string("default\0", 8));
}

TEST_F(RegistryTest, BufferLimit) {
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"Fits\"=\"" +
                            std::string(1023, 'a') + "\"\r\n\"TooLong\"=\"" + std::string(1024, 'a') + "\"\r\n");
    auto q = User("Software\\X", "Fits");
    EXPECT_EQ(q.result, kRegSuccess);
    EXPECT_EQ(q.data.size(), 1024u);
    q = User("Software\\X", "TooLong");
    EXPECT_EQ(q.result, kRegMoreData);
    EXPECT_EQ(q.data.size(), 1025u);  // the size needed
    // Size only.
    RegistryKey key = nullptr;
    ASSERT_EQ(RegistryOpenKey(kHKeyCurrentUser, "Software\\X", 0, kKeyRead, &key), kRegSuccess);
    uint32_t size = 0;
    uint32_t type = 0;
    EXPECT_EQ(RegistryQueryValue(key, "TooLong", &type, nullptr, &size), kRegSuccess);
    EXPECT_EQ(size, 1025u);
    EXPECT_EQ(type, kRegSz);
    RegistryCloseKey(key);
}

TEST_F(RegistryTest, AChangedHiveTakesEffectAtTheNextOpen) {
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"1\"\r\n");
    RegistryKey key = nullptr;
    ASSERT_EQ(RegistryOpenKey(kHKeyCurrentUser, "Software\\X", 0, kKeyRead, &key), kRegSuccess);
    WriteFile(userFile, std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"2\"\r\n");
    unsigned char data[8] = {};
    uint32_t size = sizeof data;
    EXPECT_EQ(RegistryQueryValue(key, "A", nullptr, data, &size), kRegSuccess);
    EXPECT_EQ(data[0], '1');  // an open key is a snapshot
    RegistryCloseKey(key);
    EXPECT_EQ(User("Software\\X", "A").data, std::string("2\0", 2));
}

TEST(RegistryHiveFiles, DefaultPlaces) {
    ScopedEnv user("TESSARO_USER_REGISTRY", std::nullopt);
    ScopedEnv machine("TESSARO_MACHINE_REGISTRY", std::nullopt);
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(HiveFile(kHKeyCurrentUser), "/cfg/tessaro/user.reg");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(HiveFile(kHKeyCurrentUser), "/home/someone/.config/tessaro/user.reg");
    }
    EXPECT_EQ(HiveFile(kHKeyLocalMachine), "/etc/tessaro/machine.reg");
    EXPECT_EQ(HiveFile(0x80000000u), "");
    ScopedEnv userSet("TESSARO_USER_REGISTRY", "/x/u.reg");
    ScopedEnv machineSet("TESSARO_MACHINE_REGISTRY", "/x/m.reg");
    EXPECT_EQ(HiveFile(kHKeyCurrentUser), "/x/u.reg");
    EXPECT_EQ(HiveFile(kHKeyLocalMachine), "/x/m.reg");
}

}  // namespace
}  // namespace tessaro
