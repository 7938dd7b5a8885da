// Translations: Qt's own Japanese texts for the standard dialogs and buttons
// (the folder browser's "Look in", "Cancel", ...), so that the whole
// interface is Japanese.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace velkaro {

// Where qtbase_ja.qm is looked for, in order: a "translations" folder beside
// the executable (where a packaged copy carries it), then Qt's own
// translations folder (QLibraryInfo::TranslationsPath; Debian's
// qt6-translations-l10n).
QStringList QtTranslationFolders();

// Installs Qt's Japanese translation from the first of `folders` that has
// it; the file loaded, or the empty text when none was found (the standard
// dialogs then stay in English).
QString InstallQtTranslation(QCoreApplication &application, const QStringList &folders);

}  // namespace velkaro
