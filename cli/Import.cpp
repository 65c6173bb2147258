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

#include "devicedb/DeviceDBStore.h"
#include "messages/LanguageManager.h"

#include <tessaro/CodePage.h>
#include <tessaro/ImportSummary.h>
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
// table, or no rows for the device code (then unknown is set: nothing is imported). A
// database that cannot be opened at all stops the import, which then says so.
std::string DeviceDbWarning(const std::string& deviceDb, int32_t deviceCode, bool& unknown) {
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
    unknown = !areas;
    if (!areas)
        return "device code " + std::to_string(deviceCode) + " is not in " + deviceDb +
               "; nothing is imported (tessaro devices lists the codes)";
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

// "FILE: LF line ends, English mnemonics (I, Q, C): read as such" for a file read other
// than the component reads by itself, else empty.
std::string ReadingNote(const FileReading& reading) {
    return reading.Differs() ? reading.SourceId + ": " + reading.Said() : "";
}

// Why an SDF or DIF file stopped fitting its format ("line 12: ..."), or empty: for an ASC
// or AWL file the messages say enough.
std::string_view FormatFailure(const FileReading& reading) {
    return reading.Format == "ASC" || reading.Format == "AWL" ? std::string_view() : reading.Failure;
}

// Why a file gave less than it holds, in one line, or empty.
std::string LossNote(const FileReading& reading, bool symbolTablesGiven, int32_t deviceCode) {
    if (reading.FileError) return "";
    if (reading.UnnumberedBlocks > 0 && !symbolTablesGiven)
        return reading.SourceId + ": " + Counted(reading.UnnumberedBlocks, "symbolic data block") +
               " found no symbol: the blocks need the symbol table that numbers them; pass the .ASC that holds DB "
               "symbols too";
    if (reading.UnnumberedBlocks > 0)
        return reading.SourceId + ": " + Counted(reading.UnnumberedBlocks, "symbolic data block") +
               " found no DB symbol in the symbol tables given; pass the .ASC that holds their DB symbols too";
    if (reading.Entries == 0 || reading.Added > 0) return "";
    const bool symbols = reading.Format != "AWL";
    const std::string lines = Counted(reading.Entries, symbols ? "symbol line" : "value line");
    const std::string device = "device code " + std::to_string(deviceCode);
    if (symbols)
        return reading.SourceId + ": no variable from its " + lines + ": none of their operand areas is one that " +
               device + " has in the device database (peripheral areas never are; --mnemonics chooses E, A, Z or " +
               "I, Q, C; tessaro devices lists the areas)";
    return reading.SourceId + ": no variable from its " + lines + ": " + device +
           " has no data area for data-block values in the device database (tessaro devices lists the areas)";
}

}  // namespace

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
std::string ReadingOf(const FileReading* reading) {
    if (!reading) return "as written";
    std::string words = reading->Differs() ? reading->Said() : "as written";
    if (!reading->Failure.empty()) words += "; left early with a file error: " + ToUtf8(reading->Failure);
    return words;
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
            if (r.SourceId == options.files[i]) reading = &r;
        if (reading) entry.lines = reading->Lines, entry.format = reading->Format;
        entry.reading = ReadingOf(reading);
    }
    report.exitStatus = status;
    if (!run.imported) report.failure = ToUtf8(run.failure);
    report.notes = summary.Notes();
    report.variables = run.driver.Variables ? run.driver.Variables->Count() : 0;
    report.summary = SummarizeImport(run.driver);
    report.reportTitles = run.titles;
    report.account = run.driver.Account;

    return WriteHtmlFile(file, [&](std::ostream& out) { WriteHtmlReport(out, report); }) ? status : 1;
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
    driver.Options = LibraryOptions(options);
    driver.Options.Account = account;
    driver.Options.FolderWaitSeconds = options.waitSeconds;
    const bool lineFeedEnds = driver.Options.LineEnd == tessaro::ImportOptions::LineEnds::AlsoLineFeed;
    started = UtcNow();
    for (const std::string& file : options.files) {
        SourceFacts& f = facts.emplace_back(CheckSource(file, lineFeedEnds));
        if (!f.skipped.empty()) {
            summary.Note("skipped " + file + ": " + f.skipped + "; only files named *.ASC, *.SDF, *.DIF or *.AWL are imported");
            failed = true;
            continue;
        }
        if (!f.unreadable.empty()) {
            summary.Note("cannot read " + file + ": " + f.unreadable);
            unreadable.push_back(file);
            failed = true;
            continue;
        }
        if (f.loneLineFeeds && !lineFeedEnds)
            summary.Note("hint: " + file +
                         " has lines ending in LF alone; with --exact the import reads up to CR or CR LF, so such "
                         "lines run together (leave out --exact)");
        if (f.tabValueLines && driver.Options.Tab == tessaro::ImportOptions::Tabs::AsWritten)
            summary.Note("hint: " + file + " has tab characters in " + Counted(f.tabValueLines, "value line") +
                         " of its data blocks (the first is line " + std::to_string(f.firstTabValueLine) +
                         "); with --exact the import may stop at such a line with a file error (leave out --exact)");
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
    bool unknownDevice = false;
    if (std::string warning = DeviceDbWarning(deviceDb, options.deviceCode, unknownDevice); unknownDevice) {
        failure = warning;  // nothing is imported
    } else if (!warning.empty()) {
        summary.Note("warning: " + warning);
        deviceWarned = true;  // the cause of any loss is named already
    }
    SetThreadComponentFolder(component);
    merged = component + "/../Messenger.Msg";
    mergedBefore = SizeOf(merged);

    driver.DeviceCodeId = options.deviceCode;
    driver.DeviceId = options.deviceId;
    driver.DeviceName = FromUtf8(options.deviceName);
    DataSourceCollection sources;
    for (const auto& id : options.files) sources.Add(std::make_shared<DataSource>(DataSource{id}));

    // The passes of the import: the data-block sources for their types, the symbol
    // tables, the data-block sources for their blocks.
    std::vector<const SourceFacts*> reads;
    for (auto kind : {SourceFacts::Kind::DataBlockSource, SourceFacts::Kind::SymbolTable, SourceFacts::Kind::DataBlockSource})
        for (const auto& f : facts)
            if (f.kind == kind && f.unreadable.empty()) reads.push_back(&f);

    if (failure.empty() && privateLayout_) failure = WhyNoDeviceDb(deviceDb);
    if (!failure.empty()) return;
    LanguageChoice language(options.languageId, component);
    Progress progress(reads, summary.Width());
    ran = true;
    imported = driver.GetVariables(sources);
    lines = progress.Lines();
    seconds = progress.Seconds();
    // The message log's titles and language, as this import wrote them.
    countryCode = GetCountryCode();
    for (int32_t file = 1; file <= 6; ++file)
        titles[static_cast<size_t>(file)] = Messenger::TitleLine(Messenger::TitleMessageOfFile(file));
    if (!imported) {
        failure = driver.LastFailure.Description;
        return;
    }
    // What each file was read as, where other than by default; where an SDF or DIF file
    // stopped fitting its format (the messages name only the file).
    for (const FileReading& reading : driver.Readings) {
        if (std::string note = ReadingNote(reading); !note.empty()) summary.Note(note);
        if (!FormatFailure(reading).empty() && !Unreadable(reading.SourceId))
            summary.Note("a file error ended the import of " + reading.SourceId + ": " + std::string(FormatFailure(reading)));
    }
}

