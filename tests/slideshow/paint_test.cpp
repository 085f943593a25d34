// The paint routine through an offscreen canvas: which image each paint
// shows, where and how large it is drawn, and what a paint leaves alone.
#include <gtest/gtest.h>

#include <QImage>

#include <fstream>
#include <vector>

#include "slideshow/paint.h"
#include "slideshow/playback.h"
#include "tests/imagelib/sample_images.h"
#include "tests/slideshow/show_harness.h"

namespace tervo {
namespace {

using testing::kBackground;
using testing::ShowHarness;

// Three images, each of its own colour; names sort in this order.
struct ThreeImages : ShowHarness {
    ThreeImages() {
        add_image("1.bmp", 60, 40, Qt::red);
        add_image("2.bmp", 60, 40, Qt::green);
        add_image("3.bmp", 60, 40, Qt::blue);
        scan();
    }
    QColor shown() const { return image_at(5, 5); }
};

TEST(Paint, FirstCommandAfterAScanShowsTheFirstOrTheLastImage) {
    struct Case {
        void (*command)(AppState&, Platform&);
        int index;
        QColor colour;
    };
    for (const Case& c : {Case{play_forward, 0, Qt::red}, Case{step_forward, 0, Qt::red},
                          Case{play_backward, 2, Qt::blue}, Case{step_backward, 2, Qt::blue}}) {
        ThreeImages show;
        ASSERT_EQ(show.app.view.current_index, -1);
        c.command(show.app, show.platform);
        EXPECT_EQ(show.app.view.current_index, c.index);
        EXPECT_EQ(show.app.view.display_no, c.index + 1);
        EXPECT_EQ(show.shown(), c.colour);
    }
}

TEST(Paint, StepsWrapAroundBothWays) {
    ThreeImages show;
    show.app.view.current_index = 2;
    step_forward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, 0);
    EXPECT_EQ(show.shown(), QColor(Qt::red));
    step_backward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, 2);
    EXPECT_EQ(show.shown(), QColor(Qt::blue));
}

TEST(Paint, OneImageIsShownByEveryStep) {
    ShowHarness show;
    show.add_image("only.bmp", 30, 30, Qt::magenta);
    show.scan();
    for (auto command : {step_forward, step_backward, play_forward, play_backward}) {
        command(show.app, show.platform);
        EXPECT_EQ(show.app.view.current_index, 0);
        EXPECT_EQ(show.app.view.display_no, 1);
    }
}

TEST(Paint, EmptyTableDrawsNothing) {
    ShowHarness show;
    show.scan();  // an empty folder
    ASSERT_EQ(show.app.files.file_count, 0);
    show.app.view.display_no = 7;
    step_forward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, 0);
    step_backward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, -1);
    EXPECT_EQ(show.app.view.display_no, 7);
    EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(show.image_at(0, 0), kBackground);
}

TEST(Paint, FileThatDoesNotLoadKeepsNumberScaleAndOldPixels) {
    ShowHarness show;
    show.add_image("1.bmp", 50, 50, Qt::red);
    show.dir.write("2.bmp", "not an image");
    show.scan();
    step_forward(show.app, show.platform);
    show.app.view.scale = 1.5;  // as a zoom would leave it
    ::testing::internal::CaptureStderr();
    step_forward(show.app, show.platform);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tervo: cannot load " + (show.dir.path() / "2.bmp").string() +
                                                            ": not a picture in a format Tervo reads\n");
    EXPECT_EQ(show.app.view.current_index, 1);
    EXPECT_EQ(show.app.view.display_no, 1);
    EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(show.app.view.scale, 1.5);
    EXPECT_FALSE(show.app.view.scale_fixed);  // the next image that loads sets the scale
    EXPECT_EQ(show.image_at(10, 10), QColor(Qt::red));
    // The status bar names the file that failed beside the number drawn last.
    EXPECT_EQ(show.platform.status_texts.at(1), "No.1/2");
    EXPECT_EQ(show.platform.status_texts.at(4), "2.bmp");
}

TEST(Paint, SmallerImageDuringPlayLeavesTheLargerAroundIt) {
    ShowHarness show;
    show.add_image("1.bmp", 300, 200, Qt::red);
    show.add_image("2.bmp", 100, 50, Qt::blue);
    show.scan();
    play_forward(show.app, show.platform);
    play_tick(show.app, show.platform);
    EXPECT_EQ(show.image_at(50, 25), QColor(Qt::blue));
    EXPECT_EQ(show.image_at(200, 100), QColor(Qt::red));
    EXPECT_EQ(show.image_at(50, 150), QColor(Qt::red));
}

TEST(Paint, ImageIsDrawnBelowTheToolbarAtTheLeftEdge) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 30, Qt::red);
    show.scan();
    step_forward(show.app, show.platform);
    EXPECT_EQ(show.at(0, 44), QColor(Qt::red));
    EXPECT_EQ(show.at(39, 73), QColor(Qt::red));
    EXPECT_EQ(show.at(0, 43), kBackground);
    EXPECT_EQ(show.at(40, 44), kBackground);
    EXPECT_EQ(show.at(0, 74), kBackground);
}

