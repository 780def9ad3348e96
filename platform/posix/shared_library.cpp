#include "platform/shared_library.h"

#include <dlfcn.h>

namespace icoforge {

struct SharedLibrary::Handle {
    void* library = nullptr;
    ~Handle() {
        if (library != nullptr) dlclose(library);
    }
};

Result<SharedLibrary> SharedLibrary::Open(const std::string& file_name) {
    auto handle = MakeOpaque<Handle>();
    // Never unmapped, even by dlclose: GLib and its kin cannot be unloaded safely, and what
    // they allocated would look lost to a leak checker once their globals were gone.
    handle->library = dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle->library == nullptr) {
        const char* reason = dlerror();
        return Fail("load", file_name, reason != nullptr ? reason : "cannot be loaded");
    }
    return SharedLibrary(std::move(handle));
}

// dlsym on a handle searches the library's own dependencies too, so the cairo and GLib
// functions librsvg brings are found through librsvg's handle.
void* SharedLibrary::Symbol(const char* name) const { return dlsym(handle_->library, name); }

}  // namespace icoforge
