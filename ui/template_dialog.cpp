#include "ui/template_dialog.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>
#include <cmath>

namespace tervo {

QString qt_text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string utf8_text(const QString& text) { return text.toUtf8().toStdString(); }

namespace {

// A line edit keeps this margin on either side of its text, and scrolls the
// text once the text, a one-pixel cursor and the font's overhanging bearings
// need more than the rest.
constexpr int kLineEditMargin = 2;
constexpr int kCursorWidth = 1;

QStyleOptionComboBox combo_option(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    return option;
}

}  // namespace

int combo_field_width_needed(const QComboBox* combo) {
    const QFontMetricsF metrics(combo->font());
    qreal widest = 0;
    for (int i = 0; i < combo->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
    const qreal bearings = std::max(0.0, -metrics.minLeftBearing()) + std::max(0.0, -metrics.minRightBearing());
    return static_cast<int>(std::ceil(widest + bearings)) + kCursorWidth + 2 * kLineEditMargin;
}

int combo_field_width(const QComboBox* combo) {
    const QStyleOptionComboBox option = combo_option(combo);
    return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
}

TemplateDialog::TemplateDialog(QWidget* owner, const char* title, int width_units, int height_units)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      units_(DialogUnits::of(dialog_font())) {
    setFont(dialog_font());
    setWindowTitle(qt_text(title));
    setFixedSize(units_.x(width_units), units_.y(height_units));
}

QPushButton* TemplateDialog::add_button(const char* text, int x, int y, int w, int h) {
    auto* button = new QPushButton(qt_text(text), this);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(units_.rect(x, y, w, h));
    return button;
}

QLabel* TemplateDialog::add_label(const char* text, int x, int y, int w, int h, Qt::Alignment alignment) {
    auto* label = new QLabel(qt_text(text), this);
    label->setAlignment(alignment | Qt::AlignTop);
    // Our font is wider than the one the layouts were measured with: a text
    // that would be clipped may spill over to the dialog's edge.
    QRect area = units_.rect(x, y, w, h);
    const int needed = label->fontMetrics().horizontalAdvance(label->text());
    if (needed > area.width()) {
        const int grow = needed - area.width();
        if (alignment & Qt::AlignHCenter) area.adjust(-grow / 2, 0, grow - grow / 2, 0);
        else area.setWidth(needed);
        area = area.intersected(QRect(0, area.y(), width(), area.height()));
    }
    label->setGeometry(area);
    return label;
}

QComboBox* TemplateDialog::add_combo(std::span<const char* const> entries, int x, int y, int w, int h) {
    auto* combo = new QComboBox(this);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const char* entry : entries) combo->addItem(qt_text(entry));
    // The template's height is that of the open list; the closed box is as
    // high as the font needs.
    const QRect area = units_.rect(x, y, w, h);
    combo->setGeometry(area.x(), area.y(), area.width(), combo->sizeHint().height());
    combo->setMaxVisibleItems(std::max(1, (area.height() - combo->sizeHint().height()) / combo->fontMetrics().height()));
    return combo;
}

void TemplateDialog::widen_combos_to_their_entries() {
    const QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QList<QComboBox*> combos = findChildren<QComboBox*>(Qt::FindDirectChildrenOnly);
    // Left to right, so that each is measured where the ones before it left it.
    std::sort(combos.begin(), combos.end(), [](const QComboBox* a, const QComboBox* b) { return a->x() < b->x(); });
    int grown = 0;
    for (QComboBox* combo : combos) {
        const int grow = combo_field_width_needed(combo) - combo_field_width(combo);
        if (grow <= 0) continue;
        const int right = combo->geometry().right();
        for (QWidget* control : controls) {
            if (control != combo && control->x() > right) control->move(control->x() + grow, control->y());
        }
        combo->resize(combo->width() + grow, combo->height());
        grown += grow;
    }
    if (grown > 0) setFixedSize(width() + grown, height());
}

void TemplateDialog::set_combo_text(QComboBox* combo, std::string_view text) {
    combo->setCurrentIndex(-1);
    combo->setEditText(qt_text(text));
    combo->lineEdit()->setCursorPosition(0);  // show the text from its start
}

std::string TemplateDialog::combo_text(const QComboBox* combo) { return utf8_text(combo->currentText()); }

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->accept();  // neither closes the dialog nor presses a button
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace tervo
