#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImageReader>

#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_pictures.h"
#include "imagelib/imgctl.h"
#include "tools/gif_builder.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::TempDir;
using testing::kAnyCount;

std::vector<std::string> frame_paths(const AppState& app) {
    std::vector<std::string> paths;
    for (int i = 0; i < app.gif.gif_frame_count; ++i) paths.emplace_back(text_of(app.gif.gif_frame_paths[i]));
    return paths;
}

std::vector<std::string> numbered_names(int count, int first = 0) {
    std::vector<std::string> names;
    for (int i = first; i < first + count; ++i) names.push_back("f" + std::to_string(i) + ".png");
    return names;
}

struct Builder {
    AppState app;
    FakePlatform platform;
    WindowHandle dialog{0xd1a};

    Builder() { gif_dialog_init(app); }
    // Files chosen in one folder.
    std::vector<std::string> insert(const std::string& directory, const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(join_path(directory, name));
        return insert_paths(std::move(paths));
    }
    std::vector<std::string> insert_paths(std::vector<std::string> paths) {
        platform.open_answers.push_back(OpenFilesResult{std::move(paths)});
        return gif_insert(app, platform, dialog);
    }
};

TEST(GifBuilder, OpeningEmptiesTheListAndShowsOneSecond) {
    AppState app;
    app.gif.gif_frame_count = 5;
    app.gif.default_delay = 30;
    EXPECT_EQ(gif_dialog_init(app), "1.0s");
    EXPECT_EQ(app.gif.gif_frame_count, 0);
    EXPECT_EQ(app.gif.default_delay, 100);
}

TEST(GifBuilder, InsertFiltersFollowTheFileTypeSetting) {
    struct Case {
        int32_t file_select;
        std::vector<std::string> patterns;
        const char* initial;
    } cases[] = {
        {0, {"*.*"}, "/pics/*.*"},
        {2, {"*.jpg", "*.bmp", "*.gif", "*.png", "*.*"}, "/pics/*.jpg"},
        {4, {"*.png", "*.bmp", "*.jpg", "*.gif", "*.*"}, "/pics/*.png"},
        {7, {"*.*"}, "/pics/*.*"},
    };
    for (const Case& c : cases) {
        Builder b;
        b.app.settings.file_select = c.file_select;
        set_text(b.app.settings.folder, "/pics");
        gif_insert(b.app, b.platform, b.dialog);  // cancelled
        const FileDialogRequest& request = b.platform.open_requests.at(0);
        std::vector<std::string> patterns;
        for (const FileFilter& filter : request.filters) patterns.push_back(filter.pattern);
        EXPECT_EQ(patterns, c.patterns) << c.file_select;
        EXPECT_EQ(request.initial_name, c.initial);
        EXPECT_EQ(request.title, "ファイル読み出し");
        EXPECT_EQ(b.app.gif.gif_frame_count, 0);
        EXPECT_EQ(text_of(b.app.settings.folder), "/pics");
    }
}

TEST(GifBuilder, InsertedPathsAndFolder) {
    struct Case {
        const char* name;
        std::string directory;
        std::vector<std::string> names;
        std::vector<std::string> paths;
        const char* folder;
    } cases[] = {
        {"one file", "/home/u/pics", {"a.png"}, {"/home/u/pics/a.png"}, "/home/u/pics/"},
        {"several files", "/home/u/pics", {"b.png", "a.png"}, {"/home/u/pics/b.png", "/home/u/pics/a.png"},
         "/home/u/pics"},
        {"one file at the root", "/", {"a.png"}, {"/a.png"}, "/"},
        {"three files at the root", "/", {"c.gif", "a.gif", "b.gif"}, {"/c.gif", "/a.gif", "/b.gif"}, "/"},
    };
    for (const Case& c : cases) {
        Builder b;
        set_text(b.app.settings.folder, "/old");
        b.app.files.file_count = 3;
        const std::vector<std::string> added = b.insert(c.directory, c.names);
        EXPECT_EQ(frame_paths(b.app), c.paths) << c.name;
        EXPECT_EQ(added, c.names) << c.name;
        EXPECT_EQ(text_of(b.app.settings.folder), c.folder) << c.name;
        EXPECT_EQ(b.app.files.file_count, 3) << "no rescan";
    }
}

