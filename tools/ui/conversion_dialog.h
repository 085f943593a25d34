// The conversion dialog "ファイル変換" (modal; stays open after each save).
#pragma once

#include "core/app_state.h"
#include "core/platform.h"
#include "ui/template_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tervo {

class ConversionDialog : public TemplateDialog {
public:
    ConversionDialog(AppState& app, Platform& platform, QWidget* owner);

    QComboBox* type_combo() const { return type_; }
    QLineEdit* quality_edit() const { return quality_; }
    QCheckBox* switch_box() const { return usage_switch_; }
    QPushButton* save_button() const { return save_; }
    QPushButton* close_button() const { return close_; }

private:
    void save();

    AppState& app_;
    Platform& platform_;
    QPushButton* close_;
    QComboBox* type_;
    QPushButton* save_;
    QCheckBox* usage_switch_;
    QLineEdit* quality_;
};

}  // namespace tervo
