#include "app/shell/dialog_room.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QTreeView>

#include <algorithm>

namespace tervo {
namespace {

// What a window frame puts beside the title: the window icon on the left and
// up to three buttons on the right, as the desktops commonly draw them.
constexpr int kFrameBesideTitle = 140;

QRect available_screen(const QWidget& widget) {
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, kFileDialogWidth, kFileDialogHeight);
}

}  // namespace

void give_file_dialog_room(QFileDialog& dialog) {
    const QRect screen = available_screen(dialog);
    const QSize wanted(std::min(std::max(dialog.width(), kFileDialogWidth), screen.width()),
                       std::min(std::max(dialog.height(), kFileDialogHeight), screen.height()));
    dialog.resize(wanted);
    // The name takes what the size, type and date leave; those three show
    // whole ("860 KiB", "JPEG 画像").
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

int title_width_needed(const QMessageBox& box) {
    const QFontMetrics title_font(QApplication::font("QMdiSubWindowTitleBar"));
    return title_font.horizontalAdvance(box.windowTitle()) + kFrameBesideTitle;
}

void widen_for_title(QMessageBox& box) {
    // QMessageBox fixes its own size from its layout: a spacer across the
    // layout's last row is the way to make it wider.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const int wanted = std::min(title_width_needed(box), available_screen(box).width());
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace tervo
