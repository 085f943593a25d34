// Answers the next modal window (message box, file dialog) that a test
// causes, from inside the modal loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace tervo::testing {

class ModalResponder {
public:
    // `answer` runs once, with the modal window, and must close it.
    explicit ModalResponder(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || answered_) return;
            answered_ = true;
            poll_.stop();
            answer_(modal);
        });
        poll_.start(10);
    }
    bool answered() const { return answered_; }

private:
    std::function<void(QWidget*)> answer_;
    QTimer poll_;
    bool answered_ = false;
};

}  // namespace tervo::testing
