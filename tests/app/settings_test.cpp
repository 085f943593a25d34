#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <sstream>

#include "app/settings_io.h"
#include "core/settings_file.h"
#include "core/start_directory.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tests/support/kill_while_saving.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::kill_while_saving;
using testing::read_file;
using testing::TempDir;

// Runs a test body inside a directory and returns to the old one afterwards.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

AppState parsed(const std::string& text, std::size_t piece = 0) {
    AppState app;
    SettingsLineReader reader(app);
    if (piece == 0) piece = text.size() ? text.size() : 1;
    for (std::size_t at = 0; at < text.size(); at += piece) reader.feed(std::string_view(text).substr(at, piece));
    reader.finish();
    return app;
}

struct Values {
    int32_t file_select, pl_timeno, psize;
    std::string folder;
    bool operator==(const Values&) const = default;
};
Values values_of(const AppState& app) {
    return {app.settings.file_select, app.settings.pl_timeno, app.settings.psize,
            std::string(text_of(app.settings.folder))};
}

TEST(SettingsFile, ParsesKeysValuesAndLineEnds) {
    struct Case {
        const char* name;
        std::string text;
        Values expected;
    } cases[] = {
        {"written format", "file_select=2\r\npl_timeno=1500\r\nread_foldername=/home/a b\r\npsize=1\r\n",
         {2, 1500, 1, "/home/a b"}},
        {"bare LF keeps the last character", "psize=3\n", {0, 5, 3, ""}},
        {"last line without line end", "file_select=4\r\npsize=6", {4, 5, 6, ""}},
        {"order, unknown lines, repeats", "psize=2\r\njunk\r\npl_timeno=9\r\npsize=7\r\n", {0, 9, 7, ""}},
        {"keys are case-sensitive and start the line", "File_select=1\r\n file_select=2\r\n", {0, 5, 0, ""}},
        {"letters read as 0, leading digits kept", "pl_timeno=abc\r\npsize=12ab\r\n", {0, 0, 12, ""}},
        {"white space and sign", "file_select=  -3\r\npl_timeno=\t+40\r\n", {-3, 40, 0, ""}},
        {"folder kept byte for byte", "read_foldername= /写真/ 2024 \r\n", {0, 5, 0, " /写真/ 2024 "}},
        {"empty lines", "\n\r\n\npsize=5\r\n", {0, 5, 5, ""}},
        {"NUL ends a value, not the file", std::string("psize=3\0zz\r\nfile_select=2\r\n", 26), {2, 5, 3, ""}},
        {"integer value cut to 31 characters", "pl_timeno=" + std::string(31, '0') + "7\r\n", {0, 0, 0, ""}},
        {"folder of 259 bytes kept whole", "read_foldername=" + std::string(259, 'f') + "\r\n",
         {0, 5, 0, std::string(259, 'f')}},
        {"folder too long for the record ignored", "read_foldername=/kept\r\nread_foldername=/" + std::string(259, 'f') + "\r\n",
         {0, 5, 0, "/kept"}},
        {"overlong line cut, next line read", "psize=4\r\npsize=" + std::string(600, ' ') + "7\r\nfile_select=1\r\n",
         {1, 5, 0, ""}},
        {"32-bit wrap", "pl_timeno=4294967297\r\n", {0, 1, 0, ""}},
    };
    for (const auto& c : cases) EXPECT_EQ(values_of(parsed(c.text)), c.expected) << c.name;
}

TEST(SettingsFile, ReadingInPiecesGivesTheSameResultAsReadingAtOnce) {
    // Lines of varied lengths so that line ends fall on and around every
    // 512-byte boundary of the file.
    std::string text;
    std::mt19937 random(7);
    for (int i = 0; i < 400; ++i) {
        switch (i % 5) {
        case 0: text += "pl_timeno=" + std::to_string(random() % 100000) + "\r\n"; break;
        case 1: text += "read_foldername=/" + std::string(random() % 300, 'a' + i % 26) + "\r\n"; break;
        case 2: text += "unknown" + std::string(random() % 40, '-') + "\n"; break;
        case 3: text += "psize=" + std::to_string(random() % 8) + "\r\n"; break;
        default: text += "file_select=" + std::to_string(random() % 5) + "\r\n"; break;
        }
    }
    text += "psize=6";  // no line end
    Values whole = values_of(parsed(text));
    for (std::size_t piece : {1u, 2u, 3u, 511u, 512u, 513u, 1024u})
        EXPECT_EQ(values_of(parsed(text, piece)), whole) << "piece " << piece;

    TempDir dir;
    dir.write("Tervo.ini", text);
    InDirectory in(dir.path());
    AppState app;
    FakePlatform platform;
    load_settings(app, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(values_of(app), whole);
    expect_no_message(platform);
}

TEST(SettingsFile, MissingFileIsCreatedEmptyAndDefaultsStay) {
    TempDir dir;
    InDirectory in(dir.path());
    AppState app;
    FakePlatform platform;
    load_settings(app, platform, nullptr, kSettingsFileName);
    expect_no_message(platform);
    EXPECT_EQ(values_of(app), (Values{0, 5, 0, ""}));
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "Tervo.ini"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "Tervo.ini"), 0u);
}

