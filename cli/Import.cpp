// tessaro import: one DataSource per FILE, one GetVariables, the variables to standard
// output and the merged messages where the options say.

#include "Commands.h"
#include "Layout.h"
#include "Output.h"

#include "devicedb/DeviceDBStore.h"
#include "driver/SourceKind.h"
#include "messages/LanguageManager.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <iostream>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace fs = std::filesystem;

namespace tessaro::cli {
namespace {

// Progress on a terminal, driven by the importers' once-per-line yield: shown only when
// an import takes longer than half a second, then refreshed a few times a second.
class Progress {
public:
    explicit Progress(bool shown) : shown_(shown) { SetYieldHook(&Progress::OnLine, this); }
    ~Progress() {
        SetYieldHook(nullptr, nullptr);
        if (printed_) std::fprintf(stderr, "\r%40s\r", "");
    }
    size_t Lines() const { return lines_; }

private:
    static void OnLine(void* context) {
        auto& self = *static_cast<Progress*>(context);
        if (++self.lines_ % 1024 != 0 || !self.shown_) return;
        auto now = std::chrono::steady_clock::now();
        if (now - self.start_ < std::chrono::milliseconds(500) || now - self.last_ < std::chrono::milliseconds(200))
            return;
        self.last_ = now;
        self.printed_ = true;
        std::fprintf(stderr, "\rtessaro: %zu lines read", self.lines_);
    }
    bool shown_;
    bool printed_ = false;
    size_t lines_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_;
};

// A line feed not preceded by a carriage return: the import reads it as part of a line.
bool HasLoneLineFeed(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    char previous = '\0';
    std::array<char, 65536> block;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            if (block[static_cast<size_t>(i)] == '\n' && previous != '\r') return true;
            previous = block[static_cast<size_t>(i)];
        }
    }
    return false;
}

// The messages this import added to the merged file: the file from offset on.
std::ifstream MessagesFrom(const std::string& file, std::uintmax_t offset) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    return in;
}

// Copies the messages block by block, never the whole file at once; to UTF-8 when asked
// (the conversion goes byte by byte, so each block converts on its own).
bool CopyMessages(const std::string& file, std::uintmax_t offset, std::ostream& out, bool toUtf8) {
    std::ifstream in = MessagesFrom(file, offset);
    std::array<char, 65536> block;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        std::string_view bytes(block.data(), static_cast<size_t>(in.gcount()));
        if (toUtf8)
            out << ToUtf8(bytes);
        else
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return in.eof() && !in.bad() && out.good();
}

std::uintmax_t SizeOf(const std::string& file) {
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    return ec ? 0 : size;
}

// Why a source file cannot be read, or empty when it can: the component would only
// report it among the messages, which may go to a file nobody reads.
std::string WhyUnreadable(const std::string& file) {
    int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return std::strerror(errno);
    char byte;
    std::string reason = ::read(fd, &byte, 1) < 0 ? std::strerror(errno) : "";
    ::close(fd);
    return reason;
}

// Why the device database a user named cannot be opened, or empty when it can: the
// import would name only the link to it in the private layout.
std::string WhyNoDeviceDb(const std::string& deviceDb) {
    try {
        OpenDeviceDBStore(deviceDb);
    } catch (const std::exception& error) {
        return std::string("cannot open the device database ") + error.what();  // the text names the file
    }
    return "";
}

}  // namespace

int RunImport(const ImportOptions& options) {
    const bool stderrIsTerminal = ::isatty(STDERR_FILENO) == 1;
    const Format format = options.format.value_or(::isatty(STDOUT_FILENO) == 1 ? Format::Table : Format::Jsonl);

    bool unreadable = false;
    for (const auto& file : options.files) {
        if (!IsSourceOfKind(file, kSymbolTableExtension) && !IsSourceOfKind(file, kDataBlockSourceExtension)) continue;
        if (std::string reason = WhyUnreadable(file); !reason.empty()) {
            std::cerr << "tessaro: cannot read " << file << ": " << reason << "\n";
            unreadable = true;
        } else if (HasLoneLineFeed(file))
            std::cerr << "tessaro: hint: " << file
                      << " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                         "together (convert the file to CR LF line ends)\n";
    }

    std::optional<PrivateLayout> privateLayout;
    std::string component;
    std::string deviceDb;
    if (options.componentDir) {
        component = fs::absolute(*options.componentDir).string();
        deviceDb = component + "/../../KorvoDEV.dbr";
    } else {
        deviceDb = options.deviceDb.value_or(SampleDeviceDb());
        privateLayout.emplace(deviceDb);
        component = privateLayout->component;
    }
    SetThreadComponentFolder(component);
    struct FolderReset {
        ~FolderReset() { SetThreadComponentFolder(""); }
    } folderReset;
    const std::string merged = component + "/../Messenger.Msg";
    const std::uintmax_t mergedBefore = SizeOf(merged);

    VariableDriver driver;
    driver.DeviceCodeId = options.deviceCode;
    driver.DeviceId = options.deviceId;
    driver.DeviceName = FromUtf8(options.deviceName);
    DataSourceCollection sources;
    for (const auto& file : options.files) sources.Add(std::make_shared<DataSource>(DataSource{file}));

    std::string noDeviceDb = privateLayout ? WhyNoDeviceDb(deviceDb) : "";
    bool imported = false;
    size_t lines = 0;
    if (noDeviceDb.empty()) {
        LanguageChoice language(options.languageId, component);
        Progress progress(stderrIsTerminal);
        imported = driver.GetVariables(sources);
        lines = progress.Lines();
    }
    WriteVariables(std::cout, *driver.Variables, format);
    std::cout.flush();

    if (!imported) {
        std::cerr << "tessaro: " << (noDeviceDb.empty() ? driver.LastFailure.Description : noDeviceDb) << "\n";
        return 1;
    }
    const bool anyMessages = !driver.MessengerFile.empty() && SizeOf(merged) > mergedBefore;
    std::string whereMessages = "none";
    if (anyMessages) {
        if (options.componentDir) {
            whereMessages = fs::path(merged).lexically_normal().string();
        } else if (options.messages) {
            std::ofstream out(*options.messages, std::ios::binary | std::ios::app);
            if (!CopyMessages(merged, mergedBefore, out, false) || !out.flush()) {
                std::cerr << "tessaro: cannot append the messages to " << *options.messages << "\n";
                return 1;
            }
            whereMessages = *options.messages;
        } else {
            CopyMessages(merged, mergedBefore, std::cerr, true);
            whereMessages = "above, on standard error";
        }
    }
    if (stderrIsTerminal) {
        const std::array<size_t, 7>& counts = driver.ReportCounts;  // by partial message file
        std::cerr << "tessaro: " << driver.Variables->Count() << " variables imported, " << lines << " lines read\n"
                  << "tessaro: reports: " << counts[1] << " type conversions, " << counts[4]
                  << " not for the device, " << counts[2] << " same names, " << counts[3] << " file errors, "
                  << counts[5] << " incomplete data blocks, " << counts[6] << " to check\n"
                  << "tessaro: messages: " << whereMessages << "\n";
    }
    return unreadable ? 1 : 0;
}

}  // namespace tessaro::cli
