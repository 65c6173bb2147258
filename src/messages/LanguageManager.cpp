// LanguageManager: the language functions and the message texts.

#include "messages/LanguageManager.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include "driver/ImportContext.h"
#include "platform/HostHooks.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string_view>

namespace tessaro {

namespace {

// The string table: identifier = text id base of the language + message number. Kept
// as UTF-8 here and handed out in the component's code page.
struct MessageText {
    int32_t id;
    const char* utf8;
};

constexpr MessageText kMessageTexts[] = {
    {1, "Errore di accesso al file"},
    {2, "Conversione di tipo dati nella variabile"},
    {3, "Tipo della Variabile non adatta all'importazione o non gestito dal protocollo"},
    {4, "DB non adatta all'importazione: manca l'indirizzo o il simbolo nel file ASC"},
    {5, "Controllare tipo ed indirizzo della variabile"},
    {6, "E' stato già trovata una variabile con lo stesso nome e perciò non sarà importata."},
    {1001, "File access error"},
    {1002, "Conversion of data type of the variable"},
    {1003, "Data type of variable not appropriate for the import or not managed from the protocol"},
    {1004, "DB not fit for import: there is not the address or symbol in ASC file"},
    {1005, "Check the type and address of the variable"},
    {1006, "A variable with the same name has been found so this cannot be imported"},
    {2001, "Fehler beim Zugriff der Datei"},
    {2002, "Konversion des Datentyps der Variable"},
    {2003, "Variable nicht geeignet für das Importieren oder nicht vom Protokoll gehandhabt"},
    {2004, "DB nicht geeignet für das Importieren. Es gibt nicht die Adresse oder das Symbol in der ASC-Datei"},
    {2005, "Den Typ und die Adresse der Variable kontrollieren"},
    {2006, "Es wurde eine Variable mit dem gleichen Namen gefunden und wird daher nicht importiert."},
    {3001, "Erreur d'accès au fichier"},
    {3002, "Conversion de type de données de la variable"},
    {3003, "Variable non appropriés à l'importation ou non contrôlée du protocole"},
    {3004, "DB non appropriés à l'importation. Il n'y a pas l'adresse ou le symbole dans le fichier ASC"},
    {3005, "Contrôler le type et l'adresse de la variable"},
    {3006, "Une variable avec le même nom a déjà été trouvée et elle ne sera donc pas importée."},
    {4001, "Error de acceso al file"},
    {4002, "Conversión tipo datos variable"},
    {4003, "Variable no adaptos para importar o no manejada del protocolo"},
    {4004, "DB no adaptos para importar. No hay el direccionamiento o el símbolo en el file ASC"},
    {4005, "Controlar tipo y dirección de la variable"},
    {4006, "Ya se encontró una variable con el mismo nombre por eso no se importará."},
    {5001, "文件访问出错"},
    {5002, "变量的数据类型的转换"},
    {5003, "变量的数据类型不适于导入或不能由协议进行管理"},
    {5004, "数据库不适于导入:没有ASC文件中的地址或符号"},
    {5005, "检查变量的类型以及地址"},
    {5006, "已经找到了具有相同名称的变量，所以它不能被导入"},
};

// CachedKeyPath: one for the whole process, behind a lock.
std::mutex cacheGuard;
std::string cachedKeyPath;

constexpr uint32_t kBufferSize = 1024;

}  // namespace

std::string FindRegKeysFile() {
    std::string folder = ComponentFolder();
    for (;;) {
        std::string candidate = folder + kPathSeparator + "RegKeys.sys";
        if (IsOrdinaryFile(candidate)) return candidate;
        size_t slash = folder.rfind(kPathSeparator);
        if (slash == std::string::npos) return {};
        folder.erase(slash);
    }
}

std::string ReadRegistryKeyPath() {
    std::lock_guard lock(cacheGuard);
    if (cachedKeyPath.empty()) {
        std::string file = FindRegKeysFile();
        if (file.empty()) throw RuntimeError(FileNotFound, "RegKeys.sys not found");
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in) throw RuntimeError(PathFileAccessError);
        std::string line;
        int c;
        while ((c = std::fgetc(in)) != EOF && c != '\r' && c != '\n') line.push_back(static_cast<char>(c));
        bool failed = std::ferror(in) != 0;
        std::fclose(in);
        if (failed) throw RuntimeError(PathFileAccessError);
        if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line = FromUtf8(std::string_view(line).substr(3));
        cachedKeyPath = line;
    }
    return cachedKeyPath;
}

