#include "sortwin/sort_procedures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"

namespace tervo {
namespace {

using testing::FakePlatform;

constexpr WindowHandle kWindow{0x5017};

std::vector<std::string> texts(const SortList& list) {
    std::vector<std::string> result;
    for (const SortListItem& item : list.items()) result.push_back(item.text);
    return result;
}

bool params_unique(const SortList& list) {
    std::set<int32_t> params;
    for (const SortListItem& item : list.items()) params.insert(item.param);
    return static_cast<int>(params.size()) == list.count();
}

struct SortWindowTest : ::testing::Test {
    AppState app;
    SortList list;
    FakePlatform platform;

    void open_with(const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) set_text(app.files.file_names[i], names[i]);
        app.files.file_count = static_cast<int32_t>(names.size());
        fill_sort_list(app, list);
    }
    void select(int index) {
        list.select_only(index);
        list.focus_only(index);
    }
};

TEST_F(SortWindowTest, FillsInTableOrderWithParametersByIndex) {
    open_with({"b.jpg", "a.jpg", "c.jpg"});
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b.jpg", "a.jpg", "c.jpg"}));
    for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.items()[i].param, i);
    EXPECT_FALSE(list.first_selected());
}

TEST_F(SortWindowTest, StatusTextsFollowDirectionAndMode) {
    struct Row {
        SortDirection direction;
        SortMode mode;
        const char* first;
        const char* second;
    };
    for (const Row& row : {Row{SortDirection::Up, SortMode::Strcmp, "UP", "strcmp"},
                           Row{SortDirection::Down, SortMode::Number, "DOWN", "文数順"},
                           Row{SortDirection::None, SortMode::TextFirst, "DOWN", "文一致数"}}) {
        app.sort.sort_direction[0] = row.direction;
        app.sort.sort_mode = row.mode;
        const auto status = sort_status_texts(app.sort);
        EXPECT_EQ(status[0], row.first);
        EXPECT_EQ(status[1], row.second);
    }
}

TEST_F(SortWindowTest, HeaderClicksAlternateStartingWithDown) {
    open_with({"img10.bmp", "img2.bmp", "img1.bmp"});
    app.sort.sort_mode = SortMode::Number;
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(app.sort.sort_direction[0], SortDirection::Down);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"img1.bmp", "img2.bmp", "img10.bmp"}));
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(app.sort.sort_direction[0], SortDirection::Up);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"img10.bmp", "img2.bmp", "img1.bmp"}));
    // A column never sorted before starts with Up.
    app.sort.sort_direction[0] = SortDirection::None;
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(app.sort.sort_direction[0], SortDirection::Up);
    expect_no_message(platform);
}

TEST_F(SortWindowTest, ModeButtonsDoNotResort) {
    open_with({"img10.bmp", "img2.bmp"});
    for (int command : {tb_mode_number, tb_mode_text_first, tb_mode_strcmp}) {
        EXPECT_EQ(run_sort_command(app, list, platform, kWindow, command), AfterCommand::Stay);
        EXPECT_EQ(static_cast<int>(app.sort.sort_mode), command - tb_mode_strcmp);
        EXPECT_EQ(texts(list), (std::vector<std::string>{"img10.bmp", "img2.bmp"}));
    }
    // Mode 0 compares whole names: "img10" before "img2" going DOWN.
    app.sort.sort_mode = SortMode::Strcmp;
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"img10.bmp", "img2.bmp"}));
}

TEST_F(SortWindowTest, EqualNamesKeepTheirOrderInBothDirections) {
    open_with({"b.jpg", "SAME.jpg", "a.jpg", "same.JPG"});
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a.jpg", "b.jpg", "SAME.jpg", "same.JPG"}));
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"SAME.jpg", "same.JPG", "b.jpg", "a.jpg"}));
}

TEST_F(SortWindowTest, SortSurvivesComparisonsThatGoRoundInACircle) {
    // Wrapped values of long digit runs: x0 < x1500000000 < x2794967296 < x0.
    open_with({"x2794967296", "x1500000000", "x0", "x7", "x1500000000"});
    app.sort.sort_mode = SortMode::Number;
    sort_by_column(app, list, platform, kWindow, 0);
    std::vector<std::string> sorted = texts(list);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"x0", "x1500000000", "x1500000000", "x2794967296", "x7"}));
}

TEST_F(SortWindowTest, SortThatCannotRunReportsAndKeepsTheToggle) {
    list.append("b", 4);
    list.append("a", 4);
    sort_by_column(app, list, platform, kWindow, 0);
    expect_message(platform, {"ソート失敗", "Error", MessageIcon::None, kWindow});
    EXPECT_EQ(app.sort.sort_direction[0], SortDirection::Down);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b", "a"}));
}

