// Reading the command line: options, "--", Qt's own options and file:// URLs.
#include <gtest/gtest.h>

#include "app/shell/command_line.h"

namespace tervo {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, ReadsOptionsPathsAndUrlsAsGnuProgramsDo) {
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::vector<std::string> paths;
    };
    const std::vector<Case> cases{
        {{}, Action::Run, {}},
        {{"a.jpg", "b.jpg"}, Action::Run, {"a.jpg", "b.jpg"}},
        {{"--help", "a.jpg"}, Action::Help, {}},
        {{"a.jpg", "--version"}, Action::Version, {}},
        {{"--bogus"}, Action::Usage, {}},
        {{"--", "--help", "-", "-x.jpg"}, Action::Run, {"--help", "-", "-x.jpg"}},
        {{"-platform", "offscreen", "-reverse", "--style=Fusion", "p.png"}, Action::Run, {"p.png"}},
        {{"-reverse=1"}, Action::Usage, {}},
        {{""}, Action::Run, {""}},
        {{"file:///home/u/%E5%86%99%E7%9C%9F/a%20b.jpg"}, Action::Run, {"/home/u/写真/a b.jpg"}},
        {{"FILE://localhost/tmp/x%ff.png"}, Action::Run, {"/tmp/x\xff.png"}},
        {{"file://other/tmp/a.jpg"}, Action::Run, {"file://other/tmp/a.jpg"}},
        {{"/tmp/50%25.jpg", "file:/tmp/a.jpg#frag"}, Action::Run, {"/tmp/50%25.jpg", "/tmp/a.jpg"}},
    };
    for (const Case& c : cases) {
        const CommandLine line = read_command_line(c.arguments);
        const std::string given = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(line.action, c.action) << given;
        EXPECT_EQ(line.paths, c.paths) << given;
        if (c.action == Action::Usage) {
            EXPECT_NE(line.problem.find(given), std::string::npos) << line.problem;
        }
    }
}

}  // namespace
}  // namespace tervo
