#pragma once
// LanguageManager: chooses the language of the message texts and hands a text
// out by its number.
//
// The language is the setting LanguageId, read first from the per-user hive and then
// from the machine hive (src/platform/Registry.h), under the key path written on the
// first line of the nearest "RegKeys.sys" at or above the component's folder. Every
// failure on that road gives English.
//
// All texts in and out are in the component's code page (<tessaro/CodePage.h>).

#include <cstdint>
#include <string>

namespace tessaro {

// The country code of the language chosen by LanguageId: 1 → 44 (English), 2 → 39
// (Italian), 3 → 33 (French), 4 → 34 (Spanish), 5 → 49 (German), 6 → 86 (Chinese);
// anything else, and every failure, 44. Never fails.
int32_t GetCountryCode();

// The text of message 1 to 6 in the language of CurrentCountryCode, that of the
// thread's import (driver/ImportContext.h). When there is no such text, warns "Unable
// to read texts from resource file (MSG n)" through the host's warning channel and gives
// empty text.
std::string GetMessageText(int32_t messageNumber);

// The setting valueName: the per-user value if it is not empty, else the machine's,
// else defaultValue. Fails (from ReadRegistryKeyPath) when no key path can be read.
std::string GetSetting(const std::string& valueName, const std::string& defaultValue);

// The value valueName of keyPath under hive (kHKeyCurrentUser or kHKeyLocalMachine) as
// text: types 1 and 2 up to their first zero byte (unexpanded), type 4 as signed
// decimal, every other type empty; empty too when the key or value cannot be read or
// the value is larger than 1024 bytes. Never fails.
std::string ReadRegistryValue(uint32_t hive, const std::string& keyPath, const std::string& valueName);

// The key path: CachedKeyPath, or, while that is empty, the first line of the file
// FindRegKeysFile finds (which becomes CachedKeyPath). The first line ends at CR, LF or
// CR LF; a leading UTF-8 byte-order mark is dropped and the rest read as UTF-8 then.
// Fails with FileNotFound (53) when there is no such file, PathFileAccessError (75) when
// it cannot be read.
std::string ReadRegistryKeyPath();

// The full path of the nearest "RegKeys.sys" (an ordinary file; the name as written)
// in the component's folder or a folder above it, up to the root; empty when none.
std::string FindRegKeysFile();

// CachedKeyPath: kept for the life of the process, shared by all threads and guarded by
// a lock. A changed "RegKeys.sys" takes effect only after ResetCachedKeyPath (or in a new
// process).
std::string CachedKeyPath();
void ResetCachedKeyPath();

}  // namespace tessaro
