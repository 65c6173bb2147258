#include "platform/HostHooks.h"
#include "platform/System.h"

#include <tessaro/Platform.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace tessaro {
namespace {

struct Yield {
    YieldHook hook;
    void* context;
};
std::atomic<const Yield*> yield{nullptr};
std::mutex yieldGuard;
std::vector<std::unique_ptr<Yield>> yieldsInstalled;  // kept: a thread may still be calling one

std::mutex warningGuard;
WarningHandler warningHandler = nullptr;
void* warningContext = nullptr;

}  // namespace

void SetYieldHook(YieldHook hook, void* context) {
    std::lock_guard lock(yieldGuard);
    const Yield* installed = nullptr;
    if (hook) {
        yieldsInstalled.push_back(std::make_unique<Yield>(Yield{hook, context}));
        installed = yieldsInstalled.back().get();
    }
    yield.store(installed, std::memory_order_release);
}

void YieldToHost() {
    if (const Yield* y = yield.load(std::memory_order_acquire)) {
        y->hook(y->context);
    } else {
        YieldDefault();
    }
}

void SetWarningHandler(WarningHandler handler, void* context) {
    std::lock_guard lock(warningGuard);
    warningHandler = handler;
    warningContext = context;
}

void Warn(const std::string& text) {
    WarningHandler handler;
    void* context;
    {
        std::lock_guard lock(warningGuard);
        handler = warningHandler;
        context = warningContext;
    }
    if (handler) {
        handler(text, context);
    } else {
        ShowWarningDefault(text);
    }
}

}  // namespace tessaro
