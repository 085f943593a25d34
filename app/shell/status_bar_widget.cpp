#include "app/shell/status_bar_widget.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "app/shell/status_bar_layout.h"
#include "resources/dialog_font.h"

namespace tervo {
namespace {

constexpr int kPartGap = 2;      // between two sunken fields
constexpr int kTextPadding = 3;  // inside a field
// A part that shortens its text still shows about this many characters.
constexpr int kFlexibleMinimumChars = 4;

QString qt_text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent), grip_(new QSizeGrip(this)) {
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    // The program's own Japanese Gothic, whatever the desktop's default.
    setFont(dialog_font());
    grip_->resize(grip_->sizeHint());
}

void StatusBarWidget::set_parts(const std::vector<int>& right_edges, const std::vector<std::string>& texts) {
    edges_ = right_edges;
    texts_.clear();
    for (const std::string& text : texts) texts_.push_back(qt_text(text));
    texts_.resize(edges_.size());
    lay_out();
}

void StatusBarWidget::set_edges(const std::vector<int>& right_edges) {
    edges_ = right_edges;
    texts_.resize(edges_.size());
    lay_out();
}

void StatusBarWidget::set_part_reserves(const std::vector<std::vector<std::string>>& widest_texts) {
    reserves_.clear();
    for (const auto& texts : widest_texts) {
        std::vector<QString>& part = reserves_.emplace_back();
        for (const std::string& text : texts) part.push_back(qt_text(text));
    }
    measure_reserves();
    lay_out();
}

// The widths come from the font as it is now, like a dialog's units.
void StatusBarWidget::measure_reserves() {
    // Glyph advances have fractions, and a text is shortened unless its
    // exact width fits: round up.
    const QFontMetricsF metrics(font());
    needed_widths_.clear();
    for (const std::vector<QString>& texts : reserves_) {
        if (texts.empty()) {
            needed_widths_.push_back(kFlexiblePart);
            continue;
        }
        qreal widest = 0;
        for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
        needed_widths_.push_back(static_cast<int>(std::ceil(widest)) + 2 * kTextPadding + kPartGap);
    }
}

void StatusBarWidget::lay_out() {
    if (needed_widths_.size() != edges_.size()) {
        laid_out_ = edges_;  // a passing layout, such as the one during a resize
    } else {
        const int minimum = kFlexibleMinimumChars * fontMetrics().averageCharWidth() + 2 * kTextPadding + kPartGap;
        laid_out_ = lay_out_status_parts(edges_, needed_widths_, width() - grip_->width(), minimum);
    }
    update();
}

QString StatusBarWidget::text(int part) const {
    return (part >= 0 && part < static_cast<int>(texts_.size())) ? texts_[static_cast<std::size_t>(part)] : QString();
}

QRect StatusBarWidget::part_rect(int part) const {
    if (part < 0 || part >= static_cast<int>(edges_.size())) return {};
    const int left = part == 0 ? 0 : laid_out_[static_cast<std::size_t>(part - 1)];
    const int right = laid_out_[static_cast<std::size_t>(part)];
    return QRect(QPoint(left, 2), QPoint(right - kPartGap - 1, height() - 1));
}

QRect StatusBarWidget::text_rect(int part) const {
    return part_rect(part).adjusted(kTextPadding, 1, -kTextPadding, -1);
}

QString StatusBarWidget::shown_text(int part) const {
    return fontMetrics().elidedText(text(part), Qt::ElideMiddle, std::max(0, text_rect(part).width()));
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& colours = palette();
    for (int part = 0; part < static_cast<int>(edges_.size()); ++part) {
        const QRect field = part_rect(part);
        if (field.width() <= 0) continue;
        // a sunken field: dark upper and left edge, light lower and right edge
        p.setPen(colours.color(QPalette::Dark));
        p.drawLine(field.topLeft(), field.topRight());
        p.drawLine(field.topLeft(), field.bottomLeft());
        p.setPen(colours.color(QPalette::Light));
        p.drawLine(field.bottomLeft(), field.bottomRight());
        p.drawLine(field.topRight(), field.bottomRight());
        p.setPen(colours.color(QPalette::WindowText));
        p.drawText(text_rect(part), Qt::AlignLeft | Qt::AlignVCenter, shown_text(part));
    }
}

void StatusBarWidget::resizeEvent(QResizeEvent*) {
    grip_->move(width() - grip_->width(), height() - grip_->height());
    lay_out();
}

void StatusBarWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        measure_reserves();
        lay_out();
    }
    QWidget::changeEvent(event);
}

// A shortened text shows whole in the part's tooltip.
bool StatusBarWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        for (int part = 0; part < static_cast<int>(edges_.size()); ++part) {
            if (part_rect(part).contains(help->pos()) && shown_text(part) != text(part)) {
                QToolTip::showText(help->globalPos(), text(part), this, part_rect(part));
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace tervo
