// The data-block import of a whole file, with a symbol table imported first, as the
// driver runs it: UDT pre-pass, symbol table, data blocks.
//
// Input: the symbol table, a line "%%", then the data-block source; without that line
// the whole input is the data-block source and the symbol table is empty.
//
// Invariants: nothing escapes an importer; every variable in the collection has a data
// area and is found under its own key, and no two share a key; within a block whose
// header is not repeated, byte addresses never decrease; every value line run through
// the element record alone fails, if at all, with a RuntimeError.
#include "FuzzSupport.h"
#include "asc/InfoASCImportedVariable.h"
#include "awl/DataBlockLayout.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/InfoUDTImportedVariable.h"
#include "awl/UDTInfoRecord.h"
#include "awl/VariableAWLInfoRecord.h"
#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

#include <map>
#include <set>
#include <string>

namespace {

using namespace tessaro;
constexpr int32_t kDevice = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto [symbols, source] = fuzz::SplitAt(input, "\r\n%%\r\n");
    if (source.empty() && symbols.size() == input.size()) std::swap(symbols, source);
    fuzz::OpenImport();

    auto udts = std::make_shared<UDTCollection>();
    VariableCollection variables;
    std::string sourcePath = fuzz::WriteInput("Blocks.AWL", source);
    {
        InfoUDTImportedVariable pre;
        pre.DataSource->SourceId = sourcePath;
        pre.GetImportedVariables(*udts);
    }
    {
        InfoASCImportedVariable asc;
        asc.DataSource->SourceId = fuzz::WriteInput("Symbols.ASC", symbols);
        asc.UDTs = udts;
        asc.DeviceId = kDevice;
        asc.GetImportedVariables(variables);
    }
    std::set<const Variable*> fromSymbols;
    for (const VariablePtr& v : variables) fromSymbols.insert(v.get());
    {
        InfoAWLImportedVariable awl;
        awl.DataSource->SourceId = sourcePath;
        awl.UDTs = udts;
        awl.DeviceId = kDevice;
        awl.GetImportedVariables(variables);  // nothing may escape
    }

    // The headers of the file, by block name, counted.
    std::map<std::string, int, std::less<>> headers;
    std::vector<std::string_view> valueLines;
    for (size_t from = 0; from < source.size();) {
        size_t cr = source.find('\r', from);
        std::string_view line = source.substr(from, cr == std::string_view::npos ? std::string_view::npos : cr - from);
        if (line.substr(0, 10) == "DATA_BLOCK") ++headers[std::string(TrimBlanks(Columns(line, 11, 20)))];
        if (Contains(line, ":=")) valueLines.push_back(line);
        if (cr == std::string_view::npos) break;
        from = cr + 1 + (cr + 1 < source.size() && source[cr + 1] == '\n');
    }

    std::set<std::string> keys;
    std::map<std::string, int32_t> lastAddress;  // per block, the byte address last seen
    for (const VariablePtr& v : variables) {
        fuzz::Check(v && v->DataAreaId != 0, "a variable without data area was added");
        fuzz::Check(v->DeviceId == kDevice, "a variable without the importer's device");
        std::string key = VariableKey(v->Name, kDevice);
        fuzz::Check(keys.insert(key).second, "two variables under one key");
        fuzz::Check(variables.Item(key) == v, "a variable not found under its own key");
        if (fromSymbols.count(v.get())) continue;
        const std::string* block = nullptr;
        int matches = 0;
        for (const auto& [name, count] : headers) {
            if (v->Name.size() > name.size() && v->Name.compare(0, name.size(), name) == 0 && v->Name[name.size()] == '.') {
                ++matches;
                if (count == 1) block = &name;
            }
        }
        if (matches != 1 || !block) continue;
        auto [at, first] = lastAddress.try_emplace(*block, v->FieldAdd2);
        fuzz::Check(first || v->FieldAdd2 >= at->second, "a byte address decreased within a block");
        at->second = v->FieldAdd2;
    }

    // The element record alone, on every value line, with the tables the import left,
    // placed by one layout: it lands where the layout puts it, never before the last.
    DataBlockLayout layout;
    int32_t address = 0;
    for (std::string_view line : valueLines) {
        VariableAWLInfoRecord record;
        record.SourceLine = std::string(line);
        record.DBName = "DB 1";
        record.DBNumber = 1;
        record.Layout = &layout;
        record.UDTs = udts;
        try {
            layout.BeginLine(line);
            record.GetVariableInfoRecord();
            fuzz::Check(record.DataLength >= 0, "an element of negative length");
            int32_t at = layout.Place(record.VariableInfoRecord->TagAttribute, record.DataLength);
            fuzz::Check(at == record.VariableInfoRecord->FieldAdd2, "the record and the layout disagree");
            fuzz::Check(at >= address, "the layout moved an element backwards");
            address = at;
        } catch (const RuntimeError&) {
        }
    }
    return 0;
}
