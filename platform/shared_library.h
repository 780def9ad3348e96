#pragma once
// A library loaded when a feature first needs it rather than when the program starts, so
// that commands which never use it do not pay for loading it and everything it pulls in.

#include <optional>
#include <string>
#include <utility>

#include "common/failure.h"
#include "common/function_table.h"
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

// A function table (common/function_table.h) filled from a library loaded for the process.
template <typename Table>
struct LoadedFunctions {
    std::optional<SharedLibrary> library;  // kept open: the table points into it
    Result<Table> functions;
};

// What a feature tells the user when its library is missing or too old: a failure to `what`
// whose reason is "`needs`: the system's reason", or "`needs` `version` or later".
struct LibraryNeed {
    std::string what;
    std::string needs;
    std::string version;
};

// Opens `file_name` and fills a Table with `bind_all`, which returns false where a function
// is missing (ICOFORGE_BIND_ALL makes one from the table's list).
template <typename Table, typename BindAll>
LoadedFunctions<Table> LoadFunctions(const std::string& file_name, BindAll bind_all, const LibraryNeed& need) {
    auto library = SharedLibrary::Open(file_name);
    if (!library) return {std::nullopt, Fail(need.what, file_name, need.needs + ": " + library.error().reason)};
    Table table;
    if (!bind_all(*library, table))
        return {std::nullopt, Fail(need.what, file_name, need.needs + " " + need.version + " or later")};
    return {std::move(*library), std::move(table)};
}

#define ICOFORGE_TABLE_BIND(name) all = library.Bind(#name, table.name) && all;
#define ICOFORGE_BIND_ALL(FUNCTIONS)                           \
    [](const ::icoforge::SharedLibrary& library, auto& table) { \
        bool all = true;                                       \
        FUNCTIONS(ICOFORGE_TABLE_BIND)                         \
        return all;                                            \
    }

}  // namespace icoforge
