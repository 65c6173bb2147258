#pragma once
// The summary of an import: how many lines of each fate and reason, per file and in all,
// what each file was read as, and how many reports of each kind the message log holds.
// Made from the driver's account, readings and report counts after GetVariables; the
// hosts render it (the command line's closing lines and its --summary file).

#include <tessaro/ImportAccount.h>
#include <tessaro/ImportOptions.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tessaro {

class VariableDriver;

// The number of LineFate values, Imported to FileError.
inline constexpr size_t kLineFateCount = 7;

struct ImportSummary {
    struct ReasonCount {
        LineFate Fate = LineFate::Imported;
        std::string Reason;  // in the component's code page, as the account's
        size_t Lines = 0;
    };
    struct Counts {
        size_t Lines = 0;                             // entries of the account
        std::array<size_t, kLineFateCount> Fates{};   // by LineFate
        std::vector<ReasonCount> Reasons;             // every fate and reason met, in the order first met
        std::array<size_t, 7> LineReports{};          // entries with a report of kind 1 to 6 (LineReport::Kind)
    };
    struct File : Counts {
        std::string SourceId;
        FileReading Reading;       // Format always set; the rest as the driver's Readings say
        bool HasReading = false;   // the driver's Readings named the file
    };

    Counts All;
    std::vector<File> Files;   // in the order the passes read them
    std::array<size_t, 7> ReportCounts{};  // the driver's ReportCounts: the reports in the message log
};

// The summary of the driver's last import; with no account, only the files of its
// Readings and the report counts.
ImportSummary SummarizeImport(const VariableDriver& driver);

// The summary as one JSON object in UTF-8, its fields as the README lists them.
std::string SummaryJson(const ImportSummary& summary);

}  // namespace tessaro
