// Pictures prepared ahead of the show: the paint takes one only for the same
// file unchanged and the same view, puts exactly the pixels on the canvas it
// would have drawn itself, and nothing is held beyond two or leaks.
#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <filesystem>
#include <vector>

#include "imagelib/imgctl.h"
#include "slideshow/picture_ahead.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;
using testing::ShowHarness;

// The key the next paint looks for, for the image `ahead_by` steps on.
PictureKey next_key(const ShowHarness& show, int ahead_by = 1) {
    const int count = show.app.files.file_count;
    const int index = ((show.app.view.current_index + ahead_by) % count + count) % count;
    return picture_key(show.app, show.platform.size, index, 0, 1.0);
}

void expect_same_show(const ShowHarness& with, const ShowHarness& without, const std::string& where) {
    EXPECT_TRUE(with.canvas == without.canvas) << where;
    EXPECT_EQ(with.app.view.display_no, without.app.view.display_no) << where;
    EXPECT_EQ(with.app.view.scale, without.app.view.scale) << where;
    EXPECT_EQ(with.app.view.scale_fixed, without.app.view.scale_fixed) << where;
    // Each harness has a folder of its own: the texts but the folder agree.
    std::vector<std::string> with_texts = with.platform.status_texts;
    std::vector<std::string> without_texts = without.platform.status_texts;
    ASSERT_EQ(with_texts.size(), 8u);
    ASSERT_EQ(without_texts.size(), 8u);
    with_texts[3] = without_texts[3] = "";
    EXPECT_EQ(with_texts, without_texts) << where;
}

// A picture with detail everywhere, so a pixel out of place shows.
void add_pattern(const ShowHarness& show, const std::string& name, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba((x * 7 + seed * 40) & 255, (y * 5 + x) & 255, (x ^ y ^ seed) & 255,
                                       name.ends_with(".png") ? (x + y) & 255 : 255));
    const fs::path path = show.dir.path() / name;
    image.save(QString::fromStdString(path.string()));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(PictureAhead, PreparedPaintsArePixelIdenticalToLoadedOnes) {
    struct Case {
        int32_t psize;
        int32_t rotation;
        int32_t file_select;
    };
    // Fit, the image's own size (larger than the client area: only a part
    // shows), a fixed factor, an unknown mode keeping the scale; turned too;
    // PNGs with transparency to flatten.
    for (const Case c : {Case{1, 0, 0}, Case{0, 0, 0}, Case{3, 1, 0}, Case{9, 3, 0}, Case{1, 1, 4}, Case{0, 2, 4}}) {
        ShowHarness with(true);
        ShowHarness without(false);
        for (ShowHarness* show : {&with, &without}) {
            add_pattern(*show, "a.bmp", 1300, 700, 1);
            add_pattern(*show, "b.jpg", 500, 900, 2);
            add_pattern(*show, "c.bmp", 2100, 1100, 3);
            add_pattern(*show, "d.png", 1200, 800, 4);
            add_pattern(*show, "e.png", 300, 1500, 5);
            show->app.settings.psize = c.psize;
            show->app.view.rotation = c.rotation;
            show->app.view.scale = 0.5;
            show->scan(c.file_select);
        }
        const std::string where = "psize " + std::to_string(c.psize) + " rotation " + std::to_string(c.rotation) +
                                  " filter " + std::to_string(c.file_select);
        play_forward(with.app, with.platform);
        play_forward(without.app, without.platform);
        expect_same_show(with, without, where + " first");
        for (int tick = 0; tick < 5; ++tick) {
            play_tick(with.app, with.platform);
            play_tick(without.app, without.platform);
            expect_same_show(with, without, where + " tick " + std::to_string(tick));
        }
        // Backwards, by steps.
        for (int step = 0; step < 4; ++step) {
            step_backward(with.app, with.platform);
            step_backward(without.app, without.platform);
            expect_same_show(with, without, where + " step " + std::to_string(step));
        }
        EXPECT_GT(with.ahead->counts().ready, 0) << where;
    }
}

