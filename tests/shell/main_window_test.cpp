// The real main window on the offscreen platform: its start-up, menu,
// toolbar, canvas, status bar, timer, dialogs and exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <numeric>
#include <sstream>

#include "app/command_table.h"
#include "app/commands.h"
#include "core/settings_file.h"
#include "app/shell/client_area.h"
#include "app/shell/lifecycle.h"
#include "app/shell/main_window.h"
#include "app/shell/status_bar_widget.h"
#include "tests/shell/modal_responder.h"
#include "slideshow/playback.h"
#include "slideshow/status_bar.h"
#include "tests/support/deadline.h"
#include "tests/support/made_files.h"
#include "tests/support/temp_dir.h"
#include "ui/window_handle.h"

namespace tervo {
namespace {

using testing::kStateDeadlineMs;
using testing::ModalResponder;
using testing::read_file;
using testing::TempDir;

const QColor kGrey(192, 192, 192);

// Each test runs in a launch directory of its own, with a picture folder.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_dir_); }

    void save_settings_file(int psize = 0, int pl_timeno = 5) {
        launch.write("Tervo.ini", "file_select=0\r\npl_timeno=" + std::to_string(pl_timeno) +
                                      "\r\nread_foldername=" + pictures.str() + "\r\npsize=" + std::to_string(psize) +
                                      "\r\n");
    }
    void add_image(const std::string& name, int width, int height, QColor colour) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        image.save(QString::fromStdString((pictures.path() / name).string()));
    }
    // a.bmp red and b.bmp blue, 40 x 30, in the saved folder
    void save_red_and_blue_folder() {
        add_image("a.bmp", 40, 30, Qt::red);
        add_image("b.bmp", 40, 30, Qt::blue);
        save_settings_file();
    }
    static void show(MainWindow& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kStateDeadlineMs));
    }
    static void trigger(MainWindow& window, int id) {
        QAction* action = window.command_action(id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }
    static QColor canvas_at(MainWindow& window, int x, int y) {
        return window.client_area()->canvas().pixelColor(x, y);
    }

    TempDir launch;
    TempDir pictures;
    AppState app;

private:
    std::filesystem::path previous_dir_;
};

TEST_F(MainWindowTest, StartsWithoutSettingsInInitialFillingTheScreen) {
    MainWindow window(app);
    EXPECT_EQ(app.view.play_state, PlayState::Initial);
    EXPECT_TRUE(std::filesystem::exists(launch.path() / "Tervo.ini"));  // created empty
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tervo Ver1.02"));
    EXPECT_FALSE(window.windowIcon().isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), QPoint(0, 0));
    EXPECT_EQ(window.size(), QSize(screen.width(), screen.height() - 26));
    EXPECT_EQ(window.platform().main_window(), window_handle(&window));

    show(window);
    const StatusBarWidget* bar = window.status_bar();
    EXPECT_EQ(bar->edges(), (std::vector<int>{80, 160, 240, 470, 620, 720, 800, 860}));
    QStringList texts;
    for (const QString& text : bar->texts()) texts << text;
    EXPECT_EQ(texts.join(QLatin1Char('|')).toStdString(), "初期状態|No.0/0|時間：0.0秒|||拡縮：1.000000|ALL(BJGP)|回転0度");
}

TEST_F(MainWindowTest, MenuBarHoldsEveryCommandWithItsTextAndId) {
    MainWindow window(app);
    const QList<QAction*> bar = window.menuBar()->actions();
    const auto entries = main_menu();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuBarEntry& entry = entries[i];
        QAction* action = bar[static_cast<qsizetype>(i)];
        EXPECT_EQ(action->text().toStdString(), entry.text);
        if (entry.items.empty()) {
            // "終了(&X)" stands on the bar itself as a command.
            EXPECT_EQ(action->menu(), nullptr);
            EXPECT_EQ(action->data().toInt(), entry.id);
            continue;
        }
        ASSERT_NE(action->menu(), nullptr) << entry.text;
        const QList<QAction*> items = action->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(entry.items.size()));
        for (std::size_t j = 0; j < entry.items.size(); ++j) {
            EXPECT_EQ(items[static_cast<qsizetype>(j)]->text().toStdString(), entry.items[j].text);
            EXPECT_EQ(items[static_cast<qsizetype>(j)]->data().toInt(), entry.items[j].id);
            EXPECT_TRUE(items[static_cast<qsizetype>(j)]->isEnabled());
        }
    }
}

