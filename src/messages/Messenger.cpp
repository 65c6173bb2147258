// Messenger: the partial message files and their merge into Messenger.Msg.

#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/Platform.h>

#include "messages/LanguageManager.h"
#include "messages/MessengerClock.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tessaro {

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
    for (size_t i = 1; i < MsgFileNumbers.size(); ++i) {
        if (std::FILE* f = MsgFileNumbers[i]) {
            std::fwrite(pending_[i].data(), 1, pending_[i].size(), f);
            std::fclose(f);
        }
        MsgFileNumbers[i] = nullptr;
        pending_[i].clear();
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

std::string& Messenger::StartRecord(int file) {
    if (!MsgFileNumbers[static_cast<size_t>(file)])
        throw RuntimeError(BadFileNameOrNumber, "The message files are not open");
    return pending_[static_cast<size_t>(file)];
}

std::string& Messenger::StartGroupedRecord(int file) {
    std::string& pending = StartRecord(file);
    auto& last = LastDB[static_cast<size_t>(file)];
    if (DB != last) {
        last = DB;
        pending.append(DB).append(kLineEnd);
    }
    return pending;
}

void Messenger::EndRecord(int file) {
    std::string& pending = pending_[static_cast<size_t>(file)];
    pending.append(kLineEnd);
    if (pending.size() >= kWriteSize) {
        Put(MsgFileNumbers[static_cast<size_t>(file)], pending);
        pending.clear();
    }
    ++recordCounts_[static_cast<size_t>(file)];
}

void Messenger::RecordKORVOTypeConversion(std::string_view varName, std::string_view OldType,
                                          std::string_view NewType) {
    std::string& line = StartGroupedRecord(1);
    const size_t start = line.size();
    line.append(OldType).append("->").append(NewType);
    FitColumns(line, 30, start);
    line.append(" ").append(varName);
    EndRecord(1);
}

void Messenger::RecordVariableWithSameName(std::string_view varName, std::string_view FileName) {
    StartGroupedRecord(2).append(varName).append(" ").append(FileName);
    EndRecord(2);
}

void Messenger::RecordFileError(std::string_view FileName) {
    StartRecord(3).append(FileName);
    EndRecord(3);
}

void Messenger::RecordVariableNoForKORVO(std::string_view varName) {
    StartGroupedRecord(4).append(varName);
    EndRecord(4);
}

void Messenger::RecordVariableDBIncomplete(std::string_view varName) {
    StartGroupedRecord(5).append(varName);
    EndRecord(5);
}

void Messenger::RecordCheckVariable(std::string_view varName) {
    StartGroupedRecord(6).append(varName);
    EndRecord(6);
}

// The title and every line of the partial file, each followed by an empty line: read in
// blocks, every line end (CR, or CR LF) becomes CR LF CR LF, and a last line without an
// end gets one.
void Messenger::CopyMessageFile(std::FILE* merged, int file, const std::string& title) {
    const std::string path = PartialFile(file);
    FilePtr in(std::fopen(path.c_str(), "rb"));
    if (!in) throw RuntimeError(PathFileAccessError, "Cannot open " + path);
    constexpr std::string_view kLineAndEmptyLine = "\r\n\r\n";
    std::string out = title;
    out.append(kLineAndEmptyLine);
    std::vector<char> block(kWriteSize);
    bool lineOpen = false;     // a line has begun and not ended yet
    bool crAtBlockEnd = false;  // the last block ended in CR: a line feed opening this one belongs to it
    for (size_t n; (n = std::fread(block.data(), 1, block.size(), in.get())) > 0;) {
        const char* at = block.data();
        const char* end = at + n;
        if (crAtBlockEnd && *at == '\n') ++at;
        crAtBlockEnd = false;
        while (at < end) {
            const char* cr = static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(end - at)));
            if (!cr) {
                out.append(at, end);
                lineOpen = true;
                break;
            }
            out.append(at, cr).append(kLineAndEmptyLine);
            lineOpen = false;
            at = cr + 1;
            if (at == end)
                crAtBlockEnd = true;
            else if (*at == '\n')
                ++at;
        }
        if (out.size() >= kWriteSize) {
            Put(merged, out);
            out.clear();
        }
    }
    if (std::ferror(in.get())) throw RuntimeError(PathFileAccessError, "Cannot read " + path);
    if (lineOpen) out.append(kLineAndEmptyLine);
    Put(merged, out);
}

std::string Messenger::TitleLine(int32_t messageNumber) {
    // Appended, not "-" + text: GCC 12 warns falsely (-Wrestrict) on inserting before a temporary.
    std::string title = "-";
    title += GetMessageText(messageNumber);
    return title;
}

int32_t Messenger::TitleMessageOfFile(int32_t file) {
    return file >= 1 && file <= 6 ? kTitleMessage[file] : 0;
}

void Messenger::AppendAllFiles() {
    for (int i = 1; i <= 6; ++i)
        if (!MsgFileNumbers[static_cast<size_t>(i)])
            throw RuntimeError(BadFileNameOrNumber, "The message files are not open");

    // 1. The partial files are complete.
    for (size_t i = 1; i <= 6; ++i) {
        std::FILE* f = MsgFileNumbers[i];
        MsgFileNumbers[i] = nullptr;
        std::fwrite(pending_[i].data(), 1, pending_[i].size(), f);  // a failure shows in Close
        pending_[i].clear();
        Close(f, PartialFile(static_cast<int>(i)));
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
            CopyMessageFile(merged.get(), i, TitleLine(kTitleMessage[i]));
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
