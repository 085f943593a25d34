// Japanese for Qt's own texts (standard buttons, file dialogs) and the
// program's fonts.
#pragma once

class QApplication;

namespace tervo {

// Loads Qt's Japanese translation, maps the dialog font to the installed
// Japanese Gothic and makes it the application's font.
void install_japanese(QApplication& application);

}  // namespace tervo
