// Test-side helpers of the desktop application's tests: a Desktop that
// records every message instead of showing it, files in temporary folders,
// and small JWW drawings laid out by the test builder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "Desktop.h"

class QAbstractItemView;
class QWidget;

namespace velkaro::test {

// One call the window made to the desktop.
struct DesktopCall {
  enum Kind { Message, Error, Beep, ChooseFolder, OpenFile, Confirm, AskText, ChooseFile } kind;
  QString text;  // message text, chooser title or opened path
  QString extra;  // the chooser's start folder
};

class RecordingDesktop final : public Desktop {
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

  std::vector<DesktopCall> calls;
  QString folderToChoose;    // what the chooser returns (empty: cancelled)
  bool openSucceeds = true;  // what OpenFile returns
  bool confirmAnswer = true;  // what Confirm returns
  QStringList textAnswers;    // what AskText returns, one a call (then empty)
  QStringList fileAnswers;    // what ChooseFile returns, one a call (then empty)
  // Runs inside ShowMessage, while the batch waits for the box.
  std::function<void(const QString &)> onMessage;

  QStringList messages() const;  // texts of Message calls
  QStringList errors() const;    // texts of Error calls
  int count(DesktopCall::Kind kind) const;
  QStringList textsOf(DesktopCall::Kind kind) const;  // texts of the calls of one kind
  void clear() { calls.clear(); }
};

// Writes bytes to a file, making its folder; false on failure.
bool WriteFile(const QString &path, const QByteArray &bytes);
QByteArray ReadFile(const QString &path);
// A file of `size` bytes of 'x'.
bool WriteFilled(const QString &path, int size);

// A JWW drawing of the given version with a memo and one text per kind in
// `kinds` (the nMojiShu values), text-kind table entries differing per kind.
QByteArray JwwDrawing(std::int32_t version, const std::u16string &memo,
                      const std::vector<std::uint32_t> &kinds);
// The same drawing as another office keeps it: kinds 1 and 2 of its table
// hold each other's entries.
QByteArray JwwDrawingWithSwappedKinds(std::int32_t version, const std::u16string &memo,
                                      const std::vector<std::uint32_t> &kinds);
// A version 700 drawing carrying one bound image `imageName`, placed by a text.
QByteArray JwwDrawingWithImage(const std::u16string &imageName, const QByteArray &image);

// Reads a JWW file with the product's reader; the texts' nMojiShu values
// (empty when it cannot be read), and the version read.
std::vector<std::uint32_t> JwwTextKinds(const QString &path, std::int32_t *version = nullptr);

// Clicks a list row (with modifiers) and double-clicks one.
void ClickRow(QAbstractItemView *view, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void DoubleClickRow(QAbstractItemView *view, int row);

}  // namespace velkaro::test
