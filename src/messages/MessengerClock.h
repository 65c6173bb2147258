#pragma once
// Internal: the local time that Messenger::AppendAllFiles writes into the header of the
// merged message file. Tests fix it so whole files can be compared byte for byte.

#include <ctime>
#include <optional>

namespace tessaro {

// Fixes the header time for the calling thread; std::nullopt returns to the clock.
void SetThreadMessengerTime(std::optional<std::tm> localTime);

// The fixed time of the calling thread, or the current local time.
std::tm MessengerLocalTime();

}  // namespace tessaro