TEST(GifBuilder, InsertsAppendUpToNinetyNineAndSaySoBeyond) {
    Builder b;
    EXPECT_EQ(b.insert("/d", numbered_names(60)).size(), 60u);
    expect_no_message(b.platform);
    EXPECT_EQ(b.insert("/d", numbered_names(60, 60)).size(), 39u);
    EXPECT_EQ(b.app.gif.gif_frame_count, 99);
    EXPECT_EQ(frame_paths(b.app).back(), "/d/f98.png");
    // One message for the names left out.
    expect_message(b.platform, {kTooManyFramesText, "GIFﾌｧｲﾙ作成", MessageIcon::Warning, b.dialog});

    EXPECT_TRUE(b.insert("/e", {"x.png"}).empty());
    EXPECT_EQ(text_of(b.app.settings.folder), "/e/");
    EXPECT_EQ(b.platform.messages.size(), 2u);

    gif_delete(b.app);
    EXPECT_EQ(b.app.gif.gif_frame_count, 0);
    EXPECT_EQ(b.insert("/d", numbered_names(99)).size(), 99u);
    EXPECT_EQ(b.platform.messages.size(), 2u) << "exactly 99 fit without a word";
}

TEST(GifBuilder, LongSelectionsAreTakenWhole) {
    // 90 camera names: more than the 2048 bytes the original dialog result held.
    Builder b;
    std::vector<std::string> names;
    for (int i = 0; i < 90; ++i) names.push_back("IMG_20240517_1432" + std::to_string(10 + i) + "_HDR.jpg");
    const std::string directory = "/home/user/Pictures/2024-05-17 holiday";
    EXPECT_EQ(b.insert(directory, names), names);
    EXPECT_EQ(b.app.gif.gif_frame_count, 90);
    EXPECT_EQ(frame_paths(b.app)[89], directory + "/" + names[89]);
    EXPECT_EQ(text_of(b.app.settings.folder), directory);
    expect_no_message(b.platform);
}

TEST(GifBuilder, OverlongDirectoryAddsNothing) {
    // The directory part is 256 bytes or more.
    Builder b;
    set_text(b.app.settings.folder, "/old");
    const std::string long_dir = "/" + std::string(254, 'd');  // 255 bytes + '/' = 256
    EXPECT_TRUE(b.insert(long_dir, {"a.png"}).empty());
    EXPECT_TRUE(b.insert(long_dir + "d", {"a.png", "b.png"}).empty());
    EXPECT_EQ(b.app.gif.gif_frame_count, 0);
    EXPECT_EQ(text_of(b.app.settings.folder), "/old");
    // Just fitting: 254 bytes and a NUL before the names.
    EXPECT_EQ(b.insert("/" + std::string(253, 'd'), {"a", "b"}).size(), 2u);
}

TEST(GifBuilder, SelectionSpanningFoldersKeepsEachFilesFolder) {
    TempDir dir;
    const auto a = dir.path() / "dirA";
    const auto b_dir = dir.path() / "dirB";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b_dir);
    ASSERT_TRUE(testing::write_test_image(a / "first.png", 30, 20, Qt::green));
    ASSERT_TRUE(testing::write_test_image(a / "same.png", 30, 20, Qt::red));
    ASSERT_TRUE(testing::write_test_image(b_dir / "same.png", 30, 20, Qt::blue));
    Builder b;
    const std::vector<std::string> chosen = {(a / "first.png").string(), (b_dir / "same.png").string()};
    EXPECT_EQ(b.insert_paths(chosen), (std::vector<std::string>{"first.png", "same.png"}));
    EXPECT_EQ(frame_paths(b.app), chosen);
    EXPECT_EQ(text_of(b.app.settings.folder), a.string()) << "the first file's folder";

    const auto out = dir.path() / "anim.gif";
    b.platform.save_answers.push_back(out.string());
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    expect_message(b.platform, {"成功！"}, kAnyCount);
    QImageReader reader(QString::fromStdString(out.string()));
    ASSERT_EQ(reader.imageCount(), 2);
    reader.read();
    const QImage second = reader.read();
    ASSERT_FALSE(second.isNull());
    EXPECT_GT(qBlue(second.pixel(5, 5)), 200) << "dirB/same.png, not dirA/same.png";
    EXPECT_LT(qRed(second.pixel(5, 5)), 50);
}

TEST(GifBuilder, PathTooLongForItsSlotIsNeverLoaded) {
    TempDir dir;
    ASSERT_TRUE(testing::write_test_image(dir.path() / "a.png", 8, 8));
    Builder b;
    const std::string long_name(255 - dir.str().size(), 'n');  // directory + '/' + name is 256 bytes
    EXPECT_EQ(b.insert(dir.str(), {"a.png", long_name}).size(), 2u);
    EXPECT_EQ(text_of(b.app.gif.gif_frame_paths[1]), "");
    b.platform.save_answers.push_back((dir.path() / "out.gif").string());
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    expect_message(b.platform, {"ﾌｧｲﾙが開けません"}, kAnyCount);
}

