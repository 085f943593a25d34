// The settings dialog "環境設定" (modal, no Cancel: the close box leaves
// the settings as they were).
#pragma once

#include "core/app_state.h"
#include "ui/template_dialog.h"

class QComboBox;
class QPushButton;

namespace tervo {

class SettingsDialog : public TemplateDialog {
public:
    SettingsDialog(AppState& app, QWidget* owner);

    QComboBox* file_type_combo() const { return file_type_; }
    QComboBox* display_time_combo() const { return display_time_; }
    QComboBox* size_combo() const { return size_; }
    QPushButton* ok_button() const { return ok_; }

private:
    void apply_and_close();

    AppState& app_;
    QComboBox* file_type_;
    QComboBox* display_time_;
    QComboBox* size_;
    QPushButton* ok_;
};

}  // namespace tervo
