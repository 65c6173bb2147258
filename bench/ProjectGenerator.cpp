#include "ProjectGenerator.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace tessaro::bench {
namespace {

// A small, fully specified generator (splitmix64), so a seed gives the same files on
// every platform and standard library.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

private:
    uint64_t state_;
};

// Lines go out through one large buffer.
class Output {
public:
    explicit Output(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        if (!file_) throw std::runtime_error("cannot create " + path);
        buffer_.reserve(kFlushAt + 4096);
    }
    ~Output() {
        if (file_) std::fclose(file_);
    }
    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_.append("\r\n");
        ++lines_;
        if (buffer_.size() >= kFlushAt) Flush();
    }
    size_t Lines() const { return lines_; }
    void Close() {
        Flush();
        if (std::fclose(file_) != 0) throw std::runtime_error("cannot write a generated file");
        file_ = nullptr;
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    void Flush() {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            throw std::runtime_error("cannot write a generated file");
        buffer_.clear();
    }
    std::FILE* file_;
    std::string buffer_;
    size_t lines_ = 0;
};

constexpr std::string_view kSymbolFiles = "Symbol Files";

// The symbol kinds: what is written in the area and type columns, and what the device
// (every area and type of the bundled sample's device 1) makes of it.
struct SymbolKind {
    std::string_view Area;
    std::string_view Type;
    bool BitAddress;
    std::string_view DeviceArea;  // "" when the device has no area for it
    std::string_view DeviceType;
    std::string_view TagAttribute;
    bool Sign;
    bool Conversion;   // reported as converted: Type -> DeviceType
    bool NotForKORVO;  // reported as unusable
};

constexpr SymbolKind kSymbolKinds[] = {
    {"E", "BOOL", true, "Input", "Byte", "BOOL", false, true, false},
    {"A", "BOOL", true, "Output", "Byte", "BOOL", false, true, false},
    {"M", "BOOL", true, "Merker", "Byte", "BOOL", false, true, false},
    {"EB", "BYTE", false, "Input", "Byte", "", false, false, false},
    {"AW", "WORD", false, "Output", "Word", "", false, false, false},
    {"MB", "BYTE", false, "Merker", "Byte", "", false, false, false},
    {"MW", "WORD", false, "Merker", "Word", "", false, false, false},
    {"MW", "INT", false, "Merker", "Word", "", true, true, false},
    {"MD", "DWORD", false, "Merker", "DWord", "", false, false, false},
    {"MD", "DINT", false, "Merker", "DWord", "", true, true, false},
    {"MD", "REAL", false, "Merker", "DWord", "REAL", false, true, false},
    {"MB", "CHAR", false, "Merker", "Byte", "CHAR", false, true, false},
    {"T", "TIMER", false, "Timer", "Timer", "", false, false, false},
    {"Z", "COUNTER", false, "Counter", "Counter", "", false, false, false},
    {"MD", "TIME", false, "Merker", "", "TIME", false, true, true},
    {"MW", "S5TIME", false, "Merker", "", "S5TIME", false, true, true},
    {"MW", "DATE", false, "Merker", "", "UNKNOWN", false, true, true},
    {"MW", "int", false, "Merker", "Word", "", true, true, false},
};
constexpr SymbolKind kUnknownArea = {"PEW", "WORD", false, "", "", "", false, false, true};
constexpr SymbolKind kBlockSymbol = {"DB", "DB", false, "DBW", "", "DB", false, false, true};

constexpr std::string_view kPlantParts[] = {"Pump", "Valve",  "Motor", "Tank",  "Conveyor", "Fan",
                                            "Heater", "Lamp", "Mixer", "Feeder", "Press",   "Dryer"};
constexpr std::string_view kSignals[] = {"Run", "Fault", "Speed", "Level", "Temp",
                                         "Cmd", "Ready", "Count", "Limit", "Pos"};

