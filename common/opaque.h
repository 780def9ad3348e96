#pragma once
// The owner of a platform's own state behind a portable class. The class's header only
// names the state's type and each platform's implementation defines it; the deleter is
// taken where the state is made, where its type is whole, so that the compiler's moves and
// destructor serve everywhere else.

#include <memory>

namespace icoforge {

template <typename State>
struct DestroyOpaque {
    void (*destroy)(State*) noexcept = nullptr;
    void operator()(State* state) const noexcept { destroy(state); }
};

template <typename State>
using Opaque = std::unique_ptr<State, DestroyOpaque<State>>;

// Called only where State is a whole type.
template <typename State>
Opaque<State> MakeOpaque() {
    return Opaque<State>(new State(), DestroyOpaque<State>{[](State* state) noexcept { delete state; }});
}

}  // namespace icoforge
