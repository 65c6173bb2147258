#pragma once
// A user-defined type as the data-block import needs it: its number and, in the order of
// the definition, its STRING fields with their declared lengths.

#include <tessaro/Collection.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tessaro {

struct UDTField {
    std::string Name;  // upper case, without surrounding blanks
    int16_t Length = 0;
};

struct UDTInfoRecord {
    int16_t Number = 0;
    std::shared_ptr<Collection<std::shared_ptr<UDTField>>> Fields;
};

}  // namespace tessaro
