#pragma once
// Generated projects of any size for benchmarks and end-to-end tests: a symbol table
// (".ASC") and a data-block source (".AWL"), CR LF, deterministic for a seed.
//
// The symbol table covers every operand area and data type the importer knows, plus
// areas and types it does not, a symbol for every data block, and now and then a name
// repeated in another letter case. The data-block source opens with two UDTs and then
// holds numbered and symbolic blocks of a chosen number of value lines each: BOOL runs,
// nested STRUCTs, arrays, STRINGs, UDT instances and every literal form; some blocks
// are instance blocks, and one symbolic block may lack its symbol.
//
// The generator writes the files line by line and keeps only what a test needs to check
// an import against: how many records and reports each file must give, and for a
// sample of records every field, their place in Variables and the reports they cause.
// Those expectations come from the generator's own layout of what it wrote (byte
// offsets, device type names as text), never from the importers' code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::bench {

struct ProjectShape {
    uint64_t Seed = 1;
    size_t Symbols = 0;           // symbol lines besides the blocks' own symbols
    size_t Blocks = 0;            // data blocks
    size_t ElementsPerBlock = 0;  // value lines per block
    size_t IncompleteBlocks = 0;  // symbolic blocks without a symbol (skipped by the import)
    bool Duplicates = true;       // now and then a symbol repeated in another letter case
    size_t SampleEvery = 0;       // keep every n-th record's expectations; 0: none
    std::string SymbolTableName = "Project.ASC";
    std::string DataBlocksName = "Project.AWL";
};

// One line of a partial message file that a record causes: the file (1 conversion,
// 2 same name, 4 not for the device, 6 to check), the group title in force and the line.
struct ExpectedReport {
    int File = 0;
    std::string Group;
    std::string Line;
};

// A record as the import must leave it. Data area and type are given by their device
// names; the test knows the identifiers of its device database.
struct ExpectedVariable {
    size_t Position = 0;  // 1-based place in Variables after the whole import
    std::string Name;
    std::string SectionName;
    std::string DataArea;  // "" for none
    std::string DataType;  // "" for none
    std::string TagAttribute;
    int32_t NestingLevel = 0;
    int32_t VariableLen = 0;
    int32_t FieldAdd1 = 0;
    int32_t FieldAdd2 = 0;
    bool Sign = false;
    bool Warning = false;
    std::vector<ExpectedReport> Reports;
};

struct GeneratedProject {
    std::string SymbolTable;  // full paths of the written files
    std::string DataBlocks;
    size_t SymbolLines = 0;       // lines of the symbol table
    size_t DataBlockLines = 0;    // lines of the data-block source
    size_t ValueLines = 0;        // value lines of imported blocks
    size_t KeptSymbols = 0;       // symbols left in Variables after the whole import
    size_t Elements = 0;          // data-block elements added to Variables
    std::array<size_t, 7> Reports{};  // report lines (without group titles) per partial file 1-6
    std::vector<ExpectedVariable> Sample;  // in Variables order
    size_t VariableCount() const { return KeptSymbols + Elements; }
};

// Writes folder/SymbolTableName (when there are symbols or blocks) and
// folder/DataBlocksName (when there are blocks) and tells what an import of both, in
// this order and for any DeviceId, must give.
GeneratedProject GenerateProject(const ProjectShape& shape, const std::string& folder);

// The fixed symbol-table columns: 1-4, symbol 5-28, area 29-31, 32, address 33-39,
// type 40-47, comment from 48; CR LF.
std::string SymbolTableLine(const std::string& symbol, const std::string& area, const std::string& address,
                            const std::string& type, const std::string& comment);

}  // namespace tessaro::bench
