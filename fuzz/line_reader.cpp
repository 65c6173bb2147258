// The line reader: the lines it gives, joined again with CR, are the input with every
// CR LF made a CR and one final terminator dropped.
#include "FuzzSupport.h"
#include "platform/LineReader.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessaro;
    std::string path = fuzz::WriteInput("lines.txt", data, size);
    LineReader reader(path);
    std::string joined;
    bool first = true;
    while (!reader.AtEnd()) {
        std::string_view line = reader.ReadLine();
        fuzz::Check(line.find('\r') == std::string_view::npos, "a line holds a CR");
        if (!first) joined.push_back('\r');
        joined.append(line);
        first = false;
    }
    std::string expected;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    for (size_t i = 0; i < in.size(); ++i) {
        expected.push_back(in[i]);
        if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
    }
    if (!expected.empty() && expected.back() == '\r') expected.pop_back();
    fuzz::Check(joined == expected, "lines joined differ from the input");
    return 0;
}
