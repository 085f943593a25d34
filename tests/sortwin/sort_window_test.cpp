#include "sortwin/ui/sort_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>
#include <string>
#include <vector>

#include "resources/sort_toolbar_art.h"
#include "sortwin/sort_procedures.h"
#include "tests/support/deadline.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"

namespace tervo {
namespace {

using testing::FakePlatform;

struct SortWindowGuiTest : ::testing::Test {
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    FakePlatform platform;

    void set_table(const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) set_text(app->files.file_names[i], names[i]);
        app->files.file_count = static_cast<int32_t>(names.size());
    }
    std::vector<std::string> table() const {
        std::vector<std::string> names;
        for (int i = 0; i < app->files.file_count; ++i) names.emplace_back(text_of(app->files.file_names[i]));
        return names;
    }
    std::unique_ptr<SortWindow> open() {
        auto window = std::make_unique<SortWindow>(*app, platform, nullptr);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get(), testing::kStateDeadlineMs));
        return window;
    }
};

std::vector<std::string> rows(const SortWindow& window) {
    std::vector<std::string> texts;
    for (int row = 0; row < window.list_view()->rowCount(); ++row) {
        texts.push_back(window.list_view()->item(row, 0)->text().toStdString());
    }
    return texts;
}

std::vector<std::string> status(const SortWindow& window) {
    return {window.status_part(0)->text().toStdString(), window.status_part(1)->text().toStdString()};
}

void click_header(SortWindow& window) {
    QHeaderView* header = window.list_view()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(20, header->height() / 2));
}

void click_row(SortWindow& window, int row) {
    QTableWidget* view = window.list_view();
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

void press(SortWindow& window, int command) { window.command_action(command)->trigger(); }

TEST_F(SortWindowGuiTest, FirstOpeningShowsTheTableAsItIs) {
    set_table({"img10.bmp", "img2.bmp", "a.jpg"});
    auto window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("並び替え"));
    EXPECT_EQ(rows(*window), table());
    EXPECT_EQ(status(*window), (std::vector<std::string>{"UP", "strcmp"}));
    EXPECT_EQ(window->list_view()->horizontalHeaderItem(0)->text(), QStringLiteral("ファイル名"));
    EXPECT_EQ(window->list_view()->columnWidth(0), 300);
    EXPECT_EQ(window->status_part(0)->geometry().right() + 1, 120);
    EXPECT_EQ(window->status_part(1)->geometry().right() + 1, 240);
    const QList<QAction*> actions = window->toolbar()->actions();
    ASSERT_EQ(actions.size(), 6);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(actions[k]->data().toInt(), tb_sort_up + k);
        EXPECT_TRUE(actions[k]->toolTip().isEmpty());
    }
}

TEST_F(SortWindowGuiTest, HeaderClicksSortDownFirstThenAlternate) {
    set_table({"img10.bmp", "img2.bmp", "img1.bmp"});
    auto window = open();
    press(*window, tb_mode_number);
    EXPECT_EQ(status(*window), (std::vector<std::string>{"UP", "文数順"}));
    EXPECT_EQ(rows(*window), table());  // a mode button does not sort
    click_header(*window);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"img1.bmp", "img2.bmp", "img10.bmp"}));
    EXPECT_EQ(status(*window), (std::vector<std::string>{"DOWN", "文数順"}));
    click_header(*window);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"img10.bmp", "img2.bmp", "img1.bmp"}));
    EXPECT_EQ(status(*window)[0], "UP");
    press(*window, tb_mode_strcmp);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"img10.bmp", "img2.bmp", "img1.bmp"}));
    click_header(*window);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"img1.bmp", "img10.bmp", "img2.bmp"}));
    EXPECT_EQ(status(*window), (std::vector<std::string>{"DOWN", "strcmp"}));
}

TEST_F(SortWindowGuiTest, MovesTheClickedRowAndClampsAtTheEnds) {
    set_table({"a", "b", "c"});
    auto window = open();
    click_row(*window, 0);
    press(*window, tb_sort_up);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"a", "b", "c"}));
    press(*window, tb_sort_down);
    press(*window, tb_sort_down);
    press(*window, tb_sort_down);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"b", "c", "a"}));
    QTableWidget* view = window->list_view();
    EXPECT_EQ(view->currentRow(), 2);
    EXPECT_TRUE(view->item(2, 0)->isSelected());
    EXPECT_EQ(view->selectedItems().size(), 1);
    click_row(*window, 0);
    press(*window, tb_sort_down);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"c", "b", "a"}));
    expect_no_message(platform);
    EXPECT_EQ(table(), (std::vector<std::string>{"a", "b", "c"}));  // untouched until closed
}

