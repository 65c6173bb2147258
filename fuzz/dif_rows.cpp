// The rows of a DIF symbol table (SymbolRowsCheck.h).
#include "SymbolRowsCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tessaro::fuzz::CheckSymbolRows(data, size, tessaro::SymbolRowFormat::DIF, "Symbols.DIF");
    return 0;
}
