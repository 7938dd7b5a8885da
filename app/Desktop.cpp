// Desktop: the real message boxes, beep, folder chooser and file opening.
#include "Desktop.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "fOpen.h"

namespace velkaro {

QString ApplicationTitle() { return QGuiApplication::applicationDisplayName(); }

void QtDesktop::ShowMessage(QWidget *parent, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

void QtDesktop::ShowError(QWidget *parent, const QString &text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtDesktop::Confirm(QWidget *parent, const QString &text) {
  QMessageBox box(QMessageBox::Question, ApplicationTitle(), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::Yes);
  // Japanese whether or not Qt's own translation could be loaded.
  box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
  box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
  return box.exec() == QMessageBox::Yes;
}

void QtDesktop::Beep() { QApplication::beep(); }

QString QtDesktop::ChooseFolder(QWidget *parent, const QString &title, const QString &start) {
  const QString chosen = QFileDialog::getExistingDirectory(parent, title, start,
                                                           QFileDialog::ShowDirsOnly);
  return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

bool QtDesktop::OpenFile(const QString &path) { return TMisc::Open(path); }

QString QtDesktop::AskText(QWidget *parent, const QString &title, const QString &label,
                           const QString &text) {
  bool ok = false;
  const QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
  return ok ? answer : QString();
}

QString QtDesktop::ChooseFile(QWidget *parent, const QString &title, const QString &filter,
                              bool save) {
  const QString chosen = save ? QFileDialog::getSaveFileName(parent, title, QString(), filter)
                              : QFileDialog::getOpenFileName(parent, title, QString(), filter);
  return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

Desktop &DefaultDesktop() {
  static QtDesktop desktop;
  return desktop;
}

}  // namespace velkaro
