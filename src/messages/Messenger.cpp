// Messenger: the partial message files and their merge into Messenger.Msg.

#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/Platform.h>

#include "messages/LanguageManager.h"
#include "messages/MessengerClock.h"
#include "messages/SharedMessenger.h"
#include "platform/LineReader.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tessaro {

thread_local std::shared_ptr<Messenger> SharedMessenger;

namespace {

thread_local std::optional<std::tm> fixedTime;

// The message number whose text titles partial file 1 to 6.
constexpr int32_t kTitleMessage[7] = {0, 2, 6, 1, 3, 4, 5};

constexpr std::string_view kLineEnd = "\r\n";

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void Put(std::FILE* f, std::string_view bytes) {
    if (bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        throw RuntimeError(PathFileAccessError, "Cannot write a message file");
}

// One line: the text followed by CR LF.
void PutLine(std::FILE* f, std::string_view text) {
    Put(f, text);
    Put(f, kLineEnd);
}

void Close(std::FILE* f, const std::string& what) {
    bool failed = std::ferror(f) != 0;
    if (std::fclose(f) != 0 || failed) throw RuntimeError(PathFileAccessError, "Cannot write " + what);
}

void Delete(const std::string& path) {
    if (std::remove(path.c_str()) != 0)
        throw RuntimeError(errno == ENOENT ? FileNotFound : PathFileAccessError, "Cannot delete " + path);
}

std::string TwoDigits(int n) {
    n = ((n % 100) + 100) % 100;
    return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// "MM-DD-YY HH.MM.SS"
std::string HeaderTime(const std::tm& t) {
    return TwoDigits(t.tm_mon + 1) + "-" + TwoDigits(t.tm_mday) + "-" + TwoDigits(t.tm_year) + " " +
           TwoDigits(t.tm_hour) + "." + TwoDigits(t.tm_min) + "." + TwoDigits(t.tm_sec);
}

}  // namespace

void SetThreadMessengerTime(std::optional<std::tm> localTime) { fixedTime = localTime; }

std::tm MessengerLocalTime() {
    if (fixedTime) return *fixedTime;
    return LocalTimeNow();
}

Messenger::Messenger() = default;

Messenger::~Messenger() { CloseMsgFiles(); }

std::string Messenger::PartialFile(int file) const { return Folder + kPathSeparator + std::to_string(file) + ".Msg"; }

void Messenger::CloseMsgFiles() noexcept {
    for (auto& f : MsgFileNumbers) {
        if (f) std::fclose(f);
        f = nullptr;
    }
}

void Messenger::CreateMsgFiles() {
    CloseMsgFiles();
    Folder = ComponentFolder();
    for (auto& last : LastDB) last.clear();  // the files start empty again
    recordCounts_ = {};
    for (int i = 1; i <= 6; ++i) {
        std::string path = PartialFile(i);
        MsgFileNumbers[static_cast<size_t>(i)] = std::fopen(path.c_str(), "wb");
        if (!MsgFileNumbers[static_cast<size_t>(i)]) {
            const int error = errno;
            CloseMsgFiles();
            throw RuntimeError(PathFileAccessError, "Cannot create " + path + ": " + std::strerror(error));
        }
    }
}

void Messenger::WriteRecord(int file, std::string_view line) {
    std::FILE* f = MsgFileNumbers[static_cast<size_t>(file)];
    if (!f) throw RuntimeError(BadFileNameOrNumber, "The message files are not open");
    PutLine(f, line);
    ++recordCounts_[static_cast<size_t>(file)];
}

void Messenger::WriteGroupedRecord(int file, std::string_view line) {
    std::FILE* f = MsgFileNumbers[static_cast<size_t>(file)];
    if (!f) throw RuntimeError(BadFileNameOrNumber, "The message files are not open");
    auto& last = LastDB[static_cast<size_t>(file)];
    if (DB != last) {
        last = DB;
        PutLine(f, DB);
    }
    PutLine(f, line);
    ++recordCounts_[static_cast<size_t>(file)];
}

void Messenger::RecordKORVOTypeConversion(std::string_view varName, std::string_view OldType,
                                          std::string_view NewType) {
    std::string& line = recordLine_;
    line.clear();
    line.append(OldType).append("->").append(NewType);
    line.resize(30, ' ');
    line.append(" ").append(varName);
    WriteGroupedRecord(1, line);
}

void Messenger::RecordVariableWithSameName(std::string_view varName, std::string_view FileName) {
    std::string& line = recordLine_;
    line.clear();
    line.append(varName).append(" ").append(FileName);
    WriteGroupedRecord(2, line);
}

void Messenger::RecordFileError(std::string_view FileName) { WriteRecord(3, FileName); }

void Messenger::RecordVariableNoForKORVO(std::string_view varName) { WriteGroupedRecord(4, varName); }

void Messenger::RecordVariableDBIncomplete(std::string_view varName) { WriteGroupedRecord(5, varName); }

void Messenger::RecordCheckVariable(std::string_view varName) { WriteGroupedRecord(6, varName); }

void Messenger::CopyMessageFile(std::FILE* merged, int file, const std::string& title) {
    PutLine(merged, title + std::string(kLineEnd));
    LineReader in(PartialFile(file));
    while (!in.AtEnd()) {
        std::string_view line = in.ReadLine();
        Put(merged, line);
        Put(merged, kLineEnd);
        Put(merged, kLineEnd);
    }
    in.Close();
}

void Messenger::AppendAllFiles() {
    for (int i = 1; i <= 6; ++i)
        if (!MsgFileNumbers[static_cast<size_t>(i)])
            throw RuntimeError(BadFileNameOrNumber, "The message files are not open");

    // 1. The partial files are complete.
    for (int i = 1; i <= 6; ++i) {
        std::FILE* f = MsgFileNumbers[static_cast<size_t>(i)];
        MsgFileNumbers[static_cast<size_t>(i)] = nullptr;
        Close(f, PartialFile(i));
    }

    // 2. The merged file, for appending: what is in it stays.
    MessengerFile = "Messenger.Msg";
    std::string mergedPath = Folder + kPathSeparator + ".." + kPathSeparator + MessengerFile;
    FilePtr merged(std::fopen(mergedPath.c_str(), "ab"));
    if (!merged) throw RuntimeError(PathFileAccessError, "Cannot open " + mergedPath);

    // 3. The non-empty partial files under their titles, after one header.
    bool headerWritten = false;
    for (int i = 1; i <= 6; ++i) {
        std::string partial = PartialFile(i);
        struct stat info {};
        if (::stat(partial.c_str(), &info) != 0) throw RuntimeError(FileNotFound, "Cannot open " + partial);
        if (info.st_size > 0) {
            if (!headerWritten) {
                headerWritten = true;
                PutLine(merged.get(), "\r\n--" + DeviceName + "--" + HeaderTime(MessengerLocalTime()));
                PutLine(merged.get(), kLineEnd);
            }
            // Appended, not "-" + text: GCC 12 warns falsely (-Wrestrict) on inserting before a temporary.
            std::string title = "-";
            title += GetMessageText(kTitleMessage[i]);
            CopyMessageFile(merged.get(), i, title);
        }
        Delete(partial);
    }

    // 4. A merged file of less than 2 bytes goes.
    if (std::fflush(merged.get()) != 0) throw RuntimeError(PathFileAccessError, "Cannot write " + mergedPath);
    struct stat info {};
    bool tooShort = ::fstat(fileno(merged.get()), &info) == 0 && info.st_size < 2;
    Close(merged.release(), mergedPath);
    if (tooShort) {
        Delete(mergedPath);
        MessengerFile.clear();
    }
}

}  // namespace tessaro
