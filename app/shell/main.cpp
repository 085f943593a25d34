// Tervo: a slideshow viewer for the still images of a folder.
#include <QApplication>

#include "app/shell/lifecycle.h"
#include "app/shell/localization.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tervo::install_japanese(application);
    return tervo::run_tervo(application, tervo::app_state());
}
