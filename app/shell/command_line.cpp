#include "app/shell/command_line.h"

#include <cstdio>
#include <string_view>

#include "core/version.h"

namespace tervo {
namespace {

struct QtOption {
    std::string_view name;
    bool takes_value;
};

// The options QApplication takes out of the command line itself.
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"style", true},           {"stylesheet", true},
    {"display", true},         {"geometry", true},
    {"title", true},           {"name", true},
    {"visual", true},          {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
};

// The option's entry, for "-name", "--name", "-name=value".
const QtOption* qt_option(std::string_view argument) {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const auto equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    for (const QtOption& option : kQtOptions)
        if (option.name == name) return (equals == std::string_view::npos || option.takes_value) ? &option : nullptr;
    return nullptr;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes back to the name's bytes, which need not be UTF-8.
std::string percent_decoded(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 && hex_digit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] | 0x20) != prefix[i]) return false;
    return true;
}

}  // namespace

std::string path_of_argument(const std::string& url) {
    std::string_view rest = url;
    if (!starts_with_ignoring_case(rest, "file:")) return url;
    rest.remove_prefix(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos || !(host.empty() || host == "localhost")) return url;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/')) return url;
    // A query or fragment is no part of a file's name.
    return percent_decoded(rest.substr(0, rest.find_first_of("?#")));
}

CommandLine read_command_line(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool options_end = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_end || argument == "-" || !argument.starts_with('-')) {
            line.paths.push_back(path_of_argument(argument));
        } else if (argument == "--") {
            options_end = true;
        } else if (argument == "--help" || argument == "-h") {
            return {CommandLine::Action::Help, {}, {}};
        } else if (argument == "--version" || argument == "-V") {
            return {CommandLine::Action::Version, {}, {}};
        } else if (const QtOption* option = qt_option(argument)) {
            if (option->takes_value && argument.find('=') == std::string::npos) ++i;
        } else {
            return {CommandLine::Action::Usage, {}, "unrecognized option '" + argument + "'"};
        }
    }
    return line;
}

constexpr const char* kUsageLine = "Usage: tervo [OPTION]... [FOLDER | PICTURE...]\n";

std::string usage_text() {
    return std::string(kUsageLine) +
           "Show the pictures of a folder one after another (a slideshow viewer).\n"
           "\n"
           "A FOLDER opens showing its first picture; a PICTURE opens its folder\n"
           "showing that picture. Several pictures open the first one's folder.\n"
           "file:// URLs are accepted. Without an argument, the folder saved in\n"
           "Tervo.ini in the current directory is listed.\n"
           "\n"
           "  -h, --help     display this help and exit\n"
           "  -V, --version  output version information and exit\n"
           "\n"
           "Qt's own options (-platform NAME, -style NAME, ...) are accepted too.\n"
           "Keys: Right/Left (or the wheel) step, Space plays or stops, Home/End,\n"
           "+/- zoom, R turns, F11 or a double-click toggles full screen.\n"
           "See tervo(1).\n";
}

std::string version_text() { return std::string("tervo ") + kProgramVersion + "\n"; }

int answer_without_window(const CommandLine& line) {
    switch (line.action) {
    case CommandLine::Action::Run: return -1;
    case CommandLine::Action::Help: std::fputs(usage_text().c_str(), stdout); return 0;
    case CommandLine::Action::Version: std::fputs(version_text().c_str(), stdout); return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "tervo: %s\n%sTry 'tervo --help' for more information.\n", line.problem.c_str(),
                     kUsageLine);
        return 2;
    }
    return -1;
}

}  // namespace tervo