// Drawn size for each size mode: the scaled size is truncated toward zero.
// On a scaled display the picture is resampled once, straight to its size
// in device pixels; every number of the view stays logical.
TEST(Paint, ScaledDisplaysGetThePictureInDevicePixels) {
    // One-pixel detail a second resample would blur, shrunk even at ratio 2.
    QImage lines(3000, 2400, QImage::Format_RGB32);
    for (int y = 0; y < lines.height(); ++y)
        for (int x = 0; x < lines.width(); ++x)
            lines.setPixel(x, y, (x % 3 == 0 || y % 4 == 1) ? qRgb(0, 0, 0) : qRgb(255, 255, (x * y) % 256));
    for (const double ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        ShowHarness show;
        const std::string path = testing::save_image(lines, show.dir.path() / "text.png");
        show.scan(4);
        show.app.settings.psize = 1;
        show.canvas = QImage(qRound(show.platform.size.width * ratio), qRound(show.platform.size.height * ratio),
                             QImage::Format_RGB32);
        show.canvas.setDevicePixelRatio(ratio);
        show.canvas.fill(kBackground);
        step_forward(show.app, show.platform);
        step_forward(show.app, show.platform);  // the one picture again, now as prepared ahead
        ASSERT_EQ(show.app.view.display_no, 1);
        const double scale = fit_scale(show.platform.size, lines.width(), lines.height());
        EXPECT_DOUBLE_EQ(show.app.view.scale, scale);
        const QSize device(qRound(scaled_length(lines.width(), scale) * ratio),
                           qRound(scaled_length(lines.height(), scale) * ratio));
        const QImage drawn = show.canvas.copy(QRect(QPoint(0, qRound(kImageTop * ratio)), device));
        // Against the whole picture shrunk straight to the device size.
        const Image whole = Image::load(path.c_str());
        ASSERT_TRUE(DIBto24Bit(whole.get()) && ResizeDIB(whole.get(), device.width(), device.height()));
        EXPECT_GE(testing::psnr(drawn, testing::drawn_pixels(whole.get())), 35);
        EXPECT_EQ(show.canvas.pixelColor(device.width(), device.height() / 2 + qRound(kImageTop * ratio)), kBackground);
    }
}

TEST(Paint, SizeModesGiveTheirFactorsTruncated) {
    struct Case {
        int32_t psize;
        int width, height;
        double scale;
        int drawn_width, drawn_height;
    };
    const Case cases[] = {
        {0, 333, 100, 1.0, 333, 100},  {2, 333, 101, 0.5, 166, 50},   {3, 333, 100, 0.75, 249, 75},
        {4, 333, 100, 1.25, 416, 125}, {5, 333, 100, 1.5, 499, 150},  {6, 333, 100, 1.75, 582, 175},
        {7, 333, 100, 2.0, 666, 200},
        // fit: client 1034 x 865 leaves 1024 x 800; 1024/2048 = 0.5 beats 800/1024
        {1, 2048, 1024, 0.5, 1024, 512},
        {1, 100, 400, 2.0, 200, 800},
    };
    for (const Case& c : cases) {
        ShowHarness show;
        show.add_image("1.bmp", c.width, c.height, Qt::red);
        show.scan();
        show.app.settings.psize = c.psize;
        step_forward(show.app, show.platform);
        SCOPED_TRACE(::testing::Message() << "psize " << c.psize << " " << c.width << "x" << c.height);
        EXPECT_DOUBLE_EQ(show.app.view.scale, c.scale);
        EXPECT_EQ(show.image_at(c.drawn_width - 1, c.drawn_height - 1), QColor(Qt::red));
        if (kImageLeft + c.drawn_width < show.canvas.width()) {
            EXPECT_EQ(show.image_at(c.drawn_width, 0), kBackground);
        }
        if (kImageTop + c.drawn_height < show.canvas.height()) {
            EXPECT_EQ(show.image_at(0, c.drawn_height), kBackground);
        }
    }
}

TEST(Paint, FitFollowsTheClientAreaAndTheTurnedSize) {
    ShowHarness show;
    show.add_image("1.bmp", 400, 100, Qt::red);
    show.scan();
    show.app.settings.psize = 1;
    show.app.view.rotation = 1;  // turned: 100 x 400
    step_forward(show.app, show.platform);
    EXPECT_DOUBLE_EQ(show.app.view.scale, 2.0);  // 800 / 400 beats 1024 / 100
    EXPECT_EQ(show.image_at(199, 799), QColor(Qt::red));
    EXPECT_EQ(show.image_at(200, 0), kBackground);
    EXPECT_DOUBLE_EQ(fit_scale(show.platform.size, 2048, 1024), 0.5);
}

