// The main window's status bar: parts with fixed right edges, each showing
// its text in a sunken field, and a size grip in the corner.
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

    const std::vector<int>& edges() const { return edges_; }
    const std::vector<QString>& texts() const { return texts_; }
    QString text(int part) const;
    // The area of a part inside the bar.
    QRect part_rect(int part) const;
    // The text as it fits its part: whole, or shortened in the middle.
    QString shown_text(int part) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::vector<int> edges_;
    std::vector<QString> texts_;
    QSizeGrip* grip_;
};

}  // namespace tervo
