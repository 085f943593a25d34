// The dialogs' font ("ＭＳ Ｐゴシック" 9 pt, mapped to IPAPGothic at 12 px) and
// the conversion of dialog units to pixels through it.
#pragma once

#include <QFont>
#include <QRect>

namespace tervo {

inline constexpr const char* kDialogFontFamily = "ＭＳ Ｐゴシック";

// Registers the mapping of the dialog font to the installed Japanese Gothic.
// Safe to call more than once.
void install_font_substitutions();

QFont dialog_font();

// Dialog units to pixels: the horizontal base is the average width of the 52
// ASCII letters, the vertical base the font's height; x = units * base_x / 4,
// y = units * base_y / 8.
struct DialogUnits {
    int base_x = 0;
    int base_y = 0;

    static DialogUnits of(const QFont& font);
    int x(int units) const { return units * base_x / 4; }
    int y(int units) const { return units * base_y / 8; }
    QRect rect(int x_units, int y_units, int width_units, int height_units) const {
        return QRect(x(x_units), y(y_units), x(width_units), y(height_units));
    }
};

}  // namespace tervo
