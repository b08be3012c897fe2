#pragma once

class QCoreApplication;

namespace fenban::gui {

// Qt's own texts (button captions of message boxes, the file dialog) in Chinese, from the translations
// installed with Qt. False when none could be loaded; the program then still works, in English there.
bool installQtTranslations(QCoreApplication &app);

// The program's icon on every window instead of Qt's.
void installApplicationIcon();

} // namespace fenban::gui
