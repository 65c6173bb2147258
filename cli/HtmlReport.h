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
#include <functional>
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

// A comparison of two imports (tessaro diff --report FILE.html): the sides, the counts as
// a table and a bar chart, the changes in a table to sort and filter. Every text is UTF-8.
struct ComparisonSide {
    std::string name;                // as the summary names it
    std::string what;                // "a saved import", "a folder of sources", ...
    std::vector<std::string> files;  // as given, or the sources found in a folder
};

struct ComparisonReport {
    std::string version;
    ComparisonSide oldSide, newSide;
    size_t added = 0, removed = 0, changed = 0, renamed = 0;
    std::string summaryLine;  // ComparisonSummary
    // The rows of diff's output: Change, Name, SectionName, Column, Old, New and, where
    // the imports kept their account, OldLine and NewLine.
    std::vector<std::vector<std::string>> rows;
    int exitStatus = 0;
    std::vector<std::string> notes;
};

void WriteHtmlComparison(std::ostream& out, const ComparisonReport& report);

// Writes a page to file and says on standard error where it went, or why it could not.
bool WriteHtmlFile(const std::string& file, const std::function<void(std::ostream&)>& write);

}  // namespace tessaro::cli
