// The main window's keys, wheel, double-click and full screen against the
// toolbar: in each play state, an input must leave exactly what the toolbar
// command it stands for leaves (state, picture, repaint, message).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWheelEvent>

#include <filesystem>
#include <functional>
#include <tuple>

#include "app/command_table.h"
#include "app/shell/client_area.h"
#include "app/shell/main_window.h"
#include "app/shell/status_bar_widget.h"
#include "slideshow/folder_scan.h"
#include "tests/shell/modal_responder.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_pictures.h"

namespace tervo {
namespace {

using testing::kStateDeadlineMs;
using testing::ModalResponder;
using testing::TempDir;

enum class Start { Initial, Stopped, PlayingForward, PlayingBackward };

// Index, state, shown number, turn, scale, timer, status texts, canvas, message.
using Outcome = std::tuple<int, PlayState, int, int, double, bool, std::vector<QString>, QImage, std::string>;

class ViewerKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
        // Same size, so that stepping onto a picture paints the same canvas
        // by any way; no tick comes during a case.
        for (auto [name, colour] : {std::pair{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}})
            ASSERT_TRUE(testing::write_test_image(pictures.path() / name, 60, 40, colour));
        launch.write("Tervo.ini", "file_select=0\r\npl_timeno=600000\r\nread_foldername=\r\npsize=0\r\n");
        window = std::make_unique<MainWindow>(app);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kStateDeadlineMs));
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    void toolbar(int id) { window->command_action(id)->trigger(); }

    void enter(Start start) {
        window->platform().stop_play_timer();
        app.view = ViewState{};
        set_text(app.settings.folder, "");
        if (start != Start::Initial) {
            set_text(app.settings.folder, pictures.str());
            rescan_folder(app, window->platform());
        }
        window->client_area()->erase_canvas();
        if (start == Start::Stopped) toolbar(tb_step_forward), toolbar(tb_step_forward);
        if (start == Start::PlayingForward) toolbar(tb_play_forward);
        if (start == Start::PlayingBackward) toolbar(tb_play_backward);
    }

    Outcome outcome_of(Start start, const std::function<void()>& act) {
        enter(start);
        std::string message;
        ModalResponder responder([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) message = box->text().toStdString();
            static_cast<QDialog*>(modal)->accept();
        });
        act();
        const ViewState& v = app.view;
        return {v.current_index,
                v.play_state,
                v.display_no,
                v.rotation,
                v.scale,
                window->platform().play_timer().isActive(),
                window->status_bar()->texts(),
                window->client_area()->canvas().copy(),
                message};
    }

    void key(Qt::Key code, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window->client_area(), code, modifiers);
    }
    // To the window itself: Qt passes the wheel of the system on to the
    // parents of the widget under the mouse, but not a wheel sent by a test.
    void wheel(int delta, Qt::KeyboardModifiers modifiers = {}) {
        const QPointF at(window->client_area()->mapTo(window.get(), QPoint(100, 100)));
        QWheelEvent event(at, window->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &event);
    }

    TempDir launch;
    TempDir pictures;
    AppState app;
    std::unique_ptr<MainWindow> window;
    std::filesystem::path previous_;
};

TEST_F(ViewerKeysTest, EveryInputDoesWhatItsToolbarCommandDoesInEveryState) {
    const auto press = [this](Qt::Key code, Qt::KeyboardModifiers mods = {}) { return [=, this] { key(code, mods); }; };
    const auto turn = [this](int delta, Qt::KeyboardModifiers mods = {}) { return [=, this] { wheel(delta, mods); }; };
    const auto button = [this](int id) { return [=, this] { toolbar(id); }; };
    // Home and End by the toolbar: steps until the end is reached (a step
    // from any state ends Stopped; before a folder, the one step's message).
    const auto step_until = [this](int id, bool last) {
        return [=, this] {
            do toolbar(id);
            while (app.view.play_state != PlayState::Initial &&
                   app.view.current_index != (last ? app.files.file_count - 1 : 0));
        };
    };
    const auto space = [this, &view = app.view] {
        toolbar(view.play_state == PlayState::PlayForward || view.play_state == PlayState::PlayBackward
                    ? tb_stop
                    : tb_play_forward);
    };
    // The inputs of a row against the toolbar's way; the last row does nothing.
    const std::vector<std::pair<std::vector<std::function<void()>>, std::function<void()>>> cases{
        {{press(Qt::Key_Right), press(Qt::Key_Down), press(Qt::Key_PageDown), press(Qt::Key_Return), turn(-120),
          [=] { turn(-60)(), turn(-60)(); }},
         button(tb_step_forward)},
        {{press(Qt::Key_Left), press(Qt::Key_Up), press(Qt::Key_PageUp), press(Qt::Key_Backspace), turn(120)},
         button(tb_step_backward)},
        {{press(Qt::Key_Space)}, space},
        {{press(Qt::Key_Escape)}, button(tb_stop)},
        {{press(Qt::Key_Home)}, step_until(tb_step_forward, false)},
        {{press(Qt::Key_End)}, step_until(tb_step_backward, true)},
        {{press(Qt::Key_Plus, Qt::ShiftModifier), turn(120, Qt::ControlModifier)}, button(tb_zoom_in)},
        {{press(Qt::Key_Minus), turn(-120, Qt::ControlModifier)}, button(tb_zoom_out)},
        {{press(Qt::Key_R)}, button(tb_rotate)},
        {{press(Qt::Key_Right, Qt::ControlModifier), turn(-60)}, [] {}},
    };
    for (Start start : {Start::Initial, Start::Stopped, Start::PlayingForward, Start::PlayingBackward}) {
        for (std::size_t row = 0; row < cases.size(); ++row) {
            const Outcome by_toolbar = outcome_of(start, cases[row].second);
            for (std::size_t input = 0; input < cases[row].first.size(); ++input) {
                const Outcome by_input = outcome_of(start, cases[row].first[input]);
                EXPECT_TRUE(by_input == by_toolbar)
                    << "row " << row << " input " << input << " from state " << static_cast<int>(start) << ": index "
                    << std::get<0>(by_input) << " / " << std::get<0>(by_toolbar);
            }
        }
    }
}

TEST_F(ViewerKeysTest, F11DoubleClickAndEscToggleFullScreenWithoutStoppingTheShow) {
    enter(Start::PlayingForward);
    const auto double_click = [&] { QTest::mouseDClick(window->client_area(), Qt::LeftButton, {}, QPoint(200, 200)); };
    for (auto [act, full] : std::vector<std::pair<std::function<void()>, bool>>{{[&] { key(Qt::Key_F11); }, true},
                                                                                {[&] { key(Qt::Key_Escape); }, false},
                                                                                {double_click, true},
                                                                                {double_click, false}}) {
        act();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->isFullScreen() == full; }, kStateDeadlineMs)) << full;
    }
    EXPECT_EQ(app.view.play_state, PlayState::PlayForward);  // Esc left full screen only
    key(Qt::Key_Escape);
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
}

}  // namespace
}  // namespace tervo
