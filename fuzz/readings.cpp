// The readings beyond the component's own, on one input: the line reader with lone LFs as
// line ends and tabs as blanks (in columns and as value indentation), each checked
// against a plain rendering of the same rule, every third line only its start (as the
// first read of a symbol table takes it); then the symbol-table importer with every
// reading on. Lines hold no CR or LF, no tab survives, and a variable's operand area is
// of the mnemonics the file was read with.
#include "FuzzSupport.h"
#include "asc/InfoASCImportedVariable.h"
#include "asc/VariableASCInfoRecord.h"
#include "platform/LineReader.h"

#include <string>
#include <vector>

namespace {

using namespace tessaro;

// The lines as the rule has them: CR LF, CR and LF each end a line; no empty last line.
std::vector<std::string> Lines(std::string_view in) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' || in[i] == '\n') {
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back().push_back(in[i]);
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

std::string Expanded(const std::string& line, LineReader::Tabs tabs) {
    if (tabs == LineReader::Tabs::AsWritten || line.find('\t') == std::string::npos) return line;
    std::string out;
    size_t i = 0;
    if (tabs == LineReader::Tabs::ToValueIndentation) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        out = line.substr(0, i).find('\t') == std::string::npos ? line.substr(0, i) : "   ";
    }
    for (; i < line.size(); ++i) {
        if (line[i] != '\t') out.push_back(line[i]);
        else if (tabs == LineReader::Tabs::ToColumns) out.append(8 - out.size() % 8, ' ');
        else out.push_back(' ');
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::WriteInput("Readings.ASC", data, size);
    const std::vector<std::string> expected = Lines(input);
    for (auto tabs : {LineReader::Tabs::AsWritten, LineReader::Tabs::ToColumns, LineReader::Tabs::ToValueIndentation}) {
        LineReader reader(path, true, tabs);
        size_t n = 0;
        while (!reader.AtEnd()) {
            const size_t count = n % 3 == 2 ? n % 64 : std::string_view::npos;
            std::string_view line = reader.ReadLineStart(count);
            fuzz::Check(line.find_first_of("\r\n") == std::string_view::npos, "a line holds a line end");
            fuzz::Check(n < expected.size(), "more lines than the input holds");
            fuzz::Check(line == std::string_view(Expanded(expected[n], tabs)).substr(0, count),
                        "a line differs from the rule");
            ++n;
        }
        fuzz::Check(n == expected.size() && reader.Lines() == n, "fewer lines than the input holds");
    }

    // The whole input as one symbol table, every reading on.
    fuzz::OpenImport();
    ImportContext& import = CurrentImport();
    import.Options = ImportOptions::AsFound();
    import.Readings.clear();
    MnemonicsMet met;
    for (const std::string& line : expected) {
        const std::string columns = Expanded(line, LineReader::Tabs::ToColumns);
        const SymbolLineColumns fields = SplitSymbolLine(columns);
        if (!fields.Symbol.empty()) met.Note(fields.OperandArea);
    }
    InfoASCImportedVariable importer;
    importer.DataSource->SourceId = path;
    VariableCollection variables;
    importer.GetImportedVariables(variables);  // nothing may escape
    import.Options = ImportOptions();
    fuzz::Check(import.Readings.size() == 1, "not one reading for the file");
    const FileReading& reading = import.Readings.front();
    fuzz::Check(reading.FileError || reading.Lines == expected.size(), "the reading's lines are not the file's");
    fuzz::Check(reading.FileError || reading.EnglishMnemonics == (met.Chosen() == ImportOptions::Mnemonics::English),
                "the mnemonics chosen differ from the file's");
    fuzz::Check(reading.MixedMnemonics == met.Mixed() || reading.FileError, "a mix not said, or said wrongly");
    fuzz::Check(variables.Count() == reading.Added && reading.Added <= reading.Entries, "the counts do not add up");
    for (const VariablePtr& v : variables) fuzz::Check(v && v->DataAreaId != 0, "a variable without data area was added");
    return 0;
}
