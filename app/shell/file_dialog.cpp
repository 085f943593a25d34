#include "app/shell/file_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

#include <algorithm>

#include "app/shell/dialog_room.h"

namespace tervo {

namespace {

QString qt_text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Hides the files whose names match none of the selected type's patterns;
// folders always stay. Qt's own name filter cannot do this: its "*.*" needs
// a dot in the name.
class PatternFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void set_patterns(const QStringList& patterns) {
        patterns_ = patterns;
        invalidateFilter();
    }

    // The file system model sorts by itself (folders first); the proxy keeps
    // its order.
    void sort(int column, Qt::SortOrder order) override { sourceModel()->sort(column, order); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files) return true;
        const QModelIndex index = files->index(row, 0, parent);
        if (files->isDir(index)) return true;
        const QString name = files->fileName(index);
        return std::any_of(patterns_.begin(), patterns_.end(),
                           [&](const QString& pattern) { return matches_pattern(name, pattern); });
    }

private:
    QStringList patterns_;
};

// The patterns of one type entry: "*.jpg", or several separated by ';'.
QStringList split_patterns(const std::string& pattern) {
    return qt_text(pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

}  // namespace

bool matches_pattern(const QString& name, const QString& pattern) {
    const QString trimmed = pattern.trimmed();
    if (trimmed == QStringLiteral("*") || trimmed == QStringLiteral("*.*")) return true;
    return QRegularExpression::fromWildcard(trimmed, Qt::CaseInsensitive).match(name).hasMatch();
}

FileDialog::FileDialog(QWidget* owner, const FileDialogRequest& request)
    : QFileDialog(owner), filters_(request.filters), proxy_(new PatternFilter(this)) {
    setOption(QFileDialog::DontUseNativeDialog);
    setWindowTitle(qt_text(request.title));
    setProxyModel(proxy_);
    // Qt lists every name; the proxy does the filtering. Each entry reaches
    // Qt as "text (*)", and hiding the details shows just the text.
    setOption(QFileDialog::HideNameFilterDetails);
    QStringList entries;
    for (const FileFilter& filter : filters_) entries << qt_text(filter.text) + QStringLiteral(" (*)");
    setNameFilters(entries);
    use_patterns(0);
    // The type list holds the entries in the order given; follow its choice
    // however it is made (mouse, keys or selectNameFilter).
    if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        connect(types, &QComboBox::currentIndexChanged, this, &FileDialog::use_patterns);
    } else {
        QStringList texts;
        for (const FileFilter& filter : filters_) texts << qt_text(filter.text);
        connect(this, &QFileDialog::filterSelected, this,
                [this, texts](const QString& text) { use_patterns(static_cast<int>(texts.indexOf(text))); });
    }

    give_file_dialog_room(*this);

    const QFileInfo initial(qt_text(request.initial_name));
    if (!request.initial_name.empty()) {
        setDirectory(initial.absolutePath());
        if (!initial.fileName().contains(QLatin1Char('*'))) selectFile(initial.fileName());
    }
}

void FileDialog::use_patterns(int filter_index) {
    if (filter_index < 0 || filter_index >= static_cast<int>(filters_.size())) return;
    static_cast<PatternFilter*>(proxy_)->set_patterns(split_patterns(filters_[filter_index].pattern));
}

QStringList FileDialog::typed_names(const QString& text) {
    if (!text.contains(QLatin1Char('"'))) return text.isEmpty() ? QStringList() : QStringList{text};
    QStringList names;
    const QStringList parts = text.split(QLatin1Char('"'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        if (!parts[i].isEmpty()) names << parts[i];
    }
    return names;
}

QStringList FileDialog::chosen_paths() const { return typed_paths_.isEmpty() ? selectedFiles() : typed_paths_; }

void FileDialog::accept() {
    typed_paths_.clear();
    const FileMode mode = fileMode();
    auto* name_field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if ((mode == ExistingFiles || mode == ExistingFile) && name_field) {
        // Qt would keep only the names its list shows under the selected
        // type; every typed name counts, resolved against the folder shown.
        QStringList paths;
        for (const QString& name : typed_names(name_field->text())) {
            QString path = name;
            if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
                path = QDir::homePath() + path.mid(1);
            paths << QDir::cleanPath(directory().absoluteFilePath(path));
        }
        // A folder name opens that folder, a wildcard is Qt's own business.
        const bool not_files = std::any_of(paths.begin(), paths.end(), [](const QString& path) {
            return QFileInfo(path).isDir() || path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?'));
        });
        if (!paths.isEmpty() && !not_files && (mode == ExistingFiles || paths.size() == 1)) {
            for (const QString& path : paths) {
                if (QFileInfo::exists(path)) continue;
                QMessageBox::warning(this, windowTitle(),
                                     QCoreApplication::translate("QFileDialog",
                                                                 "%1\nFile not found.\nPlease verify the "
                                                                 "correct file name was given.")
                                         .arg(QFileInfo(path).fileName()));
                return;
            }
            typed_paths_ = paths;
            QDialog::accept();
            return;
        }
    }
    QFileDialog::accept();
}

}  // namespace tervo
