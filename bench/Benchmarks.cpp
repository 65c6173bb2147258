// The import's speed on generated projects: whole GetVariables runs of symbol tables,
// data-block sources and a mixed project, and the two hot pieces alone (the value
// literal classification, key folding with the collection insert).
//
// Every import counter shows lines per second, nanoseconds per line and "x_wc", the
// time of one import divided by the time `wc -l` takes on the same file(s), measured in
// the same run: reading the bytes is the floor no importer can beat. All three count
// CPU time (user + system), the one measure of one core's work on a shared machine.

#include "ProjectGenerator.h"

#include "asc/VariableASCInfoRecord.h"
#include "awl/DeclarationTables.h"
#include "platform/Text.h"
#include "awl/ValueLiteral.h"
#include "driver/InfoImportedVariable.h"

#include <tessaro/CodePage.h>
#include <tessaro/ImportComparison.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/time.h>

namespace fs = std::filesystem;

namespace tessaro::bench {
namespace {

// The component's layout in a temporary folder (root/app/bin, the sample device
// database as root/KorvoDEV.dbr) and the generated projects, each made once.
class Workspace {
public:
    static Workspace& Get() {
        static Workspace workspace;
        return workspace;
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const GeneratedProject& Project(size_t symbols, size_t blocks, size_t elements) {
        auto key = std::make_tuple(symbols, blocks, elements);
        auto it = projects_.find(key);
        if (it != projects_.end()) return it->second;
        ProjectShape shape;
        shape.Seed = 6;
        shape.Symbols = symbols;
        shape.Blocks = blocks;
        shape.ElementsPerBlock = elements;
        const std::string name = std::to_string(symbols) + "_" + std::to_string(blocks) + "_" + std::to_string(elements);
        shape.SymbolTableName = name + ".ASC";
        shape.DataBlocksName = name + ".AWL";
        return projects_.emplace(key, GenerateProject(shape, sources_)).first->second;
    }

    const std::string& Merged() const { return merged_; }

private:
    Workspace() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessaro-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        root_ = pattern;
        component_ = root_ + "/app/bin";
        sources_ = root_ + "/sources";
        merged_ = root_ + "/app/Messenger.Msg";
        fs::create_directories(component_);
        fs::create_directories(sources_);
        fs::copy_file(TESSARO_SAMPLE_DB, root_ + "/KorvoDEV.dbr");
        SetThreadComponentFolder(component_);
    }
    std::string root_, component_, sources_, merged_;
    std::map<std::tuple<size_t, size_t, size_t>, GeneratedProject> projects_;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

// CPU seconds (user + system) of the finished child processes so far.
double ChildrenCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// CPU seconds of this thread so far.
double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU seconds that `wc -l` takes on the files, the median of five runs.
double WcSeconds(const std::vector<std::string>& files) {
    std::string command = "exec wc -l";
    for (const auto& f : files) command += " '" + f + "'";
    command += " > /dev/null";
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        const double before = ChildrenCpuSeconds();
        if (std::system(command.c_str()) != 0) throw std::runtime_error("wc failed");
        runs.push_back(ChildrenCpuSeconds() - before);
    }
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

// One whole import per iteration, with the driver's teardown and the merged message
// file's removal outside the timing; options.Account keeps the import's account.
void RunImports(benchmark::State& state, const std::vector<std::string>& files, size_t lines,
                const ImportOptions& options = {}) {
    Workspace& workspace = Workspace::Get();
    const double wc = WcSeconds(files);
    double seconds = 0;
    for (auto _ : state) {
        DataSourceCollection sources;
        for (const auto& f : files) sources.Add(std::make_shared<DataSource>(DataSource{f}));
        auto driver = std::make_unique<VariableDriver>();
        driver->Options = options;
        driver->DeviceCodeId = 1;
        driver->DeviceId = 1;
        const double start = ThreadCpuSeconds();
        bool imported = driver->GetVariables(sources);
        seconds += ThreadCpuSeconds() - start;
        state.PauseTiming();
        if (!imported) state.SkipWithError("GetVariables returned false");
        benchmark::DoNotOptimize(driver->Variables->Count());
        driver.reset();
        std::error_code ignored;
        fs::remove(workspace.Merged(), ignored);
        state.ResumeTiming();
    }
    const double perImport = seconds / static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["lines_per_s"] = static_cast<double>(lines) / perImport;
    state.counters["ns_per_line"] = perImport * 1e9 / static_cast<double>(lines);
    state.counters["x_wc"] = perImport / wc;
}

// A symbol table of n symbols.
void BM_SymbolTableImport(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(static_cast<size_t>(state.range(0)), 0, 0);
    RunImports(state, {project.SymbolTable}, project.SymbolLines);
}

// A symbol table of n symbols read as the component does (0) or with the command line's
// default reading (1): lone LFs end lines, tabs are blanks, block names whole, the
// mnemonics detected (one more read of the file's operand areas).
void BM_SymbolTableReading(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(static_cast<size_t>(state.range(0)), 0, 0);
    RunImports(state, {project.SymbolTable}, project.SymbolLines,
               state.range(1) == 1 ? ImportOptions::AsFound() : ImportOptions());
}

// The symbol table of a generated project as the classic SDF export writes it: the same
// rows, every field in quotes and padded with blanks as that export pads them (symbol 24,
// operand 11, type 10, comment 80). "X.ASC" gives "X.SDF".
std::string SdfCopy(const std::string& file) {
    auto quoted = [](std::string_view text, size_t width) {
        std::string field = "\"";
        for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
        if (text.size() < width) field.append(width - text.size(), ' ');
        return field + "\"";
    };
    std::ifstream in(file, std::ios::binary);
    const std::string copy = file.substr(0, file.size() - 4) + ".SDF";
    std::ofstream out(copy, std::ios::binary);
    for (std::string line; std::getline(in, line, '\r');) {
        if (!line.empty() && line.front() == '\n') line.erase(0, 1);
        if (line.empty() && in.eof()) break;
        const SymbolLineColumns c = SplitSymbolLine(line);
        std::string operand(c.OperandArea);
        operand.resize(std::max<size_t>(4, operand.size()), ' ');
        operand.append(c.Address.size() < 7 ? 7 - c.Address.size() : 0, ' ').append(c.Address);
        out << quoted(c.Symbol, 24) << ',' << quoted(operand, 11) << ',' << quoted(c.DataType, 10) << ','
            << quoted(TrimBlanks(ColumnsFrom(line, 48)), 80) << "\r\n";
    }
    return copy;
}

// The symbol table of n symbols as an SDF export, the same rows as BM_SymbolTableImport.
void BM_SymbolTableImportSdf(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(static_cast<size_t>(state.range(0)), 0, 0);
    static std::map<std::string, std::string> copies;
    auto& copy = copies[project.SymbolTable];
    if (copy.empty()) copy = SdfCopy(project.SymbolTable);
    ImportOptions options;
    options.OtherSymbolFormats = true;
    RunImports(state, {copy}, project.SymbolLines, options);
}

// n value lines in blocks of 100, every block's symbol in a symbol table beside it; the
// rate counts value lines.
void BM_DataBlockImport(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(0, static_cast<size_t>(state.range(0)) / 100, 100);
    RunImports(state, {project.SymbolTable, project.DataBlocks}, project.ValueLines);
}

// The same two with the import's account kept.
ImportOptions Accounted() {
    ImportOptions options;
    options.Account = true;
    return options;
}
void BM_SymbolTableImportAccount(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(static_cast<size_t>(state.range(0)), 0, 0);
    RunImports(state, {project.SymbolTable}, project.SymbolLines, Accounted());
}
void BM_DataBlockImportAccount(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(0, static_cast<size_t>(state.range(0)) / 100, 100);
    RunImports(state, {project.SymbolTable, project.DataBlocks}, project.ValueLines, Accounted());
}

// 100,000 symbols and 2,000 blocks of 200 value lines; the rate counts all lines read.
void BM_MixedProject(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(100000, 2000, 200);
    RunImports(state, {project.SymbolTable, project.DataBlocks}, project.SymbolLines + project.DataBlockLines);
}

// A copy of a generated source as a Chinese system writes it: every plant-part and
// signal word of the names replaced by as many Chinese characters (so the columns stay
// where they were), in the current page, which must be CP936. "X.ASC" gives "X_cp936.ASC".
std::string ChineseCopy(const std::string& file) {
    static constexpr std::pair<std::string_view, std::string_view> kWords[] = {
        {"Pump", "输送水泵"},     {"Valve", "进料阀门组"},   {"Motor", "主驱动电机"},   {"Tank", "储料罐区"},
        {"Conveyor", "皮带输送机构一号"}, {"Fan", "排风扇"}, {"Heater", "电加热器组件"}, {"Lamp", "指示灯组"},
        {"Mixer", "搅拌机组件"},  {"Feeder", "给料机构一号"}, {"Press", "液压机组件"}, {"Dryer", "干燥机组件"},
        {"Run", "运行中"},        {"Fault", "故障信号位"},   {"Speed", "速度设定值"},   {"Level", "液位测量值"},
        {"Temp", "温度测量"},     {"Cmd", "命令字"},         {"Ready", "就绪状态位"},   {"Count", "计数器数值"},
        {"Limit", "限位开关位"},  {"Pos", "位置值"},
    };
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (i == 0 || !isLetter(text[i - 1])) {
            for (auto [english, chinese] : kWords) {
                const size_t end = i + english.size();
                if (text.compare(i, english.size(), english) == 0 && (end == text.size() || !isLetter(text[end]))) {
                    out += FromUtf8(chinese);
                    i = end;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out.push_back(text[i++]);
    }
    const size_t dot = file.rfind('.');
    const std::string copy = file.substr(0, dot) + "_cp936" + file.substr(dot);
    std::ofstream(copy, std::ios::binary) << out;
    return copy;
}

// The mixed project with Chinese names, imported in CP936.
void BM_MixedProjectCP936(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(100000, 2000, 200);
    const std::string page = CodePageName();
    SetCodePage("CP936");
    static const std::vector<std::string> files = {ChineseCopy(project.SymbolTable), ChineseCopy(project.DataBlocks)};
    RunImports(state, files, project.SymbolLines + project.DataBlockLines);
    SetCodePage(page);
}

// The classification of one value line of every literal form, over and over.
void BM_ClassifyValueLiteral(benchmark::State& state) {
    DeclarationTable strings, udts;
    strings.Reset();
    udts.Reset();
    strings.Append({7, "TEXT_1", 16, 0});
    UDTCollection definitions;
    const std::vector<std::string> lines = {
        "   Flag := TRUE;",          "   Speed := -5;",          "   Gain := 1.500000e+000;", "   Text_1 := 'abc';",
        "   Letter := 'A';",         "   Mask := B#16#1F;",       "   Word := W#16#FFFF;",     "   Long := DW#16#0;",
        "   Count := L#100000;",     "   Wait := T#1S;",          "   Day := D#1990-1-1;",     "   At := TOD#0:0:0.000;",
        "   When := DT#90-1-1-0:0:0.000;", "   Delay := S5T#1M40S;", "   Where := P#DB10.DBX0.0;", "   Block := DB 10;",
        "   Timer := T 5;",          "   Other := C 3;",
    };
    for (auto _ : state)
        for (const auto& line : lines) benchmark::DoNotOptimize(ClassifyValueLiteral(line, 7, strings, udts, &definitions));
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(lines.size()) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The key of a variable, folded, and its insert into Variables, for n distinct names.
void BM_KeyFoldAndInsert(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<std::string> names;
    for (size_t i = 0; i < n; ++i) names.push_back("Conveyor_" + std::to_string(i) + "_Speed");
    auto variable = std::make_shared<Variable>();
    for (auto _ : state) {
        VariableCollection variables;
        for (const auto& name : names) variables.AddFolded(variable, VariableKey(name, 1));
        benchmark::DoNotOptimize(variables.Count());
        state.PauseTiming();
        { VariableCollection gone = std::move(variables); }
        state.ResumeTiming();
    }
    state.counters["keys_per_s"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Two imports of an n-symbol table compared: the second a revision of the first, in
// which one variable in a hundred moved, one was renamed, one removed and one added.
// The imports run once, outside the timing, and their CPU time gives "x_imports": the
// comparison's CPU time divided by that of importing both.
void BM_CompareImports(benchmark::State& state) {
    const auto& project = Workspace::Get().Project(static_cast<size_t>(state.range(0)), 0, 0);
    DataSourceCollection sources;
    sources.Add(std::make_shared<DataSource>(DataSource{project.SymbolTable}));
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 1;
    const double start = ThreadCpuSeconds();
    if (!driver.GetVariables(sources)) state.SkipWithError("GetVariables returned false");
    const double importSeconds = ThreadCpuSeconds() - start;
    fs::remove(Workspace::Get().Merged());
    const ImportRecords older = RecordsOf(*driver.Variables);
    ImportRecords newer;
    for (size_t i = 0; i < older.Variables.size(); ++i) {
        auto v = std::make_shared<Variable>(*older.Variables[i]);
        switch (i % 100) {
        case 10: v->FieldAdd1 += 1000; break;
        case 20: v->Name += "_renamed"; break;
        case 30: continue;
        case 40: newer.Variables.push_back(std::make_shared<Variable>(Variable{"Added_" + std::to_string(i), v->SectionName, 1}));
        }
        newer.Variables.push_back(std::move(v));
    }
    double seconds = 0;
    size_t changes = 0;
    for (auto _ : state) {
        const double begin = ThreadCpuSeconds();
        ImportComparison comparison = CompareImports(older, newer);
        seconds += ThreadCpuSeconds() - begin;
        changes = comparison.Changes.size();
        state.PauseTiming();
        { ImportComparison gone = std::move(comparison); }
        state.ResumeTiming();
    }
    const double perComparison = seconds / static_cast<double>(state.iterations());
    state.counters["changes"] = static_cast<double>(changes);
    state.counters["ns_per_record"] = perComparison * 1e9 / static_cast<double>(older.Variables.size());
    state.counters["x_imports"] = perComparison / (2 * importSeconds);
}

BENCHMARK(BM_SymbolTableImport)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SymbolTableReading)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SymbolTableImportSdf)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataBlockImport)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SymbolTableImportAccount)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataBlockImportAccount)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MixedProject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MixedProjectCP936)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClassifyValueLiteral);
BENCHMARK(BM_KeyFoldAndInsert)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareImports)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessaro::bench

// Freed memory stays with the process, so every iteration after the first reuses it, at
// every size: on this kind of machine the kernel's first touch of a fresh 4 KB page costs
// about 14 us of CPU, which a small import that fits into memory freed by the last one
// never pays and a large one, whose memory the C library hands back, would pay again in
// every iteration. The command line measures the cold case (see README.md).
int main(int argc, char** argv) {
    ::mallopt(M_MMAP_MAX, 0);
    ::mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