TEST(PictureAhead, AFileChangedOrGoneAfterPreparingIsLoadedAsItIsNow) {
    enum class Change { Replaced, RewrittenSameSize, RewrittenWithinOneClockTick, TimeSetBack, Deleted };
    for (Change change : {Change::Replaced, Change::RewrittenSameSize, Change::RewrittenWithinOneClockTick,
                          Change::TimeSetBack, Change::Deleted}) {
        ShowHarness show(true);
        show.add_image("1.bmp", 60, 40, Qt::red);
        show.add_image("2.bmp", 60, 40, Qt::green);
        show.scan();
        step_forward(show.app, show.platform);
        ASSERT_TRUE(show.ahead->ready(next_key(show)));
        const fs::path second = show.dir.path() / "2.bmp";
        const auto size_before = fs::file_size(second);
        const FileIdentity before = *path_file_identity(second.c_str());
        switch (change) {
        case Change::Replaced: {
            // Another picture renamed over the name: a new inode and size.
            show.add_image("new.bmp", 30, 20, Qt::blue);
            fs::rename(show.dir.path() / "new.bmp", second);
            break;
        }
        case Change::RewrittenSameSize: {
            // Same inode and size; only the modification time tells.
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(Qt::blue);
            ASSERT_TRUE(image.save(QString::fromStdString(second.string())));
            fs::last_write_time(second, fs::file_time_type::clock::now() - std::chrono::hours(2));
            break;
        }
        case Change::RewrittenWithinOneClockTick: {
            // A file written just now, rewritten with the same size and the
            // same modification time: nothing in its status differs, so a
            // picture prepared from so fresh a file must never be used.
            const auto stamp = fs::file_time_type::clock::now();
            fs::last_write_time(second, stamp);
            show.platform.discard_prepared_pictures();
            step_backward(show.app, show.platform);  // prepares 2.bmp again, fresh
            step_forward(show.app, show.platform);   // back on 1.bmp
            ASSERT_EQ(show.app.view.current_index, 0);
            ASSERT_TRUE(show.ahead->ready(next_key(show)));
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(Qt::blue);
            ASSERT_TRUE(image.save(QString::fromStdString(second.string())));
            fs::last_write_time(second, stamp);
            const FileIdentity after = *path_file_identity(second.c_str());
            ASSERT_EQ(after.inode, before.inode);
            ASSERT_EQ(after.size, before.size);
            break;
        }
        case Change::TimeSetBack: {
            // Rewritten in place with the old modification time put back
            // (touch -r, cp -p, rsync --inplace -t): only the change time moves.
            const auto stamp = fs::last_write_time(second);
            const fs::path blue = show.dir.path() / "blue.bmp";
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(Qt::blue);
            ASSERT_TRUE(image.save(QString::fromStdString(blue.string())));
            fs::copy_file(blue, second, fs::copy_options::overwrite_existing);
            fs::remove(blue);
            fs::last_write_time(second, stamp);
            const FileIdentity after = *path_file_identity(second.c_str());
            ASSERT_EQ(after.inode, before.inode);
            ASSERT_EQ(after.modified_nanoseconds, before.modified_nanoseconds);
            break;
        }
        case Change::Deleted: fs::remove(second); break;
        }
        if (change == Change::RewrittenSameSize) {
            ASSERT_EQ(fs::file_size(second), size_before);
            ASSERT_EQ(path_file_identity(second.c_str())->inode, before.inode);
        }
        step_forward(show.app, show.platform);
        if (change == Change::Deleted) {
            EXPECT_EQ(show.image_at(5, 5), QColor(Qt::red));  // the previous picture stays
            EXPECT_EQ(show.app.view.display_no, 1);
            EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
        } else {
            EXPECT_EQ(show.image_at(5, 5), QColor(Qt::blue)) << int(change);
            EXPECT_EQ(show.app.view.display_no, 2);
        }
        EXPECT_EQ(live_image_count(), 0u);
    }
}

TEST(PictureAhead, AnotherViewNeverTakesWhatWasPrepared) {
    // Each change made behind the show's back, without discarding: only
    // the key keeps the paint from a picture made for the old view.
    enum class Change { Rotation, SizeMode, ClientSize, Folder };
    for (Change change : {Change::Rotation, Change::SizeMode, Change::ClientSize, Change::Folder}) {
        ShowHarness with(true);
        ShowHarness without(false);
        for (ShowHarness* show : {&with, &without}) {
            add_pattern(*show, "a.bmp", 300, 200, 1);
            add_pattern(*show, "b.bmp", 200, 300, 2);
            show->app.settings.psize = 1;
            show->scan();
            step_forward(show->app, show->platform);
            switch (change) {
            case Change::Rotation: show->app.view.rotation = 1; break;
            case Change::SizeMode: show->app.settings.psize = 2; break;
            case Change::ClientSize: show->platform.size = {600, 500}; break;
            case Change::Folder: {
                fs::create_directory(show->dir.path() / "other");
                fs::copy_file(show->dir.path() / "a.bmp", show->dir.path() / "other" / "b.bmp");
                set_text(show->app.settings.folder, (show->dir.path() / "other").string());
                break;
            }
            }
        }
        ASSERT_TRUE(with.ahead->held() > 0);
        step_forward(with.app, with.platform);
        step_forward(without.app, without.platform);
        expect_same_show(with, without, "change " + std::to_string(int(change)));
    }
}

