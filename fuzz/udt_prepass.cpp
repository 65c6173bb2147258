// The UDT pre-pass over a whole file: nothing escapes it, and the definitions it appends
// are exactly those of a plain reference walking the same lines in memory; a file error
// is reported exactly when the reference meets a failure, and then the records read
// before it are kept and the open one is not.
#include "FuzzSupport.h"
#include "awl/InfoUDTImportedVariable.h"
#include "awl/UDTInfoRecord.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace tessaro;

struct Definition {
    int16_t number = 0;
    std::vector<std::pair<std::string, int16_t>> fields;
};

// Lines as the reader gives them: cut at CR or CR LF, no empty line after a final end.
std::vector<std::string_view> LinesOf(std::string_view input) {
    std::vector<std::string_view> lines;
    size_t from = 0;
    while (from < input.size()) {
        size_t cr = input.find('\r', from);
        if (cr == std::string_view::npos) {
            lines.push_back(input.substr(from));
            break;
        }
        lines.push_back(input.substr(from, cr - from));
        from = cr + 1 + (cr + 1 < input.size() && input[cr + 1] == '\n');
    }
    return lines;
}

// The pre-pass walked over lines; sets failed when it would end in a file error.
std::vector<Definition> Reference(const std::vector<std::string_view>& lines, bool& failed) {
    std::vector<Definition> out;
    failed = false;
    size_t next = 0;
    auto atEnd = [&] { return next >= lines.size(); };
    std::string_view line;
    int phase = 0;
    Definition open;
    try {
        while (!atEnd()) {
            line = lines[next++];
            if (phase == 0) {
                while (line.substr(0, 8) != "TYPE UDT" && !atEnd()) line = lines[next++];
                if (atEnd()) break;
                open = Definition{RoundToInt16(NumberIn(Columns(line, 9, 20))), {}};
                phase = 1;
            } else if (phase == 1) {
                while (line.find("STRUCT") == std::string_view::npos && !atEnd()) line = lines[next++];
                if (atEnd()) break;
                phase = 2;
            } else {
                while (line.find("END_TYPE") == std::string_view::npos && !atEnd()) {
                    std::string upper = UpperCase(line);
                    if (upper.find(": STRING  [") != std::string::npos) {
                        size_t colon = upper.find(" : ");
                        std::string name = colon == std::string::npos ? "" : std::string(TrimBlanks(upper.substr(0, colon)));
                        size_t open_ = upper.find('[');
                        size_t close = upper.find(']', open_ + 1);
                        if (close == std::string::npos) throw RuntimeError(InvalidArgument);
                        open.fields.emplace_back(name, RoundToInt16(NumberIn(std::string_view(upper).substr(open_ + 1, close - open_ - 1))));
                    }
                    line = lines[next++];
                }
                out.push_back(open);
                phase = 0;
            }
        }
    } catch (const RuntimeError&) {
        failed = true;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    fuzz::OpenImport();
    InfoUDTImportedVariable importer;
    importer.DataSource->SourceId = fuzz::WriteInput("Types.AWL", input);
    UDTCollection definitions;
    importer.GetImportedVariables(definitions);  // nothing may escape
    CurrentImport().SharedMessenger.reset();
    std::ifstream errors(fuzz::ComponentLayout() + "/3.Msg", std::ios::binary);
    std::stringstream reported;
    reported << errors.rdbuf();

    bool failed = false;
    std::vector<Definition> expected = Reference(LinesOf(input), failed);
    fuzz::Check(failed == !reported.str().empty(), "a file error reported differently from the reference");
    fuzz::Check(definitions.Count() == expected.size(), "another number of definitions than the reference");
    size_t i = 0;
    for (const auto& udt : definitions) {
        const Definition& want = expected[i++];
        fuzz::Check(udt && udt->Fields, "a definition without its fields");
        fuzz::Check(udt->Number == want.number, "a definition number differs from the reference");
        fuzz::Check(udt->Fields->Count() == want.fields.size(), "another number of fields than the reference");
        size_t j = 0;
        for (const auto& field : *udt->Fields) {
            fuzz::Check(field->Name == want.fields[j].first && field->Length == want.fields[j].second,
                        "a field differs from the reference");
            fuzz::Check(field->Name == UpperCase(field->Name) && field->Name == TrimBlanks(field->Name),
                        "a field name not upper case or not trimmed");
            ++j;
        }
    }
    return 0;
}
