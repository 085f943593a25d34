#include "app/shell/lifecycle.h"

#include <unistd.h>

#include <QApplication>

#include "app/settings_file.h"
#include "app/shell/main_window.h"

namespace tervo {

void capture_start_directory(AppState& app) {
    std::array<char, kStartDirBytes> directory{};
    if (getcwd(directory.data(), directory.size()) == nullptr) return;
    app.start_directory = directory;
}

int run_tervo(QApplication& application, AppState& app) {
    MainWindow window(app);
    window.show();
    capture_start_directory(app);
    const int exit_code = application.exec();
    // The main window is gone for the user: the message has no owner.
    save_settings(app, window.platform(), nullptr, kSettingsFileName);
    return exit_code;
}

}  // namespace tervo
