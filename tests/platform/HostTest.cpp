#include <tessaro/Platform.h>

#include "platform/HostHooks.h"

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

TEST(HostHooks, YieldAndWarningReachTheHostsHandlers) {
    YieldToHost();  // no hook: nothing happens
    int calls = 0;
    SetYieldHook([](void* context) { ++*static_cast<int*>(context); }, &calls);
    YieldToHost();
    YieldToHost();
    EXPECT_EQ(calls, 2);
    SetYieldHook(nullptr, nullptr);
    YieldToHost();
    EXPECT_EQ(calls, 2);

    std::string seen;
    SetWarningHandler([](const std::string& text, void* context) { *static_cast<std::string*>(context) = text; },
                      &seen);
    Warn("Unable to read texts from resource file (MSG 7)");
    EXPECT_EQ(seen, "Unable to read texts from resource file (MSG 7)");
    SetWarningHandler(nullptr, nullptr);
    testing::internal::CaptureStderr();
    Warn("to standard error");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("to standard error\n"), std::string::npos);
}

}  // namespace
}  // namespace tessaro