TEST_F(MainWindowTest, ToolbarHasThirteenImageButtonsWithTooltipsAtTheTop) {
    MainWindow window(app);
    show(window);
    QToolBar* toolbar = window.toolbar();
    EXPECT_EQ(toolbar->parentWidget(), window.client_area());
    EXPECT_EQ(toolbar->geometry().topLeft(), QPoint(0, 0));
    EXPECT_LE(toolbar->height(), 44);
    EXPECT_EQ(toolbar->iconSize(), QSize(32, 32));
    const QList<QAction*> actions = toolbar->actions();
    const auto buttons = toolbar_buttons();
    ASSERT_EQ(actions.size(), 13);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QAction* action = actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(action->data().toInt(), buttons[i].id);
        EXPECT_EQ(action->toolTip().toStdString(), buttons[i].tooltip);
        EXPECT_TRUE(action->text().isEmpty());
        EXPECT_EQ(action->icon().availableSizes().value(0), QSize(32, 32));
        auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
    }
    const StatusBarWidget* bar = window.status_bar();
    EXPECT_EQ(bar->geometry().bottom(), window.client_area()->height() - 1);
    EXPECT_EQ(bar->width(), window.client_area()->width());
}

TEST_F(MainWindowTest, StartUpScansTheSavedFolderBeforeTheWindowShows) {
    save_red_and_blue_folder();
    MainWindow window(app);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(app.files.file_count, 2);
    EXPECT_EQ(app.view.current_index, -1);
    show(window);
    EXPECT_EQ(window.status_bar()->text(0).toStdString(), "指完停止中");
    EXPECT_EQ(window.status_bar()->text(3).toStdString(), pictures.str());
    EXPECT_EQ(canvas_at(window, 5, 49), kGrey);  // nothing chosen: nothing drawn
}

TEST_F(MainWindowTest, CommandsPaintOnTheCanvasBeforeTheyReturn) {
    save_red_and_blue_folder();
    MainWindow window(app);
    show(window);
    trigger(window, tb_step_forward);
    EXPECT_EQ(canvas_at(window, 5, 49), QColor(Qt::red));
    EXPECT_EQ(canvas_at(window, 5, 40), kGrey);  // above the image's top row (44)
    trigger(window, cmd_step_forward);
    EXPECT_EQ(canvas_at(window, 5, 49), QColor(Qt::blue));
    EXPECT_EQ(window.status_bar()->text(1).toStdString(), "No.2/2");
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "b.bmp");
}

TEST_F(MainWindowTest, ContinuousPlayRunsOnTheTimerUntilStopped) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) add_image(name, 40, 30, Qt::red);
    save_settings_file(0, 30);
    MainWindow window(app);
    show(window);
    trigger(window, tb_play_forward);
    const QTimer& timer = window.platform().play_timer();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 30);
    // The timer moves the show on by itself...
    const int shown_first = app.view.display_no;
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.view.display_no != shown_first; }, kStateDeadlineMs));
    // ...one image a tick, wrapping at the end: ticks given here one by one,
    // so that a slow machine cannot run two between two looks.
    window.platform().stop_play_timer();
    for (int tick = 0; tick < 3; ++tick) {
        const int before = app.view.display_no;
        play_tick(app, window.platform());
        EXPECT_EQ(app.view.display_no, before % 3 + 1);
    }
    window.platform().start_play_timer(30);
    trigger(window, tb_stop);
    EXPECT_FALSE(window.platform().play_timer().isActive());
    EXPECT_EQ(window.status_bar()->text(0).toStdString(), "指完停止中");
}

