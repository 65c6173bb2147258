#include <tessaro/ImportSummary.h>

#include "driver/SourceKind.h"

#include <tessaro/CodePage.h>
#include <tessaro/VariableDriver.h>

#include <algorithm>
#include <charconv>

namespace tessaro {
namespace {

void Count(ImportSummary::Counts& counts, const ImportAccount& account, const AccountEntry& entry) {
    ++counts.Lines;
    ++counts.Fates[static_cast<size_t>(entry.Fate)];
    for (const LineReport& report : account.ReportsOf(entry))
        if (report.Kind >= 1 && report.Kind <= 6) ++counts.LineReports[static_cast<size_t>(report.Kind)];
    // Reasons are few: a short search beats a map.
    auto same = std::find_if(counts.Reasons.begin(), counts.Reasons.end(), [&](const ImportSummary::ReasonCount& r) {
        return r.Fate == entry.Fate && r.Reason == entry.Reason;
    });
    if (same == counts.Reasons.end()) same = counts.Reasons.insert(same, {entry.Fate, std::string(entry.Reason), 0});
    ++same->Lines;
}

std::string FormatOf(const std::string& sourceId) {
    if (IsSourceOfKind(sourceId, kDataBlockSourceExtension)) return "AWL";
    return std::string(SymbolTableFormatOf(sourceId, true));
}

// JSON text of UTF-8.
void PutString(std::string& out, std::string_view utf8) {
    out += '"';
    for (char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                constexpr char kHex[] = "0123456789abcdef";
                out.append("\\u00").append(1, kHex[(c >> 4) & 0xF]).append(1, kHex[c & 0xF]);
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void PutNumber(std::string& out, size_t number) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void PutFlag(std::string& out, std::string_view name, bool flag, bool last = false) {
    PutString(out, name);
    out.append(flag ? ":true" : ":false").append(last ? "" : ",");
}

constexpr std::string_view kReportNames[7] = {
    "", "type-conversion", "same-name", "file-error", "not-for-the-device", "incomplete-block", "to-check",
};

void PutReports(std::string& out, const std::array<size_t, 7>& counts) {
    out += '{';
    for (size_t kind = 1; kind <= 6; ++kind) {
        PutString(out, kReportNames[kind]);
        out += ':';
        PutNumber(out, counts[kind]);
        if (kind < 6) out += ',';
    }
    out += '}';
}

void PutCounts(std::string& out, const ImportSummary::Counts& counts) {
    out.append("\"lines\":");
    PutNumber(out, counts.Lines);
    out.append(",\"fates\":{");
    for (size_t fate = 0; fate < kLineFateCount; ++fate) {
        if (fate) out += ',';
        PutString(out, FateName(static_cast<LineFate>(fate)));
        out += ':';
        PutNumber(out, counts.Fates[fate]);
    }
    out.append("},\"reasons\":[");
    for (size_t i = 0; i < counts.Reasons.size(); ++i) {
        const ImportSummary::ReasonCount& reason = counts.Reasons[i];
        out.append(i ? ",{\"fate\":" : "{\"fate\":");
        PutString(out, FateName(reason.Fate));
        out.append(",\"reason\":");
        PutString(out, ToUtf8(reason.Reason));
        out.append(",\"lines\":");
        PutNumber(out, reason.Lines);
        out += '}';
    }
    out.append("],\"line-reports\":");
    PutReports(out, counts.LineReports);
}

}  // namespace

ImportSummary SummarizeImport(const VariableDriver& driver) {
    ImportSummary summary;
    summary.ReportCounts = driver.ReportCounts;
    auto fileNamed = [&](std::string_view sourceId) -> ImportSummary::File& {
        // The files of an import are few, and an account's lines come file by file.
        if (!summary.Files.empty() && summary.Files.back().SourceId == sourceId) return summary.Files.back();
        for (auto& file : summary.Files)
            if (file.SourceId == sourceId) return file;
        ImportSummary::File& file = summary.Files.emplace_back();
        file.SourceId = sourceId;
        file.Reading.SourceId = file.SourceId;
        file.Reading.Format = FormatOf(file.SourceId);
        return file;
    };
    for (const FileReading& reading : driver.Readings) {
        ImportSummary::File& file = fileNamed(reading.SourceId);
        file.Reading = reading;
        if (file.Reading.Format.empty()) file.Reading.Format = FormatOf(reading.SourceId);
        file.HasReading = true;
    }
    if (driver.Account) {
        for (const AccountEntry& entry : driver.Account->Entries) {
            Count(summary.All, *driver.Account, entry);
            Count(fileNamed(entry.File), *driver.Account, entry);
        }
    }
    return summary;
}

std::string SummaryJson(const ImportSummary& summary) {
    std::string out = "{";
    PutCounts(out, summary.All);
    out.append(",\"reports\":");
    PutReports(out, summary.ReportCounts);
    out.append(",\"files\":[");
    for (size_t i = 0; i < summary.Files.size(); ++i) {
        const ImportSummary::File& file = summary.Files[i];
        const FileReading& reading = file.Reading;
        out.append(i ? ",{\"file\":" : "{\"file\":");
        PutString(out, ToUtf8(file.SourceId));
        out.append(",\"format\":");
        PutString(out, reading.Format);
        out.append(",\"reading\":");
        if (!file.HasReading) {
            out.append("null,");
        } else {
            out.append("{\"lines-read\":");
            PutNumber(out, reading.Lines);
            out += ',';
            PutFlag(out, "lone-line-feeds", reading.LoneLineFeeds);
            PutFlag(out, "tabs-as-blanks", reading.TabsAsBlanks);
            PutFlag(out, "english-mnemonics", reading.EnglishMnemonics);
            PutFlag(out, "mixed-mnemonics", reading.MixedMnemonics);
            PutFlag(out, "whole-block-names", reading.WholeBlockNames);
            out.append("\"commented-value-lines\":");
            PutNumber(out, reading.CommentedValueLines);
            out += ',';
            PutFlag(out, "differs", reading.Differs(), true);
            out.append("},");
        }
        PutCounts(out, file);
        out += '}';
    }
    out.append("]}\n");
    return out;
}

}  // namespace tessaro