// The value-line kinds of a data block: declared type, literal, size in bytes (0: one
// bit), and what the device's "DBW" area makes of the element.
struct ElementKind {
    std::string_view Declared;
    std::string_view Literal;
    int32_t Size;
    std::string_view DeviceType;
    std::string_view TagAttribute;
    bool Sign;
    std::string_view Conversion;  // the report text before the padding, "" for none
    bool NotForKORVO;
    int32_t VariableLen;
};

constexpr ElementKind kBool = {"BOOL", "TRUE;", 0, "Byte", "BOOL", false, "BOOL->Byte", false, 0};
constexpr ElementKind kBoolFalse = {"BOOL", "FALSE;", 0, "Byte", "BOOL", false, "BOOL->Byte", false, 0};
constexpr ElementKind kInt = {"INT", "-5;", 2, "Word", "", true, "INT->Word", false, 0};
constexpr ElementKind kScalars[] = {
    kInt,
    {"INT", "120;", 2, "Word", "", true, "INT->Word", false, 0},
    {"REAL", "1.500000e+000;", 4, "Floating point", "", true, "REAL->Floating point", false, 0},
    {"REAL", "-2.500000e-003;", 4, "Floating point", "", true, "REAL->Floating point", false, 0},
    {"BYTE", "B#16#1F;", 1, "Byte", "", false, "", false, 0},
    {"WORD", "W#16#FFFF;", 2, "Word", "", false, "", false, 0},
    {"DWORD", "DW#16#0;", 4, "Dword", "", false, "", false, 0},
    {"DINT", "L#100000;", 4, "Dword", "", true, "LINT->Dword", false, 0},
    {"TIME", "T#1S;", 4, "Dword", "TIME", false, "TIME->Dword", false, 0},
    {"DATE", "D#1990-1-1;", 2, "Word", "DATE", false, "DATE->Word", false, 0},
    {"TIME_OF_DAY", "TOD#0:0:0.000;", 4, "Dword", "TIME DAY", false, "TIME DAY->Dword", false, 0},
    {"DATE_AND_TIME", "DT#90-1-1-0:0:0.000;", 8, "Dword", "DATE TIME", false, "DATE TIME->Dword", false, 0},
    {"S5TIME", "S5T#0MS;", 2, "Timer 1/100 sec.", "", false, "TIMER->Timer 1/100 sec.", false, 0},
    {"S5TIME", "S5T#9S990MS;", 2, "Timer 1/10 sec.", "", false, "TIMER->Timer 1/10 sec.", false, 0},
    {"S5TIME", "S5T#1M40S;", 2, "Timer 1 sec.", "", false, "TIMER->Timer 1 sec.", false, 0},
    {"S5TIME", "S5T#2H46M30S;", 2, "Timer 10 sec.", "", false, "TIMER->Timer 10 sec.", false, 0},
    {"CHAR", "'A';", 1, "String", "", false, "", false, 1},
    {"ANY", "P#DB10.DBX0.0;", 10, "", "POINTER", false, "", true, 0},
    {"BLOCK_DB", "DB 10;", 2, "", "BLOCK", false, "", true, 0},
    {"TIMER", "T 5;", 2, "", "TIMER/COUNT", false, "", true, 0},
    {"COUNTER", "Z 3;", 2, "", "TIMER/COUNT", false, "", true, 0},
    kBool,
};
// The kinds an array or the inside of a structure draws from: no STRING (a STRING
// member of a structure is not sized by its declaration).
constexpr ElementKind kArrayKinds[] = {kInt,
                                       {"REAL", "0.000000e+000;", 4, "Floating point", "", true,
                                        "REAL->Floating point", false, 0},
                                       {"DINT", "L#-7;", 4, "Dword", "", true, "LINT->Dword", false, 0}};

struct UDTMember {
    std::string_view Name;
    ElementKind Kind;
};
struct UDTShape {
    int Number;
    std::vector<UDTMember> Members;
};

