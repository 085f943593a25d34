// Opening a folder or picture given from outside (argument or drop).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>

#include <filesystem>
#include <fstream>

#include "slideshow/open_path.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;
using testing::ShowHarness;

constexpr const char* kStartCaption = "起動";

// A picture of one colour, written through bytes so that any name works.
void write_picture(const fs::path& path, QColor colour, const char* format = "PNG") {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, format));
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

void write_junk(const fs::path& path) { std::ofstream(path) << "not a picture"; }

std::vector<std::string> table(const AppState& app) {
    std::vector<std::string> names;
    for (int i = 0; i < app.files.file_count; ++i) names.emplace_back(text_of(app.files.file_names[i]));
    return names;
}

struct OpenPath : ShowHarness {
    bool open(const std::string& path, OpenedFrom from = OpenedFrom::Drop) {
        return open_outside_paths(app, platform, {path}, from);
    }
    std::string in_dir(const std::string& name) const { return (dir.path() / name).string(); }
    std::string shown_name() const {
        return std::string(text_of(app.files.file_names[static_cast<std::size_t>(app.view.current_index)]));
    }
    // The record untouched by a refused path: nothing scanned, nothing chosen.
    void expect_unchanged_by(const std::string& text, const char* caption = "ドロップ") {
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, text);
        EXPECT_EQ(platform.messages[0].title, caption);
        EXPECT_EQ(platform.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(platform.messages[0].owner, app.main_window);
        EXPECT_EQ(app.view.play_state, Initial);
        EXPECT_EQ(text_of(app.settings.folder), "");
        EXPECT_EQ(app.files.file_count, 0);
        EXPECT_TRUE(platform.repaints.empty());
    }
};

TEST(OpenPathNames, PatternFollowsTheExtensionIgnoringCase) {
    EXPECT_EQ(pattern_of_name("a.bmp"), 1);
    EXPECT_EQ(pattern_of_name("A.JPG"), 2);
    EXPECT_EQ(pattern_of_name("x.Gif"), 3);
    EXPECT_EQ(pattern_of_name("y.png"), 4);
    EXPECT_EQ(pattern_of_name("photo.jpeg"), 0);
    EXPECT_EQ(pattern_of_name("png"), 0);
}

TEST(OpenPathNames, AbsolutePathsAreCleanedAndRelativeOnesTakeTheWorkingDirectory) {
    EXPECT_EQ(absolute_path("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(absolute_path("/"), "/");
    EXPECT_EQ(absolute_path("///."), "/");
    testing::TempDir dir;
    fs::create_directory(dir.path() / "sub");
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::string here = fs::current_path().string();
    EXPECT_EQ(absolute_path("sub"), here + "/sub");
    EXPECT_EQ(absolute_path("./sub/"), here + "/sub");
    EXPECT_EQ(absolute_path("sub/.."), here);
    fs::current_path(before);
}

TEST(OpenPath, NoPathChangesNothing) {
    OpenPath t;
    t.app.settings.file_select = 3;
    EXPECT_FALSE(open_outside_paths(t.app, t.platform, {}, OpenedFrom::CommandLine));
    EXPECT_TRUE(t.platform.messages.empty());
    EXPECT_EQ(t.platform.status_updates, 0);
    EXPECT_EQ(t.platform.timer_stops, 0);
    EXPECT_EQ(t.app.view.play_state, Initial);
    EXPECT_EQ(t.app.view.current_index, 0);
    EXPECT_EQ(t.app.settings.file_select, 3);
}

TEST(OpenPath, FolderIsScannedAsAChosenOne) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    write_junk(t.dir.path() / "b.gif");  // listed by name alone
    t.add_image("c.png", 8, 6, Qt::green);
    t.platform.timer_running = true;
    EXPECT_TRUE(t.open(t.dir.str() + "/", OpenedFrom::CommandLine));
    EXPECT_EQ(text_of(t.app.settings.folder), t.dir.str());
    EXPECT_EQ(table(t.app), (std::vector<std::string>{"a.bmp", "b.gif"}));
    EXPECT_EQ(t.app.view.play_state, Stopped);
    EXPECT_EQ(t.app.view.current_index, -1);
    EXPECT_FALSE(t.platform.timer_running);
    EXPECT_TRUE(t.platform.messages.empty());

    // A folder without pictures: the scan's own message, and Stopped.
    fs::create_directory(t.dir.path() / "empty");
    EXPECT_TRUE(t.open(t.in_dir("empty")));
    ASSERT_EQ(t.platform.messages.size(), 1u);
    EXPECT_EQ(t.platform.messages[0].text, "読み込むファイルが見つかりません。");
    EXPECT_EQ(t.app.files.file_count, 0);
}

TEST(OpenPath, PictureListedByTheFilterIsShownInTheUsualTable) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("b.jpg", 8, 6, Qt::blue);
    write_junk(t.dir.path() / "c.gif");
    t.platform.timer_running = true;
    t.app.view.play_state = PlayForward;
    EXPECT_TRUE(t.open(t.in_dir("b.jpg")));
    EXPECT_EQ(table(t.app), (std::vector<std::string>{"a.bmp", "b.jpg", "c.gif"}));
    EXPECT_EQ(t.app.view.current_index, 1);
    EXPECT_EQ(t.app.view.play_state, Stopped);
    EXPECT_FALSE(t.platform.timer_running);
    EXPECT_EQ(t.app.view.display_no, 2);
    EXPECT_EQ(t.platform.repaints, std::vector<bool>{true});
    EXPECT_TRUE(t.platform.messages.empty());
    const QColor drawn = t.image_at(2, 2);
    EXPECT_LT(drawn.red(), 40);
    EXPECT_GT(drawn.blue(), 200);  // JPEG: near blue

    // The status bar reads as after a step onto the picture.
    const auto opened = t.platform.status_texts;
    step_forward(t.app, t.platform);
    step_backward(t.app, t.platform);
    EXPECT_EQ(t.platform.status_texts, opened);
    // The show goes on from the picture.
    step_forward(t.app, t.platform);
    EXPECT_EQ(t.shown_name(), "c.gif");
}

