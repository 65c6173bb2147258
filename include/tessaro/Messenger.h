#pragma once
// The message log of an import: every kind of report goes to its own partial file
// (1.Msg to 6.Msg in the component's folder) under group lines; AppendAllFiles merges the
// non-empty ones under titles in the chosen language into Messenger.Msg, one folder up.
// Texts are in the component's code page; every line ends with CR LF.

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace tessaro {

class Messenger {
public:
    Messenger();
    ~Messenger();
    Messenger(const Messenger&) = delete;
    Messenger& operator=(const Messenger&) = delete;

    std::string DeviceName;
    std::string MessengerFile;
    std::string DB;  // the group title of the records that follow

    void CreateMsgFiles();
    void RecordVariableNoForKORVO(std::string_view varName);
    void RecordVariableDBIncomplete(std::string_view varName);
    void RecordVariableWithSameName(std::string_view varName, std::string_view FileName);
    void RecordFileError(std::string_view FileName);
    void RecordCheckVariable(std::string_view varName);
    void RecordKORVOTypeConversion(std::string_view varName, std::string_view OldType, std::string_view NewType);
    void AppendAllFiles();

private:
    void WriteRecord(int file, std::string_view line);
    void WriteGroupedRecord(int file, std::string_view line);

    std::array<std::FILE*, 7> MsgFileNumbers{};  // index 1 to 6
    std::array<std::string, 7> LastDB;
};

}  // namespace tessaro
