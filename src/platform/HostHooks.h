#pragma once
// The component's side of the host hooks declared in <tessaro/Platform.h>.

#include <string>

namespace tessaro {

// Lets the host process its pending events; once per line of an importer's main loop.
void YieldToHost();

// Shows a warning the way the host chose (standard error by default).
void Warn(const std::string& text);

}  // namespace tessaro
