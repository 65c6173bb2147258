#include "TemporaryFiles.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace tessaro::cli {
namespace {

std::mutex pathsMutex;
std::vector<std::string> paths;

sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&set, signal);
    return set;
}

// The signal's default action, delivered to this thread alone.
[[noreturn]] void EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    pthread_kill(pthread_self(), signal);
    _exit(128 + signal);  // not reached
}

// Removes every remembered path and ends the process by the signal, with the lock held
// so that no new path is remembered meanwhile.
[[noreturn]] void RemoveAllAndEndBy(int signal) {
    std::lock_guard lock(pathsMutex);
    for (const auto& path : paths) {
        // The import may still be writing into a folder while it goes: try again a few times.
        std::error_code ec;
        for (int attempt = 0; attempt < 5 && fs::remove_all(path, ec) == static_cast<std::uintmax_t>(-1); ++attempt) {
        }
    }
    if (signal != SIGPIPE && ::isatty(STDERR_FILENO) == 1) (void)!::write(STDERR_FILENO, "\r\x1b[K", 4);
    EndBy(signal);
}

void WaitForSignals() {
    const sigset_t set = EndingSignals();
    int signal = 0;
    if (sigwait(&set, &signal) == 0) RemoveAllAndEndBy(signal);
}

}  // namespace

void RemoveTemporaryFilesOnSignal() {
    const sigset_t set = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForSignals).detach();
}

void RememberTemporary(const std::string& path) {
    std::lock_guard lock(pathsMutex);
    paths.push_back(path);
}

void ForgetTemporary(const std::string& path) {
    std::lock_guard lock(pathsMutex);
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
}

void EndAsClosedPipe() { RemoveAllAndEndBy(SIGPIPE); }

}  // namespace tessaro::cli