TEST_F(MainWindowTest, TimerPeriodsFollowThePlatformLimits) {
    MainWindow window(app);
    QtPlatform& platform = window.platform();
    for (auto [asked, runs] : {std::pair{5, 10}, std::pair{250, 250}, std::pair{-1, INT_MAX}}) {
        platform.start_play_timer(asked);
        EXPECT_TRUE(platform.play_timer().isActive());
        EXPECT_EQ(platform.play_timer().interval(), runs);
    }
    platform.stop_play_timer();
    EXPECT_FALSE(platform.play_timer().isActive());
}

TEST_F(MainWindowTest, ResizeErasesRepaintsAndRestoresTheEightParts) {
    save_red_and_blue_folder();
    MainWindow window(app);
    show(window);
    trigger(window, tb_step_forward);
    window.client_area()->canvas().setPixelColor(300, 300, Qt::black);
    window.resize(window.width() - 50, window.height() - 40);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.client_area()->canvas().width() == window.client_area()->width(); },
                                kStateDeadlineMs));
    EXPECT_EQ(canvas_at(window, 300, 300), kGrey);
    EXPECT_EQ(canvas_at(window, 5, 49), QColor(Qt::red));  // Stopped: the same image again
    EXPECT_EQ(window.status_bar()->edges().size(), 8u);

    // During continuous play every change of size shows the next image.
    trigger(window, tb_play_forward);
    const int shown = app.view.display_no;
    window.platform().stop_play_timer();  // only the resize may step now
    window.resize(window.width() - 30, window.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.view.display_no != shown; }, kStateDeadlineMs));
}

TEST_F(MainWindowTest, ResizeDiscardsThePicturesPreparedForTheOldSize) {
    save_red_and_blue_folder();
    MainWindow window(app);
    show(window);
    trigger(window, tb_step_forward);
    ASSERT_TRUE(window.picture_ahead().wait_until_idle(std::chrono::milliseconds(kStateDeadlineMs)));
    ASSERT_EQ(window.picture_ahead().held(), 1u);  // the other picture; the one on show is not prepared
    window.resize(window.width() - 50, window.height() - 40);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.client_area()->canvas().width() == window.client_area()->width(); },
                                kStateDeadlineMs));
    EXPECT_EQ(window.picture_ahead().held(), 0u);
}

TEST_F(MainWindowTest, MessagesHaveOneOkButtonAndTheirIcon) {
    MainWindow window(app);
    show(window);
    std::string seen;
    ModalResponder responder([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = box->windowTitle().toStdString() + "|" + box->text().toStdString() + "|" +
               std::to_string(box->buttons().size()) + "|" + std::to_string(box->icon());
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    trigger(window, tb_play_forward);  // refused in Initial
    EXPECT_EQ(seen, "操作手順|フォルダを先に指定して下さい。|1|" + std::to_string(QMessageBox::NoIcon));

    ModalResponder warning([&](QWidget* modal) {
        seen = std::to_string(static_cast<QMessageBox*>(modal)->icon());
        static_cast<QMessageBox*>(modal)->accept();
    });
    window.platform().message_box(window.platform().main_window(), "キャンセルしました。", "フォルダ選択",
                                  MessageIcon::Warning);
    EXPECT_EQ(seen, std::to_string(QMessageBox::Warning));
}

TEST_F(MainWindowTest, FolderChooserOpensOnTheCurrentFolder) {
    MainWindow window(app);
    QString title, directory;
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
    const auto chosen = window.platform().choose_folder("フォルダを選択", pictures.str());
    EXPECT_EQ(title.toStdString(), "フォルダを選択");
    EXPECT_EQ(directory.toStdString(), pictures.str());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, pictures.str());
}

TEST_F(MainWindowTest, SaveDialogAddsNoExtensionAndAsksBeforeReplacing) {
    MainWindow window(app);
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        // typed into the name field, as a user would
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("picture"));
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
    FileDialogRequest request;
    request.title = "名前を付けて保存";
    request.filters = {{"JPGFile(*.jpg)", "*.jpg"}};
    request.initial_name = pictures.str() + "/*.jpg";
    const auto saved = window.platform().save_file(request);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, pictures.str() + "/picture");
}

