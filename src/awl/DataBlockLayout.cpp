#include "awl/DataBlockLayout.h"

#include "platform/Text.h"

namespace tessaro {
namespace {

// Whether two value lines lie in different structures: the path of the current one has
// no "." or differs from the previous one before its first or its last ".".
bool StructureChanged(std::string_view previous, std::string_view current) {
    size_t dot = current.find('.');
    if (dot == std::string_view::npos) return true;
    if (previous.substr(0, previous.find('.')) != current.substr(0, dot)) return true;
    return previous.substr(0, previous.rfind('.')) != current.substr(0, current.rfind('.'));
}

}  // namespace

void DataBlockLayout::BeginLine(std::string_view valueLine) {
    if (bits_ != 0 && Contains(previousLine_, ".") && StructureChanged(previousLine_, valueLine)) {
        bits_ = 0;
        byte_ = AddInt32(byte_, 1);
        if (byte_ % 2 != 0) byte_ = AddInt32(byte_, 1);
    }
    previousLine_ = valueLine;
}

int32_t DataBlockLayout::NextByte(std::string_view type, int32_t length) const {
    int32_t at = byte_;
    // An element that is not a bit closes an open run of bits.
    if (length != 0 && bits_ != 0) at = AddInt32(at, 1);
    // Elements of two bytes or more start on an even byte.
    if (at % 2 != 0 && length > 1) at = AddInt32(at, 1);
    // A bit after eight used bits opens the next byte.
    if (type == "BOOL" && (length == 0 || length == 1) && bits_ > 7) at = AddInt32(at, 1);
    return at;
}

int32_t DataBlockLayout::NextBit(std::string_view type, int32_t length) const {
    return length == 0 && type == "BOOL" && bits_ < 8 ? bits_ : 0;
}

int32_t DataBlockLayout::Place(std::string_view type, int32_t length) {
    const int32_t at = NextByte(type, length);
    if (length == 0 && type == "BOOL" && bits_ < 8) {
        ++bits_;
    } else if (length == 0 && type == "BOOL") {
        byte_ = at;
        bits_ = 1;
    } else {
        byte_ = AddInt32(at, length);
        bits_ = 0;
    }
    return at;
}

}  // namespace tessaro
