#include "Summary.h"

#include "Plural.h"

#include <tessaro/Messenger.h>

#include <tessaro/CodePage.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <iostream>

namespace tessaro::cli {
namespace {

constexpr size_t kFirstLines = 3;

// The kinds of report, by the number of their title's message text: singular, plural.
constexpr std::array<std::array<const char*, 2>, 7> kKindNames = {{
    {"", ""},
    {"file error", "file errors"},
    {"type conversion", "type conversions"},
    {"variable not fit for the device", "variables not fit for the device"},
    {"incomplete data block", "incomplete data blocks"},
    {"variable to check", "variables to check"},
    {"variable with the same name", "variables with the same name"},
}};

// How the closing summary names a fate, by LineFate.
constexpr std::array<const char*, kLineFateCount> kFatePhrases = {
    "imported", "not for the device", "not for the device", "with the same name as an earlier one",
    "replaced by their blocks", "in blocks not imported", "at a file error",
};

std::string Cut(std::string text, size_t width) {
    if (width == 0 || text.size() < width) return text;
    size_t end = width - 1;
    while (end > 0 && (text[end] & 0xC0) == 0x80) --end;  // not within a UTF-8 character
    return text.substr(0, end) + "\xE2\x80\xA6";
}

}  // namespace

void Summary::Note(const std::string& line) {
    std::cerr << "tessaro: " << line << "\n";
    notes_.push_back(line);
}

// The merged file: a header line, then each kind's title ("-" and the title text), its
// lines each followed by an empty line. Before the lines of a group the importers put a
// group line ("Symbol Files", "DB " and a number, or the number alone), except for file
// errors; the lines themselves name their block, so the summary leaves the groups out.
void Summary::ReadReports(const std::string& merged, uintmax_t offset) {
    std::array<std::string, 7> titles;
    for (int32_t n = 1; n <= 6; ++n) titles[static_cast<size_t>(n)] = Messenger::TitleLine(n);
    size_t kind = 0;
    std::ifstream lines(merged, std::ios::binary);
    lines.seekg(static_cast<std::streamoff>(offset));
    for (std::string line; std::getline(lines, line, '\n');) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        auto title = std::find(titles.begin() + 1, titles.end(), line);
        if (title != titles.end()) {
            kind = static_cast<size_t>(title - titles.begin());
            continue;
        }
        const std::string_view number = std::string_view(line).substr(line.starts_with("DB ") ? 3 : 0);
        const bool groupLine = line == "Symbol Files" ||
                               (!number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos);
        if (kind == 0 || (groupLine && kind != 1)) continue;
        Kind& k = kinds_[kind];
        if (k.count++ < kFirstLines) {
            std::replace_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
            k.first.push_back(ToUtf8(line));
        }
    }
}

// "291 symbols: 268 imported, 23 not for the device: operand area I not known"; with more
// than one reason, the reasons below, the most frequent first.
void Summary::Fates(const ImportSummary& import) {
    for (const auto& [format, noun] : {std::pair{"ASC", "symbol"}, std::pair{"AWL", "value"}}) {
        ImportSummary::Counts counts;
        for (const ImportSummary::File& file : import.Files) {
            if (file.Reading.Format != format) continue;
            counts.Lines += file.Lines;
            for (size_t fate = 0; fate < kLineFateCount; ++fate) counts.Fates[fate] += file.Fates[fate];
            for (const auto& reason : file.Reasons) {
                auto same = std::find_if(counts.Reasons.begin(), counts.Reasons.end(), [&](const auto& r) {
                    return r.Fate == reason.Fate && r.Reason == reason.Reason;
                });
                if (same == counts.Reasons.end()) same = counts.Reasons.insert(same, {reason.Fate, reason.Reason, 0});
                same->Lines += reason.Lines;
            }
        }
        if (counts.Lines == 0) continue;
        std::string line = Counted(counts.Lines, noun) + ":";
        std::array<size_t, kLineFateCount> byPhrase{};  // the two "not for the device" fates counted as one
        for (size_t fate = 0; fate < kLineFateCount; ++fate)
            byPhrase[fate == static_cast<size_t>(LineFate::AreaNotInDevice) ? fate - 1 : fate] += counts.Fates[fate];
        bool first = true;
        for (size_t fate = 0; fate < kLineFateCount; ++fate) {
            if (!byPhrase[fate]) continue;
            line += (first ? " " : ", ") + std::to_string(byPhrase[fate]) + " " + kFatePhrases[fate];
            first = false;
        }
        std::vector<ImportSummary::ReasonCount> lost;
        for (const auto& reason : counts.Reasons)
            if (reason.Fate != LineFate::Imported) lost.push_back(reason);
        std::stable_sort(lost.begin(), lost.end(), [](const auto& a, const auto& b) { return a.Lines > b.Lines; });
        const bool oneFate = std::count_if(byPhrase.begin() + 1, byPhrase.end(), [](size_t n) { return n != 0; }) == 1;
        if (lost.size() == 1 && oneFate && !lost.front().Reason.empty()) {
            fates_.push_back(line + ": " + ToUtf8(lost.front().Reason));
            continue;
        }
        fates_.push_back(line);
        for (size_t i = 0; i < std::min(lost.size(), kFirstLines); ++i)
            fates_.push_back("    " + std::to_string(lost[i].Lines) + ": " +
                             (lost[i].Reason.empty() ? kFatePhrases[static_cast<size_t>(lost[i].Fate)] : ToUtf8(lost[i].Reason)));
        if (lost.size() > kFirstLines)
            fates_.push_back("    and " + Counted(lost.size() - kFirstLines, "more reason") + " (--summary FILE lists them)");
    }
}

void Summary::Print(size_t variables, size_t lines, double seconds, const std::string& whereMessages) const {
    if (width_ == 0) return;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", seconds);
    std::string text = "tessaro: " + Counted(variables, "variable") + " imported, " + Counted(lines, "line") +
                       " read in " + duration + "\n";
    for (const std::string& line : fates_) text += Cut((line.starts_with(" ") ? "" : "tessaro: ") + line, width_) + "\n";
    const size_t kinds = static_cast<size_t>(std::count_if(kinds_.begin(), kinds_.end(), [](const Kind& k) { return k.count; }));
    const size_t shown = kinds <= 2 ? kFirstLines : kinds <= 4 ? 2 : 1;
    // In the order the merged file has them.
    for (size_t n : {size_t{2}, size_t{6}, size_t{1}, size_t{3}, size_t{4}, size_t{5}}) {
        const Kind& k = kinds_[n];
        if (!k.count) continue;
        text += Cut("tessaro: " + Counted(k.count, kKindNames[n][0], kKindNames[n][1]) +
                        (k.count > shown ? ", the first " + std::to_string(shown) + ":" : ":"),
                    width_) + "\n";
        for (size_t i = 0; i < std::min(shown, k.first.size()); ++i) text += Cut("    " + k.first[i], width_) + "\n";
    }
    text += Cut("tessaro: messages: " + whereMessages, width_) + "\n";
    constexpr size_t kNotesRepeated = 5;
    for (size_t i = 0; i < std::min(notes_.size(), kNotesRepeated); ++i) text += Cut("tessaro: " + notes_[i], width_) + "\n";
    if (notes_.size() > kNotesRepeated)
        text += "tessaro: and " + Counted(notes_.size() - kNotesRepeated, "more note") + " above\n";
    std::cerr << text;
}

}  // namespace tessaro::cli
