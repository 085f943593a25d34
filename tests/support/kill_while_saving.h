// Killing a process in the middle of saving, for the tests that a killed
// save leaves one whole version and nothing else behind.
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace tervo::testing {

// Runs `save(i)` for i = 0, 1, 2, ... in a child process and kills the child
// once it has finished `finished_saves` of them, so the kill lands
// somewhere in a later save. Fails when the child stopped or a save failed
// before the kill.
::testing::AssertionResult kill_while_saving(int finished_saves, const std::function<bool(int)>& save);

}  // namespace tervo::testing
