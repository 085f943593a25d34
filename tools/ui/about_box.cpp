#include "tools/ui/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "resources/about_picture.h"
#include "tools/ui/tool_windows.h"

namespace tervo {

AboutBox::AboutBox(QWidget* owner, LibraryVersion library)
    : TemplateDialog(owner, "このソフトについて", 123, 174) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);  // etched
    frame->setGeometry(units().rect(0, 44, 122, 108));
    add_label("Soft Name : Tervo", 4, 48, 114, 8, Qt::AlignHCenter);
    add_label(kAboutCreatorLine, 16, 128, 92, 8, Qt::AlignHCenter);
    ok_ = add_button("ＯＫ", 40, 156, 40, 16);
    // The box's own fixed line, deliberately not the program's version that
    // the main window's title shows.
    add_label("Version 1.00", 16, 58, 92, 8, Qt::AlignHCenter);
    add_label("連続表示ソフト", 8, 72, 108, 8, Qt::AlignHCenter);
    add_label(kAboutSiteLine, 4, 140, 112, 8, Qt::AlignHCenter);
    add_label(kAboutToolLine, 8, 88, 100, 8, Qt::AlignHCenter);
    add_label(kAboutLibraryLine, 8, 100, 100, 8, Qt::AlignHCenter);
    version_ = add_label(about_version_text(library).c_str(), 8, 108, 100, 8, Qt::AlignHCenter);
    connect(ok_, &QPushButton::clicked, this, &QWidget::close);
}

void AboutBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || picture_.devicePixelRatio() != devicePixelRatioF())
        picture_ = about_picture(devicePixelRatioF());
    QPainter painter(this);
    painter.drawImage(30, 0, picture_);
}

QWidget* open_about_box(QWidget* owner, LibraryVersion library) {
    auto* box = new AboutBox(owner, library);
    box->show();
    return box;
}

QWidget* open_about_box(QWidget* owner) { return open_about_box(owner, linked_library_version()); }

}  // namespace tervo
