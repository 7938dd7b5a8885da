// Desktop: what the windows ask of the desktop they run on — modal message
// boxes, the beep, the folder chooser and opening a file with the program the
// system associates with it.
//
// The windows never call QMessageBox, QFileDialog or QDesktopServices
// themselves; they go through a Desktop, so the tests put a recording one in
// its place and observe every message without clicking real dialogs.
#pragma once

#include <QString>

class QWidget;

namespace velkaro {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // A modal box with the text and one OK button, titled with the
  // application title.
  virtual void ShowMessage(QWidget *parent, const QString &text) = 0;
  // A modal box with the error icon, the title "エラー" and one OK button.
  virtual void ShowError(QWidget *parent, const QString &text) = 0;
  // A modal question with "はい" and "いいえ", titled with the application
  // title; true for "はい".
  virtual bool Confirm(QWidget *parent, const QString &text) = 0;
  // The system's simple beep.
  virtual void Beep() = 0;
  // The folder chooser titled `title`, starting at `start`; the empty text
  // when the user cancels.
  virtual QString ChooseFolder(QWidget *parent, const QString &title, const QString &start) = 0;
  // Opens the file with its associated program; false when the desktop
  // reports that it could not.
  virtual bool OpenFile(const QString &path) = 0;
  // A line of text asked for in a small dialog; empty when cancelled.
  virtual QString AskText(QWidget *parent, const QString &title, const QString &label,
                          const QString &text) = 0;
  // The file chooser for a file to read (`save` false) or to write, titled
  // `title`, filtered by `filter` ("説明 (*.json)"); empty when cancelled.
  virtual QString ChooseFile(QWidget *parent, const QString &title, const QString &filter,
                             bool save) = 0;
};

// The real desktop: QMessageBox, QApplication::beep, QFileDialog and
// QDesktopServices.
class QtDesktop final : public Desktop {
 public:
  void ShowMessage(QWidget *parent, const QString &text) override;
  void ShowError(QWidget *parent, const QString &text) override;
  bool Confirm(QWidget *parent, const QString &text) override;
  void Beep() override;
  QString ChooseFolder(QWidget *parent, const QString &title, const QString &start) override;
  bool OpenFile(const QString &path) override;
  QString AskText(QWidget *parent, const QString &title, const QString &label,
                  const QString &text) override;
  QString ChooseFile(QWidget *parent, const QString &title, const QString &filter,
                     bool save) override;
};

// The one QtDesktop of the program.
Desktop &DefaultDesktop();

// The title of every message box but the error box.
QString ApplicationTitle();

}  // namespace velkaro
