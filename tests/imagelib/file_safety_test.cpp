// A load opens the named file once, as exactly the bytes given, and reads
// only that: a name swapped after the folder scan for a FIFO or a device
// neither blocks nor feeds endless bytes, a name that cannot be read never
// falls back to a similar name, and names that are not UTF-8 load.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tervo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

constexpr std::chrono::seconds kDeadline{30};

// What one show of a file came to, run on a thread of its own.
struct Outcome {
    bool finished = false;  // within the deadline
    ImageHandle handle = 0;
    QImage drawn;  // null when nothing was loaded
};

// Runs ToDIB and, when it loads, the rest of the show's chain on a thread,
// and waits for it with a generous deadline. A load still stuck then is
// released with `unblock` (if it can be) so the test ends either way.
Outcome show_on_thread(const std::string& path, const std::function<void()>& unblock = {},
                       ImageHandle loaded = 0) {
    auto promise = std::make_shared<std::promise<Outcome>>();
    std::future<Outcome> result = promise->get_future();
    std::thread worker([promise, path, loaded] {
        Outcome outcome;
        outcome.finished = true;
        // An image handed in stays its caller's; one loaded here goes with
        // the thread.
        const Image owned = loaded ? Image() : Image::load(path.c_str());
        outcome.handle = loaded ? loaded : owned.get();
        if (outcome.handle && DIBto24Bit(outcome.handle) != 0) outcome.drawn = testing::drawn_pixels(outcome.handle);
        promise->set_value(outcome);
    });
    if (result.wait_for(kDeadline) == std::future_status::ready) {
        worker.join();
        return result.get();
    }
    if (unblock) unblock();
    if (result.wait_for(kDeadline) == std::future_status::ready) {
        worker.join();
        Outcome late = result.get();
        late.finished = false;
        return late;
    }
    worker.detach();  // stuck for good; the failure below says so
    return Outcome{};
}

// Opening the FIFO's other end releases a reader blocked in open().
std::function<void()> release_fifo(const fs::path& fifo) {
    return [fifo] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    };
}

// The folder as the show lists it, before anything is loaded.
std::vector<fs::path> scan(const fs::path& folder) {
    std::vector<fs::path> listed;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) listed.push_back(entry.path());
    return listed;
}

class FileSafety : public ::testing::Test {
protected:
    // A real picture (a PNG, whatever the suffix says) named `name`, listed
    // by a scan of the folder.
    fs::path listed_picture(const std::string& name) {
        const fs::path png = scratch_.path() / "picture.png";
        if (!fs::exists(png)) testing::save_image(testing::gradient_image(40, 30), png);
        fs::copy_file(png, dir_.path() / name);
        const std::vector<fs::path> listed = scan(dir_.path());
        EXPECT_EQ(listed.size(), 1u);
        return listed.empty() ? fs::path() : listed.front();
    }

    TempDir dir_;
    TempDir scratch_;
};

TEST_F(FileSafety, ANameSwappedForAFifoAfterTheScanIsRefusedWithoutBlocking) {
    for (const char* name : {"a.jpg", "a.png", "a.gif", "a.bmp"}) {
        SCOPED_TRACE(name);
        const fs::path path = listed_picture(name);
        fs::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        const Outcome outcome = show_on_thread(path.string(), release_fifo(path));
        EXPECT_TRUE(outcome.finished) << "loading a FIFO blocked";
        EXPECT_EQ(outcome.handle, 0u);
        fs::remove(path);
    }
}

TEST_F(FileSafety, ANameSwappedForAFifoAfterLoadingStillShowsThePictureLoaded) {
    const fs::path path = listed_picture("a.png");
    const Image image_owner = Image::load(path.c_str());
    const ImageHandle image = image_owner.get();
    ASSERT_NE(image, 0u);
    // The pixels may be decoded only when first drawn: by then the name
    // stands for a FIFO, and only the file opened by ToDIB may be read.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    const Outcome outcome = show_on_thread(path.string(), release_fifo(path), image);
    EXPECT_TRUE(outcome.finished) << "drawing opened the FIFO";
    EXPECT_EQ(testing::max_channel_difference(outcome.drawn, testing::gradient_image(40, 30)), 0);
}

TEST_F(FileSafety, ANameSwappedForALinkToADeviceIsRefused) {
    for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
        SCOPED_TRACE(device);
        const fs::path path = listed_picture("a.bmp");
        fs::remove(path);
        fs::create_symlink(device, path);
        const Outcome outcome = show_on_thread(path.string());
        EXPECT_TRUE(outcome.finished) << "loading " << device << " never ended";
        EXPECT_EQ(outcome.handle, 0u);
        fs::remove(path);
    }
}

