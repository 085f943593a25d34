// The animated-GIF builder "GIFアニメション作成" (modal).
#pragma once

#include "core/app_state.h"
#include "core/platform.h"
#include "ui/template_dialog.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace tervo {

class GifDialog : public TemplateDialog {
public:
    GifDialog(AppState& app, Platform& platform, QWidget* owner);

    // Shows the names sorted; the frame order is the order added.
    QListWidget* name_list() const { return names_; }
    QComboBox* time_combo() const { return time_; }
    QPushButton* insert_button() const { return insert_; }
    QPushButton* delete_button() const { return delete_; }
    QPushButton* save_button() const { return save_; }
    QPushButton* close_button() const { return close_; }

private:
    void insert();
    void remove_all();
    void save();

    AppState& app_;
    Platform& platform_;
    QPushButton* close_;
    QListWidget* names_;
    QPushButton* insert_;
    QPushButton* delete_;
    QComboBox* time_;
    QPushButton* save_;
};

}  // namespace tervo
