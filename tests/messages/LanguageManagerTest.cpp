// LanguageManager: the language chosen by RegKeys.sys and the two hives, and
// the message texts.

#include "messages/LanguageManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include "TestSupport.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tessaro {
namespace {

using test::TempDir;
using test::WriteFile;

using test::ScopedEnv;

void CollectWarning(const std::string& text, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

constexpr const char* kKeyPath = "Software\\Korvo\\Tessaro";

// Component folder root/a/b/c; hive files root/user.reg and root/machine.reg.
class LanguageTest : public ::testing::Test {
protected:
    TempDir root;
    std::string component = (root.path() / "a" / "b" / "c").string();
    std::string userFile = root / "user.reg";
    std::string machineFile = root / "machine.reg";
    ScopedEnv user{"TESSARO_USER_REGISTRY", userFile};
    ScopedEnv machine{"TESSARO_MACHINE_REGISTRY", machineFile};
    std::vector<std::string> warnings;

    void SetUp() override {
        std::filesystem::create_directories(component);
        SetThreadComponentFolder(component);
        ResetCachedKeyPath();
        SetWarningHandler(&CollectWarning, &warnings);
        CurrentCountryCode.clear();
    }
    void TearDown() override {
        SetWarningHandler(nullptr, nullptr);
        SetThreadComponentFolder("");
        ResetCachedKeyPath();
        CurrentCountryCode.clear();
    }

    // RegKeys.sys in the component's folder with the usual key path.
    void WriteRegKeys(const std::string& folder, const std::string& content) {
        WriteFile(std::filesystem::path(folder) / "RegKeys.sys", content);
    }
    void WriteRegKeys() { WriteRegKeys(component, std::string(kKeyPath) + "\r\n"); }

    // A hive file with one section under kKeyPath holding the given value lines.
    static std::string Hive(const char* root, const std::string& values, const std::string& keyPath = kKeyPath) {
        return "Windows Registry Editor Version 5.00\r\n\r\n[" + std::string(root) + "\\" + keyPath + "]\r\n" + values;
    }
    void UserValues(const std::string& values) { WriteFile(userFile, Hive("HKEY_CURRENT_USER", values)); }
    void MachineValues(const std::string& values) { WriteFile(machineFile, Hive("HKEY_LOCAL_MACHINE", values)); }
};

// A RegKeys.sys above the temporary folder would spoil the "none anywhere" case.
bool RegKeysAboveTemp() {
    std::filesystem::path p = std::filesystem::temp_directory_path();
    for (;;) {
        std::error_code ec;
        if (std::filesystem::exists(p / "RegKeys.sys", ec)) return true;
        if (p == p.parent_path()) return false;
        p = p.parent_path();
    }
}

TEST_F(LanguageTest, NoRegKeysAnywhereGivesEnglish) {
    if (RegKeysAboveTemp()) GTEST_SKIP() << "a RegKeys.sys lies above the temporary folder";
    UserValues("\"LanguageId\"=\"2\"\r\n");
    EXPECT_EQ(FindRegKeysFile(), "");
    EXPECT_EQ(GetCountryCode(), 44);
    EXPECT_EQ(test::ErrorNumberOf([] { ReadRegistryKeyPath(); }), FileNotFound);
    EXPECT_THROW(GetSetting("LanguageId", "1"), RuntimeError);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(LanguageTest, TheNearestRegKeysFileAboveTheComponentAndItsFirstLine) {
    const auto a = root.path() / "a";
    std::filesystem::create_directories(std::filesystem::path(component) / "RegKeys.sys");  // a folder is no file
    WriteRegKeys(a.string(), "Software\\Far\r\n");
    UserValues("\"LanguageId\"=\"5\"\r\n");
    EXPECT_EQ(FindRegKeysFile(), (a / "RegKeys.sys").string());
    EXPECT_EQ(ReadRegistryKeyPath(), "Software\\Far");
    ResetCachedKeyPath();
    WriteRegKeys((a / "b").string(), std::string(kKeyPath) + "\r\nSoftware\\Second\\Line\r\n");
    EXPECT_EQ(FindRegKeysFile(), (a / "b" / "RegKeys.sys").string());
    EXPECT_EQ(ReadRegistryKeyPath(), kKeyPath);
    EXPECT_EQ(GetCountryCode(), 49);
    for (const char* content : {"Software\\Korvo\\Tessaro\nx", "Software\\Korvo\\Tessaro\rx", "Software\\Korvo\\Tessaro",
                                "\xEF\xBB\xBFSoftware\\Korvo\\Tessaro\r\n"}) {
        ResetCachedKeyPath();
        WriteRegKeys((a / "b").string(), content);
        EXPECT_EQ(ReadRegistryKeyPath(), kKeyPath) << content;
    }
}

// The per-user value first, then the machine's, then "1"; a per-user value that is empty,
// of another type or too large for the 1024-byte buffer counts as none.
TEST_F(LanguageTest, PerUserThenMachineThenEnglish) {
    WriteRegKeys();
    struct Case { const char* what; std::optional<std::string> user, machine; int32_t expected; } cases[] = {
        {"per user wins", "\"LanguageId\"=\"2\"", "\"LanguageId\"=\"3\"", 39},
        {"empty per-user value", "\"LanguageId\"=\"\"", "\"LanguageId\"=\"5\"", 49},
        {"no per-user file", std::nullopt, "\"LanguageId\"=\"4\"", 34},
        {"no per-user value", "\"Other\"=\"2\"", "\"LanguageId\"=\"4\"", 34},
        {"binary per-user value", "\"LanguageId\"=hex:06,00,00,00", "\"LanguageId\"=\"3\"", 33},
        {"too large per-user value", "\"LanguageId\"=\"2" + std::string(1100, ' ') + "\"", "\"LanguageId\"=\"3\"", 33},
        {"a number", "\"LanguageId\"=dword:00000006", std::nullopt, 86},
        {"expandable text", "\"LanguageId\"=hex(2):35,00,00,00", std::nullopt, 49},
        {"no value anywhere", "\"Other\"=\"2\"", "\"Other\"=\"3\"", 44},
        {"no hive files", std::nullopt, std::nullopt, 44},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(userFile);
        std::filesystem::remove(machineFile);
        if (c.user) UserValues(*c.user + "\r\n");
        if (c.machine) MachineValues(*c.machine + "\r\n");
        EXPECT_EQ(GetCountryCode(), c.expected);
    }
    WriteFile(userFile, Hive("HKEY_CURRENT_USER", "\"LanguageId\"=\"2\"\r\n", "Software\\Elsewhere"));
    EXPECT_EQ(GetCountryCode(), 44);  // no per-user key
    EXPECT_EQ(GetSetting("LanguageId", "1"), "1");
}

TEST_F(LanguageTest, EveryLanguageId) {
    WriteRegKeys();
    const std::pair<const char*, int32_t> cases[] = {
        {"1", 44}, {"2", 39}, {"3", 33}, {"4", 34}, {"5", 49}, {"6", 86},
        {"7", 44}, {"0", 44}, {"-1", 44}, {"abc", 44}, {"2x", 44}, {"2 5", 44}, {"+6", 86},
        {" 2.5 ", 39},   // halves to even: 2
        {"3.5", 34},     // halves to even: 4
        {"2.6", 33}, {"5.4", 49}, {"\t3\t", 33}, {"6e0", 86}, {".6e1", 86},
        {"99999999999", 44},  // too large for 32 bits
        {"1e400", 44},
    };
    for (const auto& [text, code] : cases) {
        UserValues("\"LanguageId\"=\"" + std::string(text) + "\"\r\n");
        EXPECT_EQ(GetCountryCode(), code) << "LanguageId \"" << text << "\"";
    }
}

TEST_F(LanguageTest, ReadRegistryValueTypeRules) {
    struct Case { const char* name; std::string value, expected; } cases[] = {
        {"Text", "\"abc\"", "abc"},
        {"Expand", "hex(2):25,00,58,00,25,00,00,00", "%X%"},  // not expanded
        {"WithZero", "hex(1):61,00,00,00,62,00,00,00", "a"},   // up to the first zero
        {"NoTerminator", "hex(1):61,00,62,00", "ab"}, {"Dword", "dword:0000002a", "42"},
        {"Negative", "dword:ffffffff", "-1"}, {"Binary", "hex:01", ""}, {"Multi", "hex(7):61,00,00,00,00,00", ""},
        {"Big", "\"" + std::string(1023, 'x') + "\"", std::string(1023, 'x')},
        {"TooBig", "\"" + std::string(1024, 'x') + "\"", ""},  // beyond the 1024-byte buffer
        {"Accent", "\"caf\xC3\xA9 \xE4\xB8\xAD\"", "caf\xE9 ?"},  // in the code page
    };
    std::string values;
    for (const auto& c : cases) values += "\"" + std::string(c.name) + "\"=" + c.value + "\r\n";
    UserValues(values);
    for (const auto& c : cases) EXPECT_EQ(ReadRegistryValue(kHKeyCurrentUser, kKeyPath, c.name), c.expected) << c.name;
    EXPECT_EQ(ReadRegistryValue(kHKeyCurrentUser, kKeyPath, "Missing"), "");
    EXPECT_EQ(ReadRegistryValue(kHKeyCurrentUser, "Software\\Nowhere", "Text"), "");
    EXPECT_EQ(ReadRegistryValue(0x80000003u, kKeyPath, "Text"), "");
}

TEST_F(LanguageTest, TheKeyPathIsCachedForTheProcess) {
    WriteRegKeys();
    UserValues("\"LanguageId\"=\"5\"\r\n");
    EXPECT_EQ(CachedKeyPath(), "");
    EXPECT_EQ(GetCountryCode(), 49);
    EXPECT_EQ(CachedKeyPath(), kKeyPath);
    // A changed RegKeys.sys takes effect only once the cache is cleared...
    WriteRegKeys(component, "Software\\Other\r\n");
    EXPECT_EQ(GetCountryCode(), 49);
    std::filesystem::remove(std::filesystem::path(component) / "RegKeys.sys");
    EXPECT_EQ(GetCountryCode(), 49);  // not even read again
    WriteRegKeys(component, "Software\\Other\r\n");
    ResetCachedKeyPath();
    EXPECT_EQ(GetCountryCode(), 44);
    EXPECT_EQ(CachedKeyPath(), "Software\\Other");
    // ...while a changed LanguageId takes effect at once.
    WriteFile(userFile, Hive("HKEY_CURRENT_USER", "\"LanguageId\"=\"6\"\r\n", "Software\\Other"));
    EXPECT_EQ(GetCountryCode(), 86);
}

TEST_F(LanguageTest, AnEmptyFirstLineIsReadAgainEveryTime) {
    WriteRegKeys(component, "\r\nSoftware\\Ignored\r\n");
    WriteFile(userFile, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\"LanguageId\"=\"3\"\r\n");
    EXPECT_EQ(ReadRegistryKeyPath(), "");
    EXPECT_EQ(GetCountryCode(), 33);  // the empty path is the hive's root
    EXPECT_EQ(CachedKeyPath(), "");
    WriteRegKeys();
    UserValues("\"LanguageId\"=\"4\"\r\n");
    EXPECT_EQ(GetCountryCode(), 34);
    EXPECT_EQ(CachedKeyPath(), kKeyPath);
}

TEST_F(LanguageTest, AnUnreadableRegKeysGivesEnglish) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    WriteRegKeys();
    UserValues("\"LanguageId\"=\"5\"\r\n");
    std::filesystem::permissions(std::filesystem::path(component) / "RegKeys.sys", std::filesystem::perms::none);
    EXPECT_EQ(GetCountryCode(), 44);
    EXPECT_THROW(ReadRegistryKeyPath(), RuntimeError);
}

TEST_F(LanguageTest, TwoThreadsShareTheCache) {
    WriteRegKeys();
    UserValues("\"LanguageId\"=\"5\"\r\n");
    std::vector<std::thread> threads;
    std::vector<int32_t> codes(8);
    for (size_t i = 0; i < codes.size(); ++i)
        threads.emplace_back([&, i] {
            SetThreadComponentFolder(component);
            for (int k = 0; k < 20; ++k) codes[i] = GetCountryCode();
        });
    for (auto& t : threads) t.join();
    EXPECT_THAT(codes, ::testing::Each(49));
    EXPECT_EQ(CachedKeyPath(), kKeyPath);
}

// ---- Message texts --------------------------------------------------------------------

TEST_F(LanguageTest, MissingTextWarnsAndGivesEmptyText) {
    CurrentCountryCode = "44";
    for (int32_t n : {7, 0, -1000}) EXPECT_EQ(GetMessageText(n), "") << n;  // base 1000 - 1000 = 0: none either
    EXPECT_EQ(warnings, (std::vector<std::string>{"Unable to read texts from resource file (MSG 7)",
                                                  "Unable to read texts from resource file (MSG 0)",
                                                  "Unable to read texts from resource file (MSG -1000)"}));
    CurrentCountryCode = "1";  // a code of no language: the Italian texts
    EXPECT_EQ(GetMessageText(2), "Conversione di tipo dati nella variabile");
    CurrentCountryCode = "";
    EXPECT_EQ(GetMessageText(1001), "File access error");  // the identifier, whatever the base
}

TEST_F(LanguageTest, AllThirtySixTextsInWindows1252) {
    ASSERT_EQ(CodePageName(), "WINDOWS-1252");
    const std::pair<const char*, std::vector<std::string>> languages[] = {
        {"",  // before any import
         {"Errore di accesso al file", "Conversione di tipo dati nella variabile",
          "Tipo della Variabile non adatta all'importazione o non gestito dal protocollo",
          "DB non adatta all'importazione: manca l'indirizzo o il simbolo nel file ASC",
          "Controllare tipo ed indirizzo della variabile",
          "E' stato gi\xE0 trovata una variabile con lo stesso nome e perci\xF2 non sar\xE0 importata."}},
        {"44",
         {"File access error", "Conversion of data type of the variable",
          "Data type of variable not appropriate for the import or not managed from the protocol",
          "DB not fit for import: there is not the address or symbol in ASC file",
          "Check the type and address of the variable",
          "A variable with the same name has been found so this cannot be imported"}},
        {"49",
         {"Fehler beim Zugriff der Datei", "Konversion des Datentyps der Variable",
          "Variable nicht geeignet f\xFCr das Importieren oder nicht vom Protokoll gehandhabt",
          "DB nicht geeignet f\xFCr das Importieren. Es gibt nicht die Adresse oder das Symbol in der ASC-Datei",
          "Den Typ und die Adresse der Variable kontrollieren",
          "Es wurde eine Variable mit dem gleichen Namen gefunden und wird daher nicht importiert."}},
        {"33",
         {"Erreur d'acc\xE8s au fichier", "Conversion de type de donn\xE9" "es de la variable",
          "Variable non appropri\xE9s \xE0 l'importation ou non contr\xF4l\xE9" "e du protocole",
          "DB non appropri\xE9s \xE0 l'importation. Il n'y a pas l'adresse ou le symbole dans le fichier ASC",
          "Contr\xF4ler le type et l'adresse de la variable",
          "Une variable avec le m\xEAme nom a d\xE9j\xE0 \xE9t\xE9 trouv\xE9" "e et elle ne sera donc pas import\xE9" "e."}},
        {"34",
         {"Error de acceso al file", "Conversi\xF3n tipo datos variable",
          "Variable no adaptos para importar o no manejada del protocolo",
          "DB no adaptos para importar. No hay el direccionamiento o el s\xEDmbolo en el file ASC",
          "Controlar tipo y direcci\xF3n de la variable",
          "Ya se encontr\xF3 una variable con el mismo nombre por eso no se importar\xE1."}},
        {"86",
         {"??????", "??????????", "??????????????????????", "????????:??ASC?????????", "???????????",
          "???????????????????????"}},
    };
    for (const auto& [code, texts] : languages) {
        CurrentCountryCode = code;
        for (int32_t n = 1; n <= 6; ++n) EXPECT_EQ(GetMessageText(n), texts[static_cast<size_t>(n - 1)]) << code << " " << n;
    }
    EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace tessaro
