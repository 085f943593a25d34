// Base of the feature windows' dialogs: a fixed-size dialog laid out in
// dialog units of the dialog font. Enter and Esc do nothing here; each
// dialog's buttons and close box decide.
#pragma once

#include <QDialog>
#include <QString>
#include <span>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/platform.h"
#include "resources/dialog_font.h"
#include "ui/window_handle.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tervo {

QString qt_text(std::string_view utf8);
std::string utf8_text(const QString& text);

// The width of the edit field a combo box needs to show each of its entries
// whole, without scrolling, in its own font.
int combo_field_width_needed(const QComboBox* combo);
// The width of a combo box's edit field at its present size.
int combo_field_width(const QComboBox* combo);

class TemplateDialog : public QDialog {
public:
    // Width and height of the client area in dialog units.
    TemplateDialog(QWidget* owner, const char* title, int width_units, int height_units);

    // The dialog as the platform layer knows it (owner of message boxes).
    WindowHandle handle() const { return window_handle(this); }

    // Sets a combo box's edit text without marking any list entry as chosen.
    static void set_combo_text(QComboBox* combo, std::string_view text);
    static std::string combo_text(const QComboBox* combo);

protected:
    // A push button that Enter never presses.
    QPushButton* add_button(const char* text, int x, int y, int w, int h);
    QLabel* add_label(const char* text, int x, int y, int w, int h, Qt::Alignment alignment);
    // A drop-down combo box whose edit field can be typed into; typed texts
    // are read back, never added to the list. h is the height of the open
    // list.
    QComboBox* add_combo(std::span<const char* const> entries, int x, int y, int w, int h);

    const DialogUnits& units() const { return units_; }

    // Run once every control is in place: a combo box too narrow for its
    // longest entry in our font is widened to it; the controls to its right
    // move along and the dialog grows by as much.
    void widen_combos_to_their_entries();

    void keyPressEvent(QKeyEvent* event) override;

private:
    DialogUnits units_;
};

}  // namespace tervo
