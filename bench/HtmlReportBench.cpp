// The import's HTML page over a large account: how long writing it takes and how large it
// is. The account is made here in the shape a symbol table's import gives (1 line in 40
// of an unknown area, a repeated name every 997, a BOOL's conversion on every other), so
// that the page can be measured apart from the import.
//
//   tessaro_report_bench [benchmark options]   the benchmark
//   tessaro_report_bench --page FILE [LINES]   writes the page of LINES lines (1,000,000)

#include "HtmlReport.h"

#include <tessaro/CodePage.h>
#include <tessaro/VariableDriver.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tessaro::cli {
namespace {

ImportReport Report(size_t lines) {
    auto account = std::make_shared<ImportAccount>();
    account->Entries.reserve(lines);
    for (size_t i = 0; i < lines; ++i) {
        AccountEntry& e = account->Entries.emplace_back();
        e.File = "Project.ASC";
        e.Line = static_cast<int32_t>(i + 1);
        e.Name = account->Keep("Line_" + std::to_string(i / 100) + "_Motor_" + std::to_string(i));
        e.OperandArea = i % 2 ? "M" : "MW";
        e.Address = account->Keep(std::to_string(i % 4096) + (i % 2 ? ".3" : ""));
        e.AbsoluteAddress = account->Keep({e.OperandArea, " ", e.Address});
        e.DataType = i % 2 ? "BOOL" : "INT";
        e.Comment = account->Keep("Motor " + std::to_string(i) + " running");
        if (i % 40 == 39) {
            e.Fate = LineFate::AreaNotKnown;
            e.Reason = "operand area X not known";
        } else if (i % 997 == 996) {
            e.Fate = LineFate::SameName;
            e.Reason = account->Keep("the same name as Project.ASC line " + std::to_string(i - 995));
        } else {
            e.Key = account->Keep({"1.", e.Name});
            account->Report(e, {1, e.DataType, i % 2 ? "Byte" : "Word"});
        }
    }
    ImportReport report;
    report.files.push_back({"Project.ASC", lines * 132, lines, "ASC", "as written", ""});
    VariableDriver driver;
    driver.Account = account;
    report.summary = SummarizeImport(driver);
    report.variables = report.summary.All.Fates[0];
    report.account = account;
    return report;
}

void BM_HtmlReport(benchmark::State& state) {
    const ImportReport report = Report(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        WriteHtmlReport(out, report);
        bytes = out.str().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_HtmlReport)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessaro::cli

int main(int argc, char** argv) {
    tessaro::SetCodePage("WINDOWS-1252");
    if (argc >= 3 && std::strcmp(argv[1], "--page") == 0) {
        const size_t lines = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1000000;
        std::ofstream out(argv[2], std::ios::binary);
        tessaro::cli::WriteHtmlReport(out, tessaro::cli::Report(lines));
        return out.flush() ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
