// The real main window opening a folder or picture given on the command line
// or dropped onto it (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

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

// A launch directory whose settings name `saved` (a.bmp, b.bmp); `given`
// holds c.png and d.png.
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

    static void add_image(const testing::TempDir& dir, const std::string& name, QColor colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        image.save(QString::fromStdString((dir.path() / name).string()));
    }
    static void show(MainWindow& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kStateDeadlineMs));
    }
    static QColor image_pixel(MainWindow& window) { return window.client_area()->canvas().pixelColor(5, 49); }
    // Drags `urls` onto the window and drops them; whether each was taken.
    static std::pair<bool, bool> drop(MainWindow& window, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(50, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&window, &enter);
        QDropEvent dropped(QPointF(50, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        dropped.setAccepted(false);
        QApplication::sendEvent(&window, &dropped);
        return {enter.isAccepted(), dropped.isAccepted()};
    }
    QUrl url(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString((given.path() / name).string()));
    }
    // Answers the next message box, noting "caption|text".
    ModalResponder note_message(std::string& seen) {
        return ModalResponder([&seen](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen = box->windowTitle().toStdString() + "|" + box->text().toStdString();
            box->accept();
        });
    }

    testing::TempDir launch, saved, given;
    AppState app;

private:
    fs::path previous_dir_;
};

TEST_F(OpenFromOutsideTest, PictureArgumentIsTheFirstThingShown) {
    MainWindow window(app, {(given.path() / "d.png").string()});
    EXPECT_EQ(text_of(app.settings.folder), given.str());
    show(window);
    EXPECT_EQ(image_pixel(window), QColor(Qt::yellow));
    EXPECT_EQ(window.status_bar()->text(0).toStdString(), "指完停止中");
    EXPECT_EQ(window.status_bar()->text(1).toStdString(), "No.2/2");
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "d.png");
}

TEST_F(OpenFromOutsideTest, BadArgumentIsToldThenTheSavedFolderOpens) {
    std::string seen;
    auto responder = note_message(seen);
    MainWindow window(app, {(given.path() / "gone.png").string()});
    EXPECT_EQ(seen, "起動|指定されたパスが見つかりません。\n" + (given.path() / "gone.png").string());
    EXPECT_EQ(text_of(app.settings.folder), saved.str());
    EXPECT_EQ(app.files.file_count, 2);
    EXPECT_EQ(app.view.current_index, -1);
}

TEST_F(OpenFromOutsideTest, DroppedPictureIsShownAtOnce) {
    MainWindow window(app);
    show(window);
    EXPECT_EQ(drop(window, {url("c.png")}), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.view.current_index == 0; }, kStateDeadlineMs));
    EXPECT_EQ(text_of(app.settings.folder), given.str());
    EXPECT_EQ(image_pixel(window), QColor(Qt::green));
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "c.png");
}

// Made by the formats' own encoders; the folder is then listed by the
// picture's type, whatever the filter says.
TEST_F(OpenFromOutsideTest, HeicArgumentAndDroppedWebpAreShownAmongTheirOwnType) {
    const auto encode = [&](const std::string& command, const char* from, const char* to) {
        const std::string line =
            command + " " + (given.path() / from).string() + " -o " + (given.path() / to).string() + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    };
    encode("heif-enc -q 95", "c.png", "photo.heic");
    encode("cwebp -q 95", "c.png", "e.webp");
    encode("cwebp -q 95", "d.png", "f.webp");
    const auto near = [](QColor a, QColor b) {
        return std::max(
                   {std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) <= 8;
    };
    {
        MainWindow window(app, {(given.path() / "photo.heic").string()});
        show(window);
        EXPECT_TRUE(near(image_pixel(window), Qt::green));
        EXPECT_EQ(window.status_bar()->text(1).toStdString(), "No.1/1");
    }
    AppState dropped_into;
    MainWindow window(dropped_into);
    show(window);
    EXPECT_EQ(drop(window, {url("f.webp")}), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dropped_into.view.current_index == 1; }, kStateDeadlineMs));
    EXPECT_TRUE(near(image_pixel(window), Qt::yellow));
    EXPECT_EQ(window.status_bar()->text(1).toStdString(), "No.2/2");
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "f.webp");
}

TEST_F(OpenFromOutsideTest, DropsOfOtherThingsOrDuringAModalWindowAreRefused) {
    MainWindow window(app);
    show(window);
    EXPECT_EQ(drop(window, {QUrl(QStringLiteral("https://example.com/c.png"))}), std::make_pair(false, false));
    EXPECT_EQ(drop(window, {url("c.png"), QUrl(QStringLiteral("https://example.com/d.png"))}),
              std::make_pair(false, false));
    std::pair<bool, bool> taken{true, true};
    ModalResponder responder([&](QWidget* modal) {
        taken = drop(window, {url("c.png")});
        static_cast<QMessageBox*>(modal)->accept();
    });
    window.platform().message_box(window.platform().main_window(), "キャンセルしました。", "フォルダ選択",
                                  MessageIcon::Warning);
    EXPECT_EQ(taken, std::make_pair(false, false));

    // Several of one folder: the first opens, the others are in its table.
    EXPECT_EQ(drop(window, {url("d.png"), url("c.png")}), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return text_of(app.settings.folder) == given.str(); }, kStateDeadlineMs));
    EXPECT_EQ(window.status_bar()->text(4).toStdString(), "d.png");
}

TEST(DroppedPaths, UrlsGiveTheNamesBytesBackEvenWhenNotUtf8) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), "file:///tmp/%82%A0%FF/x%20y.png\r\nfile://localhost/a.jpg\r\n");
    EXPECT_EQ(dropped_local_paths(&data), (std::vector<std::string>{"/tmp/\x82\xa0\xff/x y.png", "/a.jpg"}));
    QMimeData remote;
    remote.setData(QStringLiteral("text/uri-list"), "file://server/share/a.jpg\r\n");
    EXPECT_FALSE(dropped_local_paths(&remote).has_value());
}

}  // namespace
}  // namespace tervo