bool SourceImport::Unreadable(const std::string& sourceId) const {
    return std::find(unreadable.begin(), unreadable.end(), sourceId) != unreadable.end();
}

SourceImport::~SourceImport() { SetThreadComponentFolder(""); }

int RunImport(const ImportOptions& options) {
    const size_t errWidth = TerminalWidth(STDERR_FILENO);
    const size_t outWidth = TerminalWidth(STDOUT_FILENO);
    const Format format = options.format.value_or(outWidth ? Format::Table : Format::Jsonl);
    Summary summary(errWidth);
    // The account of the import for the lines and columns asked for, the summary file, the
    // report page and the closing summary on a terminal.
    SourceImport run(options, summary,
                     options.summary || options.report || WantsAccount(options.columns, options.lines) || errWidth != 0);
    // The page, where asked for, once the exit status is known.
    auto finish = [&](int status) { return options.report ? WriteReport(*options.report, run, options, summary, status) : status; };
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
        return finish(1);
    }
    // Where a file gave less than it holds (unless the device database's warning said why
    // already). Every file error makes the status 1; those of a file not read, or of an SDF
    // or DIF file that left its format, are named already.
    const bool symbolTablesGiven = std::any_of(driver.Readings.begin(), driver.Readings.end(),
                                               [](const FileReading& read) { return read.Format != "AWL"; });
    bool fileErrorNamed = false;
    for (const FileReading& read : driver.Readings) {
        if (std::string note = LossNote(read, symbolTablesGiven, options.deviceCode); !note.empty() && !run.deviceWarned)
            summary.Note(note);
        if (!read.FileError) continue;
        if (!run.Unreadable(read.SourceId) && FormatFailure(read).empty())
            summary.Note("a file error ended the import of " + read.SourceId + " (see the messages)");
        fileErrorNamed = failed = true;
    }
    if (driver.ReportCounts[3] > 0 && !fileErrorNamed) {
        summary.Note("a file error ended the import of a source (see the messages)");
        failed = true;
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
    if (errWidth) summary.Fates(SummarizeImport(driver));
    if (narrowed)
        summary.Keep("table narrowed to " + std::to_string(outWidth) + " columns (see --columns, --format csv)");
    summary.Print(driver.Variables->Count(), run.lines, run.seconds, whereMessages);
    return finish(failed ? 1 : 0);
}

}  // namespace tessaro::cli
