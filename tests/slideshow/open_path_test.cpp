// Opening a folder or picture given from outside (argument or drop).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QBuffer>

#include <fstream>

#include "slideshow/open_path.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"
#include "tests/support/expect_message.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;

// Written through bytes, so that any name works.
void write_picture(const fs::path& path, QColor colour, const char* format = "PNG") {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

void write_junk(const fs::path& path) { std::ofstream(path) << "not a picture"; }

struct OpenPath : testing::ShowHarness {
    bool open(const std::string& path, OpenedFrom from = OpenedFrom::Drop) {
        return open_outside_paths(app, platform, {path}, from);
    }
    std::string in_dir(const std::string& name) const { return (dir.path() / name).string(); }
    std::vector<std::string> table() const {
        std::vector<std::string> names;
        for (int i = 0; i < app.files.file_count; ++i) names.emplace_back(text_of(app.files.file_names[i]));
        return names;
    }
    std::string shown() const { return table().at(static_cast<std::size_t>(app.view.current_index)); }
};

TEST(OpenPath, NoPathChangesNothing) {
    OpenPath t;
    EXPECT_FALSE(open_outside_paths(t.app, t.platform, {}, OpenedFrom::CommandLine));
    expect_no_message(t.platform);
    EXPECT_EQ(t.platform.status_updates + t.platform.timer_stops, 0);
    EXPECT_EQ(t.app.view.play_state, PlayState::Initial);
    EXPECT_EQ(t.app.view.current_index, 0);
}

TEST(OpenPath, FolderIsScannedAsAChosenOneRelativeToTheWorkingDirectory) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    write_junk(t.dir.path() / "b.gif");
    t.add_image("c.png", 8, 6, Qt::green);
    t.platform.timer_running = true;
    const fs::path before = fs::current_path();
    fs::current_path(t.dir.path() / "..");
    EXPECT_TRUE(t.open("./" + t.dir.path().filename().string() + "//", OpenedFrom::CommandLine));
    fs::current_path(before);
    EXPECT_EQ(text_of(t.app.settings.folder), t.dir.str());
    EXPECT_EQ(t.table(), (std::vector<std::string>{"a.bmp", "b.gif"}));
    EXPECT_EQ(t.app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(t.app.view.current_index, 0);  // the first picture, drawn by the first paint
    EXPECT_TRUE(t.platform.repaints.empty());
    EXPECT_FALSE(t.platform.timer_running);
    expect_no_message(t.platform);
}

TEST(OpenPath, PictureListedByTheFilterIsShownStoppedOnItInTheUsualTable) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("b.bmp", 8, 6, Qt::blue);
    write_junk(t.dir.path() / "c.gif");
    t.platform.timer_running = true;
    t.app.view.play_state = PlayState::PlayForward;
    EXPECT_TRUE(t.open(t.in_dir("b.bmp")));
    EXPECT_EQ(t.table(), (std::vector<std::string>{"a.bmp", "b.bmp", "c.gif"}));
    EXPECT_EQ(t.app.view.current_index, 1);
    EXPECT_EQ(t.app.view.play_state, PlayState::Stopped);
    EXPECT_FALSE(t.platform.timer_running);
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::blue));
    EXPECT_EQ(t.app.view.display_no, 2);
    // The status bar reads as after a step onto it, and the show goes on from it.
    const auto opened = t.platform.status_texts;
    step_forward(t.app, t.platform);
    step_backward(t.app, t.platform);
    EXPECT_EQ(t.platform.status_texts, opened);
    step_forward(t.app, t.platform);
    EXPECT_EQ(t.shown(), "c.gif");
}

TEST(OpenPath, PictureTheFilterLeavesOutIsListedByItsOwnTypeOrAdded) {
    OpenPath t;
    t.add_image("a.jpg", 8, 6, Qt::red);
    t.add_image("x.png", 8, 6, Qt::green);
    t.add_image("y.png", 8, 6, Qt::blue);
    write_picture(t.dir.path() / "photo.jpeg", Qt::blue, "JPEG");
    EXPECT_TRUE(t.open(t.in_dir("y.png")));  // file_select 0 lists no PNG
    EXPECT_EQ(t.table(), (std::vector<std::string>{"x.png", "y.png"}));
    EXPECT_EQ(t.shown(), "y.png");
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::blue));
    EXPECT_TRUE(t.open(t.in_dir("photo.jpeg")));
    EXPECT_EQ(t.table(), (std::vector<std::string>{"a.jpg", "photo.jpeg"}));
    EXPECT_EQ(t.app.view.display_no, 2);
    EXPECT_EQ(t.app.settings.file_select, 0);
    expect_no_message(t.platform);
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
    EXPECT_EQ(t.shown(), "zz.jpg");
    EXPECT_EQ(t.app.view.display_no, 1024);
}

