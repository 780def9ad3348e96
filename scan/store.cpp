#include "scan/store.h"

#include "platform/file_io.h"
#include "platform/file_walk.h"
#include "platform/replacing_file.h"

namespace icoforge::scan {
namespace {

int HexDigit(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

}  // namespace

std::string StoreName(const std::string& sha256_hex, const std::string& extension) {
    return sha256_hex.substr(0, 2) + '/' + sha256_hex + '.' + extension;
}

Store::Store(std::string folder) : folder_(std::move(folder)) {}

std::string Store::PathOf(const std::string& name) const {
    std::string path = folder_;
    if (!path.empty() && path.back() != '/' && path.back() != PathSeparator()) path += PathSeparator();
    for (const char c : name) path += c == '/' ? PathSeparator() : c;
    return path;
}

bool Store::Has(const std::string& name) const { return FileExists(PathOf(name)); }

Result<bool> Store::Put(const std::string& name, ByteView bytes) {
    const std::size_t subfolder = static_cast<std::size_t>(HexDigit(name[0]) * 16 + HexDigit(name[1]));
    bool make_folder = false;
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return writing_.count(name) == 0; });
        if (Has(name)) return false;
        make_folder = !made_folders_[subfolder];
        writing_.insert(name);
    }
    // The folder is made outside the lock: on a journalling disk a new folder can take a
    // fifth of a millisecond, which the other workers need not wait for. Two workers may
    // both make it; the second finds it there.
    Result<> written;
    if (make_folder) {
        written = MakeFolders(PathOf(name.substr(0, 2)));
        if (written) {
            std::lock_guard lock(mutex_);
            made_folders_[subfolder] = true;
        }
    }
    if (written) written = WriteWholeFile(PathOf(name), bytes);
    {
        std::lock_guard lock(mutex_);
        writing_.erase(name);
    }
    done_.notify_all();
    if (!written) return Fail(written.error());
    return true;
}

bool IsLeftoverTemporary(const std::string& file_name) {
    const auto mark = file_name.rfind(".icoforge-");
    return mark != std::string::npos && file_name.size() == mark + 10 + 12 + 4 &&
           file_name.compare(file_name.size() - 4, 4, ".tmp") == 0;
}

std::uint64_t Store::Sweep() const {
    std::uint64_t removed = 0;
    constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
        const std::string sub{kHex[i / 16], kHex[i % 16]};
        const auto names = FolderNames(PathOf(sub));
        if (!names) continue;
        for (const auto& file_name : *names)
            if (IsLeftoverTemporary(file_name) && RemoveFile(PathOf(sub + '/' + file_name))) ++removed;
    }
    return removed;
}

}  // namespace icoforge::scan
