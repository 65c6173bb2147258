// Placeholder until language selection lands.
#include "messages/LanguageManager.h"

namespace tessaro {

thread_local std::string CurrentCountryCode;

int32_t GetCountryCode() { return 44; }
std::string GetMessageText(int32_t) { return {}; }

}  // namespace tessaro
