// Translations: loading Qt's Japanese translation.
#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace velkaro {

namespace {

const QString kQtBaseJapanese = QStringLiteral("qtbase_ja.qm");

}  // namespace

QStringList QtTranslationFolders() {
  return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QString InstallQtTranslation(QCoreApplication &application, const QStringList &folders) {
  for (const QString &folder : folders) {
    const QString file = QDir(folder).filePath(kQtBaseJapanese);
    if (!QFileInfo::exists(file))
      continue;
    auto *translator = new QTranslator(&application);
    if (translator->load(file)) {
      QCoreApplication::installTranslator(translator);
      return file;
    }
    delete translator;
  }
  return {};
}

}  // namespace velkaro
