#include "scan/walk.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/system_failure.h"

namespace icoforge::scan {
namespace {

struct OpenFolder {
    std::string path;
    std::vector<FolderEntry> entries;
    std::size_t next = 0;
    std::pair<std::uint64_t, std::uint64_t> identity;
    bool is_store = false;       // the store, as a root of the walk
    bool holds_outputs = false;  // one of the store's own folders: its outputs are not read
};

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

bool IsStoreFolderName(const std::string& name) { return name.size() == 2 && IsHex(name[0]) && IsHex(name[1]); }

// "ab12…ef.ico" in folder "ab", or a temporary beside one.
bool IsStoreFileName(const std::string& folder, const std::string& name) {
    if (name.compare(0, 2, folder) != 0 || name.size() < 68 || name[64] != '.') return false;
    if (!std::all_of(name.begin(), name.begin() + 64, IsHex)) return false;
    const std::string rest = name.substr(65);
    return rest == "ico" || rest == "cur" || rest == "ani" || rest.find(".icoforge-") != std::string::npos;
}

std::string FolderName(const std::string& path) {
    const auto end = path.find_last_not_of("/\\");
    const auto start = path.find_last_of("/\\", end);
    return path.substr(start == std::string::npos ? 0 : start + 1, end == std::string::npos ? 0 : end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// A folder's names with no status yet, for a folder whose names are mostly passed over.
Result<std::vector<FolderEntry>> NamesOnly(const std::string& path) {
    auto names = FolderNames(path);
    if (!names) return Fail(names.error());
    std::vector<FolderEntry> entries;
    entries.reserve(names->size());
    for (std::string& name : *names) entries.push_back({std::move(name), FileStatus{}});
    return entries;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == PathSeparator()) return folder + name;
    return folder + PathSeparator() + name;
}

void WalkTree(const std::string& root, bool follow_links, const std::function<bool(WalkEntry&&)>& visit,
              const std::optional<FolderIdentity>& pass_over) {
    auto status = StatusOf(root, true);
    if (!status || status->kind != EntryKind::Directory) {
        if (status && status->kind != EntryKind::Regular)
            status = Fail("read", root, kNotRegularFileText);
        visit({root, std::move(status)});
        return;
    }
    std::vector<OpenFolder> stack;
    const auto enter = [&](const std::string& path, const FileStatus& folder) -> bool {
        const std::pair identity{folder.device, folder.file_number};
        // The store is passed over inside a tree; as a root itself, only its own folders are.
        const bool store = pass_over && *pass_over == FolderIdentity{folder.device, folder.file_number};
        if (store && !stack.empty()) return true;
        // Only a followed link can lead back up; the folders on the way down are all
        // that must be remembered to notice it.
        if (follow_links && std::any_of(stack.begin(), stack.end(), [&](const OpenFolder& open) { return open.identity == identity; }))
            return visit({path, Fail("read", path, kLinkLoopText)});
        const bool holds_outputs =
            !stack.empty() && stack.back().is_store && IsStoreFolderName(stack.back().entries[stack.back().next - 1].name);
        // The store's own folders are only named: their outputs are passed over unread, and
        // anything else in them is looked at on its own below.
        auto entries = holds_outputs ? NamesOnly(path) : FolderEntries(path);
        if (!entries) return visit({path, Fail(entries.error())});
        stack.push_back({path, std::move(*entries), 0, identity, store, holds_outputs});
        return true;
    };
    if (!enter(root, *status)) return;
    while (!stack.empty()) {
        OpenFolder& top = stack.back();
        if (top.next == top.entries.size()) {
            stack.pop_back();
            continue;
        }
        FolderEntry& listed = top.entries[top.next++];
        const std::string& name = listed.name;
        if (top.holds_outputs && IsStoreFileName(FolderName(top.path), name)) continue;
        const std::string path = JoinPath(top.path, name);
        auto entry = top.holds_outputs ? StatusOf(path, false) : std::move(listed.status);
        if (entry && entry->kind == EntryKind::Symlink) {
            if (!follow_links) continue;
            entry = StatusOf(path, true);
        }
        if (!entry) {
            if (!visit({path, std::move(entry)})) return;
        } else if (entry->kind == EntryKind::Directory) {
            if (!enter(path, *entry)) return;
        } else if (entry->kind == EntryKind::Regular) {
            if (!visit({path, std::move(entry)})) return;
        } else if (!visit({path, Fail("read", path, kNotRegularFileText)})) {
            return;
        }
    }
}

}  // namespace icoforge::scan
