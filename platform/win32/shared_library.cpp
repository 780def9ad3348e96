#include "platform/shared_library.h"

#include <windows.h>

#include "platform/system_failure.h"
#include "platform/win32/wide.h"

namespace icoforge {

struct SharedLibrary::Handle {
    HMODULE library = nullptr;
    ~Handle() {
        if (library != nullptr) FreeLibrary(library);
    }
};

Result<SharedLibrary> SharedLibrary::Open(const std::string& file_name) {
    auto handle = MakeOpaque<Handle>();
    handle->library = LoadLibraryW(WideFromUtf8(file_name).c_str());
    if (handle->library == nullptr) return FailFromSystem("load", file_name);
    return SharedLibrary(std::move(handle));
}

void* SharedLibrary::Symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(handle_->library, name));
}

}  // namespace icoforge
