#include "awl/DeclarationTables.h"

namespace tessaro {

thread_local DeclarationTable DeclaredStrings;
thread_local DeclarationTable DeclaredUDTs;

void ResetDeclarationTables() {
    DeclaredStrings.assign(1, DeclarationEntry{});
    DeclaredUDTs.assign(1, DeclarationEntry{});
}

}  // namespace tessaro
