#include "tools/ui/gif_dialog.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "tools/dialog_text.h"
#include "tools/gif_builder.h"

namespace tervo {

namespace {

// The list shows the names sorted without regard to case, as file lists do.
class NameItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

GifDialog::GifDialog(AppState& app, Platform& platform, QWidget* owner)
    : TemplateDialog(owner, "GIFアニメション作成", 147, 165), app_(app), platform_(platform) {
    add_label("ファイル名", 16, 4, 40, 8, Qt::AlignHCenter);
    close_ = add_button("閉じる", 100, 140, 44, 16);
    names_ = new QListWidget(this);
    names_->setGeometry(units().rect(4, 12, 92, 148));
    names_->setSortingEnabled(true);
    names_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    insert_ = add_button("挿入", 100, 12, 40, 16);
    delete_ = add_button("削除", 100, 32, 40, 16);
    time_ = add_combo(kDisplayTimeEntries, 100, 64, 40, 60);
    add_label("時間", 112, 56, 16, 8, Qt::AlignLeft);
    save_ = add_button("保存", 100, 100, 40, 16);
    widen_combos_to_their_entries();

    set_combo_text(time_, gif_dialog_init(app_));

    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(insert_, &QPushButton::clicked, this, &GifDialog::insert);
    connect(delete_, &QPushButton::clicked, this, &GifDialog::remove_all);
    connect(save_, &QPushButton::clicked, this, &GifDialog::save);
}

void GifDialog::insert() {
    for (const std::string& name : gif_insert(app_, platform_, handle())) names_->addItem(new NameItem(qt_text(name)));
}

void GifDialog::remove_all() {
    names_->clear();
    gif_delete(app_);
}

void GifDialog::save() { gif_save(app_, platform_, handle(), combo_text(time_)); }

}  // namespace tervo
