// The number in a text and its narrowing: never a crash, only the overflow error, and
// each narrowing inside its range.
#include "FuzzSupport.h"
#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

#include <cmath>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessaro;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    double value = 0;
    try {
        value = NumberIn(text);
    } catch (const RuntimeError& e) {
        fuzz::Check(e.Number == Overflow, "NumberIn failed with another error than overflow");
        return 0;
    }
    fuzz::Check(std::isfinite(value), "NumberIn gave a value that is no number");
    // Appending a character that cannot continue a number changes nothing.
    fuzz::Check(NumberIn(std::string(text) + "x") == value, "a trailing letter changed the number");
    auto narrows = [&](auto narrow, double low, double high) {
        try {
            double n = static_cast<double>(narrow(value));
            fuzz::Check(n >= low && n <= high, "narrowed value out of range");
            fuzz::Check(std::fabs(n - value) <= 1.0, "narrowed value too far from the number");
        } catch (const RuntimeError& e) {
            fuzz::Check(e.Number == Overflow, "narrowing failed with another error than overflow");
            fuzz::Check(value < low || value > high, "overflow inside the range");
        }
    };
    narrows([](double v) { return TruncateToInt32(v); }, -2147483648.0, 2147483647.0);
    narrows([](double v) { return RoundToInt32(v); }, -2147483648.0, 2147483647.0);
    narrows([](double v) { return RoundToInt16(v); }, -32768.0, 32767.0);
    return 0;
}
