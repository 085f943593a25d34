#include "tools/ui/conversion_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "tools/conversion.h"

namespace tervo {

ConversionDialog::ConversionDialog(AppState& app, Platform& platform, QWidget* owner)
    : TemplateDialog(owner, "ファイル変換", 101, 65), app_(app), platform_(platform) {
    close_ = add_button("閉じる", 56, 44, 40, 16);
    type_ = add_combo(kOutputTypeEntries, 4, 12, 40, 60);
    add_label("ファイルの種類", 4, 4, 44, 8, Qt::AlignLeft);
    save_ = add_button("保存", 4, 44, 40, 16);
    add_label("jpgの品質", 56, 4, 24, 8, Qt::AlignLeft);
    usage_switch_ = new QCheckBox(qt_text("用途スイッチ"), this);
    // The box and its text are taller and wider in our font than the
    // template's 8 units: they get what they need, within the dialog.
    QRect area = units().rect(48, 28, 48, 8);
    area.setHeight(std::max(area.height(), usage_switch_->sizeHint().height()));
    area.setWidth(std::max(area.width(), std::min(usage_switch_->sizeHint().width(), width() - area.x())));
    usage_switch_->setGeometry(area);
    quality_ = new QLineEdit(this);
    quality_->setGeometry(units().rect(56, 12, 24, 12));
    widen_combos_to_their_entries();

    const ConversionFields fields = conversion_dialog_init(app_);
    set_combo_text(type_, fields.output_type);
    quality_->setText(qt_text(fields.quality));
    usage_switch_->setChecked(fields.usage_switch);

    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, &ConversionDialog::save);
}

void ConversionDialog::save() {
    conversion_save(app_, platform_, handle(),
                    {combo_text(type_), utf8_text(quality_->text()), usage_switch_->isChecked()});
}

}  // namespace tervo
