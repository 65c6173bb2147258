// tessaro import: the sources checked, one DataSource per FILE, one GetVariables, the
// variables to standard output and the merged messages where the options say.

#include "Commands.h"
#include "HtmlReport.h"
#include "Layout.h"
#include "Output.h"
#include "Plural.h"
#include "Progress.h"
#include "SourceCheck.h"
#include "Summary.h"
#include "TemporaryFiles.h"

#include "devicedb/DeviceDBStore.h"
#include "messages/LanguageManager.h"

#include <tessaro/CodePage.h>
#include <tessaro/Messenger.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
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

namespace {

// The language of the messages by the country code its LanguageId stands for.
std::pair<std::string, std::string> LanguageOf(int32_t countryCode) {
    switch (countryCode) {
        case 39: return {"Italian", "it"};
        case 33: return {"French", "fr"};
        case 34: return {"Spanish", "es"};
        case 49: return {"German", "de"};
        case 86: return {"Chinese", "zh"};
        default: return {"English", "en"};
    }
}

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

// How a file was read, in words, from the reading its importer gave.
std::string ReadingOf(const FileReading* reading, bool normalized) {
    std::string words;
    auto add = [&](std::string_view what) { words.append(words.empty() ? "" : "; ").append(what); };
    if (normalized) add("a normalized copy (CR LF line ends, tabs as blanks)");
    if (reading) {
        if (reading->LoneLineFeeds) add("lone LFs as line ends");
        if (reading->TabsAsBlanks) add("tabs as blanks");
        if (reading->EnglishMnemonics) add("English operand areas (I, Q, C)");
        if (reading->MixedMnemonics) add("German and English operand areas met, read as German");
        if (reading->WholeBlockNames) add("whole data-block names");
        if (!reading->Failure.empty()) add("left early with a file error: " + ToUtf8(reading->Failure));
    }
    return words.empty() ? "as written" : words;
}

// Writes the page of an import that ends with status; the status, or 1 (after saying
// why) when the page cannot be written.
int WriteReport(const std::string& file, const SourceImport& run, const ImportOptions& options, const Summary& summary,
                int status) {
    ImportReport report;
    report.version = VersionText();
    report.started = run.started;
    report.seconds = run.seconds;
    std::tie(report.language, report.languageTag) = LanguageOf(run.countryCode);
    report.codePage = CodePageName();
    report.deviceCode = options.deviceCode;
    report.deviceId = options.deviceId;
    report.deviceName = options.deviceName;
    for (size_t i = 0; i < run.facts.size(); ++i) {
        const SourceFacts& f = run.facts[i];
        ReportFile& entry = report.files.emplace_back();
        entry.name = options.files[i];
        entry.bytes = f.bytes;
        entry.lines = f.lines;
        entry.notRead = !f.skipped.empty() ? f.skipped : f.unreadable;
        if (!entry.notRead.empty()) continue;
        entry.format = f.kind == SourceFacts::Kind::SymbolTable ? "ASC" : "AWL";
        const FileReading* reading = nullptr;
        for (const auto& r : run.driver.Readings)
            if (r.SourceId == run.sourceIds[i]) reading = &r;
        if (reading) entry.lines = reading->Lines, entry.format = reading->Format;
        entry.reading = ReadingOf(reading, run.sourceIds[i] != options.files[i]);
    }
    report.exitStatus = status;
    if (!run.imported) report.failure = ToUtf8(run.failure);
    report.notes = summary.Notes();
    report.variables = run.driver.Variables ? run.driver.Variables->Count() : 0;
    report.reportCounts = run.driver.ReportCounts;
    report.reportTitles = run.titles;
    report.account = run.driver.Account;

    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) WriteHtmlReport(out, report);
    if (!out || !out.flush()) {
        std::cerr << "tessaro: cannot write the report " << file << ": " << (errno ? std::strerror(errno) : "write error")
                  << "\n";
        return 1;
    }
    std::cerr << "tessaro: report written to " << file << "\n";
    return status;
}

}  // namespace

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
    started = UtcNow();
    sourceIds = options.files;
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
        imported = driver.GetVariables(sources);
        lines = progress.Lines();
        seconds = progress.Seconds();
        if (!imported) failure = driver.LastFailure.Description;
        // The message log's titles and language, as this import wrote them.
        countryCode = GetCountryCode();
        for (int32_t file = 1; file <= 6; ++file)
            titles[static_cast<size_t>(file)] = Messenger::TitleLine(Messenger::TitleMessageOfFile(file));
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
    SourceImport run(options, summary, options.report.has_value());
    // The page, where asked for, once the exit status is known.
    auto finish = [&](int status) { return options.report ? WriteReport(*options.report, run, options, summary, status) : status; };
    VariableDriver& driver = run.driver;
    bool failed = run.failed;
    const std::string& merged = run.merged;
    const std::uintmax_t mergedBefore = run.mergedBefore;
    errno = 0;
    const bool narrowed = WriteVariables(std::cout, *driver.Variables, format,
                                         {options.columns, format == Format::Table ? outWidth : 0});
    if (FinishStandardOutput() != 0) failed = true;

    if (!run.imported) {
        std::cerr << "tessaro: " << run.failure << "\n";
        return finish(1);
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
                return finish(1);
            }
            whereMessages = "appended to " + *options.messages;
        } else {
            whereMessages = "not kept (use --messages FILE, or - for this terminal)";
        }
        if (errWidth) summary.ReadReports(merged, mergedBefore);
    }
    if (narrowed)
        summary.Keep("table narrowed to " + std::to_string(outWidth) + " columns (see --columns, --format csv)");
    summary.Print(driver.Variables->Count(), run.lines, run.seconds, whereMessages);
    return finish(failed ? 1 : 0);
}

}  // namespace tessaro::cli
