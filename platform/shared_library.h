#pragma once
// A library loaded when a feature first needs it rather than when the program starts, so
// that commands which never use it do not pay for loading it and everything it pulls in.

#include <string>
#include <utility>

#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

class SharedLibrary {
public:
    // A failure to "load" `file_name` (searched for as the system searches for libraries),
    // with the system's reason.
    static Result<SharedLibrary> Open(const std::string& file_name);

    // The address of `name` in the library or in a library it depends on; null if none has it.
    void* Symbol(const char* name) const;
    // Points `function` at `name`, as Symbol finds it; false where no library has it.
    template <typename Function>
    bool Bind(const char* name, Function& function) const {
        function = reinterpret_cast<Function>(Symbol(name));
        return function != nullptr;
    }

    struct Handle;  // the platform's handle; defined by each implementation

private:
    explicit SharedLibrary(Opaque<Handle> handle) : handle_(std::move(handle)) {}
    Opaque<Handle> handle_;
};

}  // namespace icoforge
