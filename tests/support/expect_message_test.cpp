#include "tests/support/expect_message.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tervo::testing {
namespace {

// The failures a check reports, caught instead of failing this test.
std::vector<::testing::TestPartResult> failures_of(const std::function<void()>& check) {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter catcher(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        check();
    }
    std::vector<::testing::TestPartResult> failures;
    for (int i = 0; i < results.size(); ++i) failures.push_back(results.GetTestPartResult(i));
    return failures;
}

constexpr WindowHandle owner_tag{0x0e1};

class ExpectMessage : public ::testing::Test {
protected:
    void show(const std::string& text, const std::string& title = "T", MessageIcon icon = MessageIcon::Warning,
              WindowHandle owner = owner_tag) {
        platform.message_box(owner, text, title, icon);
    }
    FakePlatform platform;
};

TEST_F(ExpectMessage, PassesOnTheMessageShown) {
    show("成功！", "GIFファイル作成", MessageIcon::None);
    EXPECT_TRUE(failures_of([&] {
                    expect_message(platform, {"成功！", "GIFファイル作成", MessageIcon::None, owner_tag});
                    expect_message(platform, {"成功！"});  // what is left out is not compared
                    expect_message(platform, {.text = "成功！", .owner = owner_tag});
                    expect_message(platform, {"成功！"}, kAnyCount);
                }).empty());
}

TEST_F(ExpectMessage, ChecksTheLastOfSeveral) {
    show("first");
    show("second");
    EXPECT_TRUE(failures_of([&] {
                    expect_message(platform, {"second"}, 2);
                    expect_message(platform, {"second"}, kAnyCount);
                }).empty());
    EXPECT_EQ(failures_of([&] { expect_message(platform, {"first"}, kAnyCount); }).size(), 1u);
    EXPECT_EQ(failures_of([&] { expect_message(platform, {"second"}); }).size(), 1u) << "two were shown, not one";
    EXPECT_EQ(failures_of([&] { expect_message(platform, {"second"}, 3); }).size(), 1u);
}

TEST_F(ExpectMessage, EachFieldGivenMustMatch) {
    show("text", "title", MessageIcon::Warning, owner_tag);
    const ExpectedMessage wrong[] = {
        {"other"},
        {"text", "other"},
        {"text", "title", MessageIcon::None},
        {"text", "title", MessageIcon::Warning, WindowHandle{0x0e2}},
        {.text = "text", .owner = nullptr},
    };
    for (const ExpectedMessage& expected : wrong) {
        SCOPED_TRACE(&expected - wrong);
        EXPECT_EQ(failures_of([&] { expect_message(platform, expected); }).size(), 1u);
    }
}

TEST_F(ExpectMessage, FailureSaysWhatWasExpectedAndRecordedAtTheCallersLine) {
    show("ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning);
    show("失敗！", "ファイル変換", MessageIcon::None);
    int line = 0;
    const auto failures = failures_of([&] {
        line = __LINE__ + 1;
        expect_message(platform, {"成功！", "ファイル変換", MessageIcon::None});
    });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].nonfatally_failed());
    EXPECT_EQ(failures[0].line_number(), line);
    EXPECT_STREQ(failures[0].file_name(), __FILE__);
    const std::string message = failures[0].message();
    for (const char* part : {"Expected message box \"成功！\" title \"ファイル変換\" icon None, the only one shown",
                             "2 message boxes shown:",
                             "1: \"ﾌｧｲﾙが開けません\" title \"ﾌｧｲﾙｴﾗｰ\" icon Warning",
                             "2: \"失敗！\" title \"ファイル変換\" icon None"})
        EXPECT_NE(message.find(part), std::string::npos) << part << "\n in: " << message;
}

TEST_F(ExpectMessage, NoneShownFailsAMessageAndPassesNoMessage) {
    const auto failures = failures_of([&] { expect_message(platform, {"成功！"}, kAnyCount); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(std::string(failures[0].message()).find("no message box was shown"), std::string::npos);
    EXPECT_TRUE(failures_of([&] { expect_no_message(platform); }).empty());
}

TEST_F(ExpectMessage, NoMessageFailsListingWhatWasShown) {
    show("キャンセルしました。", "フォルダ選択");
    const auto failures = failures_of([&] { expect_no_message(platform); });
    ASSERT_EQ(failures.size(), 1u);
    const std::string message = failures[0].message();
    EXPECT_NE(message.find("Expected no message box"), std::string::npos) << message;
    EXPECT_NE(message.find("1 message box shown:\n  1: \"キャンセルしました。\" title \"フォルダ選択\""),
              std::string::npos)
        << message;
}

}  // namespace
}  // namespace tervo::testing
