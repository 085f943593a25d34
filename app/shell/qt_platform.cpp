#include "app/shell/qt_platform.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QUrl>

#include "app/commands.h"
#include "app/shell/client_area.h"
#include "app/shell/dialog_room.h"
#include "app/shell/file_dialog.h"
#include "app/shell/status_bar_widget.h"
#include "app/shell/tool_window_links.h"
#include "slideshow/paint.h"
#include "slideshow/picture_ahead.h"
#include "slideshow/playback.h"
#include "ui/window_handle.h"

namespace tervo {
namespace {

QString qt_text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string byte_text(const QString& text) { return text.toUtf8().toStdString(); }

// While it lives, closes `dialog` when `watched` is closed.
class CloseFollower : public QObject {
public:
    CloseFollower(QWidget* watched, QDialog* dialog) : watched_(watched), dialog_(dialog) {
        watched_->installEventFilter(this);
    }
    ~CloseFollower() override { watched_->removeEventFilter(this); }
    bool closed() const { return closed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == watched_ && event->type() == QEvent::Close) {
            closed_ = true;
            dialog_->reject();
        }
        return false;
    }

private:
    QWidget* watched_;
    QDialog* dialog_;
    bool closed_ = false;
};

}  // namespace

QtPlatform::QtPlatform(AppState& app, QWidget* main_window) : app_(app), main_window_(main_window) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { play_tick(app_, *this); });
}

WindowHandle QtPlatform::main_window() { return window_handle(main_window_); }

void QtPlatform::message_box(WindowHandle owner, const std::string& text, const std::string& title,
                             MessageIcon icon) {
    if (main_window_closed_ && owner == main_window()) return;
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, qt_text(title),
                    qt_text(text), QMessageBox::Ok, window_for(owner));
    widen_for_title(box);
    box.exec();
}

void QtPlatform::start_play_timer(int period_ms) { timer_.start(effective_timer_period(period_ms)); }

void QtPlatform::stop_play_timer() { timer_.stop(); }

void QtPlatform::repaint(bool erase) {
    if (!client_) return;
    if (erase) client_->erase_canvas();
    {
        QPainter painter(&client_->canvas());
        paint_slideshow(app_, *this, &painter, ahead_);
    }
    client_->show_canvas();
}

ClientSize QtPlatform::client_size() {
    if (!client_) return {};
    return {client_->width(), client_->height()};
}

void QtPlatform::set_status_bar(const std::vector<int>& right_edges, const std::vector<std::string>& texts) {
    if (status_bar_) status_bar_->set_parts(right_edges, texts);
}

std::optional<std::string> QtPlatform::choose_folder(const std::string& title, const std::string& initial) {
    // No owner: the chooser blocks no other window, so the main window keeps
    // taking commands while it is open (window-modal to no window at all).
    QFileDialog dialog(nullptr, qt_text(title), qt_text(initial));
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setWindowModality(Qt::WindowModal);
    give_file_dialog_room(dialog);
    // Closing the main window meanwhile ends the program: the chooser goes
    // with it, and no message follows.
    CloseFollower follower(main_window_, &dialog);
    const int result = dialog.exec();
    if (follower.closed()) {
        main_window_closed_ = true;
        return std::nullopt;
    }
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    if (chosen.isEmpty()) return std::nullopt;
    return byte_text(chosen);
}

std::optional<OpenFilesResult> QtPlatform::open_files(const FileDialogRequest& request) {
    FileDialog dialog(window_for(request.owner), request);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    OpenFilesResult result;
    for (const QString& path : dialog.chosen_paths())
        result.paths.push_back(byte_text(QFileInfo(path).absoluteFilePath()));
    if (result.paths.empty()) return std::nullopt;
    return result;
}

std::optional<std::string> QtPlatform::save_file(const FileDialogRequest& request) {
    FileDialog dialog(window_for(request.owner), request);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The name is used as typed: no extension is added to it. Replacing an
    // existing file is confirmed by the dialog itself.
    dialog.setDefaultSuffix(QString());
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return byte_text(dialog.selectedFiles().first());
}

bool QtPlatform::open_url(const std::string& url) {
    return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url)));
}

void QtPlatform::open_tool_window(ToolWindow which) { run_tool_window(app_, *this, main_window_, which); }

void QtPlatform::close_main_window() { main_window_->close(); }

void QtPlatform::discard_prepared_pictures() {
    if (ahead_) ahead_->discard();
}

}  // namespace tervo
