// The real folder chooser and open dialog on the offscreen platform: the
// chooser leaves the main window working, and the open dialog lists and
// returns what the user picks or types, each file with its own folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "app/command_ids.h"
#include "app/shell/file_dialog.h"
#include "app/shell/lifecycle.h"
#include "app/shell/main_window.h"
#include "tests/shell/modal_responder.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

// The main window run_tervo made (none before it exists).
MainWindow* running_main_window() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<MainWindow*>(widget)) return window;
    return nullptr;
}

using testing::ModalResponder;
using testing::TempDir;

constexpr int kDeadlineMs = 20000;

void touch(const std::filesystem::path& path) { std::ofstream(path) << "x"; }

QStringList shown_names(QFileDialog* dialog) {
    QStringList names;
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    if (!view || !view->model()) return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    return names;
}

// Typed into the focused name field, as the user does (the dialog rewrites
// the field from its list's selection only while the field has no focus).
bool shows(QFileDialog* dialog, const char* name) { return shown_names(dialog).contains(QString::fromUtf8(name)); }

void type_names(QFileDialog* dialog, const QString& text) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    name->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return name->hasFocus(); }, kDeadlineMs));
    QTest::keyClicks(name, text);
    ASSERT_EQ(name->text(), text);
}

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_dir_); }

    void save_picture_folder() {
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            QImage image(20, 10, QImage::Format_RGB32);
            image.fill(Qt::red);
            ASSERT_TRUE(image.save(QString::fromStdString((pictures.path() / name).string())));
        }
        launch.write("Tervo.ini", "file_select=1\r\npl_timeno=60000\r\nread_foldername=" + pictures.str() +
                                      "\r\npsize=0\r\n");
    }

    FileDialogRequest request(std::vector<FileFilter> filters) const {
        FileDialogRequest r;
        r.title = "ファイル読み出し";
        r.filters = std::move(filters);
        r.initial_name = pictures.str() + "/*.*";
        return r;
    }

    TempDir launch;
    TempDir pictures;
    AppState app;

private:
    std::filesystem::path previous_dir_;
};

// While the chooser is open the show goes on, and the main window's toolbar
// still stops it (a click, as the user gives it, through the window system).
TEST_F(FileDialogsTest, FolderChooserLeavesTheMainWindowWorking) {
    save_picture_folder();
    MainWindow window(app);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.command_action(tb_play_forward)->trigger();
    ASSERT_EQ(app.view.play_state, PlayState::PlayForward);

    bool stopped_while_open = false;
    ModalResponder responder([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->parentWidget(), nullptr);
        QWidget* stop = window.toolbar()->widgetForAction(window.command_action(tb_stop));
        ASSERT_NE(stop, nullptr);
        // Through the window system, which drops input to blocked windows.
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          stop->mapTo(&window, stop->rect().center()));
        stopped_while_open = QTest::qWaitFor([&] { return app.view.play_state == PlayState::Stopped; }, kDeadlineMs);
        chooser->reject();
    });
    const auto chosen = window.platform().choose_folder("フォルダを選択", pictures.str());
    EXPECT_TRUE(responder.answered());
    EXPECT_TRUE(stopped_while_open);
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
}

// The close box works while the chooser is open: the program ends, the
// chooser with it, and no "cancelled" message follows.
TEST_F(FileDialogsTest, ClosingTheMainWindowWhileChoosingEndsTheProgram) {
    save_picture_folder();
    AppState record;
    bool chooser_seen = false;
    ModalResponder responder([&](QWidget* modal) {
        chooser_seen = qobject_cast<QFileDialog*>(modal) != nullptr;
        running_main_window()->close();
    });
    bool message_seen = false;
    QTimer message_watch;
    QObject::connect(&message_watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message_seen = true;
            box->accept();
        }
    });
    message_watch.start(10);
    QTimer::singleShot(0, [&] { running_main_window()->command_action(tb_folder)->trigger(); });
    QTimer deadline;  // fires only when the chooser kept the program running
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    deadline.start(kDeadlineMs);
    EXPECT_EQ(run_tervo(*qApp, record), 0);
    EXPECT_TRUE(chooser_seen);
    EXPECT_FALSE(message_seen);
}

