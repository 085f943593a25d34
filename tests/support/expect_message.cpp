#include "tests/support/expect_message.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tervo::testing {
namespace {

const char* icon_name(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None: return "None";
        case MessageIcon::Warning: return "Warning";
    }
    return "?";
}

void describe(std::ostream& out, const RecordedMessage& message) {
    out << '"' << message.text << "\" title \"" << message.title << "\" icon " << icon_name(message.icon) << " owner "
        << message.owner.id();
}

void describe_recorded(std::ostream& out, const FakePlatform& platform) {
    if (platform.messages.empty()) {
        out << "no message box was shown";
        return;
    }
    out << platform.messages.size() << (platform.messages.size() == 1 ? " message box" : " message boxes")
        << " shown:";
    for (std::size_t i = 0; i < platform.messages.size(); ++i) {
        out << "\n  " << i + 1 << ": ";
        describe(out, platform.messages[i]);
    }
}

bool matches(const RecordedMessage& message, const ExpectedMessage& expected) {
    return message.text == expected.text && (!expected.title || message.title == *expected.title) &&
           (!expected.icon || message.icon == *expected.icon) && (!expected.owner || message.owner == *expected.owner);
}

void fail(const std::source_location& where, const std::string& what) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << what;
}

}  // namespace

void expect_message(const FakePlatform& platform, const ExpectedMessage& expected, std::size_t count,
                    std::source_location where) {
    const std::size_t shown = platform.messages.size();
    const bool count_ok = count == kAnyCount ? shown > 0 : shown == count;
    if (count_ok && matches(platform.messages.back(), expected)) return;

    std::ostringstream out;
    out << "Expected message box \"" << expected.text << '"';
    if (expected.title) out << " title \"" << *expected.title << '"';
    if (expected.icon) out << " icon " << icon_name(*expected.icon);
    if (expected.owner) out << " owner " << expected.owner->id();
    if (count == kAnyCount)
        out << ", shown last";
    else if (count == 1)
        out << ", the only one shown";
    else
        out << ", the last of " << count << " shown";
    out << "\nRecorded: ";
    describe_recorded(out, platform);
    fail(where, out.str());
}

void expect_no_message(const FakePlatform& platform, std::source_location where) {
    if (platform.messages.empty()) return;
    std::ostringstream out;
    out << "Expected no message box\nRecorded: ";
    describe_recorded(out, platform);
    fail(where, out.str());
}

}  // namespace tervo::testing
