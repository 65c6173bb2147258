#include <tessaro/Platform.h>

#include "driver/ImportContext.h"
#include "messages/LanguageManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace tessaro {
namespace {

TEST(ComponentFolder, ThreadOverridesProcessOverridesEnvironmentOverridesLibrary) {
    unsetenv("TESSARO_COMPONENT_DIR");
    std::string library = ComponentFolder();
    // The folder of libtessaro.so itself.
    EXPECT_TRUE(std::filesystem::exists(library + "/libtessaro.so")) << library;

    setenv("TESSARO_COMPONENT_DIR", "/env/dir/", 1);
    EXPECT_EQ(ComponentFolder(), "/env/dir");  // no trailing separator
    SetComponentFolder("/process/dir");
    EXPECT_EQ(ComponentFolder(), "/process/dir");
    SetThreadComponentFolder("/thread/dir");
    EXPECT_EQ(ComponentFolder(), "/thread/dir");
    std::string seenByOtherThread;
    std::thread([&] { seenByOtherThread = ComponentFolder(); }).join();
    EXPECT_EQ(seenByOtherThread, "/process/dir");

    SetThreadComponentFolder("");
    SetComponentFolder("");
    EXPECT_EQ(ComponentFolder(), "/env/dir");
    unsetenv("TESSARO_COMPONENT_DIR");
    EXPECT_EQ(ComponentFolder(), library);
}

// A message without a text (there are six) warns through the host's handler, or on
// standard error without one, and gives empty text.
TEST(HostHooks, AMissingMessageTextWarnsTheHostAndGivesNothing) {
    StartImport()->CurrentCountryCode = "44";  // English
    std::string seen;
    SetWarningHandler([](const std::string& text, void* context) { *static_cast<std::string*>(context) = text; }, &seen);
    EXPECT_EQ(GetMessageText(7), "");
    EXPECT_EQ(seen, "Unable to read texts from resource file (MSG 7)");
    SetWarningHandler(nullptr, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetMessageText(0), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Unable to read texts from resource file (MSG 0)\n"),
              std::string::npos);
    EXPECT_EQ(GetMessageText(6), "A variable with the same name has been found so this cannot be imported");
}

}  // namespace
}  // namespace tessaro
