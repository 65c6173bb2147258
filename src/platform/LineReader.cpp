#include "platform/LineReader.h"

#include <tessaro/RuntimeError.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessaro {

namespace {
constexpr size_t kBlock = 1 << 16;
// Bytes as they are: no line-end translation where the C library would do it.
#ifdef O_BINARY
constexpr int kOpenFlags = O_RDONLY | O_BINARY;
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC;
#endif
}

LineReader::LineReader(const std::string& path) : buffer_(kBlock) {
    if (path.empty()) throw RuntimeError(BadFileNameOrNumber);
    fd_ = ::open(path.c_str(), kOpenFlags);
    if (fd_ < 0) throw RuntimeError(errno == ENOENT || errno == ENOTDIR ? FileNotFound : PathFileAccessError,
                                    path + ": " + std::strerror(errno));
}

LineReader::~LineReader() { Close(); }

void LineReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// Refills the buffer when it is used up. Returns false at the end of the file.
bool LineReader::Fill() {
    while (begin_ == end_) {
        if (eof_ || fd_ < 0) return false;
        ssize_t n;
        do {
            n = ::read(fd_, buffer_.data(), static_cast<unsigned>(buffer_.size()));  // one block, always < 4 GiB
        } while (n < 0 && errno == EINTR);
        if (n < 0) throw RuntimeError(PathFileAccessError, std::strerror(errno));
        begin_ = 0;
        end_ = static_cast<size_t>(n);
        if (n == 0) eof_ = true;
        if (skipLineFeed_ && end_ > 0) {
            skipLineFeed_ = false;
            if (buffer_[0] == '\n') begin_ = 1;
        }
    }
    return true;
}

bool LineReader::AtEnd() { return !Fill(); }

std::string_view LineReader::ReadLine() {
    if (!Fill()) throw RuntimeError(InputPastEndOfFile);
    ++linesRead_;
    long_.clear();
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const void* cr = std::memchr(start, '\r', end_ - begin_);
        if (cr) {
            size_t at = static_cast<size_t>(static_cast<const char*>(cr) - buffer_.data());
            std::string_view piece(start, at - begin_);
            begin_ = at + 1;
            if (begin_ < end_) {
                if (buffer_[begin_] == '\n') ++begin_;
            } else {
                skipLineFeed_ = true;
            }
            if (long_.empty()) return piece;
            long_.append(piece);
            return long_;
        }
        long_.append(start, end_ - begin_);
        begin_ = end_;
        if (!Fill()) return long_;
    }
}

}  // namespace tessaro
