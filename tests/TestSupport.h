#pragma once
// Helpers shared by the tests: temporary folders, whole files as bytes, the shared
// fixtures folder beside the project.

#include <filesystem>
#include <string>

namespace tessaro::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

// ../shared beside the project, or empty when it is absent (a user's clone): tests that
// need it call GTEST_SKIP() then.
std::filesystem::path SharedDir();

// A file of ../shared with every lone LF turned into CR LF.
std::string SharedFileWithCrLf(const std::string& relative);

}  // namespace tessaro::test
