#pragma once
// Checks of a refusal that stay safe when the step unexpectedly succeeds: the error of a
// success is no value to read.

#include <string>

#include "common/failure.h"

namespace icoforge::testing {

template <class T>
std::string ReasonOf(const Result<T>& result) {
    return result ? "(succeeded)" : result.error().reason;
}

template <class T>
int SystemErrorOf(const Result<T>& result) {
    return result ? 0 : result.error().system_error;
}

}  // namespace icoforge::testing
