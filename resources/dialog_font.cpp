#include "resources/dialog_font.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace tervo {

void install_font_substitutions() {
    QFont::insertSubstitutions(QString::fromUtf8(kDialogFontFamily), QStringList{QStringLiteral("IPAPGothic")});
}

QFont dialog_font() {
    install_font_substitutions();
    QFont font(QString::fromUtf8(kDialogFontFamily));
    font.setPixelSize(12);  // 9 pt at 96 dpi, the size the layouts were made for
    return font;
}

DialogUnits DialogUnits::of(const QFont& font) {
    QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // The rounded average width of the Latin letters: one dialog unit is a
    // quarter of it across and an eighth of the line height down.
    int total = metrics.horizontalAdvance(letters);
    return DialogUnits{(total / 26 + 1) / 2, metrics.height()};
}

}  // namespace tervo