TEST(OpenPath, PictureFromTheCommandLineIsLeftToTheFirstPaint) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("b.bmp", 8, 6, Qt::blue);
    EXPECT_TRUE(t.open(t.in_dir("b.bmp"), OpenedFrom::CommandLine));
    EXPECT_TRUE(t.platform.repaints.empty());
    EXPECT_EQ(t.app.view.current_index, 1);
    EXPECT_EQ(t.app.view.display_no, 0);
    t.paint(true);
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::blue));
    EXPECT_EQ(t.app.view.display_no, 2);
    EXPECT_EQ(t.app.view.play_state, Stopped);
}

TEST(OpenPath, PictureTheFilterLeavesOutIsShownWithItsOwnTypeKeepingTheFilter) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("x.png", 8, 6, Qt::green);
    t.add_image("y.png", 8, 6, Qt::blue);
    t.app.settings.file_select = 0;  // lists no PNG
    EXPECT_TRUE(t.open(t.in_dir("y.png")));
    EXPECT_EQ(table(t.app), (std::vector<std::string>{"x.png", "y.png"}));
    EXPECT_EQ(t.app.view.current_index, 1);
    EXPECT_EQ(t.app.settings.file_select, 0);
    EXPECT_TRUE(t.platform.messages.empty());
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::blue));

    // The same with a filter for another single type.
    t.app.settings.file_select = 1;
    EXPECT_TRUE(t.open(t.in_dir("x.png")));
    EXPECT_EQ(table(t.app), (std::vector<std::string>{"x.png", "y.png"}));
    EXPECT_EQ(t.app.view.current_index, 0);
    EXPECT_EQ(t.app.settings.file_select, 1);
}

TEST(OpenPath, PictureNoPatternListsIsAddedToTheTable) {
    OpenPath t;
    t.add_image("a.jpg", 8, 6, Qt::red);
    write_picture(t.dir.path() / "photo.jpeg", Qt::blue, "JPEG");
    t.app.settings.file_select = 2;
    EXPECT_TRUE(t.open(t.in_dir("photo.jpeg")));
    EXPECT_EQ(table(t.app), (std::vector<std::string>{"a.jpg", "photo.jpeg"}));
    EXPECT_EQ(t.app.view.current_index, 1);
    EXPECT_EQ(t.app.view.display_no, 2);
    EXPECT_TRUE(t.platform.messages.empty());
}

TEST(OpenPath, PictureBeyondAFullTableTakesItsLastSlot) {
    OpenPath t;
    char name[32];
    for (int i = 0; i < 1025; ++i) {
        std::snprintf(name, sizeof name, "a%04d.jpg", i);
        write_junk(t.dir.path() / name);
    }
    t.add_image("zz.jpg", 8, 6, Qt::blue);
    t.app.settings.file_select = 2;
    EXPECT_TRUE(t.open(t.in_dir("zz.jpg")));
    EXPECT_EQ(t.app.files.file_count, 1024);
    EXPECT_EQ(t.app.view.current_index, 1023);
    EXPECT_EQ(t.shown_name(), "zz.jpg");
    EXPECT_EQ(text_of(t.app.files.file_names[1022]), "a1022.jpg");
    EXPECT_EQ(t.app.view.display_no, 1024);

    // With all types, the table full of bitmaps gives way to the JPEGs.
    for (int i = 0; i < 1024; ++i) {
        std::snprintf(name, sizeof name, "b%04d.bmp", i);
        write_junk(t.dir.path() / name);
    }
    t.app.settings.file_select = 0;
    EXPECT_TRUE(t.open(t.in_dir("zz.jpg")));
    EXPECT_EQ(t.app.files.file_count, 1024);
    EXPECT_EQ(text_of(t.app.files.file_names[0]), "a0000.jpg");
    EXPECT_EQ(t.shown_name(), "zz.jpg");
    EXPECT_EQ(t.app.view.current_index, 1023);
}

