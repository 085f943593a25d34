#include <gtest/gtest.h>

#include "tools/about_text.h"
#include "tools/dialog_text.h"
#include "tools/settings_logic.h"

namespace tervo {
namespace {

TEST(DialogText, TimeDigitsAreCharactersZeroAndTwo) {
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"1.5s", 15}, {"0.1s", 1}, {"5.0s", 50}, {"9.9s", 99}, {"", 0},
        {"12.0s", 1},  // '1' and '.': the point ends the number
        {"12.5s", 1}, {"7", 7}, {"7s", 7}, {"x.5s", 0}, {" 5s", 0}, {"-.5", -5},
    };
    for (const Case& c : cases) EXPECT_EQ(read_time_digits(c.text), c.expected) << c.text;
}

TEST(DialogText, FirstCharacterOnly) {
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {{"2:JPEG", 2}, {"7", 7}, {"42", 4}, {"x", 0}, {"", 0}, {"-3", 0}, {"９", 0}};
    for (const Case& c : cases) EXPECT_EQ(read_first_character(c.text), c.expected) << c.text;
}

TEST(DialogText, OnlyThirtyOneBytesOfAFieldCount) {
    EXPECT_EQ(dialog_text(std::string(40, '1')).size(), 31u);
    EXPECT_EQ(dialog_text(std::string_view("12\0" "34", 5)), "12");
}

TEST(SettingsDialog, InitialTexts) {
    struct Case {
        int32_t file_select, pl_timeno, psize;
        const char *file_type, *time, *size;
    } cases[] = {
        {0, 1500, 0, "0:ALL(BJGP)", "1.5s", "0:原本"},
        {4, 1550, 7, "4:PNG", "1.5s", "7:2.00倍"},
        {2, 100, 1, "2:JPEG", "0.1s", "1:ﾌｨｯﾄ"},
        {5, 99, 9, "0:ALL(BJGP)", "0.0s", "0:原本"},
        {-1, 12000, -1, "0:ALL(BJGP)", "12.0s", "0:原本"},
        {3, 5, 3, "3:GIF", "0.0s", "3:0.75倍"},
    };
    for (const Case& c : cases) {
        AppState app;
        app.settings.file_select = c.file_select;
        app.settings.pl_timeno = c.pl_timeno;
        app.settings.psize = c.psize;
        const SettingsTexts texts = settings_dialog_init(app);
        EXPECT_EQ(texts.file_type, c.file_type);
        EXPECT_EQ(texts.display_time, c.time);
        EXPECT_EQ(texts.size, c.size);
    }
}

TEST(SettingsDialog, ApplyReadsTextsWithClamps) {
    struct Case {
        const char *file_type, *time, *size;
        int32_t file_select, pl_timeno, psize;
    } cases[] = {
        {"2:JPEG", "1.5s", "3:0.75倍", 2, 1500, 3},
        {"7", "12.0s", "9", 4, 100, 7},
        {"a", "", "z", 0, 0, 0},
        {"-4", "9.9s", "-1", 0, 9900, 0},
        {"4:PNG", "0.0s", "1:ﾌｨｯﾄ", 4, 0, 1},
    };
    for (const Case& c : cases) {
        AppState app;
        settings_dialog_apply(app, {c.file_type, c.time, c.size});
        EXPECT_EQ(app.settings.file_select, c.file_select) << c.file_type;
        EXPECT_EQ(app.settings.pl_timeno, c.pl_timeno) << c.time;
        EXPECT_EQ(app.settings.psize, c.psize) << c.size;
    }
}

TEST(SettingsDialog, OkWithoutChangesKeepsEveryValidSetting) {
    for (int32_t file_select = 0; file_select <= 4; ++file_select) {
        for (int32_t psize = 0; psize <= 7; ++psize) {
            for (int32_t pl_timeno = 100; pl_timeno <= 9900; pl_timeno += 100) {
                AppState app;
                app.settings.file_select = file_select;
                app.settings.psize = psize;
                app.settings.pl_timeno = pl_timeno;
                settings_dialog_apply(app, settings_dialog_init(app));
                ASSERT_EQ(app.settings.file_select, file_select);
                ASSERT_EQ(app.settings.psize, psize);
                ASSERT_EQ(app.settings.pl_timeno, pl_timeno);
            }
        }
    }
}

TEST(SettingsDialog, OddIntervalsRoundDownOnOk) {
    struct Case {
        int32_t before, after;
    } cases[] = {{1550, 1500}, {12000, 100}, {0, 0}, {99, 0}, {5, 0}};
    for (const Case& c : cases) {
        AppState app;
        app.settings.pl_timeno = c.before;
        settings_dialog_apply(app, settings_dialog_init(app));
        EXPECT_EQ(app.settings.pl_timeno, c.after) << c.before;
    }
}

TEST(AboutBox, VersionText) {
    struct Case {
        uint32_t version, beta;
        const char* text;
    } cases[] = {
        {123, 4, "imgctl.dllのバージョン：1.23-4"},
        {105, 0, "imgctl.dllのバージョン：1.5-0"},
        {200, 1, "imgctl.dllのバージョン：2.0-1"},
        {0x10000 + 102, 0x20003, "imgctl.dllのバージョン：1.2-3"},  // low 16 bits only
    };
    for (const Case& c : cases) EXPECT_EQ(about_version_text({c.version, c.beta}), c.text);
    EXPECT_EQ(about_version_text(linked_library_version()), "imgctl.dllのバージョン：1.0-0");
}

}  // namespace
}  // namespace tervo