TEST_F(FileDialogsTest, AllFilesListsNamesWithoutADot) {
    touch(pictures.path() / "a.jpg");
    touch(pictures.path() / "README");
    std::filesystem::create_directory(pictures.path() / "sub");
    MainWindow window(app);
    QStringList all_files, jpeg_only, type_texts;
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shows(dialog, "README"); }, kDeadlineMs));
        all_files = shown_names(dialog);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        for (int i = 0; i < types->count(); ++i) type_texts << types->itemText(i);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);  // the next type, as the user picks it
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shows(dialog, "README"); }, kDeadlineMs));
        jpeg_only = shown_names(dialog);
        dialog->reject();
    });
    window.platform().open_files(request({{"AllFile(*.*)", "*.*"}, {"JPGFile(*.jpg)", "*.jpg"}}));
    EXPECT_EQ(type_texts, (QStringList{"AllFile(*.*)", "JPGFile(*.jpg)"})) << "the program's texts, as given";
    all_files.sort();
    jpeg_only.sort();
    EXPECT_EQ(all_files, (QStringList{"README", "a.jpg", "sub"}));
    EXPECT_EQ(jpeg_only, (QStringList{"a.jpg", "sub"}));
}

// Names of another type than the one shown, and names in another folder,
// are taken as typed, each with its own folder.
TEST_F(FileDialogsTest, TypedNamesAreTakenWithTheirOwnFolders) {
    TempDir other;
    touch(pictures.path() / "a.jpg");
    touch(pictures.path() / "b.png");
    touch(pictures.path() / "same.png");
    touch(other.path() / "same.png");
    MainWindow window(app);
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shows(dialog, "a.jpg"); }, kDeadlineMs));
        type_names(dialog, QString::fromStdString("\"a.jpg\" \"b.png\" \"" + other.str() + "/same.png\""));
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
    const auto chosen = window.platform().open_files(request({{"JPGFile(*.jpg)", "*.jpg"}}));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->paths, (std::vector<std::string>{pictures.str() + "/a.jpg", pictures.str() + "/b.png",
                                                        other.str() + "/same.png"}));
}

TEST_F(FileDialogsTest, OneTypedNameOfAnotherType) {
    touch(pictures.path() / "b.png");
    MainWindow window(app);
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        type_names(dialog, QStringLiteral("b.png"));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_NE(buttons, nullptr);
        QPushButton* open = buttons->button(QDialogButtonBox::Open);
        ASSERT_NE(open, nullptr);
        EXPECT_TRUE(open->isEnabled());
        QTest::mouseClick(open, Qt::LeftButton);
        if (dialog->isVisible()) dialog->reject();
    });
    const auto chosen = window.platform().open_files(request({{"JPGFile(*.jpg)", "*.jpg"}}));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->paths, std::vector<std::string>{pictures.str() + "/b.png"});
}

// A typed name that does not exist keeps the dialog open with Qt's warning.
TEST_F(FileDialogsTest, MissingTypedNameIsRefused) {
    touch(pictures.path() / "a.jpg");
    MainWindow window(app);
    bool warned = false;
    bool still_open = false;
    ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        type_names(dialog, QStringLiteral("\"a.jpg\" \"gone.jpg\""));
        ModalResponder warning([&](QWidget* box) {
            warned = qobject_cast<QMessageBox*>(box) != nullptr && box->isVisible() &&
                     static_cast<QMessageBox*>(box)->text().contains(QStringLiteral("gone.jpg"));
            static_cast<QMessageBox*>(box)->accept();
        });
        static_cast<QDialog*>(dialog)->accept();
        still_open = dialog->isVisible();
        dialog->reject();
    });
    EXPECT_FALSE(window.platform().open_files(request({{"JPGFile(*.jpg)", "*.jpg"}})).has_value());
    EXPECT_TRUE(warned);
    EXPECT_TRUE(still_open);
}

TEST(FileNamePatterns, MatchAsTheOriginalPlatformsWildcards) {
    EXPECT_TRUE(matches_pattern(QStringLiteral("README"), QStringLiteral("*.*")));
    EXPECT_TRUE(matches_pattern(QStringLiteral(".hidden"), QStringLiteral("*.*")));
    EXPECT_TRUE(matches_pattern(QStringLiteral("PHOTO.JPG"), QStringLiteral("*.jpg")));
    EXPECT_FALSE(matches_pattern(QStringLiteral("photo.jpeg"), QStringLiteral("*.jpg")));
    EXPECT_FALSE(matches_pattern(QStringLiteral("photo.jpg.png"), QStringLiteral("*.jpg")));
    EXPECT_EQ(FileDialog::typed_names(QStringLiteral("one name.png")), QStringList{"one name.png"});
    EXPECT_EQ(FileDialog::typed_names(QStringLiteral("\"a b.png\" \"/x/c.png\"")),
              (QStringList{"a b.png", "/x/c.png"}));
    EXPECT_TRUE(FileDialog::typed_names(QString()).isEmpty());
}

}  // namespace
}  // namespace tervo
