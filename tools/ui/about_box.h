// The About box "このソフトについて": modeless, one more box per use,
// deleted when closed.
#pragma once

#include <QImage>

#include "tools/about_text.h"
#include "ui/template_dialog.h"

class QLabel;
class QPushButton;

namespace tervo {

class AboutBox : public TemplateDialog {
public:
    AboutBox(QWidget* owner, LibraryVersion library);

    QLabel* version_label() const { return version_; }
    QPushButton* ok_button() const { return ok_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* version_;
    QImage picture_;  // drawn for the screen's device ratio, again only when it changes
    QPushButton* ok_;
};

// Opens a further About box showing `library`'s version and returns it.
QWidget* open_about_box(QWidget* owner, LibraryVersion library);

}  // namespace tervo