TEST(OpenPath, NamesThatAreNotUtf8OpenByTheirBytes) {
    OpenPath t;
    const std::string folder = t.dir.str() + "/\x82\xa0\xff";
    fs::create_directory(folder);
    const std::string picture = "\x93\xfa\x96\x7b.png";
    write_picture(fs::path(folder) / picture, Qt::red);
    EXPECT_TRUE(t.open(folder + "/" + picture));
    EXPECT_EQ(text_of(t.app.settings.folder), folder);
    EXPECT_EQ(t.shown_name(), picture);
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::red));
    EXPECT_TRUE(t.platform.messages.empty());
}

TEST(OpenPath, MissingPathIsRefused) {
    OpenPath t;
    EXPECT_FALSE(t.open(t.in_dir("gone.jpg"), OpenedFrom::CommandLine));
    t.expect_unchanged_by("指定されたパスが見つかりません。", kStartCaption);
    OpenPath under_a_file;
    under_a_file.add_image("a.bmp", 8, 6, Qt::red);
    EXPECT_FALSE(under_a_file.open(under_a_file.in_dir("a.bmp/b.bmp")));
    under_a_file.expect_unchanged_by("指定されたパスが見つかりません。");
    OpenPath empty;
    EXPECT_FALSE(empty.open(""));
    empty.expect_unchanged_by("指定されたパスが見つかりません。");
}

TEST(OpenPath, UnreadablePathIsRefused) {
    OpenPath loop;
    fs::create_symlink("b.jpg", loop.dir.path() / "a.jpg");
    fs::create_symlink("a.jpg", loop.dir.path() / "b.jpg");
    EXPECT_FALSE(loop.open(loop.in_dir("a.jpg")));
    loop.expect_unchanged_by("指定されたパスが読めません。");
}

TEST(OpenPath, PathWithoutReadPermissionIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    OpenPath locked;
    locked.add_image("a.bmp", 8, 6, Qt::red);
    fs::create_directory(locked.dir.path() / "shut");
    chmod(locked.in_dir("a.bmp").c_str(), 0);
    chmod(locked.in_dir("shut").c_str(), 0);
    EXPECT_FALSE(locked.open(locked.in_dir("a.bmp")));
    EXPECT_FALSE(locked.open(locked.in_dir("shut")));
    ASSERT_EQ(locked.platform.messages.size(), 2u);
    EXPECT_EQ(locked.platform.messages[0].text, "指定されたパスが読めません。");
    EXPECT_EQ(locked.platform.messages[1].text, "指定されたパスが読めません。");
    chmod(locked.in_dir("shut").c_str(), 0700);
}

TEST(OpenPath, FileThatIsNotAPictureIsRefused) {
    OpenPath text;
    write_junk(text.dir.path() / "notes.jpg");
    EXPECT_FALSE(text.open(text.in_dir("notes.jpg")));
    text.expect_unchanged_by("画像ファイルではありません。");
    // A FIFO is never opened: opening it would wait for a writer.
    OpenPath fifo;
    ASSERT_EQ(mkfifo(fifo.in_dir("pipe.png").c_str(), 0600), 0);
    EXPECT_FALSE(fifo.open(fifo.in_dir("pipe.png")));
    fifo.expect_unchanged_by("画像ファイルではありません。");
}

TEST(OpenPath, SeveralPathsAreRefused) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("b.bmp", 8, 6, Qt::blue);
    EXPECT_FALSE(open_outside_paths(t.app, t.platform, {t.in_dir("a.bmp"), t.in_dir("b.bmp")},
                                    OpenedFrom::CommandLine));
    t.expect_unchanged_by("開けるのは一度に一つだけです。", kStartCaption);
}

TEST(OpenPath, PathsLongerThanTheFolderFieldAreRefusedNotCut) {
    OpenPath t;
    fs::path deep = t.dir.path();
    while (deep.string().size() < kNameBytes) deep /= std::string(100, 'd');
    fs::create_directories(deep);
    write_picture(deep / "a.png", Qt::red);
    EXPECT_FALSE(t.open((deep / "a.png").string()));
    t.expect_unchanged_by("パスが長すぎます。");
    OpenPath folder;
    fs::create_directories(deep / "x");
    EXPECT_FALSE(folder.open((deep / "x").string()));
    folder.expect_unchanged_by("パスが長すぎます。");
    // The settings file holds the folder on one line.
    OpenPath broken;
    const fs::path split = broken.dir.path() / "two\nlines";
    fs::create_directory(split);
    write_picture(split / "a.png", Qt::red);
    EXPECT_FALSE(broken.open((split / "a.png").string()));
    broken.expect_unchanged_by("このパスは使えません。");
}

}  // namespace
}  // namespace tervo
