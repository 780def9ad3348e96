#include "platform/temp_mapping.h"

#include <windows.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/system_failure.h"
#include "platform/win32/file_access.h"

namespace icoforge {

struct TempFileMapping::State {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    void* view = nullptr;
    std::uint64_t size = 0;
    ~State() {
        if (view != nullptr) UnmapViewOfFile(view);
        if (mapping != nullptr) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

Result<std::string> TempFolderPath() {
    constexpr const char* kNoFolder = "the system names no temporary folder";
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return Fail(kUseTempFolderStep, "", kNoFolder);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(needed) + 1, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return Fail(kUseTempFolderStep, "", kNoFolder);
    std::string folder = Utf8FromWide(std::wstring_view(buffer.data(), length));
    if (folder.empty()) return Fail(kUseTempFolderStep, "", kNoFolder);
    std::string bare = folder;
    while (bare.size() > 1 && (bare.back() == '\\' || bare.back() == '/')) bare.pop_back();
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(bare).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailFromSystem(kUseTempFolderStep, bare);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fail(kUseTempFolderStep, bare, "not a folder");
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

Result<TempFileMapping> TempFileMapping::Create(std::string_view utf8_path, std::uint64_t size) {
    if (size == 0 || size > std::numeric_limits<std::size_t>::max())
        return Fail("map", std::string(utf8_path), "no block of " + std::to_string(size) + " bytes can be mapped");
    const std::wstring path = WideFromUtf8(utf8_path);
    if (path.empty()) return FailWithSystemCode("map", utf8_path, ERROR_INVALID_NAME);
    // A leftover is deleted; a file another process holds open cannot be (it is opened
    // without FILE_SHARE_DELETE, as here), and creating only a new file then refuses its
    // name. Opening it over again instead would share that process's pixels: two programs
    // converting at once, each finding the same name free, drew each other's pictures.
    DeleteFileW(path.c_str());
    auto state = MakeOpaque<State>();
    state->file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (state->file == INVALID_HANDLE_VALUE) return FailFromSystem("map", utf8_path);
    state->mapping = CreateFileMappingW(state->file, nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr);
    if (state->mapping != nullptr) state->view = MapViewOfFile(state->mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (state->view == nullptr) {
        const auto failure = FailFromSystem("map", utf8_path);
        state.reset();  // handles closed first, or the file cannot be deleted
        DeleteFileW(path.c_str());
        return failure;
    }
    state->size = size;
    return TempFileMapping(std::move(state));
}

std::uint8_t* TempFileMapping::data() const { return static_cast<std::uint8_t*>(state_->view); }
std::uint64_t TempFileMapping::size() const { return state_->size; }
void TempFileMapping::Flush() const { FlushViewOfFile(state_->view, 0); }

}  // namespace icoforge