// A part shows its text whole: the text the program set is the one drawn,
// and it fits the part's text area, which lies left of the size grip.
void expect_whole(const StatusBarWidget& bar, int part) {
    const QString text = bar.text(part);
    EXPECT_EQ(bar.shown_text(part), text) << part << ": " << text.toStdString();
    EXPECT_LE(QFontMetricsF(bar.font()).horizontalAdvance(text), bar.text_rect(part).width())
        << part << ": " << text.toStdString();
    const auto* grip = bar.findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    EXPECT_LE(bar.part_rect(part).right(), bar.width() - grip->width()) << part << ": " << text.toStdString();
}

// Every value each fixed part can show, refreshed the way the program does;
// the scale comes from fitting a one-pixel picture, the largest fit there is.
void expect_every_status_text_whole(MainWindow& window, AppState& app) {
    StatusBarWidget& bar = *window.status_bar();
    app.view.play_state = PlayState::Stopped;  // on the one picture of the folder
    app.view.current_index = -1;
    app.files.file_count = 1;
    app.view.scale_fixed = false;
    window.command_action(tb_step_forward)->trigger();
    EXPECT_GT(app.view.scale, 100.0) << "a one-pixel picture fitted to the window";
    expect_whole(bar, 5);
    window.command_action(tb_zoom_out)->trigger();  // two more places in the fraction
    expect_whole(bar, 5);

    auto each = [&](int part, const auto& values, const auto& set) {
        for (const auto& value : values) {
            set(value);
            refresh_status_bar(app, window.platform());
            expect_whole(bar, part);
        }
    };
    // -65: fitted in a window smaller than its margins.
    each(5, std::vector{97.1, 0.25, 4.0, -65.0}, [&](double scale) { app.view.scale = scale; });
    each(0, std::vector{0, 1, 2, 3, 4, 5}, [&](int state) { app.view.play_state = static_cast<PlayState>(state); });
    std::vector<int> counts(kMaxFiles + 1);
    std::iota(counts.begin(), counts.end(), 0);
    each(1, counts, [&](int n) {
        app.view.display_no = n;
        app.files.file_count = kMaxFiles;
    });
    each(1, counts, [&](int n) {
        app.view.display_no = kMaxFiles;
        app.files.file_count = n;
    });
    EXPECT_EQ(bar.text(1).toStdString(), "No.1024/1024");
    // The settings file holds any 32-bit interval; the dialog's typed texts
    // give -900 to 9900.
    std::vector<int32_t> intervals{INT32_MAX, -1999999999, 100000, INT32_MIN};
    for (int32_t ms = -900; ms <= 9900; ms += 100) intervals.insert(intervals.begin(), ms);
    each(2, intervals, [&](int32_t ms) { app.settings.pl_timeno = ms; });
    EXPECT_EQ(bar.text(2).toStdString(), "時間：-2147483.-6秒");
    each(6, std::vector{0, 1, 2, 3, 4}, [&](int filter) { app.settings.file_select = filter; });
    each(7, std::vector{0, 1, 2, 3}, [&](int turn) { app.view.rotation = turn; });
    EXPECT_EQ(bar.text(7).toStdString(), "回転270度");
}

