#pragma once
// Where the elements of one data block lie: the next free byte and the BOOL bits used in
// it. An element of two bytes or more starts on an even byte; a run of bits shares a
// byte until its ninth bit and is closed by an element that is not a bit, or by a value
// line of another structure than the line before it, after which the next even byte
// follows. A length is what the element occupies in bytes, 0 for a BOOL bit.
//
// For each value line: BeginLine, then NextByte as often as asked, then Place.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

class DataBlockLayout {
public:
    explicit DataBlockLayout(int32_t nextByte = 0, int32_t usedBits = 0) : byte_(nextByte), bits_(usedBits) {}

    // A value line begins: a run of bits whose structure ended before it is closed.
    void BeginLine(std::string_view valueLine);
    // The byte where the line's element of this type and length goes.
    int32_t NextByte(std::string_view type, int32_t length) const;
    // The bit in that byte where a BOOL bit goes (0 to 7); 0 for any other element.
    int32_t NextBit(std::string_view type, int32_t length) const;
    // Places that element, moving the counters past it; gives its byte.
    int32_t Place(std::string_view type, int32_t length);

private:
    int32_t byte_;
    int32_t bits_;
    std::string previousLine_;  // the value line before
};

}  // namespace tessaro
