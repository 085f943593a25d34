// Checks of the message boxes a FakePlatform recorded. A failure is reported
// at the test's line and says what was expected and every message recorded.
#pragma once

#include <cstddef>
#include <optional>
#include <source_location>
#include <string>

#include "core/platform.h"
#include "tests/support/fake_platform.h"

namespace tervo::testing {

// The message box a check expects; what is left out is not compared.
struct ExpectedMessage {
    std::string text;
    std::optional<std::string> title = std::nullopt;
    std::optional<MessageIcon> icon = std::nullopt;
    std::optional<WindowHandle> owner = std::nullopt;
};

// As the count of expect_message: the last message is checked, however many
// came before it.
inline constexpr std::size_t kAnyCount = 0;

// Checks that `count` message boxes have been shown in all (with kAnyCount:
// at least one) and that the last of them is `expected`.
void expect_message(const FakePlatform& platform, const ExpectedMessage& expected, std::size_t count = 1,
                    std::source_location where = std::source_location::current());

// Checks that no message box has been shown.
void expect_no_message(const FakePlatform& platform, std::source_location where = std::source_location::current());

}  // namespace tervo::testing
