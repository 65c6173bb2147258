// The import's HTML page from an account made here: what a browser test of a real import
// cannot reach cheaply (texts that must be escaped, the cap of the table, a failed import).

#include "HtmlReport.h"

#include <tessaro/CodePage.h>
#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <sstream>

namespace tessaro::cli {
namespace {

// An entry of account; its texts kept by the account.
AccountEntry Entry(ImportAccount& account, std::string_view name, LineFate fate, std::string_view comment = "") {
    AccountEntry e;
    e.File = "Plant.ASC";
    e.Name = account.Keep(name);
    e.Fate = fate;
    e.Comment = account.Keep(comment);
    e.DataType = "BOOL";
    e.AbsoluteAddress = "E 0.1";
    return e;
}

// A report of the account, counted as an import counts it.
ImportReport Of(std::shared_ptr<ImportAccount> account) {
    VariableDriver driver;
    driver.Account = account;
    ImportReport report;
    report.summary = SummarizeImport(driver);
    report.account = account;
    return report;
}

std::string Render(const ImportReport& report) {
    std::ostringstream out;
    WriteHtmlReport(out, report);
    return out.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Texts of the import are escaped and converted from the code page; none of them can
// open an element, leave an attribute, or put a web address into the page.
TEST(HtmlReportTest, TextsOfTheImportAreEscapedAndConverted) {
    SetCodePage("WINDOWS-1252");
    auto account = std::make_shared<ImportAccount>();
    account->Entries.push_back(Entry(*account, "K\xE4lte</td><script>x()</script>", LineFate::Imported, "see https://x.example/\"a'"));
    account->Report(account->Entries.back(), {1, "BOOL", "Byte"});
    account->Entries.push_back(Entry(*account, "Horn", LineFate::AreaNotKnown));
    account->Entries.back().Reason = "operand area I & Q not known";
    ImportReport report = Of(account);
    report.files.push_back({"<b>.ASC", 10, 2, "ASC", "as written", ""});
    report.deviceName = "Line \"1\"";
    report.reportTitles[1] = "-Conversion \xE0";  // the code page's text
    const std::string page = Render(report);

    EXPECT_EQ(page.find("<script>x()"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("http"), page.find("https&#58;//x.example/&quot;a&#39;"));
    EXPECT_EQ(page.find("http:"), std::string::npos);
    EXPECT_NE(page.find("K\xC3\xA4lte&lt;/td&gt;"), std::string::npos);
    EXPECT_NE(page.find(">Conversion \xC3\xA0<"), std::string::npos);  // the title, without its dash
    EXPECT_NE(page.find("operand area I &amp; Q not known"), std::string::npos);
    EXPECT_NE(page.find("name Line &quot;1&quot;"), std::string::npos);
    EXPECT_NE(page.find("BOOL-&gt;Byte"), std::string::npos);  // the conversion's bar
}

// Each fate shows its first rows up to the cap, in order; the rest are counted, per fate.
TEST(HtmlReportTest, TableCapsEachFateAndCountsTheRest) {
    auto account = std::make_shared<ImportAccount>();
    for (size_t i = 0; i < kReportRowsPerFate + 2; ++i) account->Entries.push_back(Entry(*account, "I" + std::to_string(i), LineFate::Imported));
    for (size_t i = 0; i < kReportRowsPerFate; ++i) account->Entries.push_back(Entry(*account, "S" + std::to_string(i), LineFate::SameName));
    account->Entries.push_back(Entry(*account, "Last", LineFate::FileError));
    const std::string page = Render(Of(account));

    EXPECT_EQ(Occurrences(page, "<tr data-fate=\"imported\">"), kReportRowsPerFate);
    EXPECT_EQ(Occurrences(page, "<tr data-fate=\"same-name\">"), kReportRowsPerFate);
    EXPECT_EQ(Occurrences(page, "<tr data-fate=\"file-error\">"), 1u);
    EXPECT_NE(page.find(">I" + std::to_string(kReportRowsPerFate - 1) + "<"), std::string::npos);
    EXPECT_EQ(page.find(">I" + std::to_string(kReportRowsPerFate) + "<"), std::string::npos);
    EXPECT_NE(page.find("<li>2 more imported</li></ul>"), std::string::npos);  // same-name is exactly at the cap
    EXPECT_NE(page.find("data-fate=\"imported\">1,002<"), std::string::npos);
    EXPECT_NE(page.find("data-count=\"lines\">2,003<"), std::string::npos);
}

// The comparison's table caps each change alike: a changed variable gives a row per column,
// and the rows, not the variables, are what the cap counts.
TEST(HtmlReportTest, ComparisonTableCapsEachChangeAndCountsTheRest) {
    ComparisonReport report;
    for (size_t i = 0; i <= kReportRowsPerFate; ++i) report.rows.push_back({"changed", "V" + std::to_string(i), "S", "Address", "1", "2"});
    report.rows.push_back({"added", "New", "Other", "", "", ""});
    std::ostringstream out;
    WriteHtmlComparison(out, report);
    const std::string page = out.str();

    EXPECT_EQ(Occurrences(page, "<tr data-fate=\"changed\">"), kReportRowsPerFate);
    EXPECT_EQ(Occurrences(page, "<tr data-fate=\"added\">"), 1u);  // after the cut rows of another change
    EXPECT_EQ(page.find(">V" + std::to_string(kReportRowsPerFate) + "<"), std::string::npos);
    EXPECT_NE(page.find("<li>1 more changed</li></ul>"), std::string::npos);
}

// A failed import without an account still gives a page: the failure, the counts it has,
// no table and no script error for the missing table.
TEST(HtmlReportTest, FailedImportWithoutAccount) {
    ImportReport report;
    report.exitStatus = 1;
    report.failure = "Cannot open the device database";
    report.files.push_back({"Gone.ASC", 0, 0, "", "", "No such file or directory"});
    const std::string page = Render(report);

    EXPECT_NE(page.find("The import stopped: Cannot open the device database. Exit status 1."), std::string::npos);
    EXPECT_NE(page.find("not read&#58; No such file or directory"), std::string::npos);
    EXPECT_EQ(page.find("id=\"lines\""), std::string::npos);
    EXPECT_EQ(page.find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace tessaro::cli
