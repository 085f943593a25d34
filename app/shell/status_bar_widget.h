// The main window's status bar: parts with right edges set by the program,
// each showing its text in a sunken field, and a size grip in the corner.
// Given the widest texts of its parts, the bar lays them out by its font so
// that every one of those texts shows whole (see status_bar_layout.h).
#pragma once

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QSizeGrip;

namespace tervo {

class StatusBarWidget : public QWidget {
public:
    // Height of the bar; the fit of the image leaves room for it.
    static constexpr int kHeight = 21;

    explicit StatusBarWidget(QWidget* parent);

    // Sets the parts (right edges in pixels) and their texts.
    void set_parts(const std::vector<int>& right_edges, const std::vector<std::string>& texts);
    // Changes only the layout; the texts of the remaining parts stay.
    void set_edges(const std::vector<int>& right_edges);
    // For a layout of as many parts as there are lists: the texts each part
    // must show whole; an empty list marks a part whose texts have no bound,
    // which shares the rest of the bar and shortens what does not fit.
    void set_part_reserves(const std::vector<std::vector<std::string>>& widest_texts);

    // The right edges as the program set them.
    const std::vector<int>& edges() const { return edges_; }
    // The right edges as laid out in the bar's font and width.
    const std::vector<int>& laid_out_edges() const { return laid_out_; }
    const std::vector<QString>& texts() const { return texts_; }
    QString text(int part) const;
    // The area of a part inside the bar, and the area its text is drawn in.
    QRect part_rect(int part) const;
    QRect text_rect(int part) const;
    // The text as it fits its part: whole, or shortened in the middle.
    QString shown_text(int part) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void measure_reserves();
    void lay_out();

    std::vector<int> edges_;
    std::vector<int> laid_out_;
    std::vector<std::vector<QString>> reserves_;
    std::vector<int> needed_widths_;  // of the reserves in the current font
    std::vector<QString> texts_;
    QSizeGrip* grip_;
};

}  // namespace tervo