std::string CachedKeyPath() {
    std::lock_guard lock(cacheGuard);
    return cachedKeyPath;
}

void ResetCachedKeyPath() {
    std::lock_guard lock(cacheGuard);
    cachedKeyPath.clear();
}

std::string ReadRegistryValue(uint32_t hive, const std::string& keyPath, const std::string& valueName) {
    RegistryKey key = nullptr;
    std::string result;
    if (RegistryOpenKey(hive, keyPath, 0, kKeyRead, &key) == kRegSuccess) {
        std::array<unsigned char, kBufferSize> buffer{};
        uint32_t size = kBufferSize;
        uint32_t type = kRegNone;
        if (RegistryQueryValue(key, valueName, &type, buffer.data(), &size) == kRegSuccess) {
            if (type == kRegSz || type == kRegExpandSz) {
                const char* data = reinterpret_cast<const char*>(buffer.data());
                std::string_view text(data, size);
                result = std::string(text.substr(0, text.find('\0')));
            } else if (type == kRegDword) {
                uint32_t n = 0;
                for (size_t k = 4; k-- > 0;) n = (n << 8) | buffer[k];  // least significant byte first
                result = std::to_string(static_cast<int32_t>(n));
            }
        }
    }
    RegistryCloseKey(key);  // on every path, also after a failed open
    return result;
}

std::string GetSetting(const std::string& valueName, const std::string& defaultValue) {
    std::string keyPath = ReadRegistryKeyPath();
    std::string value = ReadRegistryValue(kHKeyCurrentUser, keyPath, valueName);
    if (value.empty()) value = ReadRegistryValue(kHKeyLocalMachine, keyPath, valueName);
    return value.empty() ? defaultValue : value;
}

namespace {

thread_local int32_t threadLanguageId = 0;

int32_t CountryCodeOf(int32_t languageId) {
    switch (languageId) {
    case 1: return 44;
    case 2: return 39;
    case 3: return 33;
    case 4: return 34;
    case 5: return 49;
    case 6: return 86;
    default: return 44;
    }
}

}  // namespace

void SetThreadLanguageId(int32_t languageId) { threadLanguageId = languageId; }

std::optional<int32_t> LanguageIdNamed(std::string_view name) {
    constexpr std::array<std::string_view, 6> kCodes = {"en", "it", "fr", "es", "de", "zh"};
    for (size_t i = 0; i < kCodes.size(); ++i)
        if (name.size() == 2 && (name[0] | 0x20) == kCodes[i][0] && (name[1] | 0x20) == kCodes[i][1])
            return static_cast<int32_t>(i + 1);
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '6') return name[0] - '0';
    return std::nullopt;
}

int32_t GetCountryCode() {
    if (threadLanguageId) return CountryCodeOf(threadLanguageId);
    try {
        auto number = WholeTextAsNumber(GetSetting("LanguageId", "1"));
        return number ? CountryCodeOf(RoundToInt32(*number)) : 44;
    } catch (...) {
        return 44;
    }
}

std::string GetMessageText(int32_t messageNumber) {
    int64_t base = 0;
    const std::string& code = CurrentImport().CurrentCountryCode;
    if (code == "33") base = 3000;
    else if (code == "49") base = 2000;
    else if (code == "44") base = 1000;
    else if (code == "39") base = 0;
    else if (code == "34") base = 4000;
    else if (code == "86") base = 5000;
    int64_t id = base + messageNumber;
    for (const auto& text : kMessageTexts)
        if (text.id == id) return FromUtf8(text.utf8);
    Warn("Unable to read texts from resource file (MSG " + std::to_string(messageNumber) + ")");
    return {};
}

}  // namespace tessaro
