// Unit1: the main window TForm1 — the folder tree, the file list, the
// destination folder, the buttons that convert and open the settings dialog,
// the status bar — and the start-up and shutdown of the application.
//
// The window is a shell: listing, conversion and the settings file are the
// core's FolderLister, ConversionBatch and LoadSettings/SaveSettings; the
// window turns their results into rows, message boxes and status texts.
// Message boxes, the folder chooser and the opening of files go through a
// Desktop (Desktop.h).
//
// Life of the window: the constructor builds the components and the tree
// (FormCreate) and the settings dialog; the first show loads the settings,
// makes the documents and the work folder, lists the source folder and starts
// the 200 ms timer that polls the tree (FormShow); closing stops the timer,
// frees the documents and the work folder and saves the settings (FormClose).
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/WorkFolder.h"
#include "service/FolderListing.h"
#include "service/SettingsFile.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;
class QTimer;

namespace velkaro {

class Desktop;
class FileListModel;
class TForm2;
class TJwcData;
class TJwkData;
class TJwsData;
class TJwwData;
class TplExplorerFolderTree;

struct TForm1Options {
  // The settings file; empty: beside the executable, or in the user's
  // configuration folder when that folder is read-only (UnitVal.h).
  QString settingsFileName;
  // Where message boxes, the folder chooser and file opening go; null: the
  // real desktop.
  Desktop *desktop = nullptr;
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(TForm1Options options = {}, QWidget *parent = nullptr);
  ~TForm1() override;

  // ---- What the window shows and holds ----
  const QString &preFolder() const { return preFolder_; }
  QString destinationFolder() const;
  QString statusText() const;
  std::int32_t Sort1() const { return sort_.Sort1; }
  std::int32_t Sort2() const { return sort_.Sort2; }
  TplExplorerFolderTree *folderTree() const { return plExplorerFolderTree1; }
  TForm2 *settingsDialog() const { return Form2; }
  FileListModel *fileListModel() const { return listModel_; }
  QProgressBar *progressBar() const { return progress_; }
  // Whether the four documents exist (between FormShow and FormClose).
  bool hasDrawingData() const { return JWW != nullptr; }

  // ---- Event handlers ----
 public slots:
  void Timer1Timer();
  void ComboBox1Select();
  void BrowseForFolder1Execute();
  void ListView1ColumnClick(int column);
  void ListView1DblClick();
  void ButtonTClick();
  void ButtonXClick();
  void Button2Click();

 protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  class BatchView;

  void BuildComponents();
  void BuildPanel3();
  void BuildListView();
  void FormCreate();
  void FormShow();
  void FormClose();

  void LoadSettings(const QString &fileName);
  void SaveSettings(const QString &fileName);
  void ApplySettings(const TSettings &settings);
  TSettings CurrentSettings() const;
  void ApplyPanel1Width(int width);

  void InitDrawingData();
  void FreeDrawingData();
  bool EnsureWorkFolder();
  void UseWorkFolder();

  void ListFolder(const QString &F);
  std::vector<std::u16string> SelectedCaptions() const;
  int FirstSelectedRow() const;

  void SetStatusText(const QString &text);
  void StartTimer1();
  void StopTimer1();
  QString JoinPath(const QString &folder, const QString &name) const;

  // ---- Components (object names as the window's contract) ----
  QLabel *Label1 = nullptr;
  QWidget *Panel1 = nullptr;
  QSplitter *Splitter1 = nullptr;
  QWidget *Panel2 = nullptr;
  QWidget *Panel3 = nullptr;
  QLabel *Label2 = nullptr;
  QComboBox *ComboBox1 = nullptr;
  QPushButton *Button1 = nullptr;
  QLineEdit *Edit1 = nullptr;
  QPushButton *Button2 = nullptr;
  QPushButton *ButtonT = nullptr;
  QPushButton *ButtonX = nullptr;
  QLabel *Label3 = nullptr;
  QLabel *Label4 = nullptr;
  QTableView *ListView1 = nullptr;
  FileListModel *listModel_ = nullptr;
  QStatusBar *StatusBar1 = nullptr;
  QLabel *statusLabel_ = nullptr;
  QProgressBar *progress_ = nullptr;
  QTimer *Timer1 = nullptr;
  QAction *BrowseForFolder1 = nullptr;
  TplExplorerFolderTree *plExplorerFolderTree1 = nullptr;
  TForm2 *Form2 = nullptr;

  // ---- Fields ----
  TForm1Options options_;
  Desktop &desktop_;
  QString preFolder_;
  QString browseStartFolder_;
  TListSortState sort_;  // the column last clicked and the direction
  std::unique_ptr<TJwwData> JWW;
  std::unique_ptr<TJwsData> JWS;
  std::unique_ptr<TJwcData> JWC;
  std::unique_ptr<TJwkData> JWK;
  std::optional<WorkFolder> workFolder_;
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace velkaro
