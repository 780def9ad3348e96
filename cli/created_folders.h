#pragma once
// The output folders a run creates, so that those it put nothing into can go again: a
// run that writes nothing leaves the disk as it found it.

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/path.h"

namespace icoforge::cli {

class CreatedFolders {
public:
    // Creates `folder` and every missing folder above it, remembering which were missing.
    bool Create(const std::string& folder, std::error_code& ec) {
        namespace fs = std::filesystem;
        std::vector<fs::path> missing;
        for (fs::path at = PathFromUtf8(folder); !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
            missing.push_back(at);
            if (at == at.parent_path()) break;
        }
        ec.clear();
        fs::create_directories(PathFromUtf8(folder), ec);
        if (ec) return false;
        created_.insert(created_.end(), missing.begin(), missing.end());
        return true;
    }
    // Removes the created folders that are still empty, each before the folder above it
    // (a longer path first), so that a chain emptied from below goes whole.
    void RemoveEmpty() {
        std::ranges::sort(created_, [](const auto& a, const auto& b) { return a.native().size() > b.native().size(); });
        for (const auto& folder : created_) {
            std::error_code ec;
            if (std::filesystem::is_empty(folder, ec) && !ec) std::filesystem::remove(folder, ec);
        }
        created_.clear();
    }

private:
    std::vector<std::filesystem::path> created_;
};

}  // namespace icoforge::cli
