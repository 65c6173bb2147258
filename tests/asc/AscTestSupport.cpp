#include "AscTestSupport.h"

#include "devicedb/DeviceDBService.h"
#include "messages/LanguageManager.h"
#include "messages/MessengerClock.h"
#include "messages/SharedMessenger.h"

#include <filesystem>

namespace tessaro::test {

ImportScope::ImportScope(int32_t deviceCode) {
    FixMessengerTime(2026, 12, 4, 7, 22, 6);
    CurrentCountryCode = "44";
    SharedMessenger = std::make_shared<Messenger>();
    SharedMessenger->CreateMsgFiles();
    OpenDeviceDB(deviceCode);
}

ImportScope::~ImportScope() {
    CloseDeviceDB();
    SharedMessenger.reset();
    CurrentCountryCode.clear();
    SetThreadMessengerTime(std::nullopt);
}

std::string ImportScope::MergedMessages() {
    SharedMessenger->AppendAllFiles();
    std::string merged;
    if (std::filesystem::exists(layout.merged)) {
        merged = ReadFile(layout.merged);
        std::filesystem::remove(layout.merged);
    }
    SharedMessenger = std::make_shared<Messenger>();
    SharedMessenger->CreateMsgFiles();
    return merged;
}

}  // namespace tessaro::test
