#pragma once
// Chooses the language of the message texts and hands a text out by its number.

#include <cstdint>
#include <string>

namespace tessaro {

// Decimal country code of the import's language ("44", "39", "33", "34", "49", "86"),
// fixed by the driver at the start of every import; one per thread.
extern thread_local std::string CurrentCountryCode;

int32_t GetCountryCode();
std::string GetMessageText(int32_t messageNumber);

}  // namespace tessaro