TEST(SettingsFile, RoundTripWritesExactlyTheFourLines) {
    TempDir launch, elsewhere;
    AppState app;
    app.settings.file_select = 3;
    app.settings.pl_timeno = 2500;
    app.settings.psize = 7;
    set_text(app.settings.folder, "/home/ユーザー/My Pictures/旅行 2024");
    set_text(app.start_directory, launch.str());
    FakePlatform platform;
    {
        // The writer returns to the launch directory whatever is current.
        InDirectory in(elsewhere.path());
        ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
    }
    EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "Tervo.ini"));
    EXPECT_EQ(read_file(launch.path() / "Tervo.ini"),
              "file_select=3\r\npl_timeno=2500\r\nread_foldername=/home/ユーザー/My Pictures/旅行 2024\r\npsize=7\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(launch.path()), {}), 1);  // no temporary left

    AppState reread;
    set_text(reread.start_directory, launch.str());
    InDirectory in(elsewhere.path());
    load_settings(reread, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(values_of(reread), values_of(app));
    expect_no_message(platform);
}

// Values this version has no meaning for (a later version's size mode or
// file type, a negative interval) are kept as read and written back as they
// were.
TEST(SettingsFile, OutOfRangeValuesSurviveALoadAndSave) {
    struct Case {
        std::string text;
        Values values;
    };
    const Case cases[] = {
        {"file_select=9\r\npl_timeno=-40\r\nread_foldername=/pics\r\npsize=-3\r\n", {9, -40, -3, "/pics"}},
        {"file_select=-1\r\npl_timeno=5\r\nread_foldername=\r\npsize=12\r\n", {-1, 5, 12, ""}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        InDirectory in(dir.path());
        dir.write("Tervo.ini", c.text);
        AppState app;
        set_text(app.start_directory, dir.str());
        FakePlatform platform;
        load_settings(app, platform, nullptr, kSettingsFileName);
        EXPECT_EQ(values_of(app), c.values) << c.text;
        ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
        EXPECT_EQ(read_file(dir.path() / "Tervo.ini"), c.text);
        EXPECT_TRUE(platform.messages.empty());
    }
}

TEST(SettingsFile, FailuresShowTheMessageAndLoseNothing) {
    TempDir dir;
    InDirectory in(dir.path());
    std::filesystem::create_directory(dir.path() / "Tervo.ini");
    AppState app;
    app.settings.psize = 4;
    FakePlatform platform;
    const WindowHandle owner_tag{0x0e1};
    ::testing::internal::CaptureStderr();
    load_settings(app, platform, owner_tag, kSettingsFileName);
    expect_message(platform, {"ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning, owner_tag});
    EXPECT_EQ(app.settings.psize, 4);

    // Saving cannot replace a directory: the message, and no temporary left behind.
    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    EXPECT_EQ(platform.messages.size(), 2u);
    // Each says on stderr what failed, where and why.
    const std::string why = std::string(": ") + std::strerror(EISDIR) + "\n";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tervo: cannot read the settings file Tervo.ini" + why + "tervo: cannot write the settings file Tervo.ini" + why);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Tervo.ini"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SettingsFile, SavingIntoAMissingDirectoryKeepsTheOldFile) {
    TempDir dir;
    dir.write("Tervo.ini", "psize=2\r\n");
    InDirectory in(dir.path());
    AppState app;
    FakePlatform platform;
    EXPECT_FALSE(save_settings(app, platform, nullptr, "missing/Tervo.ini"));
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(read_file(dir.path() / "Tervo.ini"), "psize=2\r\n");
}

TEST(SettingsFile, GarbageAndHugeFilesLoadWithoutHarm) {
    // What comes after the first 64 KiB is never read: a sparse file may
    // claim any size.
    struct Case {
        const char* what;
        std::size_t garbage;  // random bytes after the first line
        off_t claimed;        // the size the file is stretched to, 0 to keep it
    };
    for (const Case& c : {Case{"garbage", 10 * 1024 * 1024, 0}, Case{"sparse 64 GiB", 0, off_t{64} << 30}}) {
        TempDir dir;
        InDirectory in(dir.path());
        std::string text = "psize=5\r\n";
        std::mt19937 random(1);
        for (std::size_t i = 0; i < c.garbage; ++i) text += static_cast<char>(random());
        if (c.claimed == 0) text += "\npsize=3\r\n";
        const auto path = dir.write("Tervo.ini", text);
        if (c.claimed > 0) {
            ASSERT_EQ(::truncate(path.c_str(), c.claimed), 0);
            std::ofstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(c.claimed - 10) << "\npsize=3\r\n";
        }
        AppState app;
        FakePlatform platform;
        auto loading = std::async(std::launch::async, [&] { load_settings(app, platform, nullptr, kSettingsFileName); });
        ASSERT_EQ(loading.wait_for(std::chrono::seconds(30)), std::future_status::ready) << c.what;
        EXPECT_EQ(app.settings.psize, 5) << c.what;
        expect_no_message(platform);
    }
}

std::vector<std::string> names_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingsFile, FoldersTheChooserAcceptsSurviveARestartWhole) {
    // The chooser takes paths of up to 259 bytes; each must come back as it
    // was saved, or the next run shows and saves another folder.
    TempDir launch;
    InDirectory in(launch.path());  // the program enters its launch folder
    for (std::size_t length : {1u, 255u, 256u, 257u, 258u, 259u}) {
        std::string folder = "/" + std::string(length - 1, 'd');
        for (std::size_t at = 60; at < length; at += 60) folder[at] = '/';
        AppState app;
        set_text(app.settings.folder, folder);
        set_text(app.start_directory, launch.str());
        FakePlatform platform;
        ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
        AppState next;
        next.settings.folder.fill('x');  // what an earlier value might have left
        set_text(next.start_directory, launch.str());
        load_settings(next, platform, nullptr, kSettingsFileName);
        EXPECT_EQ(std::string(text_of(next.settings.folder)), folder) << length;
        expect_no_message(platform);
    }
}

TEST(SettingsFile, APipeNamedLikeTheFileIsRefusedWithoutWaiting) {
    TempDir dir;
    InDirectory in(dir.path());
    ASSERT_EQ(::mkfifo(kSettingsFileName, 0666), 0);
    AppState app;
    app.settings.psize = 3;
    FakePlatform platform;
    auto loading = std::async(std::launch::async, [&] { load_settings(app, platform, nullptr, kSettingsFileName); });
    if (loading.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        // Release the reader stuck waiting for a writer, then report.
        int writer = ::open(kSettingsFileName, O_WRONLY | O_NONBLOCK);
        loading.wait();
        if (writer >= 0) ::close(writer);
        FAIL() << "reading the settings waited for a writer on the pipe";
    }
    expect_message(platform, {"ﾌｧｲﾙが開けません"});
    EXPECT_EQ(app.settings.psize, 3);

    // Saving does not replace the pipe either.
    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    EXPECT_EQ(platform.messages.size(), 2u);
    struct stat info {};
    ASSERT_EQ(::lstat(kSettingsFileName, &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{kSettingsFileName});
}

TEST(SettingsFile, ALinkThatNamesNothingIsNeverFollowed) {
    TempDir launch, elsewhere;
    const auto real = elsewhere.path() / "real.ini";
    std::filesystem::create_symlink(real, launch.path() / kSettingsFileName);
    InDirectory in(launch.path());
    AppState app;
    app.settings.pl_timeno = 800;
    FakePlatform platform;
    load_settings(app, platform, nullptr, kSettingsFileName);
    expect_message(platform, {"ﾌｧｲﾙが開けません"});
    EXPECT_EQ(app.settings.pl_timeno, 800);
    EXPECT_FALSE(std::filesystem::exists(real));

    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    EXPECT_EQ(platform.messages.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(real));
    EXPECT_EQ(std::filesystem::read_symlink(launch.path() / kSettingsFileName), real);
    EXPECT_TRUE(names_in(elsewhere.path()).empty());
}

TEST(SettingsFile, ALinkedFileIsReadAndWrittenThrough) {
    TempDir launch, elsewhere;
    const auto real = elsewhere.write("shared.ini", "file_select=2\r\npl_timeno=900\r\nread_foldername=/a\r\npsize=4\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    std::filesystem::create_symlink(real, launch.path() / kSettingsFileName);
    InDirectory in(launch.path());
    AppState app;
    set_text(app.start_directory, launch.str());
    FakePlatform platform;
    load_settings(app, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(values_of(app), (Values{2, 900, 4, "/a"}));

    app.settings.psize = 6;
    ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
    expect_no_message(platform);
    EXPECT_EQ(read_file(real), "file_select=2\r\npl_timeno=900\r\nread_foldername=/a\r\npsize=6\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(launch.path() / kSettingsFileName));
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(names_in(launch.path()), std::vector<std::string>{kSettingsFileName});
    EXPECT_EQ(names_in(elsewhere.path()), std::vector<std::string>{"shared.ini"});
}

TEST(SettingsFile, ASaveKilledAtAnyMomentLeavesNoTemporary) {
    TempDir launch;
    const std::string previous = "psize=1\r\n";
    launch.write(kSettingsFileName, previous);
    InDirectory in(launch.path());
    AppState app;
    set_text(app.start_directory, launch.str());
    set_text(app.settings.folder, std::string(250, 'f'));
    const std::string saved = format_settings(app);
    for (int round = 0; round < 30; ++round) {
        FakePlatform quiet;
        ASSERT_TRUE(
            kill_while_saving(round % 3, [&](int) { return save_settings(app, quiet, nullptr, kSettingsFileName); }));

        const std::string now = read_file(launch.path() / kSettingsFileName);
        EXPECT_TRUE(now == previous || now == saved) << "round " << round;
        // Whatever the killed run left is gone once the next run has saved.
        FakePlatform platform;
        ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
        ASSERT_EQ(names_in(launch.path()), std::vector<std::string>{kSettingsFileName}) << "round " << round;
        launch.write(kSettingsFileName, previous);
    }
}

// The start directory is held from the start: renamed or moved while the
// program runs, it still gets the settings, and a failure names it as it
// is called now.
TEST(SettingsFile, AStartDirectoryRenamedWhileRunningKeepsTheSettings) {
    TempDir root;
    const auto start = std::filesystem::canonical(root.path()) / "start";
    const auto moved = start.parent_path() / "moved";
    std::filesystem::create_directory(start);
    AppState app;
    {
        InDirectory in(start);
        capture_start_directory(app);
    }
    EXPECT_EQ(text_of(app.start_directory), start.string());
    std::filesystem::rename(start, moved);
    std::filesystem::create_directory(start);  // another directory under the old name
    app.settings.psize = 5;
    FakePlatform platform;
    ASSERT_TRUE(save_settings(app, platform, nullptr, kSettingsFileName));
    EXPECT_EQ(read_file(moved / kSettingsFileName), format_settings(app));
    app.settings.psize = 0;
    load_settings(app, platform, nullptr, kSettingsFileName);
    EXPECT_EQ(app.settings.psize, 5);
    EXPECT_TRUE(names_in(start).empty());

    std::filesystem::remove(moved / kSettingsFileName);
    std::filesystem::create_directory(moved / kSettingsFileName);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(save_settings(app, platform, nullptr, kSettingsFileName));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tervo: cannot write the settings file " +
                                                            (moved / kSettingsFileName).string() + ": " +
                                                            std::strerror(EISDIR) + "\n");
}

TEST(SettingsFile, ReadDecimalFollowsTheDialogRules) {
    EXPECT_EQ(read_decimal(""), 0);
    EXPECT_EQ(read_decimal("  42x"), 42);
    EXPECT_EQ(read_decimal("-15"), -15);
    EXPECT_EQ(read_decimal("+"), 0);
    EXPECT_EQ(read_decimal("x1"), 0);
    EXPECT_EQ(read_decimal("2147483648"), INT32_MIN);  // wraps instead of overflowing
}

}  // namespace
}  // namespace tervo
