#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "slideshow/folder_scan.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::TempDir;
using testing::kAnyCount;

void touch(const std::filesystem::path& path) { std::ofstream(path).put('x'); }

void make_files(const TempDir& dir, const char* stem, const char* ext, int count) {
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%s%04d.%s", stem, i, ext);
        touch(dir.path() / name);
    }
}

std::vector<std::string> table(const AppState& app) {
    std::vector<std::string> names;
    for (int i = 0; i < app.files.file_count; ++i) names.emplace_back(text_of(app.files.file_names[i]));
    return names;
}

struct Scan {
    AppState app;
    FakePlatform platform;
    Scan(const std::string& folder, int file_select) {
        set_text(app.settings.folder, folder);
        app.settings.file_select = file_select;
        platform.timer_running = true;  // as if a show was playing
    }
    void run() { rescan_folder(app, platform); }
};

TEST(FolderScan, FilterAllListsBmpJpgGifSharingTheCap) {
    TempDir dir;
    make_files(dir, "b", "bmp", 1000);
    make_files(dir, "j", "jpg", 50);
    make_files(dir, "g", "gif", 10);
    Scan scan(dir.str(), 0);
    scan.run();
    auto names = table(scan.app);
    ASSERT_EQ(names.size(), 1024u);
    EXPECT_EQ(names[0], "b0000.bmp");
    EXPECT_EQ(names[999], "b0999.bmp");
    EXPECT_EQ(names[1000], "j0000.jpg");
    EXPECT_EQ(names[1023], "j0023.jpg");
    expect_no_message(scan.platform);
    EXPECT_EQ(scan.app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(scan.app.view.current_index, -1);
    EXPECT_FALSE(scan.platform.timer_running);
    ASSERT_EQ(scan.platform.status_texts.size(), 8u);
    EXPECT_EQ(scan.platform.status_texts[0], "指完停止中");
}

TEST(FolderScan, OnePatternStopsAt1024) {
    TempDir dir;
    make_files(dir, "p", "jpg", 1500);
    Scan scan(dir.str(), 2);
    scan.run();
    EXPECT_EQ(scan.app.files.file_count, 1024);
}

TEST(FolderScan, MatchesTheExtensionWithoutCaseOnEveryKindOfEntry) {
    TempDir dir;
    for (const char* name : {"b.jpg", "A.JPG", "c.Jpg", ".hidden.jpg", "photo.jpeg", "x.jpg.txt", "jpg", "a.png",
                             "d.JPE", "e.jfif", "f.jpeg.bmp", "jfif"})
        touch(dir.path() / name);
    std::filesystem::create_directory(dir.path() / "Folder.jpg");
    Scan scan(dir.str() + "/", 2);  // a folder given with its separator
    scan.run();
    const std::vector<std::string> jpeg{".hidden.jpg", "A.JPG",  "b.jpg",      "c.Jpg",
                                        "d.JPE",       "e.jfif", "Folder.jpg", "photo.jpeg"};
    EXPECT_EQ(table(scan.app), jpeg);
    Scan all(dir.str(), 0);  // bmp first, then the same JPEG names
    all.run();
    std::vector<std::string> listed = table(all.app);
    EXPECT_EQ(listed.front(), "f.jpeg.bmp");
    listed.erase(listed.begin());
    EXPECT_EQ(listed, jpeg);
}

TEST(FolderScan, NothingFoundShowsTheMessageAndStops) {
    TempDir dir;
    touch(dir.path() / "only.png");
    for (std::string folder : {dir.str(), dir.str() + "/missing"}) {
        Scan scan(folder, 0);
        scan.run();
        EXPECT_EQ(scan.app.files.file_count, 0) << folder;
        EXPECT_EQ(scan.app.view.play_state, PlayState::Stopped);
        EXPECT_EQ(scan.app.view.current_index, -1);
        expect_message(scan.platform, {"読み込むファイルが見つかりません。", "ファイル検索", MessageIcon::Warning,
                                       scan.platform.main_window_tag});
    }
}

TEST(FolderScan, EmptyFolderDoesNothing) {
    Scan scan("", 0);
    scan.app.files.file_count = 3;
    scan.run();
    EXPECT_EQ(scan.app.files.file_count, 3);
    EXPECT_EQ(scan.app.view.play_state, PlayState::Initial);
    expect_no_message(scan.platform);
    EXPECT_EQ(scan.platform.status_updates, 0);
}

TEST(FolderScan, OtherFilterValuesListTheFolderEntryItself) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "Holiday");
    Scan scan(dir.str() + "/Holiday", 7);
    scan.run();
    EXPECT_EQ(table(scan.app), std::vector<std::string>{"Holiday"});

    Scan root("/", 7);
    root.run();
    EXPECT_EQ(root.app.files.file_count, 0);
}

TEST(FolderScan, SmallerRescanKeepsOldSlotsBeyondTheCount) {
    TempDir big, small;
    make_files(big, "a", "gif", 5);
    make_files(small, "z", "gif", 2);
    Scan scan(big.str(), 3);
    scan.run();
    set_text(scan.app.settings.folder, small.str());
    scan.app.view.display_no = 4;
    scan.run();
    EXPECT_EQ(table(scan.app), (std::vector<std::string>{"z0000.gif", "z0001.gif"}));
    EXPECT_EQ(text_of(scan.app.files.file_names[4]), "a0004.gif");
    EXPECT_EQ(scan.app.view.display_no, 4);  // the number of the image drawn last stays
}

TEST(FolderScan, BrowseConfirmsOrCancels) {
    TempDir dir;
    make_files(dir, "n", "bmp", 3);
    AppState app;
    FakePlatform platform;
    set_text(app.settings.folder, "/previous");
    platform.folder_answers.push_back(std::nullopt);
    browse_folder(app, platform);
    EXPECT_EQ(platform.folder_requests, std::vector<std::string>{"/previous"});
    expect_message(platform, {"キャンセルしました。", "フォルダ選択", MessageIcon::Warning});
    EXPECT_EQ(text_of(app.settings.folder), "/previous");
    EXPECT_EQ(app.view.play_state, PlayState::Initial);

    platform.folder_answers.push_back(dir.str());
    browse_folder(app, platform);
    EXPECT_EQ(text_of(app.settings.folder), dir.str());
    EXPECT_EQ(app.files.file_count, 3);
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
}

TEST(FolderScan, BrowseTakesOnlyPathsTheSettingsFileCanKeep) {
    AppState app;
    FakePlatform platform;
    set_text(app.settings.folder, "/previous");
    const std::string longest = "/" + std::string(258, 'p');
    for (const std::string& refused : {std::string("/photos\nold"), longest + "q"}) {
        platform.folder_answers.push_back(refused);
        browse_folder(app, platform);
        expect_message(platform, {"キャンセルしました。"}, kAnyCount);
        EXPECT_EQ(text_of(app.settings.folder), "/previous");
        EXPECT_EQ(app.view.play_state, PlayState::Initial);
    }
    platform.folder_answers.push_back(longest);
    browse_folder(app, platform);
    EXPECT_EQ(text_of(app.settings.folder), longest);
    EXPECT_EQ(app.view.play_state, PlayState::Stopped);
}

}  // namespace
}  // namespace tervo