TEST_F(MainWindowTest, EveryStatusTextShowsWholeAtTheStartSizeAndAt1024By768) {
    add_image("dot.bmp", 1, 1, Qt::red);
    save_settings_file(1);  // fit to the window
    MainWindow window(app);
    show(window);
    const StatusBarWidget& bar = *window.status_bar();
    ASSERT_EQ(QFontInfo(bar.font()).family(), QStringLiteral("IPAPGothic"));
    // The ten digits are equally wide in this font, so the number with the
    // most digits is the widest of its form.
    for (char digit = '1'; digit <= '9'; ++digit)
        ASSERT_EQ(bar.fontMetrics().horizontalAdvance(QChar(digit)), bar.fontMetrics().horizontalAdvance(QChar('0')));

    {
        SCOPED_TRACE("start size");
        expect_every_status_text_whole(window, app);
    }
    {
        SCOPED_TRACE("1024 x 768");
        window.resize(1024, 768 - 26);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.width() == window.client_area()->width(); }, kStateDeadlineMs));
        ASSERT_EQ(bar.width(), 1024);
        expect_every_status_text_whole(window, app);
        // Where the texts fit, the parts keep the widths the program gives
        // them; the folder and file share the rest of the bar.
        const std::vector<int>& edges = bar.laid_out_edges();
        EXPECT_EQ(edges[0], 80);
        EXPECT_EQ(edges[6] - edges[5], 80);
        EXPECT_GE(edges[3] - edges[2], 230);
        EXPECT_GE(edges[4] - edges[3], 150);
    }
}

// A folder or file name of any length: its part shows the start and the end
// of it, the whole in a tooltip, and the parts after it stay in the bar.
TEST_F(MainWindowTest, LongPathsAreShortenedInTheMiddleAndShownWholeInATooltip) {
    MainWindow window(app);
    show(window);
    StatusBarWidget& bar = *window.status_bar();
    const std::string folder = "/" + std::string(300, 'x') + "/photos";
    const std::string name = std::string(200, 'y') + ".jpg";
    bar.set_parts(status_bar_edges(), {"初期状態", "No.0/0", "時間：0.0秒", folder, name, "拡縮：1.000000",
                                       "ALL(BJGP)", "回転0度"});
    for (int part : {3, 4}) {
        const QString whole = bar.text(part);
        const QString shown = bar.shown_text(part);
        EXPECT_NE(shown, whole);
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_EQ(shown.front(), whole.front());
        EXPECT_EQ(shown.back(), whole.back());
        EXPECT_LE(bar.fontMetrics().horizontalAdvance(shown), bar.text_rect(part).width());
        EXPECT_GE(bar.text_rect(part).width(), 4 * bar.fontMetrics().averageCharWidth());

        QHelpEvent hover(QEvent::ToolTip, bar.part_rect(part).center(), bar.mapToGlobal(bar.part_rect(part).center()));
        QApplication::sendEvent(&bar, &hover);
        EXPECT_EQ(QToolTip::text(), whole);
        QToolTip::hideText();
    }
    for (int part : {5, 6, 7}) expect_whole(bar, part);

    // A short one shows whole, with no tooltip.
    bar.set_parts(status_bar_edges(), {"", "", "", "/p", "a.jpg", "", "", ""});
    EXPECT_EQ(bar.shown_text(3), QStringLiteral("/p"));
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, kStateDeadlineMs));
    QHelpEvent hover(QEvent::ToolTip, bar.part_rect(3).center(), bar.mapToGlobal(bar.part_rect(3).center()));
    QApplication::sendEvent(&bar, &hover);
    EXPECT_FALSE(QToolTip::isVisible());
}

// The main window run_tervo made (none before it exists).
MainWindow* running_main_window() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<MainWindow*>(widget)) return window;
    return nullptr;
}

// Runs the program's loop and, inside it, `act` on the main window as soon as
// the window is exposed and active (a key reaches it only then). Should that
// never happen, or should `act` not end the loop, the loop is ended with 1
// after a generous deadline; `reached` then tells how far the run got.
int run_tervo_acting_when_active(AppState& record, const std::function<void(MainWindow&)>& act,
                                 std::string& reached) {
    reached = "no main window";
    QObject context;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &context, [&] {
        MainWindow* window = running_main_window();
        if (!window) return;
        reached = "main window not exposed";
        if (!window->windowHandle() || !window->windowHandle()->isExposed()) return;
        reached = "main window not active";
        if (!window->isActiveWindow()) {
            window->activateWindow();
            return;
        }
        reached = "acted";
        poll.stop();
        act(*window);
    });
    poll.start(10);
    QTimer::singleShot(kStateDeadlineMs, &context, [] { QCoreApplication::exit(1); });
    return run_tervo(*qApp, record);
}

