#include "tools/ui/settings_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "tools/dialog_text.h"
#include "tools/settings_logic.h"

namespace tervo {

SettingsDialog::SettingsDialog(AppState& app, QWidget* owner)
    : TemplateDialog(owner, "環境設定", 147, 73), app_(app) {
    file_type_ = add_combo(kFileTypeEntries, 4, 16, 52, 76);
    add_label("ファイルの種類", 4, 4, 44, 8, Qt::AlignHCenter);
    ok_ = add_button("OK", 52, 44, 44, 16);
    display_time_ = add_combo(kDisplayTimeEntries, 60, 16, 36, 76);
    add_label("表示時間", 60, 4, 32, 8, Qt::AlignHCenter);
    add_label("サイズ", 104, 4, 20, 8, Qt::AlignLeft);
    size_ = add_combo(kSizeEntries, 100, 16, 44, 76);
    widen_combos_to_their_entries();

    const SettingsTexts texts = settings_dialog_init(app_);
    set_combo_text(file_type_, texts.file_type);
    set_combo_text(display_time_, texts.display_time);
    set_combo_text(size_, texts.size);

    connect(ok_, &QPushButton::clicked, this, &SettingsDialog::apply_and_close);
}

void SettingsDialog::apply_and_close() {
    settings_dialog_apply(app_, {combo_text(file_type_), combo_text(display_time_), combo_text(size_)});
    accept();
}

}  // namespace tervo
