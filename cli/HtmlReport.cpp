#include "HtmlReport.h"

#include "Plural.h"
#include "Summary.h"

#include <tessaro/CodePage.h>
#include <tessaro/Messenger.h>

#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string_view>

namespace tessaro::cli {
namespace {

constexpr LineFate kFates[] = {
    LineFate::Imported,        LineFate::AreaNotKnown,     LineFate::AreaNotInDevice, LineFate::SameName,
    LineFate::ReplacedByBlock, LineFate::BlockNotImported, LineFate::FileError,
};
static_assert(std::size(kFates) == kLineFateCount);
// The reasons listed per fate; the others are counted together.
constexpr size_t kReasonsPerFate = 10;

// UTF-8 text made safe for an element's content or a quoted attribute. A colon is written
// as a reference, so that no text of an import (a comment holding an address on the web)
// makes the page look as if it referred outside itself.
std::string Html(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case ':': out += "&#58;"; break;
            default:
                // Control characters (a lone CR or LF in a field) become blanks.
                out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    return out;
}
// A text of the component's code page, for the page.
std::string Page(std::string_view text) { return Html(ToUtf8(text)); }

std::string Number(uintmax_t n) {
    std::string digits = std::to_string(n);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

struct Bar {
    std::string label;  // UTF-8
    size_t count = 0;
    bool imported = false;  // drawn solid; the others hatched
};

// A horizontal bar chart: each bar under its label, its number after it. The picture
// carries its own title and description; the caption says the numbers in words too.
// file: the source a chart is of, kept in its figure's data-file (UTF-8); empty for none.
void Chart(std::ostream& out, const std::string& id, const std::string& caption, const std::vector<Bar>& bars,
           const std::string& file = "") {
    constexpr int kWidth = 400, kBarSpan = 320, kRow = 40;
    size_t most = 1;
    for (const Bar& b : bars) most = std::max(most, b.count);
    std::string words;
    for (const Bar& b : bars) words += (words.empty() ? "" : "; ") + b.label + " " + Number(b.count);
    const int height = static_cast<int>(bars.size()) * kRow + 4;
    out << "<figure" << (file.empty() ? "" : " data-file=\"" + Html(file) + "\"") << ">\n<svg viewBox=\"0 0 " << kWidth << ' ' << height << "\" role=\"img\" aria-labelledby=\"" << id
        << "-t " << id << "-d\" style=\"max-width:" << kWidth * 3 / 2 << "px\">\n<title id=\"" << id << "-t\">"
        << Html(caption) << "</title><desc id=\"" << id << "-d\">" << Html(words) << "</desc>\n";
    int y = 0;
    for (const Bar& b : bars) {
        const double share = static_cast<double>(b.count) / static_cast<double>(most);
        const int width = b.count ? std::max(2, static_cast<int>(share * kBarSpan)) : 0;
        out << "<text x=\"0\" y=\"" << y + 14 << "\">" << Html(b.label) << "</text><rect x=\"0\" y=\"" << y + 18
            << "\" width=\"" << width << "\" height=\"16\" class=\"" << (b.imported ? "solid" : "hatched")
            << "\"/><text x=\"" << width + 6 << "\" y=\"" << y + 31 << "\" class=\"n\">" << Number(b.count)
            << "</text>\n";
        y += kRow;
    }
    out << "</svg>\n<figcaption>" << Html(caption) << ": " << Html(words) << ".</figcaption>\n</figure>\n";
}

const char* const kStyle = R"(<style>
:root{--ink:#1a1a1a;--soft:#555;--line:#c8c8c8;--back:#fff;--mark:#1f4e79;--bad:#8a1c1c}
*{box-sizing:border-box}
body{margin:0;font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;color:var(--ink);background:var(--back)}
header,main{max-width:72rem;margin:0 auto;padding:0 1rem}
header{padding-top:1rem;border-bottom:2px solid var(--mark)}
h1{font-size:1.6rem;margin:.2rem 0}
h2{font-size:1.25rem;margin:1.6rem 0 .5rem;border-bottom:1px solid var(--line)}
h3{font-size:1.05rem;margin:1rem 0 .4rem}
.status{font-weight:600}
.failed{color:var(--bad)}
dl.facts{display:grid;grid-template-columns:max-content 1fr;gap:.15rem 1rem;margin:.5rem 0}
dl.facts dt{color:var(--soft)}
dl.facts dd{margin:0;overflow-wrap:anywhere}
.scroll{overflow-x:auto;max-width:100%}
table{border-collapse:collapse;margin:.4rem 0 1rem;font-size:.93rem}
caption{text-align:left;font-weight:600;padding:.2rem 0}
th,td{border:1px solid var(--line);padding:.2rem .45rem;text-align:left;vertical-align:top;overflow-wrap:break-word}
thead th{background:#eef2f6}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
thead th{white-space:nowrap}
.charts{display:grid;grid-template-columns:repeat(auto-fit,minmax(min(100%,22rem),1fr));gap:1rem;align-items:start}
figure{margin:0;padding:.5rem;border:1px solid var(--line);break-inside:avoid}
figcaption{font-size:.85rem;color:var(--soft);margin-top:.3rem}
svg{width:100%;height:auto;display:block}
svg text{font:13px system-ui,"DejaVu Sans",sans-serif;fill:var(--ink)}
svg .n{font-weight:600}
svg .solid{fill:var(--mark)}
svg .hatched{fill:url(#hatch);stroke:var(--ink);stroke-width:1}
form.filters{display:flex;flex-wrap:wrap;gap:.5rem 1rem;align-items:end;margin:.5rem 0}
form.filters label{display:flex;flex-direction:column;font-size:.85rem;color:var(--soft)}
select,input{font:inherit;padding:.2rem .3rem;min-width:10rem;max-width:100%}
th button{font:inherit;font-weight:600;border:0;background:none;padding:0;cursor:pointer;color:inherit;text-align:left}
th button:focus-visible,select:focus-visible,input:focus-visible{outline:3px solid var(--mark);outline-offset:2px}
th[aria-sort=ascending] button::after{content:" \25B2"}
th[aria-sort=descending] button::after{content:" \25BC"}
#lines td.c{min-width:8rem}
.fate{white-space:nowrap}
@media (max-width:40rem){body{font-size:14px}dl.facts{grid-template-columns:1fr}dl.facts dd{margin-bottom:.3rem}
#lines,#lines tbody{display:block}#lines thead tr{display:flex;flex-wrap:wrap;gap:.2rem .6rem}#lines thead th{border:0;background:none;padding:0}
#lines tr{display:flex;flex-wrap:wrap;gap:0 .8rem;border-top:1px solid var(--line);padding:.3rem 0}
#lines td{border:0;padding:0;text-align:left;min-width:0}#lines td:empty{display:none}#lines td.c,#lines td:nth-child(7){flex-basis:100%}
#lines td::before{color:var(--soft);font-size:.8rem}#lines td:nth-child(1)::before{content:"File "}#lines td:nth-child(2)::before{content:"Line "}
#lines td:nth-child(3){font-weight:600}#lines td:nth-child(4)::before{content:"Address "}#lines td:nth-child(5)::before{content:"Type "}
#lines td:nth-child(7)::before{content:"Reason "}#lines td:nth-child(8)::before{content:"Comment "}}
@media print{form.filters{display:none}.scroll{overflow:visible}header{border-bottom-color:#000}thead{display:table-header-group}tr{break-inside:avoid}a{color:inherit}}
</style>
)";

// Sorts by a column's button, filters by fate (a comparison's change), file (the column
// data-file-column names, 0 by default) and text; the filter is kept in the
// address's fragment (#fate=same-name&file=...&text=...) so that a filtered view can be
// passed on.
const char* const kScript = R"(<script>
(function(){
"use strict";
var table=document.getElementById("lines")||document.getElementById("changes");if(!table)return;
var fc=+(table.getAttribute("data-file-column")||0),unit=table.getAttribute("data-unit")||"line";
var body=table.tBodies[0],rows=Array.prototype.slice.call(body.rows);
var form=document.getElementById("filters"),fate=document.getElementById("f-fate"),
file=document.getElementById("f-file"),text=document.getElementById("f-text"),shown=document.getElementById("shown");
form.hidden=false;
rows.forEach(function(r){r._t=r.textContent.toLowerCase();});
function apply(){
var f=fate.value,fi=file.value,t=text.value.trim().toLowerCase(),n=0;
rows.forEach(function(r){var show=(!f||r.dataset.fate===f)&&(!fi||(r.cells[fc].title||r.cells[fc].textContent)===fi)&&(!t||r._t.indexOf(t)>=0);
r.hidden=!show;if(show)n++;});
shown.value=n+" "+unit+(n===1?"":"s")+" shown of "+rows.length+" in the table";
var h=[];if(f)h.push("fate="+encodeURIComponent(f));if(fi)h.push("file="+encodeURIComponent(fi));if(t)h.push("text="+encodeURIComponent(t));
history.replaceState(null,"",h.length?"#"+h.join("&"):location.pathname+location.search);}
function fromHash(){
location.hash.slice(1).split("&").forEach(function(p){var kv=p.split("="),v=decodeURIComponent(kv[1]||"");
if(kv[0]==="fate")fate.value=v;else if(kv[0]==="file")file.value=v;else if(kv[0]==="text")text.value=v;});}
var heads=table.tHead.rows[0].cells;
Array.prototype.forEach.call(heads,function(th,i){
var b=th.querySelector("button");if(!b)return;
b.addEventListener("click",function(){
var up=th.getAttribute("aria-sort")!=="ascending";
Array.prototype.forEach.call(heads,function(o){o.removeAttribute("aria-sort");});
th.setAttribute("aria-sort",up?"ascending":"descending");
var num=th.classList.contains("n");
rows.sort(function(a,c){var x=a.cells[i].textContent,y=c.cells[i].textContent,
d=num?(parseInt(x.replace(/,/g,""),10)||0)-(parseInt(y.replace(/,/g,""),10)||0):x.localeCompare(y,undefined,{numeric:true});
return up?d:-d;});
var frag=document.createDocumentFragment();rows.forEach(function(r){frag.appendChild(r);});body.appendChild(frag);});});
[fate,file].forEach(function(s){s.addEventListener("change",apply);});
text.addEventListener("input",apply);
form.addEventListener("submit",function(e){e.preventDefault();});
window.addEventListener("hashchange",function(){fromHash();apply();});
fromHash();apply();
})();
</script>
)";

size_t FateIndex(LineFate fate) { return static_cast<size_t>(fate); }

void WriteFacts(std::ostream& out, const ImportReport& r) {
    out << "<section aria-labelledby=\"s-import\">\n<h2 id=\"s-import\">The import</h2>\n<dl class=\"facts\">\n";
    auto fact = [&](const char* name, const std::string& value) {
        out << "<dt>" << name << "</dt><dd>" << value << "</dd>\n";
    };
    fact("Device", "code " + std::to_string(r.deviceCode) + ", id " + std::to_string(r.deviceId) +
                       (r.deviceName.empty() ? ", no name" : ", name " + Html(r.deviceName)));
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.2f s", r.seconds);
    fact("Started", Html(r.started));
    fact("Took", duration);
    fact("Language of the messages", Html(r.language));
    fact("Code page", Html(r.codePage));
    fact("Tessaro", Html(r.version));
    fact("Exit status", std::to_string(r.exitStatus) + (r.exitStatus == 0 ? " (the import ran to its end)" : ""));
    if (!r.failure.empty()) fact("Failure", "<strong class=\"failed\">" + Html(r.failure) + "</strong>");
    out << "</dl>\n<div class=\"scroll\"><table>\n<caption>Files</caption>\n<thead><tr><th scope=\"col\">File</th>"
           "<th scope=\"col\" class=\"n\">Bytes</th><th scope=\"col\" class=\"n\">Lines</th><th scope=\"col\">Format</th>"
           "<th scope=\"col\">Reading</th><th scope=\"col\">Code page</th></tr></thead>\n<tbody>\n";
    for (const ReportFile& f : r.files)
        out << "<tr><th scope=\"row\">" << Html(f.name) << "</th><td class=\"n\">" << Number(f.bytes)
            << "</td><td class=\"n\">" << (f.notRead.empty() ? Number(f.lines) : "") << "</td><td>" << Html(f.format)
            << "</td><td>" << Html(f.notRead.empty() ? f.reading : "not read: " + f.notRead) << "</td><td>"
            << (f.notRead.empty() ? Html(r.codePage) : "") << "</td></tr>\n";
    out << "</tbody></table></div>\n";
    if (!r.notes.empty()) {
        out << "<h3>What the command line said</h3>\n<ul>\n";
        for (const auto& note : r.notes) out << "<li>" << Html(note) << "</li>\n";
        out << "</ul>\n";
    }
    out << "</section>\n";
}

void WriteCounts(std::ostream& out, const ImportReport& r) {
    const ImportSummary::Counts& counts = r.summary.All;
    out << "<section aria-labelledby=\"s-counts\">\n<h2 id=\"s-counts\">Counts</h2>\n"
           "<div class=\"scroll\"><table id=\"counts\">\n<caption>Variables and lines</caption>\n<tbody>\n"
           "<tr><th scope=\"row\">Variables imported</th><td class=\"n\" data-count=\"variables\">"
        << Number(r.variables) << "</td></tr>\n";
    if (r.account) {
        out << "<tr><th scope=\"row\">Lines with a symbol or a value</th><td class=\"n\" data-count=\"lines\">"
            << Number(counts.Lines) << "</td></tr>\n";
        for (LineFate fate : kFates)
            out << "<tr><th scope=\"row\" class=\"fate\">" << FateName(fate) << "</th><td class=\"n\" data-fate=\""
                << FateName(fate) << "\">" << Number(counts.Fates[FateIndex(fate)]) << "</td></tr>\n";
    }
    out << "</tbody></table></div>\n";
    if (!r.account)
        out << "<p>The account of the lines was not kept, so the page shows no lines.</p>\n";

    out << "<div class=\"scroll\"><table id=\"reports\">\n<caption>Reports in the message log</caption>\n"
           "<thead><tr><th scope=\"col\">Title in the message log</th><th scope=\"col\">Kind</th>"
           "<th scope=\"col\" class=\"n\">Reports</th></tr></thead>\n<tbody>\n";
    for (int32_t file = 1; file <= 6; ++file) {
        const size_t i = static_cast<size_t>(file);
        std::string title = r.reportTitles[i];
        if (!title.empty() && title[0] == '-') title.erase(0, 1);
        out << "<tr><th scope=\"row\" lang=\"" << Html(r.languageTag) << "\">" << Page(title) << "</th><td>"
            << ReportKindName(Messenger::TitleMessageOfFile(file), true) << "</td><td class=\"n\" data-report=\"" << file
            << "\">" << Number(r.summary.ReportCounts[i]) << "</td></tr>\n";
    }
    out << "</tbody></table></div>\n";

    if (!r.account) return out << "</section>\n", void();
    // The reasons by fate, the most frequent first.
    out << "<div class=\"scroll\"><table id=\"reasons\">\n<caption>Lines not imported as written, by reason</caption>\n"
           "<thead><tr><th scope=\"col\">Fate</th><th scope=\"col\">Reason</th><th scope=\"col\" class=\"n\">Lines</th>"
           "</tr></thead>\n<tbody>\n";
    bool any = false;
    for (LineFate fate : kFates) {
        std::vector<ImportSummary::ReasonCount> sorted;
        for (const auto& reason : counts.Reasons)
            if (reason.Fate == fate && !reason.Reason.empty()) sorted.push_back(reason);
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.Lines > b.Lines; });
        size_t rest = 0, restReasons = 0;
        for (size_t k = 0; k < sorted.size(); ++k) {
            any = true;
            if (k >= kReasonsPerFate) {
                rest += sorted[k].Lines, ++restReasons;
                continue;
            }
            out << "<tr><td class=\"fate\">" << FateName(fate) << "</td><td>" << Page(sorted[k].Reason)
                << "</td><td class=\"n\">" << Number(sorted[k].Lines) << "</td></tr>\n";
        }
        if (rest)
            out << "<tr><td class=\"fate\">" << FateName(fate) << "</td><td><em>" << Counted(restReasons, "other reason")
                << "</em></td><td class=\"n\">" << Number(rest) << "</td></tr>\n";
    }
    if (!any) out << "<tr><td colspan=\"3\">No line has a reason.</td></tr>\n";
    out << "</tbody></table></div>\n</section>\n";
}

void WriteCharts(std::ostream& out, const ImportReport& r) {
    if (!r.account) return;
    out << "<section aria-labelledby=\"s-charts\">\n<h2 id=\"s-charts\">Charts</h2>\n"
           "<p>Solid bars: imported lines; hatched bars: lines not imported, by fate. Each bar carries its number.</p>\n"
           // The hatching every chart refers to.
           "<svg width=\"0\" height=\"0\" aria-hidden=\"true\" focusable=\"false\" style=\"position:absolute\"><defs>"
           "<pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\">"
           "<rect width=\"6\" height=\"6\" fill=\"#fff\"/><rect width=\"2.5\" height=\"6\" fill=\"#8a1c1c\"/></pattern>"
           "</defs></svg>\n<div class=\"charts\">\n";
    // Per file, in the order the import read them.
    for (size_t i = 0; i < r.summary.Files.size(); ++i) {
        const ImportSummary::File& file = r.summary.Files[i];
        if (!file.Lines) continue;
        std::vector<Bar> bars;
        for (LineFate fate : kFates)
            if (size_t n = file.Fates[FateIndex(fate)]; n || fate == LineFate::Imported)
                bars.push_back({std::string(FateName(fate)), n, fate == LineFate::Imported});
        Chart(out, "file" + std::to_string(i), "Lines of " + ToUtf8(file.SourceId) + " by fate", bars,
              ToUtf8(file.SourceId));
    }
    std::map<std::pair<std::string, std::string>, size_t> conversions;
    for (const AccountEntry& e : r.account->Entries)
        for (const LineReport& report : r.account->ReportsOf(e))
            if (report.Kind == 1) ++conversions[{std::string(report.OldType), std::string(report.NewType)}];
    std::vector<Bar> bars;
    for (const auto& [pair, n] : conversions) bars.push_back({ToUtf8(pair.first) + "->" + ToUtf8(pair.second), n, true});
    std::stable_sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) { return a.count > b.count; });
    if (bars.empty())
        out << "<p>No type was converted.</p>\n";
    else
        Chart(out, "conversions", "Type conversions by pair", bars);
    out << "</div>\n</section>\n";
}

// Below a table capped at kReportRowsPerFate rows of each kind: how many of each kind it
// leaves out, and why (nothing when it leaves none out).
void WriteNotShown(std::ostream& out, const std::vector<std::pair<std::string, size_t>>& kinds, const std::string& why) {
    std::string left;
    for (const auto& [kind, n] : kinds)
        if (n > kReportRowsPerFate) left += "<li>" + Number(n - kReportRowsPerFate) + " more " + kind + "</li>";
    if (!left.empty()) out << "<p id=\"not-shown\">Not in the table (" << why << "):</p>\n<ul>" << left << "</ul>\n";
}

void WriteLines(std::ostream& out, const ImportReport& r) {
    if (!r.account) return;
    out << "<section aria-labelledby=\"s-lines\">\n<h2 id=\"s-lines\">Lines</h2>\n<p>The table holds the first "
        << Number(kReportRowsPerFate)
        << " lines of each fate, in the order the import read them. Sort by a column's heading; filter by fate, file "
           "or text.</p>\n";
    out << "<form class=\"filters\" id=\"filters\" hidden><label for=\"f-fate\">Fate<select id=\"f-fate\">"
           "<option value=\"\">every fate</option>";
    for (LineFate fate : kFates) out << "<option>" << FateName(fate) << "</option>";
    out << "</select></label><label for=\"f-file\">File<select id=\"f-file\"><option value=\"\">every file</option>";
    for (const auto& f : r.summary.Files)
        if (f.Lines) out << "<option value=\"" << Page(f.SourceId) << "\">" << Page(FileNameOf(f.SourceId)) << "</option>";
    out << "</select></label><label for=\"f-text\">Text<input id=\"f-text\" type=\"search\" autocomplete=\"off\">"
           "</label><output id=\"shown\" aria-live=\"polite\" for=\"f-fate f-file f-text\"></output></form>\n";

    out << "<div class=\"scroll\"><table id=\"lines\" data-cap=\"" << kReportRowsPerFate << "\">\n<caption>The account of the import</caption>\n<thead><tr>";
    for (const char* column : {"File", "Line", "Name", "Address", "Type", "Fate", "Reason", "Comment"})
        out << "<th scope=\"col\"" << (std::string_view(column) == "Line" ? " class=\"n\"" : "") << "><button type=\"button\">"
            << column << "</button></th>";
    out << "</tr></thead>\n<tbody>\n";
    std::array<size_t, kLineFateCount> written{};
    for (const AccountEntry& e : r.account->Entries) {
        if (written[FateIndex(e.Fate)]++ >= kReportRowsPerFate) continue;
        // The file by its name; its whole name, where longer, as the cell's title.
        const std::string_view name = FileNameOf(e.File);
        out << "<tr data-fate=\"" << FateName(e.Fate) << "\"><td";
        if (name.size() != e.File.size()) out << " title=\"" << Page(e.File) << "\"";
        out << ">" << Page(name) << "</td><td class=\"n\">" << e.Line
            << "</td><td>" << Page(e.Name) << "</td><td>" << Page(e.AbsoluteAddress) << "</td><td>" << Page(e.DataType)
            << "</td><td class=\"fate\">" << FateName(e.Fate) << "</td><td>" << Page(e.Reason) << "</td><td class=\"c\">"
            << Page(e.Comment) << "</td></tr>\n";
    }
    out << "</tbody></table></div>\n";
    std::vector<std::pair<std::string, size_t>> kinds;
    for (LineFate fate : kFates) kinds.emplace_back(FateName(fate), r.summary.All.Fates[FateIndex(fate)]);
    WriteNotShown(out, kinds, "the import is larger than the table's " + Number(kReportRowsPerFate) +
                                  " lines per fate; tessaro import --lines all lists them all");
    out << "</section>\n";
}

// The page up to its status line's text: head, styles, the heading (UTF-8).
void StartPage(std::ostream& out, const std::string& version, const std::string& title, bool failed) {
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"generator\" content=\""
        << Html(version) << "\">\n<title>" << Html(title) << "</title>\n"
        << kStyle << "</head>\n<body>\n<header>\n<h1>" << Html(title) << "</h1>\n<p class=\"status"
        << (failed ? " failed" : "") << "\" id=\"status\">";
}

}  // namespace

void WriteHtmlReport(std::ostream& out, const ImportReport& r) {
    const size_t lines = r.summary.All.Lines;
    std::string names;
    for (const auto& f : r.files) names += (names.empty() ? "" : ", ") + std::string(FileNameOf(f.name));

    StartPage(out, r.version, "Import of " + names, r.exitStatus != 0);
    if (!r.failure.empty())
        out << "The import stopped: " << Html(r.failure);
    else
        out << Number(r.variables) << (r.variables == 1 ? " variable" : " variables") << " imported"
            << (r.account ? " from " + Number(lines) + (lines == 1 ? " line" : " lines") +
                                " with a symbol or a value"
                          : "")
            << (r.exitStatus ? "; not every file was read" : "");
    out << ". Exit status " << r.exitStatus << ".</p>\n</header>\n<main>\n";
    WriteCounts(out, r);
    WriteCharts(out, r);
    WriteFacts(out, r);
    WriteLines(out, r);
    out << "</main>\n" << kScript << "</body>\n</html>\n";
}

void WriteHtmlComparison(std::ostream& out, const ComparisonReport& r) {
    StartPage(out, r.version, "Comparison of " + r.oldSide.name + " and " + r.newSide.name, r.exitStatus > 1);
    out << Html(r.summaryLine) << ". Exit status " << r.exitStatus
        << (r.exitStatus == 0 ? " (no difference)" : r.exitStatus == 1 ? " (differences)" : "") << ".</p>\n</header>\n<main>\n";

    const std::pair<const char*, size_t> counts[] = {
        {"added", r.added}, {"removed", r.removed}, {"changed", r.changed}, {"renamed", r.renamed}};
    out << "<section aria-labelledby=\"s-counts\">\n<h2 id=\"s-counts\">Counts</h2>\n"
           "<div class=\"scroll\"><table id=\"counts\">\n<caption>Variables by change</caption>\n<tbody>\n";
    std::vector<Bar> bars;
    for (const auto& [name, n] : counts) {
        out << "<tr><th scope=\"row\">" << name << "</th><td class=\"n\" data-count=\"" << name << "\">" << Number(n)
            << "</td></tr>\n";
        bars.push_back({name, n, true});
    }
    out << "</tbody></table></div>\n<div class=\"charts\">\n";
    Chart(out, "changes-chart", "Variables by change", bars);
    out << "</div>\n</section>\n";

    out << "<section aria-labelledby=\"s-sides\">\n<h2 id=\"s-sides\">The two sides</h2>\n"
           "<div class=\"scroll\"><table id=\"sides\">\n<caption>What was compared</caption>\n<thead><tr>"
           "<th scope=\"col\">Side</th><th scope=\"col\">What it is</th><th scope=\"col\">Files</th></tr></thead>\n"
           "<tbody>\n";
    for (const auto& [label, side] : {std::pair{"Old", &r.oldSide}, {"New", &r.newSide}}) {
        out << "<tr><th scope=\"row\">" << label << "</th><td>" << Html(side->what) << "</td><td>";
        for (size_t i = 0; i < side->files.size(); ++i) out << (i ? "<br>" : "") << Html(side->files[i]);
        out << "</td></tr>\n";
    }
    out << "</tbody></table></div>\n<dl class=\"facts\">\n<dt>Tessaro</dt><dd>" << Html(r.version) << "</dd>\n</dl>\n";
    if (!r.notes.empty()) {
        out << "<h3>What the command line said</h3>\n<ul>\n";
        for (const auto& note : r.notes) out << "<li>" << Html(note) << "</li>\n";
        out << "</ul>\n";
    }
    out << "</section>\n";

    out << "<section aria-labelledby=\"s-changes\">\n<h2 id=\"s-changes\">Changes</h2>\n"
           "<p>One row per variable added or removed, one per column that differs of a variable changed or renamed; "
           "the table holds the first "
        << Number(kReportRowsPerFate)
        << " rows of each change. Sort by a column's heading; filter by change, section or text.</p>\n"
           "<form class=\"filters\" id=\"filters\" hidden><label for=\"f-fate\">Change<select id=\"f-fate\">"
           "<option value=\"\">every change</option>";
    for (const auto& [name, n] : counts) out << "<option>" << name << "</option>";
    out << "</select></label><label for=\"f-file\">Section<select id=\"f-file\"><option value=\"\">every section</option>";
    // The rows shown: the first kReportRowsPerFate of each change, in diff's order.
    std::map<std::string, size_t> ofChange;
    std::vector<const std::vector<std::string>*> shown;
    for (const auto& row : r.rows)
        if (ofChange[row[0]]++ < kReportRowsPerFate) shown.push_back(&row);
    std::vector<std::string> sections;
    for (const auto* row : shown)
        if (std::find(sections.begin(), sections.end(), (*row)[2]) == sections.end()) sections.push_back((*row)[2]);
    for (const auto& section : sections) out << "<option>" << Html(section) << "</option>";
    out << "</select></label><label for=\"f-text\">Text<input id=\"f-text\" type=\"search\" autocomplete=\"off\">"
           "</label><output id=\"shown\" aria-live=\"polite\" for=\"f-fate f-file f-text\"></output></form>\n";
    out << "<div class=\"scroll\"><table id=\"changes\" data-file-column=\"2\" data-unit=\"row\">\n"
           "<caption>The changes from the old side to the new</caption>\n<thead><tr>";
    static constexpr const char* kColumns[] = {"Change", "Name", "Section", "Column", "Old", "New", "Old line", "New line"};
    const size_t columns = r.rows.empty() ? 6 : std::min<size_t>(std::size(kColumns), r.rows.front().size());
    for (size_t k = 0; k < columns; ++k)
        out << "<th scope=\"col\"><button type=\"button\">" << kColumns[k] << "</button></th>";
    out << "</tr></thead>\n<tbody>\n";
    for (const auto* row : shown) {
        out << "<tr data-fate=\"" << Html((*row)[0]) << "\">";
        for (size_t k = 0; k < columns; ++k) out << "<td>" << Html(k < row->size() ? (*row)[k] : "") << "</td>";
        out << "</tr>\n";
    }
    if (r.rows.empty()) out << "<tr><td colspan=\"" << columns << "\">No difference.</td></tr>\n";
    out << "</tbody></table></div>\n";
    std::vector<std::pair<std::string, size_t>> kinds;
    for (const auto& [name, n] : counts) kinds.emplace_back(name, ofChange[name]);
    WriteNotShown(out, kinds, "the comparison is larger than the table's " + Number(kReportRowsPerFate) +
                                  " rows per change; tessaro diff lists them all");
    out << "</section>\n</main>\n" << kScript << "</body>\n</html>\n";
}

bool WriteHtmlFile(const std::string& file, const std::function<void(std::ostream&)>& write) {
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) write(out);
    if (!out || !out.flush()) {
        std::cerr << "tessaro: cannot write the report " << file << ": " << (errno ? std::strerror(errno) : "write error")
                  << "\n";
        return false;
    }
    std::cerr << "tessaro: report written to " << file << "\n";
    return true;
}

}  // namespace tessaro::cli
