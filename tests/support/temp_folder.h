#pragma once
// A private folder for one test's files. Its name is new for every folder made, so runs
// side by side never share files and a killed run leaves nothing a later run would read;
// it is removed with everything in it when the test is done with it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "common/path.h"

namespace icoforge::testing {

class TempFolder {
public:
    TempFolder() : TempFolder(SystemTempFolder()) {}
    explicit TempFolder(const std::filesystem::path& base) {
        namespace fs = std::filesystem;
        std::error_code ec;
        // The clock is mixed in because some C++ runtimes give a fixed random_device
        // sequence; creating the folder is what proves the name unused.
        std::mt19937_64 names(std::random_device{}() ^
                              static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        for (int attempt = 0; attempt < kAttempts && path_.empty() && !ec && !base.empty(); ++attempt) {
            const fs::path candidate = base / ("icoforge-test-" + std::to_string(names()));
            if (fs::create_directory(candidate, ec)) path_ = candidate;
        }
        EXPECT_FALSE(path_.empty()) << "no private folder under " << Utf8FromPath(base) << ": " << ec.message();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    // UTF-8 path of `file` inside the folder.
    std::string File(const std::string& file) const { return Utf8FromPath(path_ / PathFromUtf8(file)); }

private:
    static std::filesystem::path SystemTempFolder() {
        std::error_code ec;
        return std::filesystem::temp_directory_path(ec);
    }
    // Taken names are skipped; this many collisions in a row means something else is wrong.
    static constexpr int kAttempts = 16;
    std::filesystem::path path_;
};

}  // namespace icoforge::testing
