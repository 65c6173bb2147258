#pragma once
// The temporary files and folders of a run, removed again however the run ends: by the
// objects that made them, or, when SIGINT, SIGTERM, SIGHUP or SIGPIPE ends the process,
// by a thread that waits for those signals, removes them and then lets the signal end
// the process as it would have.

#include <string>

namespace tessaro::cli {

// Blocks the four signals in the calling thread (and so in every thread it starts
// afterwards) and starts the waiting thread. Called once, first thing in main. A write to
// a closed pipe then fails with EPIPE instead of killing the process.
void RemoveTemporaryFilesOnSignal();

// A file or folder (removed with its content) to remove on a signal; Forget when the
// owner has removed it itself.
void RememberTemporary(const std::string& path);
void ForgetTemporary(const std::string& path);

// Ends the process as a closed pipe ends a standard tool: the remembered paths removed,
// then SIGPIPE with its default action.
[[noreturn]] void EndAsClosedPipe();

}  // namespace tessaro::cli
