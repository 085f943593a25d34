// Build-time tool: writes the program icon as PNG files for the desktop's
// icon theme. Usage: render_icons OUTPUT_DIR (writes tervo-SIZE.png).
#include <QGuiApplication>
#include <QString>

#include "resources/icon_art.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) return 2;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/tervo-%1.png").arg(size);
        if (!tervo::program_icon_image(size).save(path, "PNG")) return 1;
    }
    return 0;
}
