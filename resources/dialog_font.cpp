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
    font.setPixelSize(12);  // 9 pt at the original platform's 96 dpi
    return font;
}

DialogUnits DialogUnits::of(const QFont& font) {
    QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Rounded average, as the original platform computes it.
    int total = metrics.horizontalAdvance(letters);
    return DialogUnits{(total / 26 + 1) / 2, metrics.height()};
}

}  // namespace tervo