// The two UDTs every generated source defines. STRING fields are sized by the UDT.
const std::vector<UDTShape>& UDTShapes() {
    static const std::vector<UDTShape> shapes = {
        {1,
         {{"Code", {"STRING  [12 ]", "'AB';", 14, "String", "", false, "", false, 12}},
          {"Amount", kInt},
          {"Ready", kBool},
          {"Level", {"REAL", "1.000000e+000;", 4, "Floating point", "", true, "REAL->Floating point", false, 0}}}},
        {2,
         {{"Label", {"String  [4 ]", "'xy';", 6, "String", "", false, "", false, 4}},
          {"Level", {"REAL", "2.000000e+000;", 4, "Floating point", "", true, "REAL->Floating point", false, 0}}}},
    };
    return shapes;
}

std::string Padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

// The conversion line of the message log: "OLD->NEW" padded to 30, a blank, the name.
std::string ConversionLine(std::string_view conversion, const std::string& name) {
    return Padded(std::string(conversion), 30) + " " + name;
}

// S7 placement in a data block: bits fill a byte, anything else starts on the next
// byte, two bytes and more on an even one, and a structure begins and ends on an even
// byte.
class Layout {
public:
    int32_t Place(int32_t size) {
        if (size == 0) {
            if (bit_ == 8) {
                ++byte_;
                bit_ = 0;
            }
            ++bit_;
            return byte_;
        }
        if (bit_ > 0) {
            ++byte_;
            bit_ = 0;
        }
        if (size > 1 && byte_ % 2 != 0) ++byte_;
        int32_t at = byte_;
        byte_ += size;
        return at;
    }
    void StructureBoundary() {
        if (bit_ > 0) {
            ++byte_;
            bit_ = 0;
        }
        if (byte_ % 2 != 0) ++byte_;
    }

private:
    int32_t byte_ = 0;
    int32_t bit_ = 0;
};

struct Element {
    std::string Path;
    ElementKind Kind;
    int32_t Offset = 0;
};

struct Block {
    int32_t Number = 0;
    std::string Symbol;  // the symbol of a symbolic header, "" for a numbered one
    bool Instance = false;
    bool Incomplete = false;
};

class Generator {
public:
    Generator(const ProjectShape& shape, const std::string& folder)
        : shape_(shape), folder_(folder), random_(shape.Seed) {}

    GeneratedProject Run() {
        MakeBlocks();
        if (shape_.Symbols + blocks_.size() > 0) WriteSymbolTable();
        if (!blocks_.empty()) WriteDataBlocks();
        return std::move(project_);
    }

private:
    void MakeBlocks() {
        const size_t total = shape_.Blocks + shape_.IncompleteBlocks;
        size_t ghosts = 0;
        int32_t number = 0;
        for (size_t i = 0; i < total; ++i) {
            Block block;
            // The incomplete blocks spread evenly over the source.
            bool ghost = ghosts < shape_.IncompleteBlocks &&
                         (i + 1) * shape_.IncompleteBlocks / total > ghosts;
            if (ghost) {
                ++ghosts;
                block.Incomplete = true;
                block.Symbol = "Ghost_" + std::to_string(ghosts);
            } else {
                block.Number = ++number;
                if (number % 4 == 3) block.Symbol = "Blk_" + std::to_string(number);
                block.Instance = block.Symbol.empty() && number % 50 == 10;
            }
            blocks_.push_back(std::move(block));
        }
    }

    // The group title the message log holds; a report of the same file under another
    // title first writes the title.
    void Report(ExpectedVariable* sample, int file, std::string group, std::string line) {
        ++project_.Reports[static_cast<size_t>(file)];
        if (sample) sample->Reports.push_back({file, group, line});
        messengerDB_ = std::move(group);
    }
    void ReportInCurrentGroup(ExpectedVariable* sample, int file, std::string line) {
        Report(sample, file, messengerDB_, std::move(line));
    }

    bool Sampled() { return shape_.SampleEvery != 0 && ++sampleCounter_ % shape_.SampleEvery == 0; }

