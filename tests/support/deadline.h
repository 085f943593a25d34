// How long a test waits for a state it needs (a window shown and active, a
// timer's tick, a dialog open) before it gives up. Long enough for a busy
// machine and the sanitizer build; a passing test never waits it out, since
// every wait ends as soon as the state is there.
#pragma once

namespace tervo::testing {

inline constexpr int kStateDeadlineMs = 30000;

}  // namespace tervo::testing
