// Tervo: a slideshow viewer for the still images of a folder.
#include <QApplication>

#include <string>
#include <vector>

#include "app/shell/command_line.h"
#include "app/shell/lifecycle.h"
#include "app/shell/localization.h"

int main(int argc, char** argv) {
    // Read before any window system is asked for: --help and --version work
    // without a display. The arguments are the bytes the system gave (file
    // names need not be valid UTF-8).
    const tervo::CommandLine line = tervo::read_command_line(std::vector<std::string>(argv + 1, argv + argc));
    if (const int status = tervo::answer_without_window(line); status >= 0) return status;
    QApplication application(argc, argv);
    tervo::install_japanese(application);
    return tervo::run_tervo(application, tervo::app_state(), line.paths);
}
