#pragma once
// The import as one self-contained HTML page (tessaro import --report FILE.html): what was
// read, how it went, the counts per fate, reason and kind of report, bar charts of them as
// inline SVG, and the account's lines in a table that a small script sorts and filters.
// Nothing in the page is fetched: styles, pictures and script are inside it. Without the
// script the page still shows the counts, the charts and the table's rows.
//
// The account's texts and the reports' titles are in the component's code page, as the
// library gives them; the page converts them to UTF-8. Every other text is UTF-8 already.

#include <tessaro/ImportAccount.h>
#include <tessaro/ImportSummary.h>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tessaro::cli {

// The table shows at most this many lines of each fate, in the order of the import; the
// page counts the rest.
inline constexpr size_t kReportRowsPerFate = 1000;

struct ReportFile {
    std::string name;      // as given on the command line
    uintmax_t bytes = 0;
    size_t lines = 0;
    std::string format;    // "ASC", "AWL"; empty when not read
    std::string reading;   // how it was read, in words
    std::string notRead;   // why the import did not read it, or empty
};

struct ImportReport {
    std::string version;    // VersionText()
    std::string started;    // UTC, "2026-12-07 00:41:05 UTC"
    double seconds = 0;
    std::string language;   // "English (LanguageId 1)"
    std::string languageTag;  // "en", for the titles of the message log
    std::string codePage;   // "WINDOWS-1252"
    int32_t deviceCode = 0;
    int32_t deviceId = 0;
    std::string deviceName;
    std::vector<ReportFile> files;
    int exitStatus = 0;
    std::string failure;    // why the import stopped, or empty
    std::vector<std::string> notes;  // what the command line said on standard error
    size_t variables = 0;
    // By partial message file (1 type conversions ... 6 to check): the title as the message
    // log writes it, in the code page.
    std::array<std::string, 7> reportTitles;
    // The counts (SummarizeImport), and the lines they count for the table and the
    // conversions; null when the account was not kept.
    ImportSummary summary;
    std::shared_ptr<const ImportAccount> account;
};

void WriteHtmlReport(std::ostream& out, const ImportReport& report);

}  // namespace tessaro::cli
