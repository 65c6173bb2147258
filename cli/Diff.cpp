// tessaro diff: both sides read (a saved import) or imported (sources), compared by the
// library, the changes written as a table, CSV or JSON lines, the counts on standard
// error and, where asked, as JSON to a file and as an HTML page.

#include "Commands.h"
#include "HtmlReport.h"
#include "Output.h"
#include "Plural.h"

#include <tessaro/CodePage.h>
#include <tessaro/ImportComparison.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaro::cli {
namespace {

constexpr int kTrouble = 2;

// A side that cannot be read; the message names it.
struct SideTrouble : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool IsSource(const std::string& file) {
    const std::string name = UpperCase(fs::path(file).filename().string());
    return name.ends_with(".ASC") || name.ends_with(".AWL");
}

// The sources of a folder, by name.
std::vector<std::string> SourcesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file() && IsSource(entry.path().string())) files.push_back(entry.path().string());
    if (ec) throw SideTrouble("cannot read the folder " + folder + ": " + ec.message());
    if (files.empty()) throw SideTrouble("the folder " + folder + " holds no *.ASC or *.AWL file");
    std::sort(files.begin(), files.end());
    return files;
}

// One side's records: a saved import read, or sources imported with the options (the
// sources of a folder, one source, a list).
ImportRecords ReadSide(const std::vector<std::string>& side, const DiffOptions& options, Summary& summary) {
    std::vector<std::string> sources = side;
    if (side.size() == 1) {
        const std::string& only = side.front();
        if (fs::is_directory(only))
            sources = SourcesIn(only);
        else if (!IsSource(only))
            try {
                return ReadSavedImport(only);
            } catch (const SavedImportError& error) {
                throw SideTrouble(error.what());
            }
    }
    ImportOptions import = options.import;
    import.files = sources;
    SourceImport run(import, summary, options.comments);
    if (run.failed) throw SideTrouble("not every source could be imported (see above)");
    if (!run.imported) throw SideTrouble(run.failure);
    if (const size_t errors = run.driver.ReportCounts[3])
        summary.Note("warning: " + Counted(errors, "file error") + " in the import of " + side.front() +
                     (side.size() > 1 ? " and the others" : "") + "; its variables read before each are compared");
    return RecordsOf(*run.driver.Variables, run.driver.Account.get());
}

// Where a record's line is, "Plant.ASC:12", or empty without an account.
std::string LineOf(const ImportRecords& records, size_t index) {
    if (index == RecordChange::npos || !records.HasAccount() || records.Accounts[index].Line == 0) return "";
    const RecordAccount& account = records.Accounts[index];
    return ToUtf8(fs::path(account.File).filename().string()) + ":" + std::to_string(account.Line);
}

// The rows of the output: one per added or removed variable, one per differing column
// of a changed or renamed one.
constexpr std::array<std::string_view, 8> kDiffColumns = {"Change", "Name",   "SectionName", "Column",
                                                          "Old",    "New",    "OldLine",     "NewLine"};

std::vector<std::vector<std::string>> Rows(const ImportComparison& comparison, const ImportRecords& older,
                                           const ImportRecords& newer, bool lines) {
    std::vector<std::vector<std::string>> rows;
    for (const RecordChange& change : comparison.Changes) {
        const bool fromNew = change.New != RecordChange::npos;
        const Variable& v = fromNew ? *newer.Variables[change.New] : *older.Variables[change.Old];
        std::vector<std::string> row = {std::string(ChangeName(change.Kind)), ToUtf8(v.Name), ToUtf8(v.SectionName), "", "", ""};
        if (lines) {
            row.push_back(LineOf(older, change.Old));
            row.push_back(LineOf(newer, change.New));
        }
        if (change.Columns.empty()) rows.push_back(row);
        for (const ColumnChange& column : change.Columns) {
            row[3] = column.Column;
            row[4] = ToUtf8(column.Old);
            row[5] = ToUtf8(column.New);
            rows.push_back(row);
        }
    }
    return rows;
}

void WriteRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows, size_t columns, Format format,
               size_t width, Summary& summary) {
    std::vector<std::string> headers(kDiffColumns.begin(), kDiffColumns.begin() + static_cast<std::ptrdiff_t>(columns));
    if (format == Format::Table) {
        std::vector<std::vector<std::string>> table = {headers};
        table.insert(table.end(), rows.begin(), rows.end());
        const std::vector<std::string> shortHeaders = {"Change", "Name", "Section", "Column", "Old", "New", "Was", "Is"};
        const std::vector<bool> texts = {false, true, true, false, true, true, true, true};
        if (WriteAlignedTable(out, std::move(table), {shortHeaders.begin(), shortHeaders.begin() + static_cast<std::ptrdiff_t>(columns)},
                              texts, width))
            summary.Note("table narrowed to " + std::to_string(width) + " columns (see --format csv)");
        return;
    }
    std::string text;
    if (format == Format::Csv) {
        for (size_t k = 0; k < columns; ++k) text.append(k ? "," : "").append(headers[k]);
        text += "\r\n";
    }
    for (const auto& row : rows) {
        if (format == Format::Csv) {
            for (size_t k = 0; k < columns; ++k) {
                if (k) text += ',';
                AppendCsvField(text, row[k]);
            }
            text += "\r\n";
        } else {
            nlohmann::ordered_json object;
            for (size_t k = 0; k < columns; ++k) object[headers[k]] = row[k];
            text += object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        }
        if (text.size() > 65536) {
            out << text;
            text.clear();
        }
    }
    out << text;
}

