#pragma once
// The content-addressed store: every distinct group once, named by the SHA-256 of its
// bytes, under a folder of the hash's first two hex digits (DIR/ab/ab12....ico). A name
// that exists holds exactly those bytes: a file appears under it only by a rename of a
// complete temporary, so a crash leaves at most a temporary, which Sweep removes.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge::scan {

// "ab/ab12...ef.ico": where a group of these bytes lives, relative to the store.
std::string StoreName(const std::string& sha256_hex, const std::string& extension);

class Store {
public:
    explicit Store(std::string folder);

    // Writes the bytes under their name unless a file is there already. True when this
    // call wrote it. Safe from any number of threads: one writes, the others wait for it.
    Result<bool> Put(const std::string& name, ByteView bytes);

    bool Has(const std::string& name) const;

    // Removes the temporaries a killed run left in the store's folders; how many.
    std::uint64_t Sweep() const;

    std::string PathOf(const std::string& name) const;

private:
    std::string folder_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::set<std::string> writing_;         // names a thread is writing now
    std::array<bool, 256> made_folders_{};  // the subfolders known to exist
};

// True for the names ReplacingFile gives its temporaries.
bool IsLeftoverTemporary(const std::string& file_name);

}  // namespace icoforge::scan
