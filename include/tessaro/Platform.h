#pragma once
// What a host can set about the component's surroundings: its folder, the hook that
// yields to the host once per line read, and the channel for warnings that the
// component would otherwise show in a message box.

#include <string>

namespace tessaro {

// The component's folder: message files are written there, the merged message file one
// level up, and the device database KorvoDEV.dbr two levels up. Chosen, in this order, by
// SetThreadComponentFolder, SetComponentFolder, the environment variable
// TESSARO_COMPONENT_DIR, and the folder of the library file itself. An empty text
// clears an override. Written without a trailing separator.
void SetComponentFolder(const std::string& folder);
void SetThreadComponentFolder(const std::string& folder);
std::string ComponentFolder();

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