// What each side is, for the summary: its one argument, or its first file and a count.
std::string SideName(const std::vector<std::string>& side) {
    return side.size() == 1 ? side.front() : side.front() + " and " + Counted(side.size() - 1, "more file");
}

// What a side is, for the page: its kind and its files.
ComparisonSide DescribeSide(const std::vector<std::string>& side) {
    ComparisonSide d{SideName(side), "", side};
    if (side.size() > 1) {
        d.what = "a list of " + Counted(side.size(), "source");
    } else if (fs::is_directory(side.front())) {
        d.files = SourcesIn(side.front());
        d.what = "a folder of " + Counted(d.files.size(), "source");
    } else {
        d.what = IsSource(side.front()) ? "one source" : "a saved import";
    }
    return d;
}

// Returns the status, 2 where the page cannot be written.
int WriteReportPage(const std::string& file, const DiffOptions& options, const ImportComparison& comparison,
                    std::vector<std::vector<std::string>> rows, const Summary& summary, int status) {
    ComparisonReport report;
    report.version = VersionText();
    report.oldSide = DescribeSide(options.oldSide);
    report.newSide = DescribeSide(options.newSide);
    report.added = comparison.Added, report.removed = comparison.Removed;
    report.changed = comparison.Changed, report.renamed = comparison.Renamed;
    report.summaryLine = ComparisonSummary(comparison);
    report.rows = std::move(rows);
    report.exitStatus = status;
    report.notes = summary.Notes();
    return WriteHtmlFile(file, [&](std::ostream& out) { WriteHtmlComparison(out, report); }) ? status : kTrouble;
}

bool WriteSummaryFile(const std::string& file, const DiffOptions& options, const ImportComparison& comparison) {
    size_t oldDuplicates = 0, newDuplicates = 0;
    for (const RepeatedKey& d : comparison.RepeatedKeys) ++(d.NewSide ? newDuplicates : oldDuplicates);
    nlohmann::ordered_json summary = {
        {"old", options.oldSide},         {"new", options.newSide},
        {"added", comparison.Added},      {"removed", comparison.Removed},
        {"changed", comparison.Changed},  {"renamed", comparison.Renamed},
        {"duplicates", {{"old", oldDuplicates}, {"new", newDuplicates}}},
        {"differs", comparison.Differs()},
    };
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << summary.dump(2) << "\n";
    if (out.flush()) return true;
    std::cerr << "tessaro: cannot write the summary to " << file << ": " << (errno ? std::strerror(errno) : "write error") << "\n";
    return false;
}

}  // namespace

int RunDiff(const DiffOptions& options) {
    const size_t errWidth = TerminalWidth(STDERR_FILENO);
    const size_t outWidth = TerminalWidth(STDOUT_FILENO);
    const Format format = options.import.format.value_or(outWidth ? Format::Table : Format::Jsonl);
    Summary summary(errWidth);
    ImportRecords older, newer;
    for (auto [side, records, name] : {std::tuple{&options.oldSide, &older, "OLD"}, {&options.newSide, &newer, "NEW"}}) {
        try {
            *records = ReadSide(*side, options, summary);
        } catch (const SideTrouble& error) {
            std::cerr << "tessaro: " << name << " (" << SideName(*side) << "): " << error.what() << "\n";
            return kTrouble;
        } catch (const std::exception& error) {
            std::cerr << "tessaro: " << name << " (" << SideName(*side) << ") cannot be read: " << error.what() << "\n";
            return kTrouble;
        }
    }
    const ImportComparison comparison = CompareImports(older, newer, {options.renames, options.comments});

    constexpr size_t kDuplicatesSaid = 5;
    for (size_t i = 0; i < std::min(comparison.RepeatedKeys.size(), kDuplicatesSaid); ++i) {
        const RepeatedKey& d = comparison.RepeatedKeys[i];
        const ImportRecords& records = d.NewSide ? newer : older;
        summary.Note(std::string(d.NewSide ? "NEW" : "OLD") + ": record " + std::to_string(d.Again + 1) + " (" +
                     ToUtf8(records.Variables[d.Again]->Name) + ") has the key of record " + std::to_string(d.First + 1) +
                     "; only the first is compared");
    }
    if (comparison.RepeatedKeys.size() > kDuplicatesSaid)
        summary.Note("and " + Counted(comparison.RepeatedKeys.size() - kDuplicatesSaid, "more record") +
                     " whose key came before");

    const bool lines = older.HasAccount() || newer.HasAccount();
    std::vector<std::vector<std::string>> rows = Rows(comparison, older, newer, lines);
    WriteRows(std::cout, rows, lines ? kDiffColumns.size() : 6, format, format == Format::Table ? outWidth : 0, summary);
    int status = comparison.Differs() ? 1 : 0;
    if (FinishStandardOutput() != 0) status = kTrouble;
    std::cerr << "tessaro: " << ComparisonSummary(comparison) << "\n";
    if (options.summary && !WriteSummaryFile(*options.summary, options, comparison)) status = kTrouble;
    if (options.report) status = WriteReportPage(*options.report, options, comparison, std::move(rows), summary, status);
    return status;
}

}  // namespace tessaro::cli