TEST_F(SortWindowTest, MovesClampAtTheEndsAndMarkTheMovedItem) {
    struct Move {
        std::vector<std::string> names;
        int selected;
        bool up;
        std::vector<std::string> after;
        int at;
    };
    const Move moves[] = {
        {{"a", "b", "c"}, 1, true, {"b", "a", "c"}, 0},
        {{"a", "b", "c"}, 1, false, {"a", "c", "b"}, 2},
        {{"a", "b", "c"}, 0, true, {"a", "b", "c"}, 0},
        {{"a", "b", "c"}, 2, false, {"a", "b", "c"}, 2},
        {{"only"}, 0, true, {"only"}, 0},
        {{"only"}, 0, false, {"only"}, 0},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.names.size() * 10 + m.selected);
        app = AppState{};
        open_with(m.names);
        select(m.selected);
        const int32_t old_param = list.items()[m.selected].param;
        move_item(list, platform, kWindow, m.up);
        EXPECT_EQ(texts(list), m.after);
        const SortListItem& moved = list.items()[m.at];
        EXPECT_TRUE(moved.selected && moved.focused && moved.drop_highlighted);
        EXPECT_NE(moved.param, old_param);
        EXPECT_TRUE(params_unique(list));
        EXPECT_EQ(list.first_selected(), m.at);
    }
    expect_no_message(platform);
}

TEST_F(SortWindowTest, EarlierMovesStayDropHighlighted) {
    open_with({"a", "b", "c", "d"});
    select(3);
    move_item(list, platform, kWindow, true);  // d to index 2
    select(0);
    move_item(list, platform, kWindow, false);  // a to index 1
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b", "a", "d", "c"}));
    EXPECT_TRUE(list.items()[2].drop_highlighted);
    EXPECT_FALSE(list.items()[2].selected);
    EXPECT_TRUE(list.items()[1].selected);
}

TEST_F(SortWindowTest, MovingWithoutSelectionAsksForOne) {
    for (const std::vector<std::string>& names : {std::vector<std::string>{}, std::vector<std::string>{"a", "b"}}) {
        platform.messages.clear();
        open_with(names);
        std::size_t shown = 0;
        for (int command : {tb_sort_up, tb_sort_down}) {
            run_sort_command(app, list, platform, kWindow, command);
            expect_message(platform, {"項目を選択して下さい", "UPDOWN", MessageIcon::None, kWindow}, ++shown);
        }
        EXPECT_EQ(texts(list), names);
    }
}

TEST_F(SortWindowTest, SortAfterMovesComparesEveryItemByItsOwnName) {
    open_with({"p3", "p1", "p2", "p10"});
    app.sort.sort_mode = SortMode::Number;
    select(3);
    move_item(list, platform, kWindow, true);
    select(0);
    move_item(list, platform, kWindow, false);
    sort_by_column(app, list, platform, kWindow, 0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"p1", "p2", "p3", "p10"}));
}

TEST_F(SortWindowTest, ApplyOrderWritesTheListOnly) {
    open_with({"c.jpg", "a.jpg", "b.jpg"});
    app.view.current_index = 2;
    app.view.display_no = 3;
    sort_by_column(app, list, platform, kWindow, 0);
    list.remove(2);  // fewer items than the table: the rest stays
    apply_order(app, list);
    EXPECT_EQ(app.files.file_count, 2);
    EXPECT_EQ(text_of(app.files.file_names[0]), "a.jpg");
    EXPECT_EQ(text_of(app.files.file_names[1]), "b.jpg");
    EXPECT_EQ(text_of(app.files.file_names[2]), "b.jpg");
    EXPECT_EQ(app.view.current_index, 2);
    EXPECT_EQ(app.view.display_no, 3);

    open_with({});
    apply_order(app, list);
    EXPECT_EQ(app.files.file_count, 0);
}

TEST_F(SortWindowTest, OnlyTheToolbarCloseButtonEndsTheWindow) {
    open_with({"b", "a"});
    EXPECT_EQ(run_sort_command(app, list, platform, kWindow, tb_sort_close), AfterCommand::Close);
    for (int other : {1, 2, 369, 376}) {
        EXPECT_EQ(run_sort_command(app, list, platform, kWindow, other), AfterCommand::Stay);
    }
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(app.sort.sort_mode, SortMode::Strcmp);
    expect_no_message(platform);
}

}  // namespace
}  // namespace tervo