// Exit by the menu's "終了(&X)", the toolbar's exit button or the close box:
// the loop ends and the settings go back into the launch directory, even
// when another directory was made current meanwhile.
TEST_F(MainWindowTest, EveryWayOutWritesTheSettingsIntoTheLaunchDirectory) {
    for (int way = 0; way < 3; ++way) {
        AppState record;
        TempDir elsewhere;
        std::string reached;
        const int code = run_tervo_acting_when_active(
            record,
            [&](MainWindow& window) {
                record.settings.psize = 3;
                record.settings.pl_timeno = 1500;
                std::filesystem::current_path(elsewhere.path());
                if (way == 0) window.command_action(cmd_exit)->trigger();
                if (way == 1) window.command_action(tb_exit)->trigger();
                if (way == 2) window.close();
            },
            reached);
        EXPECT_EQ(code, 0) << way << ": " << reached;
        EXPECT_EQ(text_of(record.start_directory), launch.str());
        const std::string saved = read_file(launch.path() / "Tervo.ini");
        EXPECT_NE(saved.find("pl_timeno=1500\r\n"), std::string::npos) << way;
        EXPECT_NE(saved.find("psize=3\r\n"), std::string::npos) << way;
        EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "Tervo.ini"));
        std::filesystem::current_path(launch.path());
        std::filesystem::remove(launch.path() / "Tervo.ini");
    }
}

TEST_F(MainWindowTest, AltXOnTheMenuBarEndsTheProgram) {
    AppState record;
    std::string reached;
    bool exit_chosen = false;
    const int code = run_tervo_acting_when_active(
        record,
        [&](MainWindow& window) {
            QObject::connect(window.command_action(cmd_exit), &QAction::triggered, [&] { exit_chosen = true; });
            QTest::keyClick(&window, Qt::Key_X, Qt::AltModifier);
        },
        reached);
    EXPECT_EQ(reached, "acted");
    EXPECT_TRUE(exit_chosen) << "Alt+X chose the menu bar's exit command";
    EXPECT_EQ(code, 0);
}

TEST_F(MainWindowTest, ExitFromAShowOfCostlyFilesAnswersWithinOneSecond) {
    // Progressive JPEGs of hundreds of scans that hold nothing, and a GIF
    // whose first frame is far larger than its screen: each costs seconds
    // to a decoder doing all its header asks, in the paint and the worker.
    for (const char* name : {"a.jpg", "b.jpg"}) pictures.write(name, testing::empty_scans_jpeg(5792, 500));
    pictures.write("c.gif",
                   std::string("GIF89a\x40\0\x40\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\xff\xff\xff\xff\x40\x02", 30) +
                       std::string(255 * 64, '\x55'));
    save_settings_file(1, 30);
    AppState record;
    std::string reached;
    std::chrono::steady_clock::time_point asked;
    const int code = run_tervo_acting_when_active(
        record,
        [&](MainWindow& window) {
            window.command_action(tb_play_forward)->trigger();
            const auto paints = [&] {
                const PictureAhead::Counts c = window.picture_ahead().counts();
                return c.ready + c.waited + c.missing;
            };
            if (!QTest::qWaitFor([&] { return paints() >= 4; }, kStateDeadlineMs)) return;
            asked = std::chrono::steady_clock::now();
            window.command_action(cmd_exit)->trigger();
        },
        reached);
    const auto answered = std::chrono::steady_clock::now() - asked;
    ASSERT_EQ(code, 0) << reached;
    EXPECT_LT(answered, std::chrono::seconds(1))
        << std::chrono::duration_cast<std::chrono::milliseconds>(answered).count() << " ms";
}

}  // namespace
}  // namespace tervo