TEST(GifBuilder, SaveNeedsTwoFrames) {
    Builder b;
    b.insert("/d", {"only.png"});
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    expect_message(b.platform, {"ファイル２個以上設定して下さい", "GIFﾌｧｲﾙ作成", MessageIcon::Warning});
    EXPECT_TRUE(b.platform.save_requests.empty());

    b.insert("/d", {"second.png"});
    gif_delete(b.app);
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    EXPECT_EQ(b.platform.messages.size(), 2u);
    EXPECT_TRUE(b.platform.save_requests.empty());
}

TEST(GifBuilder, SaveDialogRequest) {
    Builder b;
    b.insert("/pics", {"a.png", "b.png"});
    gif_save(b.app, b.platform, b.dialog, "1.0s");  // cancelled
    const FileDialogRequest& request = b.platform.save_requests.at(0);
    EXPECT_EQ(request.title, "ファイル作成");
    EXPECT_EQ(request.initial_name, "/pics/*.gif");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].text, "GIFFile(*.gif)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    expect_no_message(b.platform);
}

TEST(GifBuilder, MissingFrameWritesNothing) {
    TempDir dir;
    ASSERT_TRUE(testing::write_test_image(dir.path() / "a.png", 20, 10));
    Builder b;
    b.insert(dir.str(), {"a.png", "missing.png"});
    b.platform.save_answers.push_back((dir.path() / "out.gif").string());
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    expect_message(b.platform, {"ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning});
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.gif"));
}

TEST(GifBuilder, DamagedFrameCannotBeOpenedAndWritesNothing) {
    TempDir dir;
    ASSERT_TRUE(testing::write_test_image(dir.path() / "a.png", 16, 16));
    ASSERT_TRUE(testing::write_damaged_png(dir.path() / "b.png"));
    ASSERT_TRUE(testing::write_test_image(dir.path() / "c.png", 16, 16));
    const std::size_t live_before = live_image_count();
    Builder b;
    b.insert(dir.str(), {"a.png", "b.png", "c.png"});
    const auto out = dir.path() / "anim.gif";
    b.platform.save_answers.push_back(out.string());
    gif_save(b.app, b.platform, b.dialog, "1.0s");
    expect_message(b.platform, {"ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning});
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(live_image_count(), live_before) << "every frame loaded so far is released";
}

TEST(GifBuilder, WritesFramesInInsertionOrderWithTheChosenTime) {
    TempDir dir;
    // Sorted names would put a.png first; the frames keep the order added.
    ASSERT_TRUE(testing::write_test_image(dir.path() / "b.png", 30, 20, Qt::red));
    ASSERT_TRUE(testing::write_test_image(dir.path() / "a.png", 30, 20, Qt::blue));
    Builder b;
    b.insert(dir.str(), {"b.png"});
    b.insert(dir.str(), {"a.png"});
    const auto out = dir.path() / "anim.gif";
    b.platform.save_answers.push_back(out.string());
    gif_save(b.app, b.platform, b.dialog, "2.5s");
    expect_message(b.platform, {"成功！", "GIFファイル作成", MessageIcon::None});

    QImageReader reader(QString::fromStdString(out.string()));
    EXPECT_EQ(reader.imageCount(), 2);
    EXPECT_EQ(reader.loopCount(), -1);
    const QImage first = reader.read();
    EXPECT_EQ(reader.nextImageDelay(), 2500);  // milliseconds: 250 hundredths
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(qRed(first.pixel(5, 5)), 200);
    EXPECT_LT(qBlue(first.pixel(5, 5)), 50);
    const QImage second = reader.read();
    ASSERT_FALSE(second.isNull());
    EXPECT_GT(qBlue(second.pixel(5, 5)), 200);

    // The list stays for another save.
    EXPECT_EQ(b.app.gif.gif_frame_count, 2);
}

TEST(GifBuilder, ProtectedTargetSaysFailure) {
    TempDir dir;
    ASSERT_TRUE(testing::write_test_image(dir.path() / "a.png", 16, 12, Qt::red));
    ASSERT_TRUE(testing::write_test_image(dir.path() / "b.png", 16, 12, Qt::blue));
    Builder b;
    b.insert(dir.str(), {"a.png", "b.png"});
    auto save_to = [&](const std::filesystem::path& path) {
        b.platform.save_answers.push_back(path.string());
        gif_save(b.app, b.platform, b.dialog, "1.0s");
        return b.platform.last_message() ? b.platform.last_message()->text : std::string();
    };

    // Links, links that name nothing and long names: see FileReplace.
    const auto locked = dir.write("locked.gif", "precious");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_EQ(save_to(locked), "失敗！");
    EXPECT_EQ(testing::read_file(locked), "precious");
    EXPECT_EQ(save_to(dir.path() / "new.gif"), "成功！");
}

}  // namespace
}  // namespace tervo
