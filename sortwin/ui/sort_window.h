// The sort window ("並び替え"): a modal dialog in which the user reorders the
// file table by hand or by sorting it on the column header. The close box
// writes the new order into the file table; the toolbar's close button
// leaves it as it was.
#pragma once

#include <array>

#include "core/app_state.h"
#include "core/platform.h"
#include "sortwin/sort_list.h"
#include "ui/template_dialog.h"

class QAction;
class QLabel;
class QTableWidget;
class QToolBar;

namespace tervo {

// Runs the sort window over `owner` until it is closed; the main window's
// timer and paints go on meanwhile. Always returns 1.
int run_sort_window(AppState& app, Platform& platform, QWidget* owner);

class SortWindow : public TemplateDialog {
public:
    SortWindow(AppState& app, Platform& platform, QWidget* owner);

    // Esc and every other request to reject leave the window open.
    void reject() override {}

    // For the tests, which drive the window without a nested loop.
    const SortList& list() const { return list_; }
    QTableWidget* list_view() const { return list_view_; }
    QToolBar* toolbar() const { return toolbar_; }
    QAction* command_action(int command) const;
    QLabel* status_part(int part) const { return status_parts_[part]; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void create_toolbar();
    void create_list_view();
    void create_status_bar();
    void header_clicked(int column);
    void command(int id);
    void update_status();
    void show_list();
    void take_selection_from_view();

    AppState& app_;
    Platform& platform_;
    SortList list_;
    QToolBar* toolbar_ = nullptr;
    QTableWidget* list_view_ = nullptr;
    QWidget* status_bar_ = nullptr;
    std::array<QLabel*, 2> status_parts_{};
    bool showing_list_ = false;  // the view's own selection signals are ignored meanwhile
};

}  // namespace tervo
