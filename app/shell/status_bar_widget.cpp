#include "app/shell/status_bar_widget.h"

#include <QHelpEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QToolTip>

namespace tervo {
namespace {

constexpr int kPartGap = 2;      // between two sunken fields
constexpr int kTextPadding = 3;  // inside a field

}  // namespace

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent), grip_(new QSizeGrip(this)) {
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    grip_->resize(grip_->sizeHint());
}

void StatusBarWidget::set_parts(const std::vector<int>& right_edges, const std::vector<std::string>& texts) {
    edges_ = right_edges;
    texts_.clear();
    for (const std::string& text : texts) texts_.push_back(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    texts_.resize(edges_.size());
    update();
}

void StatusBarWidget::set_edges(const std::vector<int>& right_edges) {
    edges_ = right_edges;
    texts_.resize(edges_.size());
    update();
}

QString StatusBarWidget::text(int part) const {
    return (part >= 0 && part < static_cast<int>(texts_.size())) ? texts_[static_cast<std::size_t>(part)] : QString();
}

QRect StatusBarWidget::part_rect(int part) const {
    if (part < 0 || part >= static_cast<int>(edges_.size())) return {};
    const int left = part == 0 ? 0 : edges_[static_cast<std::size_t>(part - 1)];
    const int right = edges_[static_cast<std::size_t>(part)];
    return QRect(QPoint(left, 2), QPoint(right - kPartGap - 1, height() - 1));
}

QString StatusBarWidget::shown_text(int part) const {
    const QRect field = part_rect(part).adjusted(kTextPadding, 0, -kTextPadding, 0);
    return fontMetrics().elidedText(text(part), Qt::ElideMiddle, std::max(0, field.width()));
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
        p.drawText(field.adjusted(kTextPadding, 1, -kTextPadding, -1), Qt::AlignLeft | Qt::AlignVCenter,
                   shown_text(part));
    }
}

void StatusBarWidget::resizeEvent(QResizeEvent*) {
    grip_->move(width() - grip_->width(), height() - grip_->height());
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
