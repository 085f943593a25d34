// Replacing files in place of links, protected files, pipes and long names,
// and what a killed save leaves behind. Everything here uses real file-system
// objects in a temporary folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_replace.h"
#include "core/stale_temps.h"
#include "tests/support/kill_while_saving.h"
#include "tests/support/temp_dir.h"

namespace tervo {

void PrintTo(Staging staging, std::ostream* out) { *out << (staging == Staging::Unnamed ? "unnamed" : "named"); }

namespace {

namespace fs = std::filesystem;
using testing::kill_while_saving;
using testing::read_file;
using testing::TempDir;

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t mode_of(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

mode_t current_umask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A process id that certainly belongs to no process: a child that has
// ended and been reaped.
pid_t ended_pid() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

class FileReplace : public ::testing::TestWithParam<Staging> {
protected:
    bool replace(const fs::path& path, std::string_view bytes) {
        return static_cast<bool>(replace_file(path.string(), bytes, GetParam()));
    }
    TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(Staging, FileReplace, ::testing::Values(Staging::Unnamed, Staging::Named),
                         [](const auto& info) { return info.param == Staging::Unnamed ? "Unnamed" : "Named"; });

TEST_P(FileReplace, NewAndReplacedFilesGetTheirPermissionsAndNothingElseAppears) {
    const fs::path fresh = dir_.path() / "new.png";
    ASSERT_TRUE(replace(fresh, "new bytes"));
    EXPECT_EQ(read_file(fresh), "new bytes");
    EXPECT_EQ(mode_of(fresh) & 07777, 0666 & ~current_umask());

    const fs::path old = dir_.write("old.bmp", "old bytes");
    ASSERT_EQ(::chmod(old.c_str(), 0640), 0);
    ASSERT_TRUE(replace(old, "replaced"));
    EXPECT_EQ(read_file(old), "replaced");
    EXPECT_EQ(mode_of(old) & 07777, 0640u);
    EXPECT_EQ(names_in(dir_.path()), (std::vector<std::string>{"new.png", "old.bmp"}));

    // A name relative to the current folder, as the settings file uses.
    const auto cwd = fs::current_path();
    fs::current_path(dir_.path());
    const bool relative = replace("relative.ini", "here");
    fs::current_path(cwd);
    EXPECT_TRUE(relative);
    EXPECT_EQ(read_file(dir_.path() / "relative.ini"), "here");
}

TEST_P(FileReplace, LinksAreWrittenThroughToTheFileTheyName) {
    const fs::path real = dir_.write("pictures/sub/real.gif", "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    fs::create_directory(dir_.path() / "links");
    const fs::path relative_link = dir_.path() / "links" / "one.gif";
    const fs::path chain = dir_.path() / "links" / "two.gif";
    fs::create_symlink("../pictures/sub/real.gif", relative_link);
    fs::create_symlink(relative_link, chain);  // a link to a link

    ASSERT_TRUE(replace(relative_link, "through one level"));
    EXPECT_EQ(read_file(real), "through one level");
    ASSERT_TRUE(replace(chain, "through two levels"));
    EXPECT_EQ(read_file(real), "through two levels");

    // The links are still links to the same places, the file keeps its mode,
    // and no temporary is left beside either.
    EXPECT_TRUE(fs::is_symlink(relative_link));
    EXPECT_EQ(fs::read_symlink(relative_link), "../pictures/sub/real.gif");
    EXPECT_EQ(fs::read_symlink(chain), relative_link);
    EXPECT_TRUE(S_ISREG(mode_of(real)));
    EXPECT_EQ(mode_of(real) & 07777, 0600u);
    EXPECT_EQ(names_in(dir_.path() / "links"), (std::vector<std::string>{"one.gif", "two.gif"}));
    EXPECT_EQ(names_in(dir_.path() / "pictures" / "sub"), (std::vector<std::string>{"real.gif"}));
}

TEST_P(FileReplace, LinksThatNameNothingAreNeverFollowed) {
    fs::create_directory(dir_.path() / "elsewhere");
    const fs::path dangling = dir_.path() / "dangling.png";
    fs::create_symlink("elsewhere/created.png", dangling);
    const fs::path loop_a = dir_.path() / "a.png", loop_b = dir_.path() / "b.png";
    fs::create_symlink("b.png", loop_a);
    fs::create_symlink("a.png", loop_b);

    EXPECT_FALSE(replace(dangling, "must not appear"));
    EXPECT_FALSE(fs::exists(dir_.path() / "elsewhere" / "created.png"));
    EXPECT_EQ(fs::read_symlink(dangling), "elsewhere/created.png");
    EXPECT_FALSE(replace(loop_a, "x"));
    EXPECT_TRUE(fs::is_symlink(loop_a));
    EXPECT_EQ(names_in(dir_.path()), (std::vector<std::string>{"a.png", "b.png", "dangling.png", "elsewhere"}));
    EXPECT_TRUE(names_in(dir_.path() / "elsewhere").empty());
}

TEST_P(FileReplace, ProtectedAndSpecialTargetsStayAsTheyWere) {
    // Write-protected: no write permission for anybody. The superuser could
    // write it anyway, so this must be refused by its mode, not by chance.
    const fs::path locked = dir_.write("locked.jpg", "precious");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(replace(locked, "overwritten"));
    EXPECT_EQ(read_file(locked), "precious");
    EXPECT_EQ(mode_of(locked) & 07777, 0444u);

    // A link to a write-protected file is refused the same way.
    const fs::path link = dir_.path() / "link.jpg";
    fs::create_symlink("locked.jpg", link);
    EXPECT_FALSE(replace(link, "overwritten"));
    EXPECT_EQ(read_file(locked), "precious");
    EXPECT_TRUE(fs::is_symlink(link));

    // A pipe is neither waited on nor replaced; nor is a folder.
    const fs::path pipe = dir_.path() / "pipe.gif";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    EXPECT_FALSE(replace(pipe, "x"));
    EXPECT_TRUE(S_ISFIFO(mode_of(pipe)));
    fs::create_directory(dir_.path() / "folder.png");
    EXPECT_FALSE(replace(dir_.path() / "folder.png", "x"));
    EXPECT_FALSE(replace(dir_.path() / "missing" / "x.png", "x"));
    EXPECT_FALSE(replace(dir_.path() / "trailing/", "x"));

    EXPECT_EQ(names_in(dir_.path()), (std::vector<std::string>{"folder.png", "link.jpg", "locked.jpg", "pipe.gif"}));
}

// Replaces as a user who may write the file but not its folder: the
// superuser may write any folder, so it saves as nobody in a child.
bool replace_without_folder_rights(const fs::path& folder, const fs::path& path, std::string_view bytes,
                                   Staging staging) {
    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const bool done = static_cast<bool>(replace_file(path.string(), bytes, staging));
        fs::permissions(folder, fs::perms::owner_all);
        return done;
    }
    const uid_t nobody = 65534;
    if (::chown(path.c_str(), nobody, nobody) != 0 || ::chmod(folder.c_str(), 0755) != 0 ||
        ::chmod(folder.parent_path().c_str(), 0755) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
        ::_exit(dropped && replace_file(path.string(), bytes, staging) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_P(FileReplace, LinkedFilesAndFilesInLockedFoldersAreWrittenInPlace) {
    enum class Case { HardLink, LockedFolder };
    for (Case c : {Case::HardLink, Case::LockedFolder}) {
        TempDir dir;
        const fs::path folder = dir.path() / "settings";
        const fs::path path = dir.write("settings/Tervo.ini", "psize=1\r\nlonger old text\r\n");
        const fs::path other = dir.path() / "other.ini";
        fs::create_hard_link(path, other);
        const auto inode = [](const fs::path& p) {
            struct stat info {};
            return ::stat(p.c_str(), &info) == 0 ? info.st_ino : 0;
        };
        const ino_t before = inode(path);
        if (c == Case::LockedFolder) fs::remove(other);
        const bool done = c == Case::HardLink
                              ? static_cast<bool>(replace_file(path.string(), "psize=2\r\n", GetParam()))
                              : replace_without_folder_rights(folder, path, "psize=2\r\n", GetParam());
        ASSERT_TRUE(done) << int(c);
        EXPECT_EQ(read_file(path), "psize=2\r\n") << int(c);
        EXPECT_EQ(inode(path), before) << int(c);
        if (c == Case::HardLink) {
            EXPECT_EQ(read_file(other), "psize=2\r\n");
        }
        EXPECT_EQ(names_in(folder), std::vector<std::string>{"Tervo.ini"}) << int(c);
    }
}

TEST_P(FileReplace, NamesUpToTheFileSystemLimitWork) {
    for (std::size_t length : {240u, 249u, 252u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".png";
        const fs::path path = dir_.path() / name;
        ASSERT_TRUE(replace(path, "first")) << length;
        ASSERT_TRUE(replace(path, "second")) << length;
        EXPECT_EQ(read_file(path), "second") << length;
        fs::remove(path);
        EXPECT_TRUE(names_in(dir_.path()).empty()) << length;
    }
}

// Saves in a loop in a child process and kills it at some point during a
// save, many times over. Whenever the kill lands, the file holds one whole
// version, and after the next save in that folder nothing else is there.
// (Named staging: the one that leaves files to clean up; the settings tests
// kill the unnamed one.)
TEST(FileReplaceKilled, NamedTemporariesOfAKilledSaveAreClearedByTheNext) {
    TempDir dir;
    const fs::path target = dir.write("out.gif", "initial");
    const std::string first(256 * 1024, 'a'), second(256 * 1024, 'b');
    for (int round = 0; round < 24; ++round) {
        // A few saves finish first (none in the first round), so that the
        // kill falls into different saves and stages of a save.
        ASSERT_TRUE(kill_while_saving(round % 4, [&](int i) {
            return bool(replace_file(target.string(), i % 2 ? second : first, Staging::Named));
        }));

        const std::string now = read_file(target);
        EXPECT_TRUE(now == "initial" || now == first || now == second) << "round " << round;
        ASSERT_TRUE(replace_file(target.string(), "initial", Staging::Named));
        ASSERT_EQ(names_in(dir.path()), std::vector<std::string>{"out.gif"}) << "round " << round;
    }
}

TEST(StaleTemps, NamesAreShortAndTellTheirOwner) {
    const TempOwner me = current_temp_owner();
    EXPECT_EQ(me.pid, ::getpid());
    EXPECT_GT(me.start_ticks, 0u);
    const std::string name = make_temp_name(me);
    EXPECT_LE(name.size(), 48u);
    EXPECT_EQ(name.rfind(kTempPrefix, 0), 0u);
    EXPECT_EQ(parse_temp_name(name), me);
    EXPECT_NE(make_temp_name(me), name);

    for (const char* foreign : {"Tervo.ini.Ab12Cd", ".tervo-", ".tervo-12", ".tervo-12-5", ".tervo-12-5-", ".tervo-x-5-ab",
                                ".tervo-12-5-XY", ".tervo-0-5-ab", "tervo-12-5-ab", ".tervo-12-5-ab.png"})
        EXPECT_FALSE(parse_temp_name(foreign)) << foreign;
}

TEST(StaleTemps, OnlyTheFilesOfEndedRunsAreRemoved) {
    const TempOwner me = current_temp_owner();
    EXPECT_FALSE(owner_has_ended(me));
    const TempOwner ended{ended_pid(), me.start_ticks};
    EXPECT_TRUE(owner_has_ended(ended));
    // The same process id with another start time: the id was reused.
    EXPECT_TRUE(owner_has_ended(TempOwner{me.pid, me.start_ticks + 1}));

    TempDir dir;
    const std::string stale = make_temp_name(ended), reused = make_temp_name({me.pid, me.start_ticks + 1});
    const std::string live = make_temp_name(me), stale_folder = make_temp_name(ended);
    dir.write(stale, "left by a killed run");
    dir.write(reused, "left by an earlier process with our id");
    dir.write(live, "being written right now");
    dir.write("Tervo.ini.Ab12Cd", "not ours");
    dir.write("photo.png", "a picture");
    fs::create_directory(dir.path() / stale_folder);

    // A save in the folder clears the stale ones and nothing else.
    ASSERT_TRUE(replace_file((dir.path() / "out.png").string(), "saved"));
    std::vector<std::string> expected{live, stale_folder, "Tervo.ini.Ab12Cd", "out.png", "photo.png"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(dir.path()), expected);
    EXPECT_EQ(remove_stale_temps(dir.str()), 0);
    EXPECT_EQ(remove_stale_temps((dir.path() / "missing").string()), 0);
}

}  // namespace
}  // namespace tervo
