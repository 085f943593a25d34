// How long a test waits for a state it needs (a window shown and active, a
// timer's tick, a dialog open) before it gives up. Long enough for a busy
// machine and the sanitizer build; a passing test never waits it out, since
// every wait ends as soon as the state is there.
#pragma once

#include <chrono>
#include <thread>

namespace tervo::testing {

inline constexpr int kStateDeadlineMs = 30000;

// Waits, off any event loop, until `state()` holds or the deadline passes;
// whether it holds then.
template <class State>
bool wait_until(State state) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStateDeadlineMs);
    while (!state() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    return state();
}

}  // namespace tervo::testing
