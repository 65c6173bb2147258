#pragma once
// What the reliability tests share: whole imports through the driver in a temporary
// component layout, symbol lines, and the yield hook as a place to act between passes.

#include "TestSupport.h"

#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessaro::test {


// Lines joined with CR LF, each ended by one.
inline std::string CrLf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

// The bundled sample device database: device 1 takes everything.
inline std::string SampleDeviceDbSql() { return ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"); }

inline DataSourceCollection Sources(const std::vector<std::string>& sourceIds) {
    DataSourceCollection sources;
    for (const auto& id : sourceIds) sources.Add(std::make_shared<DataSource>(DataSource{id}));
    return sources;
}

// Every variable as one line of its fields, in collection order.
inline std::vector<std::string> Dump(const VariableList& variables) {
    std::vector<std::string> lines;
    for (const auto& v : variables)
        lines.push_back(v->Name + "|" + v->SectionName + "|" + std::to_string(v->DeviceId) + "|" +
                        std::to_string(v->NestingLevel) + "|" + v->TagAttribute + "|" + std::to_string(v->DataAreaId) +
                        "|" + std::to_string(v->DataTypeId) + "|" + std::to_string(v->VariableLen) + "|" +
                        std::to_string(v->FieldAdd1) + "|" + std::to_string(v->FieldAdd2) + "|" +
                        std::to_string(v->Sign) + "|" + std::to_string(v->Warning));
    return lines;
}

// Installs a yield hook for the life of the object: the action runs at every yield with
// the number of yields so far (1 for the first).
class YieldAction {
public:
    explicit YieldAction(std::function<void(int)> action) : action_(std::move(action)) {
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

// Counts the yields of an import (one per line of an importer's main loop).
class YieldCounter : public YieldAction {
public:
    YieldCounter() : YieldAction([](int) {}) {}
};

}  // namespace tessaro::test