    void WriteSymbolTable() {
        project_.SymbolTable = folder_ + "/" + shape_.SymbolTableName;
        Output out(project_.SymbolTable);
        const std::string section = shape_.SymbolTableName + " (Symbol file)";
        std::vector<const Block*> withSymbols;
        for (const auto& block : blocks_)
            if (!block.Incomplete) withSymbols.push_back(&block);
        const size_t blockCount = withSymbols.size();
        const size_t total = shape_.Symbols + blockCount;
        size_t nextBlock = 0;
        size_t regular = 0;
        std::vector<std::string> importedNames;  // a sparse memory of names to repeat
        for (size_t t = 0; t < total; ++t) {
            // The blocks' own symbols spread evenly among the others.
            if (nextBlock < blockCount && (t + 1) * blockCount / total > nextBlock) {
                const Block& block = *withSymbols[nextBlock++];
                std::string name = block.Symbol.empty() ? "DB_" + std::to_string(block.Number) + "_Data" : block.Symbol;
                out.Line(SymbolTableLine(name, std::string(kBlockSymbol.Area), std::to_string(block.Number),
                                         std::string(kBlockSymbol.Type), "Data block"));
                Report(nullptr, 4, std::string(kSymbolFiles), name);
                continue;
            }
            const size_t i = regular++;
            std::string name = std::string(kPlantParts[random_.Below(std::size(kPlantParts))]) + "_" +
                               std::to_string(i) + "_" + std::string(kSignals[random_.Below(std::size(kSignals))]);
            const bool repeat = shape_.Duplicates && i % 997 == 996 && !importedNames.empty();
            const SymbolKind& kind = repeat                   ? kSymbolKinds[5]
                                     : random_.Below(40) == 0 ? kUnknownArea
                                                              : kSymbolKinds[random_.Below(std::size(kSymbolKinds))];
            if (repeat) {
                name = importedNames[random_.Below(importedNames.size())];
                for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            }
            const int32_t byte = static_cast<int32_t>((i / 8) % 8192) * (kind.BitAddress ? 1 : 2);
            std::string address = std::to_string(byte);
            if (kind.BitAddress) address += "." + std::to_string(i % 8);
            out.Line(SymbolTableLine(name, std::string(kind.Area), address, std::string(kind.Type),
                                     "Signal " + std::to_string(i) + " of the plant"));

            const bool kept = !kind.DeviceArea.empty() && !repeat;
            ExpectedVariable expected;
            ExpectedVariable* sample = nullptr;
            if (kept) {
                ++project_.KeptSymbols;
                if (importedNames.size() < 4096 && i % 13 == 0) importedNames.push_back(name);
                if (Sampled()) sample = &expected;
            }
            std::string token = std::string(kind.Type);
            for (char& c : token) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            if (kind.Conversion)
                Report(sample, 1, std::string(kSymbolFiles),
                       ConversionLine(token + "->" + std::string(kind.DeviceType), name));
            if (kind.NotForKORVO) Report(sample, 4, std::string(kSymbolFiles), name);
            if (repeat) ReportInCurrentGroup(nullptr, 2, name + " " + project_.SymbolTable);
            if (sample) {
                expected.Position = project_.KeptSymbols;
                expected.Name = name;
                expected.SectionName = section;
                expected.DataArea = kind.DeviceArea;
                expected.DataType = kind.DeviceType;
                expected.TagAttribute = kind.TagAttribute;
                expected.NestingLevel = 1;
                expected.FieldAdd1 = byte;
                expected.Sign = kind.Sign;
                project_.Sample.push_back(std::move(expected));
            }
        }
        out.Close();
        project_.SymbolLines = out.Lines();
    }