TEST(Paint, UnknownSizeModeKeepsTheScale) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 40, Qt::red);
    show.scan();
    show.app.settings.psize = 8;
    show.app.view.scale = 1.25;
    play_forward(show.app, show.platform);
    play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.scale, 1.25);
    EXPECT_EQ(show.image_at(49, 49), QColor(Qt::red));
}

TEST(Paint, KeptScaleIsUsedUntilATickOrCommandClearsIt) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 40, Qt::red);
    show.scan();
    step_forward(show.app, show.platform);
    EXPECT_TRUE(show.app.view.scale_fixed);
    show.app.view.scale = 2.0;
    show.paint(true);  // a plain repaint in Stopped keeps the scale
    EXPECT_EQ(show.app.view.scale, 2.0);
    EXPECT_EQ(show.image_at(79, 79), QColor(Qt::red));
    play_tick(show.app, show.platform);  // the tick re-establishes it from psize 0
    EXPECT_EQ(show.app.view.scale, 1.0);
}

TEST(Paint, EveryPaintReadsTheFileAgain) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 40, Qt::red);
    show.scan();
    step_forward(show.app, show.platform);
    show.add_image("1.bmp", 40, 40, Qt::yellow);
    show.paint(false);
    EXPECT_EQ(show.image_at(5, 5), QColor(Qt::yellow));
    EXPECT_EQ(show.app.view.current_index, 0);
}

TEST(Paint, FolderEndingInASeparatorGetsNoSecond) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 40, Qt::red);
    show.scan();
    set_text(show.app.settings.folder, show.dir.str() + "/");
    step_forward(show.app, show.platform);
    EXPECT_EQ(show.app.view.display_no, 1);
}

// Sizes that cannot be drawn: nothing is drawn and nothing fails.
TEST(Paint, NothingIsDrawnBelowOnePixelOrWithoutRoomToFit) {
    struct Case {
        ClientSize client;
        int32_t psize;
        int width, height;
    };
    for (const Case& c : {Case{{1034, 865}, 2, 1, 1}, Case{{1034, 865}, 2, 300, 1}, Case{{8, 200}, 1, 50, 50},
                          Case{{300, 60}, 1, 50, 50}, Case{{10, 65}, 1, 50, 50}}) {
        ShowHarness show;
        show.platform.size = c.client;
        show.add_image("1.bmp", c.width, c.height, Qt::red);
        show.scan();
        show.app.settings.psize = c.psize;
        step_forward(show.app, show.platform);
        EXPECT_EQ(show.app.view.display_no, 0);
        EXPECT_FALSE(show.app.view.scale_fixed);
        EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
        EXPECT_EQ(show.image_at(0, 0), kBackground);
    }
}

TEST(Paint, ScaledLengthTruncatesTowardZero) {
    EXPECT_EQ(scaled_length(333, 0.75), 249);
    EXPECT_EQ(scaled_length(1, 0.999), 0);
    EXPECT_EQ(scaled_length(100, -0.5), 0);
    EXPECT_EQ(scaled_length(2'000'000'000, 2.0), 0);  // beyond an int: not drawable
}

TEST(Paint, InitialDrawsNothingAndStillRefreshesTheStatusBar) {
    ShowHarness show;
    show.add_image("1.bmp", 40, 40, Qt::red);
    set_text(show.app.settings.folder, show.dir.str());
    show.paint(false);
    EXPECT_EQ(show.image_at(0, 0), kBackground);
    EXPECT_EQ(show.platform.status_texts,
              (std::vector<std::string>{"初期状態", "No.0/0", "時間：0.0秒", "", "", "拡縮：1.000000", "ALL(BJGP)",
                                        "回転0度"}));
}

// The status bar in each state, as the paint leaves it.
TEST(Paint, StatusBarAfterEachKindOfPaint) {
    ThreeImages show;
    show.app.settings.pl_timeno = 1500;
    EXPECT_EQ(show.platform.status_texts.at(0), "指完停止中");
    EXPECT_EQ(show.platform.status_texts.at(1), "No.0/3");
    EXPECT_EQ(show.platform.status_texts.at(4), "");

    play_forward(show.app, show.platform);
    EXPECT_EQ(show.platform.status_texts,
              (std::vector<std::string>{"連続前進中", "No.1/3", "時間：1.5秒", show.dir.str(), "1.bmp",
                                        "拡縮：1.000000", "ALL(BJGP)", "回転0度"}));
    play_backward(show.app, show.platform);
    EXPECT_EQ(show.platform.status_texts.at(0), "連続後退中");
    EXPECT_EQ(show.platform.status_texts.at(1), "No.3/3");
    step_backward(show.app, show.platform);  // the paint ends the step
    EXPECT_EQ(show.platform.status_texts.at(0), "指完停止中");
    EXPECT_EQ(show.platform.status_texts.at(4), "2.bmp");
}

}  // namespace
}  // namespace tervo