TEST_F(SortWindowGuiTest, OneItemStaysWhereItIs) {
    set_table({"only.png"});
    auto window = open();
    click_row(*window, 0);
    press(*window, tb_sort_up);
    press(*window, tb_sort_down);
    EXPECT_EQ(rows(*window), (std::vector<std::string>{"only.png"}));
    EXPECT_TRUE(window->list_view()->item(0, 0)->isSelected());
}

TEST_F(SortWindowGuiTest, EmptyTable) {
    auto window = open();
    EXPECT_EQ(window->list_view()->rowCount(), 0);
    click_header(*window);
    EXPECT_EQ(status(*window)[0], "DOWN");
    press(*window, tb_sort_up);
    expect_message(platform, {.text = "項目を選択して下さい", .owner = window_handle(window.get())});
    window->close();
    EXPECT_EQ(app->files.file_count, 0);
}

TEST_F(SortWindowGuiTest, ToolbarCloseKeepsTheOldOrderButNotTheSettings) {
    set_table({"b", "c", "a"});
    {
        auto window = open();
        press(*window, tb_mode_text_first);
        click_header(*window);
        EXPECT_EQ(rows(*window), (std::vector<std::string>{"a", "b", "c"}));
        press(*window, tb_sort_close);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), 1);
    }
    EXPECT_EQ(table(), (std::vector<std::string>{"b", "c", "a"}));
    auto reopened = open();
    EXPECT_EQ(status(*reopened), (std::vector<std::string>{"DOWN", "文一致数"}));
    EXPECT_EQ(rows(*reopened), table());
}

TEST_F(SortWindowGuiTest, CloseBoxWritesTheOrderAndLeavesThePosition) {
    set_table({"img10.bmp", "img2.bmp", "img1.bmp"});
    app->view.current_index = 1;
    app->view.display_no = 2;
    app->sort.sort_mode = SortMode::Number;
    auto window = open();
    click_header(*window);
    click_row(*window, 2);
    press(*window, tb_sort_up);
    // Enter and Esc leave the window open.
    QTest::keyClick(window->list_view(), Qt::Key_Escape);
    QTest::keyClick(window->list_view(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(table(), (std::vector<std::string>{"img10.bmp", "img2.bmp", "img1.bmp"}));
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), 1);
    EXPECT_EQ(table(), (std::vector<std::string>{"img1.bmp", "img10.bmp", "img2.bmp"}));
    EXPECT_EQ(app->view.current_index, 1);
    EXPECT_EQ(app->view.display_no, 2);
}

TEST_F(SortWindowGuiTest, RunsModallyUntilClosed) {
    set_table({"b", "a"});
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) modal->close();
    });
    bool timer_went_on = false;
    QTimer::singleShot(0, [&] { timer_went_on = true; });
    EXPECT_EQ(run_sort_window(*app, platform, nullptr), 1);
    EXPECT_TRUE(timer_went_on);
    EXPECT_EQ(table(), (std::vector<std::string>{"b", "a"}));
}

TEST(SortToolbarArt, SixImagesInGreenAndRed) {
    const QImage strip = sort_toolbar_strip();
    ASSERT_EQ(strip.size(), QSize(96, 16));
    auto count = [&](int index, auto matches) {
        int n = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = index * 16; x < index * 16 + 16; ++x) n += matches(strip.pixelColor(x, y)) ? 1 : 0;
        }
        return n;
    };
    auto green = [](const QColor& c) { return c.alpha() == 255 && c.green() > 90 && c.red() < 60 && c.blue() < 90; };
    auto red = [](const QColor& c) { return c.alpha() == 255 && c.red() > 180 && c.green() < 60; };
    auto white = [](const QColor& c) { return c.alpha() == 255 && c.red() > 230 && c.green() > 230 && c.blue() > 230; };
    for (int index = 0; index < 5; ++index) EXPECT_GT(count(index, green), 12) << index;
    EXPECT_GT(count(0, green), count(2, green));  // filled triangles against outlined digits
    EXPECT_GT(count(5, red), 100);
    EXPECT_GT(count(5, white), 8);
    EXPECT_EQ(sort_toolbar_image(5), strip.copy(80, 0, 16, 16));
}

}  // namespace
}  // namespace tervo