    // The value lines of one block, grouped as a source would hold them, with their
    // declaration lines.
    void MakeElements(const Block& block, std::vector<Element>& elements, std::vector<std::string>& declarations) {
        elements.clear();
        declarations.clear();
        Layout layout;
        size_t left = shape_.ElementsPerBlock;
        int group = 0;
        auto add = [&](std::string path, const ElementKind& kind) {
            Element e{std::move(path), kind, layout.Place(kind.Size)};
            elements.push_back(std::move(e));
            --left;
        };
        auto member = [&](const std::string& name, const ElementKind& kind, int depth) {
            declarations.push_back(std::string(static_cast<size_t>(3 + depth), ' ') + name + " : " +
                                   std::string(kind.Declared) + " ;");
        };
        // A structure: an INT first, members, perhaps a nested structure, and an INT or a
        // BOOL last, so it opens and closes as the layout expects.
        auto structure = [&](const std::string& prefix, const std::string& name, int depth, size_t lines) {
            declarations.push_back(std::string(static_cast<size_t>(3 + depth), ' ') + name + " : STRUCT");
            layout.StructureBoundary();
            const std::string path = prefix + name + ".";
            add(path + "Setpoint", kInt);
            member("Setpoint", kInt, depth + 1);
            for (size_t m = 1; m + 1 < lines; ++m) {
                const ElementKind& kind = random_.Below(3) == 0 ? kBool : kScalars[random_.Below(std::size(kScalars))];
                const std::string memberName = std::string(kSignals[m % std::size(kSignals)]) + "_" + std::to_string(m);
                add(path + memberName, kind);
                member(memberName, kind, depth + 1);
            }
            const ElementKind& last = random_.Below(2) == 0 ? kBoolFalse : kInt;
            add(path + "Last", last);
            member("Last", last, depth + 1);
            layout.StructureBoundary();
            declarations.push_back(std::string(static_cast<size_t>(3 + depth), ' ') + "END_STRUCT ;");
        };
        while (left > 0) {
            const std::string n = std::to_string(++group);
            size_t choice = random_.Below(block.Instance ? 4 : 6);
            if (choice == 0 || left < 2) {  // a scalar
                const ElementKind& kind = kScalars[random_.Below(std::size(kScalars))];
                add("Value_" + n, kind);
                member("Value_" + n, kind, 0);
            } else if (choice == 1) {  // a run of bits
                size_t run = std::min(left, 1 + random_.Below(12));
                for (size_t b = 0; b < run; ++b) {
                    const std::string name = "Flag_" + n + "_" + std::to_string(b);
                    add(name, b % 3 == 0 ? kBoolFalse : kBool);
                    member(name, kBool, 0);
                }
            } else if (choice == 2) {  // a structure, perhaps with a nested one
                const std::string name = "Unit_" + n;
                if (left >= 8 && random_.Below(2) == 0) {
                    declarations.push_back("   " + name + " : STRUCT");
                    layout.StructureBoundary();
                    add(name + ".Mode", kInt);
                    member("Mode", kInt, 1);
                    structure(name + ".", "Drive", 1, 3 + random_.Below(3));
                    add(name + ".Done", kBool);
                    member("Done", kBool, 1);
                    layout.StructureBoundary();
                    declarations.push_back("   END_STRUCT ;");
                } else {
                    structure("", name, 0, std::min(left, 2 + random_.Below(6)));
                }
            } else if (choice == 3) {  // an array
                const ElementKind& kind = kArrayKinds[random_.Below(std::size(kArrayKinds))];
                size_t count = std::min(left, 2 + random_.Below(7));
                declarations.push_back("   Table_" + n + " : ARRAY  [1 .. " + std::to_string(count) + " ] OF " +
                                       std::string(kind.Declared) + " ;");
                layout.StructureBoundary();
                for (size_t a = 1; a <= count; ++a) add("Table_" + n + "[" + std::to_string(a) + "]", kind);
                layout.StructureBoundary();
            } else if (choice == 4) {  // a STRING
                const int32_t length = 8 * static_cast<int32_t>(1 + random_.Below(4));
                declarations.push_back("   Text_" + n + " : STRING  [" + std::to_string(length) + " ];");
                ElementKind kind = {"STRING", "'abc';", length + 2, "String", "", false, "", false, length};
                add("Text_" + n, kind);
            } else {  // a UDT instance
                const UDTShape& udt = UDTShapes()[random_.Below(UDTShapes().size())];
                if (left < udt.Members.size()) continue;
                declarations.push_back("   Batch_" + n + " : UDT " + std::to_string(udt.Number) + ";");
                layout.StructureBoundary();
                for (const auto& m : udt.Members) add("Batch_" + n + "." + std::string(m.Name), m.Kind);
                layout.StructureBoundary();
            }
        }
    }

