#pragma once
// A count with its noun, in the singular for exactly one: "1 line", "2 lines".

#include <string>

namespace tessaro::cli {

inline std::string Counted(size_t count, const std::string& singular, const std::string& plural = "") {
    return std::to_string(count) + " " + (count == 1 ? singular : plural.empty() ? singular + "s" : plural);
}

}  // namespace tessaro::cli
