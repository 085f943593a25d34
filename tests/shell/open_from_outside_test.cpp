// The real main window opening a folder or picture given on the command line
// or dropped onto it (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <memory>

#include "app/shell/client_area.h"
#include "app/shell/dropped_paths.h"
#include "app/shell/main_window.h"
#include "app/shell/status_bar_widget.h"
#include "tests/shell/modal_responder.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;
using testing::kStateDeadlineMs;
using testing::ModalResponder;
using testing::TempDir;

class OpenFromOutsideTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_dir_ = fs::current_path();
        fs::current_path(launch.path());
        add_image(saved, "a.bmp", Qt::red);
        add_image(saved, "b.bmp", Qt::blue);
        launch.write("Tervo.ini", "file_select=0\r\npl_timeno=5\r\nread_foldername=" + saved.str() + "\r\npsize=0\r\n");
        add_image(given, "c.png", Qt::green);
        add_image(given, "d.png", Qt::yellow);
    }
    void TearDown() override { fs::current_path(previous_dir_); }

    static void add_image(const TempDir& dir, const std::string& name, QColor colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString((dir.path() / name).string())));
    }
    static void show(MainWindow& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kStateDeadlineMs));
    }
    static QColor image_pixel(MainWindow& window) { return window.client_area()->canvas().pixelColor(5, 49); }

    // Sends a drag onto the window and drops it there; whether each was taken.
    static std::pair<bool, bool> drag_and_drop(MainWindow& window, const QMimeData& data) {
        QDragEnterEvent enter(QPoint(50, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&window, &enter);
        QDropEvent drop(QPointF(50, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QApplication::sendEvent(&window, &drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }
    static std::unique_ptr<QMimeData> urls(const QList<QUrl>& list) {
        auto data = std::make_unique<QMimeData>();
        data->setUrls(list);
        return data;
    }
    static QUrl file_url(const fs::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

    TempDir launch;
    TempDir saved;
    TempDir given;
    AppState app;

private:
    fs::path previous_dir_;
};

TEST_F(OpenFromOutsideTest, NoArgumentScansTheSavedFolder) {
    MainWindow window(app, {});
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
    EXPECT_EQ(app.files.file_count, 2);
    EXPECT_EQ(app.view.play_state, Stopped);
    EXPECT_EQ(app.view.current_index, -1);
}

TEST_F(OpenFromOutsideTest, PictureArgumentIsTheFirstThingShown) {
    MainWindow window(app, {(given.path() / "d.png").string()});
    EXPECT_EQ(text_of(app.settings.folder), given.str());
    EXPECT_EQ(app.settings.file_select, 0);  // PNG shown, the filter kept
    show(window);
    EXPECT_EQ(image_pixel(window), QColor(Qt::yellow));
    EXPECT_EQ(app.view.current_index, 1);
    EXPECT_EQ(window.status_bar()->text(0).toStdString(), "指完停止中");
    EXPECT_EQ(window.status_bar()->text(1).toStdString(), "No.2/2");
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "d.png");
}

TEST_F(OpenFromOutsideTest, BadArgumentIsToldThenTheSavedFolderOpens) {
    std::string seen;
    ModalResponder responder([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = box->windowTitle().toStdString() + "|" + box->text().toStdString();
        box->accept();
    });
    MainWindow window(app, {(given.path() / "gone.png").string()});
    EXPECT_EQ(seen, "起動|指定されたパスが見つかりません。");
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
    EXPECT_EQ(app.files.file_count, 2);
    EXPECT_EQ(app.view.current_index, -1);
}

TEST_F(OpenFromOutsideTest, DroppedPictureOrFolderOpensAtOnce) {
    MainWindow window(app);
    show(window);
    auto picture = urls({file_url(given.path() / "c.png")});
    EXPECT_EQ(drag_and_drop(window, *picture), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.view.current_index == 0; }, kStateDeadlineMs));
    EXPECT_EQ(text_of(app.settings.folder), given.str());
    EXPECT_EQ(image_pixel(window), QColor(Qt::green));
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "c.png");

    auto folder = urls({file_url(saved.path())});
    EXPECT_EQ(drag_and_drop(window, *folder), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return text_of(app.settings.folder) == saved.str(); }, kStateDeadlineMs));
    EXPECT_EQ(app.view.current_index, -1);
    EXPECT_EQ(app.files.file_count, 2);
}

TEST_F(OpenFromOutsideTest, OnlyFilesOfThisMachineCanBeDropped) {
    MainWindow window(app);
    show(window);
    auto web = urls({QUrl(QStringLiteral("https://example.com/c.png"))});
    EXPECT_EQ(drag_and_drop(window, *web), std::make_pair(false, false));
    auto mixed = urls({file_url(given.path() / "c.png"), QUrl(QStringLiteral("https://example.com/d.png"))});
    EXPECT_EQ(drag_and_drop(window, *mixed), std::make_pair(false, false));
    QMimeData text;
    text.setText(QString::fromStdString((given.path() / "c.png").string()));
    EXPECT_EQ(drag_and_drop(window, text), std::make_pair(false, false));
    QCoreApplication::processEvents();
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
}

TEST_F(OpenFromOutsideTest, SeveralDroppedItemsAreTold) {
    MainWindow window(app);
    show(window);
    std::string seen;
    ModalResponder responder([&](QWidget* modal) {
        seen = modal->windowTitle().toStdString() + "|" + static_cast<QMessageBox*>(modal)->text().toStdString();
        static_cast<QMessageBox*>(modal)->accept();
    });
    auto two = urls({file_url(given.path() / "c.png"), file_url(given.path() / "d.png")});
    EXPECT_EQ(drag_and_drop(window, *two), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.answered() && !seen.empty(); }, kStateDeadlineMs));
    EXPECT_EQ(seen, "ドロップ|開けるのは一度に一つだけです。");
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
}

TEST_F(OpenFromOutsideTest, NoDropWhileAModalWindowIsOpen) {
    MainWindow window(app);
    show(window);
    auto picture = urls({file_url(given.path() / "c.png")});
    std::pair<bool, bool> taken{true, true};
    ModalResponder responder([&](QWidget* modal) {
        taken = drag_and_drop(window, *picture);
        static_cast<QMessageBox*>(modal)->accept();
    });
    window.platform().message_box(&window, "キャンセルしました。", "フォルダ選択", MessageIcon::Warning);
    EXPECT_EQ(taken, std::make_pair(false, false));
    QCoreApplication::processEvents();
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
}

TEST(DroppedPaths, UrlsGiveTheNamesBytesBackEvenWhenNotUtf8) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), "file:///tmp/%82%A0%FF/x%20y.png\r\nfile://localhost/a.jpg\r\n");
    const auto paths = dropped_local_paths(&data);
    ASSERT_TRUE(paths.has_value());
    EXPECT_EQ(*paths, (std::vector<std::string>{"/tmp/\x82\xa0\xff/x y.png", "/a.jpg"}));

    QMimeData remote;
    remote.setData(QStringLiteral("text/uri-list"), "file://server/share/a.jpg\r\n");
    EXPECT_FALSE(dropped_local_paths(&remote).has_value());
    EXPECT_FALSE(dropped_local_paths(nullptr).has_value());
}

}  // namespace
}  // namespace tervo
