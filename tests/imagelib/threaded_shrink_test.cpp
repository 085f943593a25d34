// Shrinking on a second thread while rows arrive: the same pixels as
// shrinking band after band on the decoding thread, nothing left running
// however the decode ends, and no waiting on a busy pool.
#include "imagelib/band_worker.h"
#include "imagelib/row_sinks.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tervo::imagelib {
namespace {

using Threading = ShrinkingSink::Threading;

// Blocks of colour with stray pixels: every band edge cuts through contrast,
// so a band shrunk with the wrong rows or into the wrong place shows.
QImage blocks_with_noise(int width, int height, QImage::Format format) {
    QRandomGenerator random(11);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.bounded(8) == 0 ? random.generate() | 0x40000000u
                                             : qRgba((x / 7) * 37 % 256, (y / 5) * 53 % 256, (x + y) % 256, 255);
    }
    return image.convertToFormat(format);
}

// Fed row by row as a decoder would; `threaded` tells whether a second
// thread ever shrank.
QImage shrunk(const QImage& image, QSize wanted, QRectF part, Threading threading, bool* threaded = nullptr) {
    ShrinkingSink sink(wanted, part, kSinkMemoryLimit, threading);
    if (!sink.start(image.size(), image.format())) return QImage();
    const std::size_t bytes = std::size_t(image.bytesPerLine());
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(sink.row(y), image.constScanLine(y), bytes);
        sink.row_done(y);
        if (threaded != nullptr && sink.threaded()) *threaded = true;
        if (!sink.wants_rows_after(y)) break;
    }
    EXPECT_FALSE(sink.threaded());  // joined with the last band
    return sink.image();
}

