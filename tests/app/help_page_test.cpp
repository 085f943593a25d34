// The help page: found from the program's own folder, in the installed tree
// or beside the program in the build tree, and its text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/command_table.h"
#include "app/commands.h"
#include "app/help_page.h"
#include "core/version.h"
#include "tests/support/temp_dir.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

bool is_under(const fs::path& path, const fs::path& folder) {
    const auto relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

// A program folder bin/ of a tree, with pages at the places asked for.
TEST(HelpPageLookup, PrefersTheInstalledPageThenTheOneBesideTheProgram) {
    TempDir tree;
    const fs::path program_dir = tree.path() / "bin";
    fs::create_directories(program_dir);
    const auto candidates = help_page_candidates(program_dir);
    ASSERT_EQ(candidates.size(), 2u);
    const fs::path installed = candidates[0];
    const fs::path beside = program_dir / "help" / kHelpPageName;
    EXPECT_EQ(candidates[1], beside);
    // The installed page lies in the tree beside the program's folder, named
    // without any "..", so a browser is given a plain path.
    EXPECT_TRUE(is_under(installed, tree.path())) << installed;
    EXPECT_FALSE(is_under(installed, program_dir)) << installed;
    EXPECT_EQ(installed, installed.lexically_normal());

    // Nothing there: the installed place, which names what is missing.
    EXPECT_EQ(find_help_page(program_dir), installed);
    // A folder of that name is not a page.
    fs::create_directories(beside);
    EXPECT_EQ(find_help_page(program_dir), installed);
    fs::remove(beside);

    tree.write("bin/help/index.html", "<html></html>");
    EXPECT_EQ(find_help_page(program_dir), beside);
    fs::create_directories(installed.parent_path());
    tree.write(installed.lexically_relative(tree.path()).string(), "<html></html>");
    EXPECT_EQ(find_help_page(program_dir), installed);
}

TEST(HelpPageLookup, RunningProgramIsFoundThroughItsOwnFolder) {
    const fs::path dir = running_program_dir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(find_help_page(), find_help_page(dir));
    EXPECT_EQ(help_page_url(), file_url(find_help_page()));
    EXPECT_EQ(home_page_url().rfind(help_page_url(), 0), 0u);
}

// Installing into a fresh prefix puts the page where the installed program,
// in that prefix's program folder, looks for it.
TEST(HelpPageLookup, InstalledProgramFindsTheInstalledPage) {
    TempDir prefix;
    const std::string command = std::string("\"") + TERVO_CMAKE_COMMAND + "\" --install \"" + TERVO_BUILD_DIR +
                                "\" --component help --prefix \"" + prefix.str() + "\" >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const fs::path page = find_help_page(prefix.path() / TERVO_INSTALL_BINDIR);
    ASSERT_TRUE(fs::is_regular_file(page)) << page;
    EXPECT_TRUE(is_under(page, prefix.path())) << page;
    EXPECT_EQ(testing::read_file(page),
              testing::read_file(fs::path(TERVO_SOURCE_DIR) / "resources" / "help" / kHelpPageName));
}

TEST(HelpPageText, FileUrlsEscapeEverythingButUnreservedBytes) {
    EXPECT_EQ(file_url("/a b/写真/x.html"), "file:///a%20b/%E5%86%99%E7%9C%9F/x.html");
    EXPECT_EQ(file_url("/p/a-b_c.d~e/%#?"), "file:///p/a-b_c.d~e/%25%23%3F");
}

std::string source_page() {
    return testing::read_file(fs::path(TERVO_SOURCE_DIR) / "resources" / "help" / kHelpPageName);
}

// The page explains every command: each menu item and toolbar button is named.
TEST(HelpPageText, NamesEveryCommand) {
    const std::string page = source_page();
    ASSERT_FALSE(page.empty());
    auto without_mnemonic = [](std::string text) {
        auto amp = text.find("(&");
        return amp == std::string::npos ? text : text.substr(0, amp);
    };
    for (const MenuBarEntry& entry : main_menu()) {
        EXPECT_NE(page.find(without_mnemonic(entry.text)), std::string::npos) << entry.text;
        for (const MenuItem& item : entry.items)
            EXPECT_NE(page.find(without_mnemonic(item.text)), std::string::npos) << item.text;
    }
    for (const ToolbarButton& button : toolbar_buttons())
        EXPECT_NE(page.find(button.tooltip), std::string::npos) << button.tooltip;
}

// The page is written by hand; it must name the version the program is built
// as, wherever it names one.
TEST(HelpPageText, NamesTheProgramsVersion) {
    const std::string page = source_page();
    const std::string named = std::string("Ver") + kProgramVersion;
    EXPECT_NE(page.find("Tervo " + named), std::string::npos);
    for (auto at = page.find("Ver"); at != std::string::npos; at = page.find("Ver", at + 1)) {
        if (at + 3 >= page.size() || page[at + 3] < '0' || page[at + 3] > '9') continue;
        const char after = at + named.size() < page.size() ? page[at + named.size()] : ' ';
        EXPECT_TRUE(page.compare(at, named.size(), named) == 0 && after != '.' && (after < '0' || after > '9'))
            << page.substr(at, 12);
    }
}

}  // namespace
}  // namespace tervo