TEST(OpenPath, NamesThatAreNotUtf8OpenByTheirBytes) {
    OpenPath t;
    const std::string folder = t.dir.str() + "/\x82\xa0\xff";
    fs::create_directory(folder);
    write_picture(fs::path(folder) / "\x93\xfa.png", Qt::red);
    EXPECT_TRUE(t.open(folder + "/\x93\xfa.png"));
    EXPECT_EQ(text_of(t.app.settings.folder), folder);
    EXPECT_EQ(t.shown(), "\x93\xfa.png");
    EXPECT_EQ(t.image_at(2, 2), QColor(Qt::red));
}

TEST(OpenPath, PathsThatCannotBeOpenedAreToldAndChangeNothing) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    write_junk(t.dir.path() / "notes.jpg");
    ASSERT_EQ(mkfifo(t.in_dir("pipe.png").c_str(), 0600), 0);  // opening it would wait
    fs::create_symlink("loop.jpg", t.dir.path() / "loop.jpg");
    fs::path deep = t.dir.path();
    while (deep.string().size() < kNameBytes) deep /= std::string(100, 'd');
    fs::create_directories(deep / "x");
    write_picture(deep / "a.png", Qt::red);
    fs::create_directory(t.dir.path() / "two\nlines");
    write_picture(t.dir.path() / "two\nlines" / "a.png", Qt::red);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{t.in_dir("gone.jpg")}, "指定されたパスが見つかりません。"},
        {{t.in_dir("a.bmp/b.bmp")}, "指定されたパスが見つかりません。"},
        {{""}, "指定されたパスが見つかりません。"},
        {{t.in_dir("loop.jpg")}, "指定されたパスが読めません。"},
        {{t.in_dir("notes.jpg")}, "画像ファイルではありません。"},
        {{t.in_dir("pipe.png")}, "画像ファイルではありません。"},
        {{(deep / "a.png").string()}, "パスが長すぎます。"},
        {{(deep / "x").string()}, "パスが長すぎます。"},
        {{t.in_dir("two\nlines/a.png")}, "このパスは使えません。"},
    };
    for (const auto& [paths, text] : cases) {
        t.platform.messages.clear();
        EXPECT_FALSE(open_outside_paths(t.app, t.platform, paths, OpenedFrom::CommandLine)) << paths[0];
        SCOPED_TRACE(paths[0]);
        const std::string named = paths[0].empty() ? "" : "\n" + elided_path(paths[0], 60);
        expect_message(t.platform, {text + named, "起動", MessageIcon::Warning, t.platform.main_window_tag});
    }
    EXPECT_EQ(t.app.view.play_state, PlayState::Initial);
    EXPECT_EQ(text_of(t.app.settings.folder), "");
    EXPECT_TRUE(t.platform.repaints.empty());
}

TEST(OpenPath, SeveralPathsOpenTheFirstAndNameThoseOfOtherFolders) {
    OpenPath t;
    t.add_image("a.bmp", 8, 6, Qt::red);
    t.add_image("b.bmp", 8, 6, Qt::blue);
    testing::TempDir other;
    write_picture(other.path() / "c.png", Qt::green);
    EXPECT_TRUE(open_outside_paths(t.app, t.platform, {t.in_dir("b.bmp"), t.in_dir("a.bmp")}, OpenedFrom::Drop));
    expect_no_message(t.platform);
    EXPECT_EQ(t.shown(), "b.bmp");
    const std::string stray = (other.path() / "c.png").string();
    EXPECT_TRUE(
        open_outside_paths(t.app, t.platform, {t.dir.str(), t.in_dir("a.bmp"), stray, stray}, OpenedFrom::Drop));
    EXPECT_EQ(t.shown(), "a.bmp");
    expect_message(t.platform, {"ほかのフォルダの画像は開きません。\n" + elided_path(stray + " (+1)", 60), "ドロップ"});
}

TEST(OpenPath, LongPathsAreElidedInTheirMiddleBetweenCharacters) {
    const std::string kana = "\xe3\x81\x82";  // one character, three bytes
    const std::vector<std::tuple<std::string, std::size_t, std::string>> cases{
        {"/short/a.jpg", 60, "/short/a.jpg"},
        {"abcdefghij", 7, "abc\u2026hij"},
        {kana + kana + kana + "xyz" + kana + kana, 5, kana + kana + "\u2026" + kana + kana},
        {"\xff\xfe\xfd\xfc", 3, "\xff\u2026\xfc"},
    };
    for (const auto& [path, longest, shown] : cases) EXPECT_EQ(elided_path(path, longest), shown) << path;
}

}  // namespace
}  // namespace tervo
