#pragma once
// The one way a piece of icoforge fails: a value that says what failed, on which path,
// and why, in the system's words where the system refused. Nothing is thrown across a
// module boundary; the operations whose callers expect a plain code (a count, 0, false)
// turn a Failure into that code at their own entry point.

#include <string>
#include <utility>

#include <tl/expected.hpp>

namespace icoforge {

struct Failure {
    std::string what;    // the step that failed, for people: "read", "write", "parse", ...
    std::string path;    // the file concerned; empty when no file is
    std::string reason;  // "No such file or directory", "not a regular file", ...
    int system_error = 0;  // errno or GetLastError(); 0 when the refusal is ours

    // "PATH: REASON", or REASON alone when no path is concerned.
    std::string Describe() const { return path.empty() ? reason : path + ": " + reason; }

    bool operator==(const Failure&) const = default;
};

// The reason of every step that stops because an allocation failed.
inline constexpr const char* kOutOfMemoryText = "not enough memory";

template <class T = void>
using Result = tl::expected<T, Failure>;

// Two outcomes of a step agree when both succeeded or both failed alike; tl::expected
// compares its void form only through a value it does not have.
inline bool operator==(const Result<>& first, const Result<>& second) {
    return first.has_value() == second.has_value() && (first.has_value() || first.error() == second.error());
}

inline tl::unexpected<Failure> Fail(std::string what, std::string path, std::string reason,
                                    int system_error = 0) {
    return tl::unexpected<Failure>(Failure{std::move(what), std::move(path), std::move(reason), system_error});
}

inline tl::unexpected<Failure> Fail(Failure failure) { return tl::unexpected<Failure>(std::move(failure)); }

}  // namespace icoforge
