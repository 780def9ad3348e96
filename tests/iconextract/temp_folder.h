#pragma once
// A fresh folder for one test's output files, removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/path.h"

namespace icoforge::testing {

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "icoforge-";
        name += info != nullptr ? std::string(info->test_suite_name()) + "-" + info->name() : "test";
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // UTF-8 path of `file` inside the folder.
    std::string File(const std::string& file) const { return Utf8FromPath(path_ / file); }

private:
    std::filesystem::path path_;
};

}  // namespace icoforge::testing
