#pragma once
// The shared objects of a data-block import, set up the way the driver does: the
// component's folder with the fixture device database, the device database opened for
// a device code, and a message log with its partial files.

#include "TestSupport.h"
#include "devicedb/DeviceDBService.h"
#include "messages/SharedMessenger.h"

#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/Variable.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tessaro::test {

class AwlImport : public ::testing::Test {
protected:
    void Open(int32_t deviceCode = 1) {
        OpenDeviceDB(deviceCode);
        SharedMessenger = std::make_shared<Messenger>();
        SharedMessenger->CreateMsgFiles();
    }
    void SetUp() override { Open(); }
    void TearDown() override {
        CloseDeviceDB();
        SharedMessenger.reset();
    }

    // Writes lines, each ended by CR LF, into a file of the temporary folder.
    std::string Source(const std::string& name, std::initializer_list<std::string> lines) {
        WriteFile(layout.root / name, CrLf(lines));
        return layout.root / name;
    }

    // A variable as the symbol-table import leaves it, added under its key.
    VariablePtr Symbol(VariableCollection& variables, const std::string& name, const std::string& tag, int32_t address,
                       const std::string& section = "Plant.ASC (Symbol file)", int32_t deviceId = 1) {
        auto v = std::make_shared<Variable>();
        v->Name = name;
        v->TagAttribute = tag;
        v->FieldAdd1 = address;
        v->SectionName = section;
        v->DeviceId = deviceId;
        v->NestingLevel = 1;
        v->DataAreaId = 1;
        variables.Add(v, "_" + name + "_" + std::to_string(deviceId));
        return v;
    }

    // The bytes of partial message file n; the first call closes the message log.
    std::string Partial(int n) {
        SharedMessenger.reset();
        return ReadFile(layout.PartialFile(n));
    }

    ComponentLayout layout;
};


}  // namespace tessaro::test
