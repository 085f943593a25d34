// Sizes at which Qt's dialogs show their texts whole: the file dialogs'
// columns and Japanese labels, and the message boxes' titles, which Qt's own
// sizing leaves to be cut by the window frame.
#pragma once

class QFileDialog;
class QMessageBox;

namespace tervo {

// The smallest size a file dialog opens at, unless the screen is smaller.
inline constexpr int kFileDialogWidth = 860;
inline constexpr int kFileDialogHeight = 520;

// Opens `dialog` at least kFileDialogWidth x kFileDialogHeight (the screen's
// available size when that is smaller), with the detail columns as wide as
// what they show.
void give_file_dialog_room(QFileDialog& dialog);

// Widens `box` so that the window frame has room for its whole title.
void widen_for_title(QMessageBox& box);

// The width a window frame needs for `box`'s title beside its buttons.
int title_width_needed(const QMessageBox& box);

}  // namespace tervo
