// Tervo: a slideshow viewer for the still images of a folder.
#include <QApplication>

#include <string>
#include <vector>

#include "app/shell/lifecycle.h"
#include "app/shell/localization.h"

int main(int argc, char** argv) {
    // Qt takes its own options out of argv; what is left is ours, as the
    // bytes the system gave (file names need not be valid UTF-8).
    QApplication application(argc, argv);
    tervo::install_japanese(application);
    const std::vector<std::string> given(argv + 1, argv + argc);
    return tervo::run_tervo(application, tervo::app_state(), given);
}
