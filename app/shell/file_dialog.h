// Qt's own file dialog (never the desktop's) behaving as the program's
// dialogs are meant to: the type list shows the program's texts and filters
// as the original platform's wildcards do ("*.*" is every name, a dot or
// not), and names typed into the name field are taken as typed, also when
// they are of another type than the one shown or lie in another folder.
#pragma once

#include <QFileDialog>
#include <QStringList>

#include "core/platform.h"

class QSortFilterProxyModel;

namespace tervo {

class FileDialog : public QFileDialog {
public:
    // Title, type list (first entry selected) and the folder and name of
    // `request.initial_name` (a pattern there only picks the folder).
    FileDialog(QWidget* owner, const FileDialogRequest& request);

    // After an accepted exec(): the absolute paths chosen, in the order the
    // name field lists them.
    QStringList chosen_paths() const;

    // The names in a name field's text: one name, or several each in double
    // quotes, as the dialog writes a multiple selection.
    static QStringList typed_names(const QString& text);

    void accept() override;

private:
    void use_patterns(int filter_index);

    std::vector<FileFilter> filters_;
    QSortFilterProxyModel* proxy_;
    QStringList typed_paths_;
};

// The original platform's wildcard match of one file name: case-insensitive,
// and "*.*" (like "*") matches every name.
bool matches_pattern(const QString& name, const QString& pattern);

}  // namespace tervo
