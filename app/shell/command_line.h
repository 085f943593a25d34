// The command line as GNU programs read it: --help, --version, "--" before
// paths that begin with "-", and file:// URLs as file managers pass them.
// Read before the application object exists, so that --help and --version
// need no display.
#pragma once

#include <string>
#include <vector>

namespace tervo {

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    std::vector<std::string> paths;  // for Run: the bytes given, URLs made paths
    std::string problem;             // for Usage: what was wrong
};

// `arguments` without the program name. Qt's own options (-platform NAME,
// -style=NAME, ...) are passed over: the application takes them.
CommandLine read_command_line(const std::vector<std::string>& arguments);

// The path of a file:// URL of this machine; `url` itself when it is no such
// URL (a URL of another host stays as given, and is then not found).
std::string path_of_argument(const std::string& url);

// The text of --help; the line of --version.
std::string usage_text();
std::string version_text();

// Runs --help, --version or a wrong option: prints and gives the exit
// status; -1 for Run.
int answer_without_window(const CommandLine& line);

}  // namespace tervo
