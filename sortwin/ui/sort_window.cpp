#include "sortwin/ui/sort_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "resources/dialog_font.h"
#include "resources/image_strip.h"
#include "resources/sort_toolbar_art.h"
#include "sortwin/sort_procedures.h"

namespace tervo {
namespace {

// The window's client area in dialog units.
constexpr int kWindowWidthUnits = 195;
constexpr int kWindowHeightUnits = 335;
constexpr int kNameColumnWidth = 300;

// The window opens at the owner's client origin, below its menu bar.
QPoint client_origin(QWidget* owner) {
    QPoint origin(0, 0);
    if (auto* main_window = qobject_cast<QMainWindow*>(owner); main_window && main_window->menuWidget()) {
        origin.setY(main_window->menuWidget()->geometry().bottom() + 1);
    }
    return owner->mapToGlobal(origin);
}

}  // namespace

int run_sort_window(AppState& app, Platform& platform, QWidget* owner) {
    SortWindow window(app, platform, owner);
    window.exec();
    return 1;
}

SortWindow::SortWindow(AppState& app, Platform& platform, QWidget* owner)
    : TemplateDialog(owner, "並び替え", kWindowWidthUnits, kWindowHeightUnits), app_(app), platform_(platform) {
    // The frame has a context-help button beside the close box.
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    if (owner) move(client_origin(owner));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    create_toolbar();
    create_list_view();
    create_status_bar();
    layout->addWidget(toolbar_);
    layout->addWidget(list_view_, 1);
    layout->addWidget(status_bar_);

    fill_sort_list(app_, list_);
    show_list();
    update_status();
}

void SortWindow::create_toolbar() {
    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("sort_toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(kSortToolbarImageSize, kSortToolbarImageSize));
    const QImage strip = sort_toolbar_strip(devicePixelRatioF());
    for (int k = 0; k < kSortToolbarImageCount; ++k) {
        const int id = tb_sort_up + k;
        const QImage image = cut_from_strip(strip, k, kSortToolbarImageSize);
        // No text, so no tooltip either.
        QAction* action = toolbar_->addAction(QIcon(QPixmap::fromImage(image)), QString());
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { command(id); });
    }
}

void SortWindow::create_list_view() {
    list_view_ = new QTableWidget(0, 1, this);
    list_view_->setObjectName(QStringLiteral("sort_list"));
    list_view_->setHorizontalHeaderLabels({QStringLiteral("ファイル名")});
    list_view_->verticalHeader()->hide();
    list_view_->setShowGrid(true);
    list_view_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_view_->setWordWrap(false);
    QHeaderView* header = list_view_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_view_->setColumnWidth(0, kNameColumnWidth);
    list_view_->verticalHeader()->setDefaultSectionSize(list_view_->fontMetrics().height() + 4);

    connect(header, &QHeaderView::sectionClicked, this, [this](int column) { header_clicked(column); });
    connect(list_view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { take_selection_from_view(); });
    connect(list_view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { take_selection_from_view(); });
}

void SortWindow::create_status_bar() {
    // Two sunken parts whose right edges lie at 120 and 240 pixels.
    status_bar_ = new QWidget(this);
    status_bar_->setObjectName(QStringLiteral("sort_status_bar"));
    auto* layout = new QHBoxLayout(status_bar_);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(0);
    int left = 0;
    for (std::size_t part = 0; part < status_parts_.size(); ++part) {
        auto* label = new QLabel(status_bar_);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setFixedWidth(kSortStatusEdges[part] - left);
        left = kSortStatusEdges[part];
        layout->addWidget(label);
        status_parts_[part] = label;
    }
    layout->addStretch(1);
}

QAction* SortWindow::command_action(int id) const {
    for (QAction* action : toolbar_->actions()) {
        if (action->data().toInt() == id) return action;
    }
    return nullptr;
}

void SortWindow::closeEvent(QCloseEvent* event) {
    apply_order(app_, list_);
    done(1);
    event->accept();
}

void SortWindow::header_clicked(int column) {
    sort_by_column(app_, list_, platform_, handle(), column);
    show_list();
    update_status();
}

void SortWindow::command(int id) {
    if (run_sort_command(app_, list_, platform_, handle(), id) == AfterCommand::Close) {
        done(1);
        return;
    }
    show_list();
    update_status();
}

void SortWindow::update_status() {
    const auto texts = sort_status_texts(app_.sort);
    for (std::size_t part = 0; part < status_parts_.size(); ++part) {
        status_parts_[part]->setText(QString::fromUtf8(texts[part]));
    }
}

// Mirrors the list into the view: texts, selection, focus and the drop
// highlight of moved items, which stays until the window closes.
void SortWindow::show_list() {
    showing_list_ = true;
    const auto& items = list_.items();
    list_view_->setRowCount(static_cast<int>(items.size()));
    QItemSelectionModel* selection = list_view_->selectionModel();
    selection->clearSelection();
    const QPalette palette = list_view_->palette();
    QModelIndex focused;
    for (int row = 0; row < static_cast<int>(items.size()); ++row) {
        QTableWidgetItem* cell = list_view_->item(row, 0);
        if (!cell) {
            cell = new QTableWidgetItem;
            list_view_->setItem(row, 0, cell);
        }
        cell->setText(QString::fromUtf8(items[row].text));
        cell->setBackground(items[row].drop_highlighted ? palette.highlight() : QBrush());
        cell->setForeground(items[row].drop_highlighted ? palette.highlightedText() : QBrush());
        const QModelIndex index = list_view_->model()->index(row, 0);
        if (items[row].focused) focused = index;
        if (items[row].selected) selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    selection->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
    showing_list_ = false;
}

void SortWindow::take_selection_from_view() {
    if (showing_list_) return;
    std::optional<int> selected;
    const QModelIndexList rows = list_view_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) selected = rows.first().row();
    list_.select_only(selected);
    const QModelIndex current = list_view_->selectionModel()->currentIndex();
    list_.focus_only(current.isValid() ? std::optional<int>(current.row()) : std::nullopt);
}

}  // namespace tervo