// Qt's image reader, asked for a name it cannot open, tries the name with
// other suffixes; the library must show the named file or nothing.
TEST_F(FileSafety, AnUnreadableFileNeverLoadsAFileOfASimilarName) {
    QImage blue(24, 16, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    QImage red(24, 16, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    const fs::path named = dir_.path() / "x.jpg";
    testing::save_image(blue, dir_.path() / "x.jpg.png");

    auto nothing_written = [&](ImageHandle image) {
        const fs::path out = dir_.path() / "out";
        EXPECT_EQ(DIBtoBMP((out.string() + ".bmp").c_str(), image), 0);
        EXPECT_EQ(DIBtoPNG((out.string() + ".png").c_str(), image, 0), 0);
        EXPECT_EQ(DIBtoJPG((out.string() + ".jpg").c_str(), image, 90, 0), 0);
        EXPECT_EQ(DIBtoGIF((out.string() + ".gif").c_str(), image, 0), 0);
        for (const char* suffix : {".bmp", ".png", ".jpg", ".gif"})
            EXPECT_FALSE(fs::exists(out.string() + suffix)) << suffix;
    };

    {
        SCOPED_TRACE("a link to nothing");
        fs::create_symlink(dir_.path() / "gone.jpg", named);
        const Image image_owner = Image::load(named.c_str());
        const ImageHandle image = image_owner.get();
        EXPECT_EQ(image, 0u);
        nothing_written(image);
        fs::remove(named);
    }
    {
        SCOPED_TRACE("a folder");
        fs::create_directory(named);
        const Image image_owner = Image::load(named.c_str());
        const ImageHandle image = image_owner.get();
        EXPECT_EQ(image, 0u);
        nothing_written(image);
        fs::remove(named);
    }
    {
        SCOPED_TRACE("a file without read permission");
        testing::save_image(red, named);
        fs::permissions(named, fs::perms::none);
        const Image image_owner = Image::load(named.c_str());
        const ImageHandle image = image_owner.get();
        if (::access(named.c_str(), R_OK) != 0) {
            EXPECT_EQ(image, 0u);
            nothing_written(image);
        } else {
            // Run with the power to read anything: it is the named file.
            ASSERT_NE(image, 0u);
            const QImage drawn = testing::drawn_pixels(image);
            EXPECT_LT(testing::mean_channel_difference(drawn, red), 4);
        }
        fs::permissions(named, fs::perms::owner_all);
        fs::remove(named);
    }
    {
        // Loaded while readable, gone before its pixels are needed: what is
        // written is the file ToDIB opened, or nothing.
        SCOPED_TRACE("a file removed after loading");
        testing::save_image(red, named);
        const Image image_owner = Image::load(named.c_str());
        const ImageHandle image = image_owner.get();
        ASSERT_NE(image, 0u);
        fs::remove(named);
        const fs::path out = dir_.path() / "written.png";
        if (DIBtoPNG(out.c_str(), image, 0)) {
            EXPECT_LT(testing::mean_channel_difference(testing::read_with_qt(out.string()), red), 4);
        }
        const QImage drawn = testing::drawn_pixels(image);
        EXPECT_GT(testing::mean_channel_difference(drawn, blue), 20) << "drew the other file";
    }
    EXPECT_EQ(live_image_count(), 0u);
}

TEST_F(FileSafety, NamesThatAreNotUtf8LoadAndDraw) {
    const QImage picture = testing::gradient_image(40, 30);
    for (const std::string name : {"\xff\xfe.png", "\xff\xfe.bmp", "\xff\xfe.jpg", "\x82\xa0\xff.gif"}) {
        SCOPED_TRACE(name);
        // Qt cannot name such a file; write a sibling and rename it by bytes.
        // Qt writes no GIF: the library's own writer makes that one.
        const std::string suffix = name.substr(name.rfind('.'));
        const fs::path plain = dir_.path() / ("plain" + suffix);
        if (suffix == ".gif") {
            const fs::path png = dir_.path() / "plain-for-gif.png";
            ASSERT_FALSE(testing::save_image(picture, png).empty());
            const Image source_owner = Image::load(png.c_str());
            const ImageHandle source = source_owner.get();
            ASSERT_NE(DIBtoGIF(plain.c_str(), source, 0), 0);
        } else {
            ASSERT_FALSE(testing::save_image(picture, plain).empty());
        }
        const fs::path path = dir_.path() / name;
        ASSERT_EQ(::rename(plain.c_str(), path.c_str()), 0);

        const Image image_owner = Image::load(path.c_str());
        const ImageHandle image = image_owner.get();
        ASSERT_NE(image, 0u);
        EXPECT_EQ(DIBto24Bit(image), 1);
        EXPECT_EQ(testing::head_size(image), picture.size());
        const QImage drawn = testing::drawn_pixels(image);
        if (suffix == ".png" || suffix == ".bmp") {
            EXPECT_EQ(testing::max_channel_difference(drawn, picture), 0);
        } else {
            // JPEG loses a little; GIF is quantised to a palette.
            EXPECT_LT(testing::mean_channel_difference(drawn, picture), 6);
        }
    }
}

}  // namespace
}  // namespace tervo