    void WriteDataBlocks() {
        project_.DataBlocks = folder_ + "/" + shape_.DataBlocksName;
        Output out(project_.DataBlocks);
        for (const UDTShape& udt : UDTShapes()) {
            out.Line("TYPE UDT " + std::to_string(udt.Number));
            out.Line("VERSION : 0.1");
            out.Line("");
            out.Line("  STRUCT");
            for (const auto& m : udt.Members) out.Line("   " + std::string(m.Name) + " : " + std::string(m.Kind.Declared) + " ;");
            out.Line("  END_STRUCT ;");
            out.Line("END_TYPE");
            out.Line("");
        }
        std::vector<Element> elements;
        std::vector<std::string> declarations;
        for (const Block& block : blocks_) {
            const std::string blockName = block.Symbol.empty() ? "DB " + std::to_string(block.Number)
                                                               : "\"" + block.Symbol + "\"";
            out.Line("DATA_BLOCK " + blockName);
            out.Line("TITLE = Generated block");
            out.Line("VERSION : 0.1");
            out.Line("");
            MakeElements(block, elements, declarations);
            if (block.Instance) {
                out.Line(" FB 5");
            } else {
                out.Line("  STRUCT");
                for (const auto& d : declarations) out.Line(d);
                out.Line("  END_STRUCT ;");
            }
            out.Line("BEGIN");
            if (block.Incomplete) Report(nullptr, 5, "DB " + blockName, blockName);
            const std::string group = "DB " + std::to_string(block.Number);
            for (const Element& e : elements) {
                out.Line("   " + e.Path + " := " + std::string(e.Kind.Literal));
                if (block.Incomplete) continue;
                ++project_.ValueLines;
                ++project_.Elements;
                const std::string name = blockName + "." + e.Path;
                ExpectedVariable expected;
                ExpectedVariable* sample = Sampled() ? &expected : nullptr;
                // The element's own reports name it by its path alone; the instance
                // block's check names it in full.
                if (!e.Kind.Conversion.empty()) Report(sample, 1, group, ConversionLine(e.Kind.Conversion, e.Path));
                if (e.Kind.NotForKORVO) Report(sample, 4, group, e.Path);
                if (block.Instance) Report(sample, 6, group, name);
                if (!sample) continue;
                expected.Position = project_.KeptSymbols + project_.Elements;
                expected.Name = name;
                const size_t lastDot = e.Path.rfind('.');
                if (lastDot == std::string::npos) {
                    expected.SectionName = blockName;
                } else {
                    const size_t before = e.Path.rfind('.', lastDot - 1);
                    const size_t from = before == std::string::npos ? 0 : before + 1;
                    expected.SectionName = e.Path.substr(from, lastDot - from);
                }
                expected.DataArea = "DBW";
                expected.DataType = e.Kind.DeviceType;
                expected.TagAttribute = e.Kind.TagAttribute;
                expected.NestingLevel = 1;
                for (char c : e.Path) expected.NestingLevel += c == '.' ? 1 : 0;
                expected.VariableLen = e.Kind.VariableLen;
                expected.FieldAdd1 = block.Number;
                expected.FieldAdd2 = e.Offset;
                expected.Sign = e.Kind.Sign;
                expected.Warning = block.Instance;
                project_.Sample.push_back(std::move(expected));
            }
            out.Line("END_DATA_BLOCK");
            out.Line("");
        }
        out.Close();
        project_.DataBlockLines = out.Lines();
    }

    const ProjectShape& shape_;
    std::string folder_;
    Random random_;
    std::vector<Block> blocks_;
    GeneratedProject project_;
    std::string messengerDB_;
    size_t sampleCounter_ = 0;
};

}  // namespace

std::string SymbolTableLine(const std::string& symbol, const std::string& area, const std::string& address,
                            const std::string& type, const std::string& comment) {
    return "126," + Padded(symbol, 24) + Padded(area, 3) + " " + Padded(address, 7) + Padded(type, 8) + comment;
}

GeneratedProject GenerateProject(const ProjectShape& shape, const std::string& folder) {
    return Generator(shape, folder).Run();
}

}  // namespace tessaro::bench