TEST(PictureAhead, RescanDiscardsWhatWasPrepared) {
    ShowHarness show(true);
    show.add_image("1.bmp", 60, 40, Qt::red);
    show.add_image("2.bmp", 60, 40, Qt::green);
    show.scan();
    step_forward(show.app, show.platform);
    ASSERT_GT(show.ahead->held(), 0u);
    const int discards = show.platform.prepared_discards;
    show.scan();
    EXPECT_EQ(show.platform.prepared_discards, discards + 1);
    EXPECT_EQ(show.ahead->held(), 0u);
}

TEST(PictureAhead, HoldsAtMostTwoAndLeaksNothing) {
    {
        ShowHarness show(true);
        // However the paints and the worker are paced, the worker makes
        // exactly what is asked for.
        show.ahead = std::make_unique<PictureAhead>(false);
        for (int i = 0; i < 6; ++i) show.add_image("p" + std::to_string(i) + ".bmp", 80 + 10 * i, 50, QColor(40 * i, 90, 200));
        show.app.settings.psize = 1;
        show.scan();
        play_forward(show.app, show.platform);
        for (int tick = 0; tick < 20; ++tick) {
            EXPECT_EQ(show.ahead->held(), PictureAhead::kMaxHeld);
            EXPECT_EQ(live_image_count(), 0u);  // the worker is idle: it holds no image
            play_tick(show.app, show.platform);
        }
        EXPECT_GT(show.ahead->counts().ready, 0);
        // Changing direction drops what lay ahead the other way.
        EXPECT_TRUE(show.ahead->ready(next_key(show, 1)) || show.ahead->ready(next_key(show, 2)));
        step_backward(show.app, show.platform);
        EXPECT_EQ(show.ahead->held(), 2u);
        for (int ahead_by = 1; ahead_by <= 2; ++ahead_by) EXPECT_FALSE(show.ahead->ready(next_key(show, ahead_by)));
        play_forward(show.app, show.platform);  // and a worker busy at the end is joined
    }
    EXPECT_EQ(live_image_count(), 0u);
}

TEST(PictureAhead, ThePictureOnShowIsNeverPreparedAgain) {
    // Two pictures: looking three ahead comes round to the one on show.
    ShowHarness show(true);
    add_pattern(show, "a.bmp", 60, 40, 1);
    add_pattern(show, "b.bmp", 60, 40, 2);
    show.scan();
    step_forward(show.app, show.platform);
    ASSERT_TRUE(show.ahead->wait_until_idle(std::chrono::milliseconds(testing::kStateDeadlineMs)));
    EXPECT_TRUE(show.ahead->ready(next_key(show, 1)));
    EXPECT_FALSE(show.ahead->ready(next_key(show, 0)));
}

TEST(PictureAhead, WorkerWithNothingToDoIsJoinedAtOnce) {
    PictureAhead ahead;
    EXPECT_TRUE(ahead.wait_until_idle(std::chrono::milliseconds(testing::kStateDeadlineMs)));
    EXPECT_EQ(ahead.held(), 0u);
    PictureKey missing;
    missing.path = "/nonexistent/picture.bmp";
    PictureKey shown;
    shown.path = "/nonexistent/shown.bmp";
    EXPECT_FALSE(ahead.take(shown, std::vector<PictureKey>{missing}).has_value());
    EXPECT_TRUE(ahead.wait_until_idle(std::chrono::milliseconds(testing::kStateDeadlineMs)));
    // A file that does not load is never used, but it is not made again.
    ASSERT_TRUE(ahead.ready(missing));
    const std::optional<PreparedPicture> failed = ahead.take(missing, std::nullopt);
    ASSERT_TRUE(failed.has_value());
    EXPECT_FALSE(failed->identity.has_value());
}

}  // namespace
}  // namespace tervo
