#pragma once
// The message log of an import: every kind of report goes to its own partial file
// (1.Msg to 6.Msg in the component's folder) under group lines; AppendAllFiles merges the
// non-empty ones under titles in the chosen language into Messenger.Msg, one folder up.
// Texts are in the component's code page; every line ends with CR LF.
//
// Failures raise a RuntimeError: a record or AppendAllFiles before CreateMsgFiles
// BadFileNameOrNumber (52); a partial file that cannot be created, a file that cannot be
// opened, written or deleted PathFileAccessError (75) or FileNotFound (53). The partial
// files live in the component's folder as it was at CreateMsgFiles; the merged file is
// that folder followed by "/../Messenger.Msg". Files still open when a Messenger goes
// (after a failed import) are closed, not deleted.

#include <array>
#include <cstdint>
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

    // The line that opens a kind of report in the merged file: "-" and the text of the
    // given message number in the current language.
    static std::string TitleLine(int32_t messageNumber);
    // The number of the message text that titles partial file 1 to 6 in the merged file.
    static int32_t TitleMessageOfFile(int32_t file);
    // The records written since CreateMsgFiles, by partial file (1 to 6), group lines
    // not counted.
    const std::array<size_t, 7>& RecordCounts() const { return recordCounts_; }

private:
    // A record line goes into its file's pending bytes: StartRecord (after the group line,
    // when DB changed, with StartGroupedRecord) gives them to append the line to, EndRecord
    // ends the line and writes the pending bytes once they reach kWriteSize.
    std::string& StartRecord(int file);
    std::string& StartGroupedRecord(int file);
    void EndRecord(int file);
    void CopyMessageFile(std::FILE* merged, int file, const std::string& title);
    void CloseMsgFiles() noexcept;
    std::string PartialFile(int file) const;

    std::string Folder;                           // the component's folder at CreateMsgFiles
    std::array<std::FILE*, 7> MsgFileNumbers{};  // index 1 to 6; null when not open
    std::array<std::string, 7> LastDB;            // index 1, 2, 4, 5, 6
    std::array<std::string, 7> pending_;          // index 1 to 6: bytes not yet written to the file
    static constexpr size_t kWriteSize = 256 * 1024;
    std::array<size_t, 7> recordCounts_{};
};

}  // namespace tessaro
