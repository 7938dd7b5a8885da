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
// Beyond the original window: F5 relists; a folder dropped on the tree or the
// list becomes the source folder (a dropped drawing: its folder, with the
// drawing selected), one dropped on (or typed or pasted into) the destination
// box the destination; the settings dialog shows the kinds of the selected
// drawings; a first start fits the columns to their contents.
//
// The window never holds its thread for long work: the listing, the kinds of
// the selection and the batch run on threads of their own (BackgroundTasks,
// BatchRunner) and report back here. A batch can be stopped (中止, Esc, or
// closing the window) between files; its outcome per row is listed in a
// ResultView; the last batch into the destination can be undone (元に戻す in
// the status bar). The map in force is shown beside the convert button, a batch
// asks before writing (unless turned off), and the settings are saved as
// soon as the map, the folder or the destination changes.
//
// Life of the window: the constructor builds the components and the tree
// (FormCreate) and the settings dialog; the first show loads the settings,
// makes the documents and the work folder, lists the source folder and starts
// the 200 ms timer that polls the tree (FormShow); closing stops the timer,
// frees the documents and the work folder and saves the settings (FormClose).
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <optional>
#include <string>
#include <vector>

#include "convert/ConversionBatch.h"
#include "convert/UndoBatch.h"
#include "convert/WorkFolder.h"
#include "service/FolderListing.h"
#include "service/SettingsFile.h"
#include "service/WindowOptions.h"

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

class BackgroundTasks;
class BatchRunner;
class Desktop;
class FileListModel;
class MapLine;
class ResultView;
class UndoButton;
class PreviewPane;
class TForm2;
class TJwcData;
class TJwkData;
class TJwsData;
class TJwwData;
class TplExplorerFolderTree;

struct TForm1Options {
  // The settings file; empty: the files DefaultSettingsFiles gives (beside
  // the executable, or the user's configuration folder when that folder is
  // read-only; UnitVal.h).
  QString settingsFileName;
  // Where message boxes, the folder chooser and file opening go; null: the
  // real desktop.
  Desktop *desktop = nullptr;
  // Where the settings are read when that is another file (a read-only
  // program's office settings); empty: settingsFileName.
  QString settingsLoadFileName = {};
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
  PreviewPane *previewPane() const { return preview_; }
  // Whether the four documents exist (between FormShow and FormClose).
  bool hasDrawingData() const { return JWW != nullptr; }
  // Whether a listing is still coming in.
  bool isListing() const { return listing_; }
  bool batchRunning() const;
  MapLine *mapLine() const { return mapLine_; }
  QPushButton *stopButton() const { return ButtonStop; }
  UndoButton *undoButton() const { return ButtonUndo; }
  ResultView *resultView() const { return resultView_; }
  const TWindowOptions &windowOptions() const { return windowOptions_; }

 signals:
  // A listing ended (all its rows are in the list).
  void listingFinished();
  // A batch ended and its result is shown.
  void batchFinished();
  // An undo ended and its result is shown.
  void undoFinished();

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
  // F5: lists the source folder again.
  void Relist();
  // A folder dropped on the tree or the list: selected in the tree, shown
  // and listed as the source folder.
  void SetSourceFolder(const QString &folder);
  // A folder chosen, dropped, typed or pasted as the destination; checked
  // as the conversion checks it, a refusal shown in the status bar.
  void SetDestinationFolder(const QString &folder);
  // A drawing dropped on the window: its folder is listed, the file selected.
  void ShowDroppedFile(const QString &file);
  // 中止 and Esc: the batch stops between files.
  void StopBatch();
  // 元に戻す: the last batch into the destination taken back, once the
  // user agreed to the batch it names.
  void UndoClick();

 protected:
  void setVisible(bool visible) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
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
  // The settings as they stand now, so a restart after a crash shows what
  // was last in force.
  void SaveSettingsNow();
  void ApplySettings(const TSettings &settings);
  TSettings CurrentSettings() const;
  void ApplyPanel1Width(int width);

  void InitDrawingData();
  void FreeDrawingData();
  bool EnsureWorkFolder();
  void UseWorkFolder();

  void ListFolder(const QString &F);
  void ListingRows(std::uint64_t generation, std::vector<ListRow> rows);
  void ListingFinished(std::uint64_t generation, const QString &F,
                       const FolderListingResult &result);
  void SelectRowNamed(const QString &name);
  void ShowSourceFolder(const QString &folder);
  void FitColumns();
  QString BrowseStartFolder() const;
  void ShowKindsOfSelection();
  void StartBatch(const std::vector<std::u16string> &rows);
  void BatchDone(std::shared_ptr<const BatchResult> result);
  void UndoDone(std::shared_ptr<const UndoResult> result);
  void SetBatchControlsEnabled(bool enabled);
  void ShowMapInForce();
  void GiveExtraWidthToNameAndMemo();
  void KeepFrameOnScreen();
  void PlaceSettingsDialog();
  std::vector<std::u16string> SelectedCaptions() const;
  int FirstSelectedRow() const;
  void ShowPreview();
  void ShowWhetherTheDestinationIsListed(const QString &listed);

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
  QPushButton *ButtonStop = nullptr;
  UndoButton *ButtonUndo = nullptr;
  MapLine *mapLine_ = nullptr;
  QLabel *Label3 = nullptr;
  QLabel *Label4 = nullptr;
  QTableView *ListView1 = nullptr;
  FileListModel *listModel_ = nullptr;
  PreviewPane *preview_ = nullptr;
  QStatusBar *StatusBar1 = nullptr;
  QLabel *statusLabel_ = nullptr;
  QProgressBar *progress_ = nullptr;
  QTimer *Timer1 = nullptr;
  QAction *BrowseForFolder1 = nullptr;
  TplExplorerFolderTree *plExplorerFolderTree1 = nullptr;
  TForm2 *Form2 = nullptr;
  ResultView *resultView_ = nullptr;
  BatchRunner *runner_ = nullptr;
  BackgroundTasks *tasks_ = nullptr;  // the listing and the kinds of the selection

  // ---- Fields ----
  TForm1Options options_;
  Desktop &desktop_;
  QString preFolder_;
  TListSortState sort_;  // the column last clicked and the direction
  std::unique_ptr<TJwwData> JWW;
  std::unique_ptr<TJwsData> JWS;
  std::unique_ptr<TJwcData> JWC;
  std::unique_ptr<TJwkData> JWK;
  std::optional<WorkFolder> workFolder_;
  bool shown_ = false;
  bool closed_ = false;
  // No settings file: columns follow their contents until the user resizes one.
  bool fitColumns_ = false;
  bool fittingColumns_ = false;
  TWindowOptions windowOptions_;
  bool settingsLoaded_ = false;
  // The listing coming in: its number (older ones are dropped), and how to stop it.
  std::uint64_t listingGeneration_ = 0;
  std::stop_source listingStop_;
  bool listing_ = false;
  QString selectAfterListing_;  // a dropped file's name
  std::uint64_t kindsGeneration_ = 0;
  // The rows and destination of the batch running.
  std::vector<std::u16string> batchRows_;
  QString batchDestination_;
  bool closeAfterBatch_ = false;
  bool keptOnScreen_ = false;
  int frameChecks_ = 0;
};

}  // namespace velkaro
