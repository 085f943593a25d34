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

#include "app/command_table.h"
#include "app/shell/client_area.h"
#include "app/shell/main_window.h"
#include "app/shell/status_bar_widget.h"
#include "slideshow/folder_scan.h"
#include "tests/shell/modal_responder.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

using testing::kStateDeadlineMs;
using testing::ModalResponder;
using testing::TempDir;

enum class Start { Initial, Stopped, PlayingForward, PlayingBackward };

struct Outcome {
    PlayState state;
    int index, display_no, rotation;
    double scale;
    bool timer;
    std::vector<QString> status;
    QImage canvas;
    std::string message;
    bool operator==(const Outcome&) const = default;
};

class ViewerKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
        // Same size, so that stepping onto a picture paints the same canvas
        // by any way; no tick comes during a case.
        for (auto [name, colour] : {std::pair{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}}) {
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(colour);
            image.save(QString::fromStdString((pictures.path() / name).string()));
        }
        launch.write("Tervo.ini", "file_select=0\r\npl_timeno=600000\r\nread_foldername=\r\npsize=0\r\n");
        window = std::make_unique<MainWindow>(app);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kStateDeadlineMs));
    }
    void TearDown() override {
        window.reset();
        std::filesystem::current_path(previous_);
    }

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
        const ViewState& view = app.view;
        return {view.play_state,
                view.current_index,
                view.display_no,
                view.rotation,
                view.scale,
                window->platform().play_timer().isActive(),
                window->status_bar()->texts(),
                window->client_area()->canvas().copy(),
                message};
    }

    void key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->client_area(), static_cast<Qt::Key>(code), modifiers);
    }
    // To the window itself: Qt passes the wheel of the system on to the
    // parents of the widget under the mouse, but not a wheel sent by a test.
    void wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(window->client_area()->mapTo(window.get(), QPoint(100, 100)));
        QWheelEvent event(at, window->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &event);
    }

    TempDir launch;
    TempDir pictures;
    AppState app;
    std::unique_ptr<MainWindow> window;

private:
    std::filesystem::path previous_;
};

TEST_F(ViewerKeysTest, EveryInputDoesWhatItsToolbarCommandDoesInEveryState) {
    const auto press = [this](int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [=, this] { key(code, modifiers); };
    };
    const auto turn = [this](int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [=, this] { wheel(delta, modifiers); };
    };
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
    const auto space = [this] {
        const PlayState state = app.view.play_state;
        toolbar(state == PlayState::PlayForward || state == PlayState::PlayBackward ? tb_stop : tb_play_forward);
    };
    struct Case {
        const char* input;
        std::function<void()> act, toolbar;
    };
    const std::vector<Case> cases{
        {"Right", press(Qt::Key_Right), button(tb_step_forward)},
        {"Down", press(Qt::Key_Down), button(tb_step_forward)},
        {"PgDn", press(Qt::Key_PageDown), button(tb_step_forward)},
        {"Return", press(Qt::Key_Return), button(tb_step_forward)},
        {"wheel down", turn(-120), button(tb_step_forward)},
        {"two half notches down", [=] { turn(-60)(), turn(-60)(); }, button(tb_step_forward)},
        {"Left", press(Qt::Key_Left), button(tb_step_backward)},
        {"Up", press(Qt::Key_Up), button(tb_step_backward)},
        {"PgUp", press(Qt::Key_PageUp), button(tb_step_backward)},
        {"BackSpace", press(Qt::Key_Backspace), button(tb_step_backward)},
        {"wheel up", turn(120), button(tb_step_backward)},
        {"Space", press(Qt::Key_Space), space},
        {"Esc", press(Qt::Key_Escape), button(tb_stop)},
        {"Home", press(Qt::Key_Home), step_until(tb_step_forward, false)},
        {"End", press(Qt::Key_End), step_until(tb_step_backward, true)},
        {"+", press(Qt::Key_Plus, Qt::ShiftModifier), button(tb_zoom_in)},
        {"-", press(Qt::Key_Minus), button(tb_zoom_out)},
        {"Ctrl+wheel up", turn(120, Qt::ControlModifier), button(tb_zoom_in)},
        {"Ctrl+wheel down", turn(-120, Qt::ControlModifier), button(tb_zoom_out)},
        {"R", press(Qt::Key_R), button(tb_rotate)},
        {"Ctrl+Right", press(Qt::Key_Right, Qt::ControlModifier), [] {}},
        {"half a notch", turn(-60), [] {}},
    };
    for (Start start : {Start::Initial, Start::Stopped, Start::PlayingForward, Start::PlayingBackward}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.input) + " from state " + std::to_string(static_cast<int>(start)));
            const Outcome by_input = outcome_of(start, c.act);
            const Outcome by_toolbar = outcome_of(start, c.toolbar);
            EXPECT_EQ(by_input.state, by_toolbar.state);
            EXPECT_EQ(by_input.index, by_toolbar.index);
            EXPECT_EQ(by_input.message, by_toolbar.message);
            EXPECT_EQ(QStringList(by_input.status.begin(), by_input.status.end()).join('|').toStdString(),
                      QStringList(by_toolbar.status.begin(), by_toolbar.status.end()).join('|').toStdString());
            EXPECT_TRUE(by_input == by_toolbar);
        }
    }
    // Seen once: Home before any folder gives the step's message.
    EXPECT_EQ(outcome_of(Start::Initial, press(Qt::Key_Home)).message, "フォルダを先に指定して下さい。");
}

TEST_F(ViewerKeysTest, F11DoubleClickAndEscToggleFullScreenWithoutStoppingTheShow) {
    enter(Start::PlayingForward);
    key(Qt::Key_F11);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isFullScreen(); }, kStateDeadlineMs));
    key(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreen(); }, kStateDeadlineMs));
    EXPECT_EQ(app.view.play_state, PlayState::PlayForward);
    const QPoint picture(200, 200);
    QTest::mouseDClick(window->client_area(), Qt::LeftButton, Qt::NoModifier, picture);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isFullScreen(); }, kStateDeadlineMs));
    QTest::mouseDClick(window->client_area(), Qt::LeftButton, Qt::NoModifier, picture);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreen(); }, kStateDeadlineMs));
    key(Qt::Key_Escape);
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
}

}  // namespace
}  // namespace tervo
