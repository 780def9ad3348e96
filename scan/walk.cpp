#include "scan/walk.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/file_error.h"

namespace icoforge::scan {
namespace {

struct OpenFolder {
    std::string path;
    std::vector<std::string> names;
    std::size_t next = 0;
    std::pair<std::uint64_t, std::uint64_t> identity;
};

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == PathSeparator()) return folder + name;
    return folder + PathSeparator() + name;
}

void WalkTree(const std::string& root, bool follow_links, const std::function<bool(WalkEntry&&)>& visit) {
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
        // Only a followed link can lead back up; the folders on the way down are all
        // that must be remembered to notice it.
        if (follow_links && std::any_of(stack.begin(), stack.end(), [&](const OpenFolder& open) { return open.identity == identity; }))
            return visit({path, Fail("read", path, kLinkLoopText)});
        auto names = FolderNames(path);
        if (!names) return visit({path, Fail(names.error())});
        stack.push_back({path, std::move(*names), 0, identity});
        return true;
    };
    if (!enter(root, *status)) return;
    while (!stack.empty()) {
        OpenFolder& top = stack.back();
        if (top.next == top.names.size()) {
            stack.pop_back();
            continue;
        }
        const std::string path = JoinPath(top.path, top.names[top.next++]);
        auto entry = StatusOf(path, false);
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
