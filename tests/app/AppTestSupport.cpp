// Test-side helpers of the desktop application's tests.
#include "AppTestSupport.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "builders/JwwBuilder.h"
#include "jww/JwwUnit.h"

namespace velkaro::test {

void RecordingDesktop::ShowMessage(QWidget *, const QString &text) {
  calls.push_back({DesktopCall::Message, text, {}});
  if (onMessage)
    onMessage(text);
}

void RecordingDesktop::ShowError(QWidget *, const QString &text) {
  calls.push_back({DesktopCall::Error, text, {}});
}

QString RecordingDesktop::AskText(QWidget *, const QString &title, const QString &,
                                  const QString &text) {
  calls.push_back({DesktopCall::AskText, title, text});
  return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
}

QString RecordingDesktop::ChooseFile(QWidget *, const QString &title, const QString &filter, bool) {
  calls.push_back({DesktopCall::ChooseFile, title, filter});
  return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

bool RecordingDesktop::Confirm(QWidget *, const QString &text) {
  calls.push_back({DesktopCall::Confirm, text, {}});
  return confirmAnswer;
}

void RecordingDesktop::Beep() { calls.push_back({DesktopCall::Beep, {}, {}}); }

QString RecordingDesktop::ChooseFolder(QWidget *, const QString &title, const QString &start) {
  calls.push_back({DesktopCall::ChooseFolder, title, start});
  return folderToChoose;
}

bool RecordingDesktop::OpenFile(const QString &path) {
  calls.push_back({DesktopCall::OpenFile, path, {}});
  return openSucceeds;
}

QStringList RecordingDesktop::textsOf(DesktopCall::Kind kind) const {
  QStringList texts;
  for (const DesktopCall &call : calls)
    if (call.kind == kind)
      texts << call.text;
  return texts;
}

QStringList RecordingDesktop::messages() const { return textsOf(DesktopCall::Message); }

QStringList RecordingDesktop::errors() const { return textsOf(DesktopCall::Error); }

int RecordingDesktop::count(DesktopCall::Kind kind) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [kind](const DesktopCall &c) { return c.kind == kind; }));
}

bool WriteFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
         file.flush();
}

QByteArray ReadFile(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFilled(const QString &path, int size) { return WriteFile(path, QByteArray(size, 'x')); }

namespace {

QByteArray ToQBytes(const std::vector<std::uint8_t> &bytes) {
  return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

namespace {

testing::JwwDrawingSpec DrawingPlan(std::int32_t version, const std::u16string &memo,
                                    const std::vector<std::uint32_t> &kinds) {
  testing::JwwDrawingSpec plan = testing::MakeCanonicalDrawing(version);
  plan.hd.strMemo = memo;
  for (std::size_t k = 0; k < plan.EntMoj.size(); ++k) {
    plan.EntMoj[k].adMojiX = 1.0 + static_cast<double>(k);
    plan.EntMoj[k].adMojiY = 2.0 + static_cast<double>(k);
    plan.EntMoj[k].adMojiD = 0.25 * static_cast<double>(k);
    plan.EntMoj[k].anMojiCol = static_cast<std::int32_t>(k % 9) + 1;
  }
  for (std::uint32_t kind : kinds)
    plan.entities.push_back(testing::Text(u"text", kind));
  return plan;
}

}  // namespace

QByteArray JwwDrawing(std::int32_t version, const std::u16string &memo,
                      const std::vector<std::uint32_t> &kinds) {
  return ToQBytes(testing::BuildJww(DrawingPlan(version, memo, kinds)).bytes);
}

QByteArray JwwDrawingWithSwappedKinds(std::int32_t version, const std::u16string &memo,
                                      const std::vector<std::uint32_t> &kinds) {
  testing::JwwDrawingSpec plan = DrawingPlan(version, memo, kinds);
  std::swap(plan.EntMoj[0], plan.EntMoj[1]);
  return ToQBytes(testing::BuildJww(plan).bytes);
}

QByteArray JwwDrawingWithImage(const std::u16string &imageName, const QByteArray &image) {
  testing::JwwDrawingSpec plan = testing::MakeCanonicalDrawing(700);
  plan.entities.push_back(testing::Text(u"^@BM%temp%" + imageName + u",100,100,0,0,1,0", 1));
  testing::JwwImageSpec imageSpec;
  imageSpec.name = imageName;
  imageSpec.content.assign(image.begin(), image.end());
  plan.images.push_back(imageSpec);
  return ToQBytes(testing::BuildJww(plan).bytes);
}

std::vector<std::uint32_t> JwwTextKinds(const QString &path, std::int32_t *version) {
  TJwwData doc;
  std::vector<std::uint32_t> kinds;
  if (!doc.FileIn(path.toStdU16String()))
    return kinds;
  for (std::int32_t i = 0; i < doc.EntMojiN; ++i)
    kinds.push_back(doc.EntMoji[static_cast<std::size_t>(i)].nMojiShu);
  if (version)
    *version = doc.Enthd.jwVer;
  return kinds;
}

void ClickRow(QAbstractItemView *view, int row, Qt::KeyboardModifiers modifiers) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
}

void DoubleClickRow(QAbstractItemView *view, int row) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace velkaro::test
