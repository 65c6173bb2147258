// tessaro import: the sources checked, one DataSource per FILE, one GetVariables, the
// variables to standard output and the merged messages where the options say.

#include "Commands.h"
#include "Layout.h"
#include "Output.h"
#include "Plural.h"
#include "Progress.h"
#include "SourceCheck.h"
#include "Summary.h"
#include "TemporaryFiles.h"

#include "devicedb/DeviceDBStore.h"

#include <tessaro/CodePage.h>
#include <tessaro/ImportSummary.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaro::cli {

size_t TerminalWidth(int fd) {
    if (::isatty(fd) != 1) return 0;
    struct winsize size {};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const long fromEnvironment = columns ? std::strtol(columns, nullptr, 10) : 0;
    return fromEnvironment > 0 ? static_cast<size_t>(fromEnvironment) : 80;
}

namespace {

// Copies the messages block by block, never the whole file at once; to UTF-8 when asked,
// whole lines at a time (a character of two bytes may straddle two blocks).
bool CopyMessages(const std::string& file, std::uintmax_t offset, std::ostream& out, bool toUtf8) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::array<char, 65536> block;
    std::string partLine;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        std::string_view bytes(block.data(), static_cast<size_t>(in.gcount()));
        if (!toUtf8) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            continue;
        }
        size_t lineEnd = bytes.rfind('\n') + 1;  // 0 without a line feed
        partLine.append(bytes.substr(0, lineEnd));
        out << ToUtf8(partLine);
        partLine.assign(bytes.substr(lineEnd));
    }
    if (!partLine.empty()) out << ToUtf8(partLine);
    return in.eof() && !in.bad() && out.good();
}

std::uintmax_t SizeOf(const std::string& file) {
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    return ec ? 0 : size;
}

// What the device database will not give the lookups, in one line, or empty: a missing
// table, or no rows for the device code. A database that cannot be opened at all stops
// the import, which then says so.
std::string DeviceDbWarning(const std::string& deviceDb, int32_t deviceCode) {
    std::unique_ptr<DeviceDBStore> store;
    try {
        store = OpenDeviceDBStore(deviceDb);
    } catch (const std::exception&) {
        return "";
    }
    bool areas = false;
    for (const char* table : {"DeviceDataArea", "DeviceDataType"}) {
        try {
            if (table == std::string_view("DeviceDataArea"))
                areas = !store->ReadDataAreas(deviceCode).empty();
            else
                store->ReadDataTypes(deviceCode);
        } catch (const std::exception& error) {
            const bool missing = std::string_view(error.what()).find("no such table") != std::string_view::npos;
            return "the device database " + deviceDb + (missing ? " lacks the table " : " cannot give the table ") +
                   table + " (" + error.what() + "); every lookup of the import fails";
        }
    }
    if (!areas)
        return "device code " + std::to_string(deviceCode) + " is not in " + deviceDb +
               "; no variable finds its data area (tessaro devices lists the codes)";
    return "";
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

// The folder of the normalized copies, one subfolder per FILE so that copies keep their
// file names.
struct CopiesFolder {
    std::string path = TemporaryName("tessaro-normalized-XXXXXX", true);
    ~CopiesFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
        ForgetTemporary(path);
    }
};

void ChooseCodePage(const ImportOptions& options) {
    const char* env = std::getenv("TESSARO_CODEPAGE");
    std::string name = options.codePage ? *options.codePage : env && *env ? env : "";
    if (name.empty() && options.languageId == kChineseLanguageId) name = "CP936";
    if (name.empty()) return;
    try {
        SetCodePage(name);
    } catch (const std::exception&) {
        throw UsageError((options.codePage ? "--codepage" : "TESSARO_CODEPAGE") + std::string(": \"") + name +
                             "\" is not a code page known here",
                         "import");
    }
}

