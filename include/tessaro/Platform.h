#pragma once
// What a host can set about the component's surroundings: its folder, the hook that
// yields to the host once per line read, and the channel for warnings that the
// component would otherwise show in a message box.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

// The component's folder: message files are written there, the merged message file one
// level up, and the device database KorvoDEV.dbr two levels up. Chosen, in this order, by
// SetThreadComponentFolder, SetComponentFolder, the environment variable
// TESSARO_COMPONENT_DIR, and the folder of the library file itself. An empty text
// clears an override. Written without a trailing separator.
void SetComponentFolder(const std::string& folder);
void SetThreadComponentFolder(const std::string& folder);
std::string ComponentFolder();

// The message language of the imports on the calling thread, by LanguageId (1 English,
// 2 Italian, 3 French, 4 Spanish, 5 German, 6 Chinese), in place of the LanguageId
// setting of the settings hives; 0 clears it, and the setting chooses again.
void SetThreadLanguageId(int32_t languageId);
// The LanguageId a language is named by: "en", "it", "fr", "es", "de", "zh" in any letter
// case, or its number "1" to "6"; none for anything else.
std::optional<int32_t> LanguageIdNamed(std::string_view name);
inline constexpr int32_t kChineseLanguageId = 6;

// Called once per line of the importers' main loops, on the importing thread. A no-op
// until a host installs a hook; nullptr removes it.
using YieldHook = void (*)(void* context);
void SetYieldHook(YieldHook hook, void* context);

// Receives the texts the component would show in a warning box, e.g.
// "Unable to read texts from resource file (MSG 7)". The default writes one line to
// standard error. The handler must not block; the component goes on afterwards.
using WarningHandler = void (*)(const std::string& text, void* context);
void SetWarningHandler(WarningHandler handler, void* context);

}  // namespace tessaro
