// tessaro_generate FOLDER SYMBOLS BLOCKS ELEMENTS_PER_BLOCK [SEED]: writes a generated
// Project.ASC and Project.AWL into FOLDER and prints their line counts.

#include "ProjectGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: %s FOLDER SYMBOLS BLOCKS ELEMENTS_PER_BLOCK [SEED]\n", argv[0]);
        return 2;
    }
    tessaro::bench::ProjectShape shape;
    shape.Symbols = std::strtoull(argv[2], nullptr, 10);
    shape.Blocks = std::strtoull(argv[3], nullptr, 10);
    shape.ElementsPerBlock = std::strtoull(argv[4], nullptr, 10);
    if (argc == 6) shape.Seed = std::strtoull(argv[5], nullptr, 10);
    try {
        auto project = tessaro::bench::GenerateProject(shape, argv[1]);
        std::printf("%s: %zu lines\n%s: %zu lines, %zu value lines\n", project.SymbolTable.c_str(), project.SymbolLines,
                    project.DataBlocks.c_str(), project.DataBlockLines, project.ValueLines);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessaro_generate: %s\n", error.what());
        return 1;
    }
    return 0;
}