SourceImport::SourceImport(const ImportOptions& options, Summary& summary, bool account) {
    std::vector<SourceFacts> facts;
    std::vector<std::string> sourceIds = options.files;
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string& file = options.files[i];
        SourceFacts& f = facts.emplace_back(CheckSource(file));
        if (!f.skipped.empty()) {
            summary.Note("skipped " + file + ": " + f.skipped + "; only files named *.ASC, *.SDF, *.DIF or *.AWL are imported");
            failed = true;
            continue;
        }
        if (!f.unreadable.empty()) {
            summary.Note("cannot read " + file + ": " + f.unreadable);
            failed = true;
            continue;
        }
        if (options.normalize && fs::is_regular_file(file)) {
            if (!copies_) copies_ = std::make_shared<CopiesFolder>();
            const std::string copy = copies_->path + "/" + std::to_string(i) + "/" + fs::path(file).filename().string();
            fs::create_directories(fs::path(copy).parent_path());
            const NormalizedCopy normalized = Normalize(file, copy, f.kind);
            if (normalized.Changed()) {
                std::string changes = normalized.lineEnds ? Counted(normalized.lineEnds, "lone LF") + " made CR LF" : "";
                if (normalized.tabLines)
                    changes += (changes.empty() ? "" : ", ") + ("tabs made blanks in " + Counted(normalized.tabLines, "line"));
                summary.Note("normalized " + file + ": " + changes + "; the import reads the copy");
                sourceIds[i] = copy;
                f = CheckSource(copy);
                f.file = file;
            }
            continue;
        }
        if (f.loneLineFeeds)
            summary.Note("hint: " + file +
                         " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                         "together (convert the file to CR LF line ends, or use --normalize)");
        if (f.tabValueLines)
            summary.Note("hint: " + file + " has tab characters in " + Counted(f.tabValueLines, "value line") +
                         " of its data blocks (the first is line " + std::to_string(f.firstTabValueLine) +
                         "); the import may stop at such a line with a file error (use --normalize)");
    }

    std::string component;
    std::string deviceDb;
    if (options.componentDir) {
        component = fs::absolute(*options.componentDir).string();
        deviceDb = component + "/../../KorvoDEV.dbr";
    } else {
        deviceDb = options.deviceDb.value_or(SampleDeviceDb());
        privateLayout_ = std::make_shared<PrivateLayout>(deviceDb);
        component = privateLayout_->component;
    }
    if (std::string warning = DeviceDbWarning(deviceDb, options.deviceCode); !warning.empty())
        summary.Note("warning: " + warning);
    SetThreadComponentFolder(component);
    merged = component + "/../Messenger.Msg";
    mergedBefore = SizeOf(merged);

    driver.Options = LibraryOptions(options);
    driver.Options.Account = account;
    driver.Options.FolderWaitSeconds = options.waitSeconds;
    driver.DeviceCodeId = options.deviceCode;
    driver.DeviceId = options.deviceId;
    driver.DeviceName = FromUtf8(options.deviceName);
    DataSourceCollection sources;
    for (const auto& id : sourceIds) sources.Add(std::make_shared<DataSource>(DataSource{id}));

    // The passes of the import: the data-block sources for their types, the symbol
    // tables, the data-block sources for their blocks.
    std::vector<const SourceFacts*> reads;
    for (auto kind : {SourceFacts::Kind::DataBlockSource, SourceFacts::Kind::SymbolTable, SourceFacts::Kind::DataBlockSource})
        for (const auto& f : facts)
            if (f.kind == kind && f.unreadable.empty()) reads.push_back(&f);

    failure = privateLayout_ ? WhyNoDeviceDb(deviceDb) : "";
    if (failure.empty()) {
        LanguageChoice language(options.languageId, component);
        Progress progress(reads, summary.Width());
        ran = true;
        imported = driver.GetVariables(sources);
        lines = progress.Lines();
        seconds = progress.Seconds();
        if (!imported) failure = driver.LastFailure.Description;
    }
    // Where an SDF or DIF file stopped fitting its format: the messages name only the file.
    for (const FileReading& reading : driver.Readings) {
        if (reading.Failure.empty() || reading.Format == "ASC" || reading.Format == "AWL") continue;
        const auto given = std::find(sourceIds.begin(), sourceIds.end(), reading.SourceId);
        if (given == sourceIds.end()) continue;
        const SourceFacts& f = facts[static_cast<size_t>(given - sourceIds.begin())];
        if (f.unreadable.empty())
            summary.Note("file error in " + f.file + ": " + reading.Failure);
    }
}

SourceImport::~SourceImport() { SetThreadComponentFolder(""); }

int RunImport(const ImportOptions& options) {
    const size_t errWidth = TerminalWidth(STDERR_FILENO);
    const size_t outWidth = TerminalWidth(STDOUT_FILENO);
    const Format format = options.format.value_or(outWidth ? Format::Table : Format::Jsonl);
    Summary summary(errWidth);
    // The account of the import for the lines and columns asked for, the summary file and
    // the closing summary on a terminal.
    SourceImport run(options, summary, options.summary || WantsAccount(options.columns, options.lines) || errWidth != 0);
    VariableDriver& driver = run.driver;
    bool failed = run.failed;
    const std::string& merged = run.merged;
    const std::uintmax_t mergedBefore = run.mergedBefore;
    errno = 0;
    const bool narrowed = WriteVariables(std::cout, *driver.Variables, format,
                                         {options.columns, format == Format::Table ? outWidth : 0,
                                          driver.Account.get(), options.lines});
    if (FinishStandardOutput() != 0) failed = true;
    if (options.summary && run.ran) {
        errno = 0;
        std::ofstream out(*options.summary, std::ios::binary | std::ios::trunc);
        out << SummaryJson(SummarizeImport(driver));
        if (!out.flush()) {
            std::cerr << "tessaro: cannot write the summary to " << *options.summary << ": "
                      << (errno ? std::strerror(errno) : "write error") << "\n";
            failed = true;
        }
    }

    if (!run.imported) {
        std::cerr << "tessaro: " << run.failure << "\n";
        return 1;
    }
    const bool anyMessages = !driver.MessengerFile.empty() && SizeOf(merged) > mergedBefore;
    std::string whereMessages = "none";
    if (anyMessages) {
        if (options.componentDir) {
            whereMessages = "in " + fs::path(merged).lexically_normal().string();
        } else if (options.messages == "-" || (!options.messages && !errWidth)) {
            CopyMessages(merged, mergedBefore, std::cerr, true);
            whereMessages = "above, on standard error";
        } else if (options.messages) {
            errno = 0;
            std::ofstream out(*options.messages, std::ios::binary | std::ios::app);
            if (!CopyMessages(merged, mergedBefore, out, false) || !out.flush()) {
                std::cerr << "tessaro: cannot append the messages to " << *options.messages << ": "
                          << (errno ? std::strerror(errno) : "write error") << "\n";
                return 1;
            }
            whereMessages = "appended to " + *options.messages;
        } else {
            whereMessages = "not kept (use --messages FILE, or - for this terminal)";
        }
        if (errWidth) summary.ReadReports(merged, mergedBefore);
    }
    if (errWidth) summary.Fates(SummarizeImport(driver));
    if (narrowed)
        summary.Keep("table narrowed to " + std::to_string(outWidth) + " columns (see --columns, --format csv)");
    summary.Print(driver.Variables->Count(), run.lines, run.seconds, whereMessages);
    return failed ? 1 : 0;
}

}  // namespace tessaro::cli
