// Full and read-only disks, made with small tmpfs mounts. These need the
// privilege to mount and are skipped without it.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_io.h"
#include "core/settings_file.h"
#include "imagelib/imgctl.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::TempDir;
using testing::read_file;

// A small file system mounted on a fresh directory, unmounted afterwards.
class SmallDisk {
public:
    explicit SmallDisk(const char* options = "size=256k") {
        dir_ = root_.path() / "disk";
        std::filesystem::create_directory(dir_);
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return dir_; }
    // Fills every free byte with a filler file.
    void fill() const {
        std::ofstream filler(dir_ / "filler", std::ios::binary);
        std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
        }
        filler.close();
        std::ofstream last(dir_ / "filler2", std::ios::binary);
        while (last.put('x')) {
        }
    }
    bool remount_read_only() const {
        return ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    TempDir root_;
    std::filesystem::path dir_;
    bool mounted_ = false;
};

#define REQUIRE_MOUNT(disk) \
    if (!(disk).mounted()) GTEST_SKIP() << "cannot mount a small file system here"

TEST(DiskFaults, FullDiskWhileSavingSettingsKeepsThePreviousFile) {
    SmallDisk disk;
    REQUIRE_MOUNT(disk);
    const std::string previous = "file_select=1\r\npl_timeno=700\r\nread_foldername=/old\r\npsize=2\r\n";
    std::ofstream(disk.path() / "Tervo.ini", std::ios::binary) << previous;
    disk.fill();
    AppState app;
    set_text(app.start_directory, disk.path().string());
    set_text(app.settings.folder, std::string(200, 'n'));
    FakePlatform platform;
    const auto cwd = std::filesystem::current_path();
    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    std::filesystem::current_path(cwd);
    expect_message(platform, {"ﾌｧｲﾙが開けません"});
    EXPECT_EQ(read_file(disk.path() / "Tervo.ini"), previous);
    for (const auto& entry : std::filesystem::directory_iterator(disk.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "Tervo.ini" || name.rfind("filler", 0) == 0) << "left behind: " << entry.path();
    }
}

TEST(DiskFaults, SettingsLinkedOntoAnotherFileSystemAreWrittenThere) {
    // The new file must wait beside the file the link names: staged beside
    // the link, it could not be renamed across file systems (or would cut
    // the link).
    SmallDisk disk;
    REQUIRE_MOUNT(disk);
    TempDir launch;
    std::ofstream(disk.path() / "shared.ini", std::ios::binary) << "psize=2\r\n";
    std::filesystem::create_symlink(disk.path() / "shared.ini", launch.path() / "Tervo.ini");
    AppState app;
    set_text(app.start_directory, launch.str());
    FakePlatform platform;
    const auto cwd = std::filesystem::current_path();
    load_settings(app, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(app.settings.psize, 2);
    app.settings.psize = 5;
    const bool saved = save_settings(app, platform, nullptr, kSettingsFileName);
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(saved);
    expect_no_message(platform);
    EXPECT_TRUE(std::filesystem::is_symlink(launch.path() / "Tervo.ini"));
    EXPECT_EQ(read_file(disk.path() / "shared.ini"),
              "file_select=0\r\npl_timeno=5\r\nread_foldername=\r\npsize=5\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path()), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(launch.path()), {}), 1);
}

TEST(DiskFaults, ReadOnlyLaunchDirectoryReadsAndReportsTheSave) {
    SmallDisk disk;
    REQUIRE_MOUNT(disk);
    const std::string previous = "psize=5\r\n";
    std::ofstream(disk.path() / "Tervo.ini", std::ios::binary) << previous;
    ASSERT_TRUE(disk.remount_read_only());
    AppState app;
    set_text(app.start_directory, disk.path().string());
    FakePlatform platform;
    const auto cwd = std::filesystem::current_path();
    load_settings(app, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(app.settings.psize, 5);
    expect_no_message(platform);
    app.settings.psize = 6;
    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(read_file(disk.path() / "Tervo.ini"), previous);
}

TEST(DiskFaults, FullDiskWhileWritingAPictureLeavesTheOldFileAndNoPart) {
    TempDir source;
    QImage picture(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    ASSERT_TRUE(picture.save(QString::fromStdString((source.path() / "in.png").string())));

    SmallDisk disk;
    REQUIRE_MOUNT(disk);
    std::ofstream(disk.path() / "out.bmp", std::ios::binary) << "old picture";
    std::ofstream(disk.path() / "out.gif", std::ios::binary) << "old animation";
    disk.fill();
    const Image held = Image::load((source.path() / "in.png").c_str());
    ASSERT_TRUE(held);
    const ImageHandle image = held.get();
    ASSERT_EQ(DIBto24Bit(image), 1);
    EXPECT_EQ(DIBtoBMP((disk.path() / "out.bmp").c_str(), image), 0);
    EXPECT_EQ(DIBtoJPG((disk.path() / "new.jpg").c_str(), image, 90, 0), 0);
    EXPECT_EQ(DIBtoPNG((disk.path() / "new.png").c_str(), image, 1), 0);
    ImageHandle frames[] = {image, image};
    EXPECT_EQ(DIBtoGIFAni((disk.path() / "out.gif").c_str(), frames, 2, 50), 0);
    EXPECT_EQ(read_file(disk.path() / "out.bmp"), "old picture");
    EXPECT_EQ(read_file(disk.path() / "out.gif"), "old animation");
    EXPECT_FALSE(std::filesystem::exists(disk.path() / "new.jpg"));
    EXPECT_FALSE(std::filesystem::exists(disk.path() / "new.png"));
    std::size_t entries = std::distance(std::filesystem::directory_iterator(disk.path()), {});
    EXPECT_EQ(entries, 4u);  // out.bmp, out.gif and the two fillers: no partial files
}

}  // namespace
}  // namespace tervo
