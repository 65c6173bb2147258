#pragma once
// What the reliability tests share: whole imports through the driver in a temporary
// component layout, and the yield hook as a place to act between passes.

#include "TestSupport.h"

#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tessaro::test {

// The bundled sample device database: device 1 takes everything.
inline std::string SampleDeviceDbSql() { return ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"); }

// What one import through a fresh driver (device code 1) gives back.
struct Imported {
    bool result = false;
    std::vector<std::string> variables;  // every variable as one line of its fields
    std::string merged;                  // the merged message file, "" when there is none
};
inline Imported ImportWithDriver(const ComponentLayout& layout, const std::vector<std::string>& sourceIds,
                                 int32_t deviceId = 1) {
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = deviceId;
    driver.DeviceName = "Line " + std::to_string(deviceId);
    auto sources = Sources(sourceIds);
    Imported out;
    out.result = driver.GetVariables(sources);
    for (const auto& v : *driver.Variables) out.variables.push_back(RecordLine(*v));
    out.merged = std::filesystem::exists(layout.merged) ? ReadFile(layout.merged) : "";
    return out;
}

// Installs a yield hook for the life of the object: the action runs at every yield with
// the number of yields so far (1 for the first).
class YieldAction {
public:
    explicit YieldAction(std::function<void(int)> action = [](int) {}) : action_(std::move(action)) {
        SetYieldHook([](void* self) {
            auto* me = static_cast<YieldAction*>(self);
            me->action_(++me->count_);
        }, this);
    }
    ~YieldAction() { SetYieldHook(nullptr, nullptr); }
    YieldAction(const YieldAction&) = delete;
    YieldAction& operator=(const YieldAction&) = delete;
    int Count() const { return count_; }

private:
    std::function<void(int)> action_;
    int count_ = 0;
};

}  // namespace tessaro::test