// Keeps every thread of Qt's global pool busy until released, so that no
// job handed to the pool can begin.
class PoolBlocker {
public:
    PoolBlocker() {
        QThreadPool* pool = QThreadPool::globalInstance();
        for (int i = 0; i < pool->maxThreadCount(); ++i)
            pool->start([this] {
                std::unique_lock lock(mutex_);
                released_.wait(lock, [this] { return free_; });
            });
    }
    ~PoolBlocker() {
        {
            std::lock_guard lock(mutex_);
            free_ = true;
        }
        released_.notify_all();
        QThreadPool::globalInstance()->waitForDone();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool free_ = false;
};

TEST(ThreadedShrink, GivesTheSamePixelsAsShrinkingBandAfterBand) {
    struct Case {
        const char* name;
        QSize size;
        QImage::Format format;
        QSize wanted;
        QRectF part;
    };
    const QRectF whole(0, 0, 1, 1);
    const Case cases[] = {
        {"RGB32 by 3.3", {1000, 700}, QImage::Format_RGB32, {301, 211}, whole},
        {"RGBA by 7.9", {997, 1211}, QImage::Format_RGBA8888, {126, 153}, whole},
        {"RGBX, rows only", {300, 900}, QImage::Format_RGBX8888, {300, 97}, whole},
        {"RGB888, columns only", {900, 200}, QImage::Format_RGB888, {131, 200}, whole},
        {"ARGB32 by 1.3, many bands", {800, 1300}, QImage::Format_ARGB32, {613, 1000}, whole},
        {"wide, by 40", {4000, 1500}, QImage::Format_RGBA8888, {100, 37}, whole},
        {"to one row: a single band", {300, 200}, QImage::Format_RGB32, {150, 1}, whole},
        {"a part in the middle", {900, 600}, QImage::Format_RGB32, {300, 200}, QRectF(0.501, 0.499, 0.3, 0.4)},
        {"the top quarter: the rows stop early", {640, 2000}, QImage::Format_RGBA8888, {320, 500},
         QRectF(0, 0, 1, 0.25)},
    };
    for (const Case& c : cases) {
        const QImage image = blocks_with_noise(c.size.width(), c.size.height(), c.format);
        const QImage serial = shrunk(image, c.wanted, c.part, Threading::Serial);
        bool threaded = false;
        const QImage overlapped = shrunk(image, c.wanted, c.part, Threading::Threaded, &threaded);
        ASSERT_FALSE(serial.isNull()) << c.name;
        EXPECT_TRUE(threaded || c.wanted.height() == 1) << c.name;
        EXPECT_EQ(overlapped, serial) << c.name;
    }
}

TEST(ThreadedShrink, TakesASecondThreadOnlyForLargePictures) {
    auto threaded = [](QSize size, QSize wanted) {
        bool threaded = false;
        shrunk(blocks_with_noise(size.width(), size.height(), QImage::Format_RGB32), wanted, QRectF(0, 0, 1, 1),
               Threading::Automatic, &threaded);
        return threaded;
    };
    EXPECT_TRUE(threaded({1600, 1200}, {400, 300}));
    EXPECT_TRUE(threaded({1600, 1200}, {400, 1200}));  // across only, still in bands
    EXPECT_FALSE(threaded({800, 600}, {400, 300}));     // under a megapixel
    EXPECT_FALSE(threaded({1600, 1200}, {1600, 1200}));  // not shrunk: copied
    EXPECT_FALSE(threaded({20000, 64}, {5000, 16}));     // two bands

    // Where a second band would not fit the sink's memory, one thread works
    // with one band rather than the picture being refused.
    ShrinkingSink tight({100, 100}, QRectF(0, 0, 1, 1), 2'500'000, Threading::Threaded);
    EXPECT_TRUE(tight.start({3000, 3000}, QImage::Format_RGBA8888));  // a band of 2.3 MB
    EXPECT_FALSE(tight.threaded());
}

TEST(ThreadedShrink, DecodedFilesComeOutAsSerially) {
    testing::TempDir dir;
    const QImage picture = blocks_with_noise(1500, 1100, QImage::Format_ARGB32);
    for (const char* name : {"p.png", "p.jpg", "p.bmp"}) {
        const std::string path = testing::save_image(picture, dir.path() / name);
        const auto input = FileInput::open(path.c_str());
        ASSERT_TRUE(input);
        auto decoded = [&](Threading threading) {
            ShrinkingSink sink(QSize(700, 513), QRectF(0, 0, 1, 1), kSinkMemoryLimit, threading);
            const bool ok = std::string(name) == "p.png"   ? decode_png(*input, sink)
                            : std::string(name) == "p.jpg" ? decode_jpeg(*input, QSize(700, 513), sink)
                                                           : decode_bmp(*input, sink);
            return ok ? sink.image() : QImage();
        };
        const QImage serial = decoded(Threading::Serial);
        ASSERT_FALSE(serial.isNull()) << name;
        EXPECT_EQ(decoded(Threading::Threaded), serial) << name;
    }
}

TEST(ThreadedShrink, SurvivesADecodeThatBreaksOff) {
    // Under the address sanitizer, a band job left running past its sink
    // would write into freed memory.
    testing::TempDir dir;
    const std::string path = testing::save_image(blocks_with_noise(1200, 1600, QImage::Format_RGB32),
                                                 dir.path() / "cut.png");
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    const auto input = FileInput::open(path.c_str());
    ASSERT_TRUE(input);
    for (int i = 0; i < 5; ++i) {
        ShrinkingSink sink(QSize(300, 400), QRectF(0, 0, 1, 1), kSinkMemoryLimit, Threading::Threaded);
        EXPECT_FALSE(decode_png(*input, sink));
        EXPECT_TRUE(sink.threaded());  // still waiting for the bands that never came
    }

    // Thrown out of the middle of a picture, with a band being shrunk.
    const QImage image = blocks_with_noise(1000, 3000, QImage::Format_RGBA8888);
    EXPECT_THROW(
        {
            ShrinkingSink sink(QSize(250, 750), QRectF(0, 0, 1, 1), kSinkMemoryLimit, Threading::Threaded);
            ASSERT_TRUE(sink.start(image.size(), image.format()));
            for (int y = 0; y < image.height(); ++y) {
                std::memcpy(sink.row(y), image.constScanLine(y), std::size_t(image.bytesPerLine()));
                sink.row_done(y);
                if (y == 1500) throw std::runtime_error("decoder gave up");
            }
        },
        std::runtime_error);
}

TEST(ThreadedShrink, ShrinksOnTheDecodingThreadWhenThePoolIsBusy) {
    const QImage image = blocks_with_noise(1600, 1200, QImage::Format_RGB32);
    const QImage serial = shrunk(image, {400, 300}, QRectF(0, 0, 1, 1), Threading::Serial);
    PoolBlocker busy;
    bool threaded = false;
    EXPECT_EQ(shrunk(image, {400, 300}, QRectF(0, 0, 1, 1), Threading::Threaded, &threaded), serial);
    EXPECT_TRUE(threaded);
}

TEST(BandWorker, TakesBackJobsNoPoolThreadHasBegun) {
    std::vector<std::thread::id> ran_on(3);
    {
        PoolBlocker busy;
        BandWorker worker([&](int job) {
            ran_on[std::size_t(job)] = std::this_thread::get_id();
            return true;
        });
        ASSERT_TRUE(worker.hand_over(0));
        ASSERT_TRUE(worker.hand_over(1));  // job 0 taken back and done here first
        EXPECT_EQ(ran_on[0], std::this_thread::get_id());
        EXPECT_TRUE(worker.wait());
        EXPECT_EQ(ran_on[1], std::this_thread::get_id());
        ASSERT_TRUE(worker.hand_over(2));
        // Destroyed with job 2 still queued: it must never run.
    }
    EXPECT_EQ(ran_on[2], std::thread::id());
}

TEST(BandWorker, RunsJobsInOrderAndSkipsThoseAfterAFailure) {
    std::atomic<int> last{-1};
    std::atomic<bool> ordered{true};
    {
        BandWorker worker([&](int job) {
            ordered = ordered && job == last + 1;
            last = job;
            return true;
        });
        for (int job = 0; job < 50; ++job) ASSERT_TRUE(worker.hand_over(job));
        EXPECT_TRUE(worker.wait());
    }
    EXPECT_TRUE(ordered);
    EXPECT_EQ(last, 49);

    int runs = 0;
    BandWorker failing([&](int job) {
        ++runs;
        if (job == 2) throw std::bad_alloc();  // taken as a failure, not let out of the thread
        return true;
    });
    for (int job = 0; job < 3; ++job) EXPECT_TRUE(failing.hand_over(job));
    EXPECT_FALSE(failing.hand_over(3));
    EXPECT_FALSE(failing.wait());
    EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace tervo::imagelib
