// Unit1: TForm1, the main window.
#include "Unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QProxyStyle>
#include <QResizeEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionHeader>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "BackgroundTasks.h"
#include "BatchRunner.h"
#include "Desktop.h"
#include "ElidedLabel.h"
#include "FileListModel.h"
#include "FolderDrop.h"
#include "MapLine.h"
#include "PreviewPane.h"
#include "ResultView.h"
#include "UndoButton.h"
#include "NamedMapsPanel.h"
#include "Unit2.h"
#include "UnitVal.h"
#include "convert/ConversionBatch.h"
#include "convert/UnitV.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jwc/jwctype.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "plExplorerFolderTree.h"
#include "service/DrawingFacts.h"
#include "service/FolderListing.h"
#include "service/NamedMaps.h"
#include "service/WindowOptions.h"
#include "service/WindowPlacement.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {

namespace {

constexpr int kTimerInterval = 200;  // ms between two polls of the folder tree
constexpr int kPanel3Height = 80;

const QString kSourceLabelPrefix = QStringLiteral("参照フォルダ：");
const QString kBrowseTitle = QStringLiteral("変換後のファイルを保存するフォルダを指定して下さい");
const QString kNoSourceFolder = QStringLiteral("参照フォルダを指定して下さい。");
const QString kSourceFolderMissing = QStringLiteral("参照フォルダが存在しません。");
const QString kNoFileChosen = QStringLiteral("ファイルを指示して下さい。");
const QString kNoProgram = QStringLiteral("ファイル「%1」を開くプログラムが見つかりません。");
const QString kCloseDuringBatch =
    QStringLiteral("変換中です。変換を中止して終了しますか？\n（変換を終えたファイルはそのまま残ります）");
const QString kStopping = QStringLiteral("中止しています…（変換中のファイルを片付けています）");
const QString kReadingKinds = QStringLiteral("変換設定（選択した図面を読み込み中…）");
const QString kDialogTitle = QStringLiteral("変換設定");

// Sample values that set the width of the columns whose contents have a fixed
// form, so that the date and the version show whole on a first start.
const std::array<QString, 6> kColumnSamples{
    QStringLiteral("ABCDEFGH.jww"), QStringLiteral(".jww"), QStringLiteral("図面メモ"),
    QStringLiteral("0000/00/00 00:00:00"), QStringLiteral("0000000"), QStringLiteral("700")};
constexpr int kNameColumn = 0;
constexpr int kMemoColumn = 2;
constexpr int kNarrowestFlexibleColumn = 40;

QString FromU16(const std::u16string &s) { return QString::fromStdU16String(s); }
std::u16string ToU16(const QString &s) { return s.toStdU16String(); }

QLabel *MakeLabel(const QString &name, const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QPushButton *MakeButton(const QString &name, const QString &text, QWidget *parent) {
  auto *button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// The screens' areas that windows may use.
std::vector<TBounds> AvailableScreens() {
  std::vector<TBounds> screens;
  for (const QScreen *screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  return screens;
}

// A splitter whose left pane keeps its width when the window is resized, as a
// panel docked on the left does; only dragging the handle changes it.
class LeftPanelSplitter final : public QSplitter {
 public:
  explicit LeftPanelSplitter(QWidget *parent) : QSplitter(Qt::Horizontal, parent) {
    connect(this, &QSplitter::splitterMoved, this, [this] { leftWidth_ = sizes().value(0); });
  }
  void setLeftWidth(int width) {
    leftWidth_ = std::max(0, width);
    keepLeftWidth();
  }

 protected:
  void resizeEvent(QResizeEvent *event) override {
    QSplitter::resizeEvent(event);
    keepLeftWidth();
  }

 private:
  void keepLeftWidth() {
    if (count() < 2 || leftWidth_ < 0)
      return;
    const int rest = width() - handleWidth() - leftWidth_;
    setSizes({leftWidth_, std::max(rest, 1)});
  }

  int leftWidth_ = -1;
};

// Draws the header's sort arrow as Explorer does, whatever the style: pointing
// up over rows in ascending order, down over rows in descending order.
// QHeaderView hands the style SortDown for Qt::AscendingOrder, and styles
// differ in which way they draw it, so the arrow is drawn here from that.
class SortArrowStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
    const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
    if (element != PE_IndicatorHeaderArrow || !header ||
        header->sortIndicator == QStyleOptionHeader::None) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    const bool ascending = header->sortIndicator == QStyleOptionHeader::SortDown;
    QProxyStyle::drawPrimitive(ascending ? PE_IndicatorArrowUp : PE_IndicatorArrowDown, option,
                               painter, widget);
  }
};

}  // namespace

TForm1::TForm1(TForm1Options options, QWidget *parent)
    : QMainWindow(parent), options_(std::move(options)),
      desktop_(options_.desktop ? *options_.desktop : DefaultDesktop()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Velkaro Ver.1.10"));
  tasks_ = new BackgroundTasks(this);
  runner_ = new BatchRunner(this);
  BuildComponents();
  FormCreate();
  // The settings dialog is made after the main window, as at program start.
  Form2 = new TForm2(this, &desktop_);
  resultView_ = new ResultView(desktop_, this);

  // The file in progress stays in view until the next one starts.
  connect(runner_, &BatchRunner::statusChanged, this, [this](const QString &text) {
    if (!text.isEmpty() && !runner_->stopRequested())
      SetStatusText(text);
  });
  connect(runner_, &BatchRunner::progressed, this, [this](int done, int total) {
    progress_->setRange(0, std::max(1, total));
    progress_->setValue(std::min(done, total));
  });
  connect(runner_, &BatchRunner::refused, this, [this](const QString &message) {
    desktop_.ShowMessage(this, message);
    Button1->setFocus(Qt::OtherFocusReason);
  });
  connect(runner_, &BatchRunner::finished, this, &TForm1::BatchDone);
  connect(runner_, &BatchRunner::undone, this, &TForm1::UndoDone);
}

TForm1::~TForm1() {
  // Their threads may still post here: stop them before the members go.
  delete runner_;
  delete tasks_;
}

// ---------------------------------------------------------------------------
// Components

void TForm1::BuildComponents() {
  auto *central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  auto *column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Shortened in the middle: a deep folder keeps its own name in view.
  Label1 = new ElidedLabel(kSourceLabelPrefix, central);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAutoFillBackground(true);
  QPalette white = Label1->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  Label1->setPalette(white);
  Label1->setContentsMargins(4, 3, 4, 3);
  // A long folder must not widen the window.
  Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  column->addWidget(Label1);

  Splitter1 = new LeftPanelSplitter(central);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  column->addWidget(Splitter1, 1);

  Panel1 = new QWidget(Splitter1);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto *panel1Layout = new QVBoxLayout(Panel1);
  panel1Layout->setContentsMargins(0, 0, 0, 0);

  Panel2 = new QWidget(Splitter1);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto *panel2Layout = new QVBoxLayout(Panel2);
  panel2Layout->setContentsMargins(0, 0, 0, 0);
  panel2Layout->setSpacing(0);

  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(Panel2);
  // The tree keeps its width when the window is resized; the list takes the rest.
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);

  BuildPanel3();
  panel2Layout->addWidget(Panel3);
  BuildListView();
  auto *listAndPreview = new QSplitter(Qt::Vertical, Panel2);
  listAndPreview->setObjectName(QStringLiteral("PreviewSplitter"));
  listAndPreview->addWidget(ListView1);
  preview_ = new PreviewPane(listAndPreview);
  listAndPreview->addWidget(preview_);
  listAndPreview->setSizes({1, 1});  // half each, whatever the height
  panel2Layout->addWidget(listAndPreview, 1);

  setCentralWidget(central);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  // Shortened in the middle, so the progress bar beside it never hides the
  // end of a text (the destination of the file being converted).
  statusLabel_ = new ElidedLabel(QString(), StatusBar1);
  statusLabel_->setObjectName(QStringLiteral("StatusText"));
  statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  StatusBar1->addWidget(statusLabel_, 1);
  progress_ = new QProgressBar(StatusBar1);
  progress_->setObjectName(QStringLiteral("ProgressBar"));
  progress_->setFormat(QStringLiteral("%v / %m"));
  progress_->setMaximumWidth(160);
  progress_->hide();
  StatusBar1->addPermanentWidget(progress_);
  ButtonStop = MakeButton(QStringLiteral("ButtonStop"), QStringLiteral("中止"), StatusBar1);
  ButtonStop->setToolTip(QStringLiteral("変換中のファイルを終えてから止めます（Esc）"));
  ButtonStop->hide();
  StatusBar1->addPermanentWidget(ButtonStop);
  ButtonUndo = new UndoButton(StatusBar1);
  StatusBar1->addPermanentWidget(ButtonUndo);
  setStatusBar(StatusBar1);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTimerInterval);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

  BrowseForFolder1 = new QAction(QStringLiteral("保存先フォルダ"), this);
  BrowseForFolder1->setObjectName(QStringLiteral("BrowseForFolder1"));
  BrowseForFolder1->setProperty("category", QStringLiteral("ファイル"));
  connect(BrowseForFolder1, &QAction::triggered, this, &TForm1::BrowseForFolder1Execute);
  connect(Button1, &QPushButton::clicked, BrowseForFolder1, &QAction::trigger);

  connect(ComboBox1, &QComboBox::activated, this, [this](int) { ComboBox1Select(); });
  auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
  refresh->setObjectName(QStringLiteral("RefreshShortcut"));
  connect(refresh, &QShortcut::activated, this, &TForm1::Relist);
  auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName(QStringLiteral("StopShortcut"));
  connect(escape, &QShortcut::activated, this, &TForm1::StopBatch);
  connect(ButtonStop, &QPushButton::clicked, this, &TForm1::StopBatch);
  // A drawing dropped on the preview shows its folder, as on the list.
  auto *previewDrop = new FolderDrop(preview_, this, FolderDrop::Accept::FoldersAndFiles);
  connect(previewDrop, &FolderDrop::folderDropped, this, &TForm1::SetSourceFolder);
  connect(previewDrop, &FolderDrop::fileDropped, this, &TForm1::ShowDroppedFile);
  auto *destinationDrop = new FolderDrop(Edit1, this);
  connect(destinationDrop, &FolderDrop::folderDropped, this, &TForm1::SetDestinationFolder);
  connect(Edit1, &QLineEdit::editingFinished, this, [this] { SetDestinationFolder(Edit1->text()); });
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ButtonT, &QPushButton::clicked, this, &TForm1::ButtonTClick);
  connect(ButtonX, &QPushButton::clicked, this, &TForm1::ButtonXClick);
  connect(ButtonUndo, &QPushButton::clicked, this, &TForm1::UndoClick);
}

void TForm1::BuildPanel3() {
  Panel3 = new QWidget(Panel2);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setFixedHeight(kPanel3Height);
  auto *grid = new QGridLayout(Panel3);
  // Three rows of 24 pixels fill the 80; the columns fit beside a 200 pixel
  // tree in the 600 pixel window of the first start.
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);

  Label2 = MakeLabel(QStringLiteral("Label2"), QStringLiteral("ファイルの種類："), Panel3);
  ComboBox1 = new QComboBox(Panel3);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(false);
  for (const std::u16string &entry : kFileTypeEntries)
    ComboBox1->addItem(FromU16(entry));
  ComboBox1->setCurrentIndex(0);
  // As wide as its longest entry (*.jww and *.jws must be told apart), and
  // no wider: more room goes to the list, not to the box.
  ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  ComboBox1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

  Button1 = MakeButton(QStringLiteral("Button1"), QStringLiteral("保存先フォルダ"), Panel3);
  Edit1 = new QLineEdit(Panel3);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  // A path may be typed or pasted (checked when the edit ends) or a folder
  // dropped on it; reached by Tab like every other control.
  Edit1->setFocusPolicy(Qt::StrongFocus);

  Button2 = MakeButton(QStringLiteral("Button2"), QStringLiteral("変換設定(&S)"), Panel3);
  Label3 = MakeLabel(QStringLiteral("Label3"), QStringLiteral("※変換対象は"), Panel3);
  Label4 = MakeLabel(QStringLiteral("Label4"), QStringLiteral("JWW/JWCのみ"), Panel3);

  ButtonT = MakeButton(QStringLiteral("ButtonT"), QStringLiteral("変換 (&T)"), Panel3);
  ButtonX = MakeButton(QStringLiteral("ButtonX"), QStringLiteral("終了 (&X)"), Panel3);
  mapLine_ = new MapLine(Panel3);

  // The file-type box has the top row to itself: beside a 200 pixel tree in
  // the 600 pixel window of the first start, "ファイルの種類：" and the box's
  // longest entry leave no room for anything else there. The commands sit
  // in the two rows below, the convert and exit buttons at the right edge.
  grid->addWidget(Label2, 0, 0);
  grid->addWidget(ComboBox1, 0, 1, 1, 4, Qt::AlignLeft | Qt::AlignVCenter);
  // The map in force, right above the convert button and as wide as it (a
  // longer map is shortened). It shares the top row with the file-type box,
  // which may reach into that column: only the box sets the row's width.
  grid->addWidget(mapLine_, 0, 4);
  grid->addWidget(Button1, 1, 0);
  grid->addWidget(Edit1, 2, 0, 1, 2);
  grid->addWidget(Button2, 1, 1);
  grid->addWidget(Label3, 1, 2);
  grid->addWidget(Label4, 2, 2);
  grid->addWidget(ButtonT, 1, 4);
  grid->addWidget(ButtonX, 2, 4);
  grid->setColumnStretch(3, 1);

  setTabOrder(ComboBox1, Button1);
  setTabOrder(Button1, Edit1);
  setTabOrder(Edit1, Button2);
  setTabOrder(Button2, ButtonT);
  setTabOrder(ButtonT, ButtonX);
}

void TForm1::BuildListView() {
  ListView1 = new QTableView(Panel2);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  listModel_ = new FileListModel(ListView1);
  ListView1->setModel(listModel_);
  ListView1->setShowGrid(true);
  ListView1->setGridStyle(Qt::SolidLine);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setSortingEnabled(false);  // the window sorts, by ListView1Compare
  ListView1->setWordWrap(false);
  ListView1->setTabKeyNavigation(false);
  ListView1->setCornerButtonEnabled(false);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 5);
  QHeaderView *header = ListView1->horizontalHeader();
  header->setObjectName(QStringLiteral("ListView1Header"));
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setHighlightSections(false);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  auto *arrows = new SortArrowStyle;
  arrows->setParent(header);
  header->setStyle(arrows);
  for (int c = 0; c < listModel_->columnCount(); ++c)
    header->resizeSection(c, 80);
  connect(header, &QHeaderView::sectionClicked, this, &TForm1::ListView1ColumnClick);
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TForm1::ShowPreview);
  connect(listModel_, &QAbstractItemModel::modelReset, this, &TForm1::ShowPreview);
  // Widths the user sets are kept; until then a first start fits them.
  connect(header, &QHeaderView::sectionResized, this, [this] {
    if (!fittingColumns_)
      fitColumns_ = false;
  });
  // Any double click in the list counts, also on empty space below the rows.
  ListView1->viewport()->installEventFilter(this);
  // Home and End go to the first and last file (not the first and last column).
  ListView1->installEventFilter(this);
  auto *sourceDrop =
      new FolderDrop(ListView1->viewport(), this, FolderDrop::Accept::FoldersAndFiles);
  connect(sourceDrop, &FolderDrop::folderDropped, this, &TForm1::SetSourceFolder);
  connect(sourceDrop, &FolderDrop::fileDropped, this, &TForm1::ShowDroppedFile);
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate() {
  plExplorerFolderTree1 = new TplExplorerFolderTree(this);
  plExplorerFolderTree1->setParent(Panel1);
  Panel1->layout()->addWidget(plExplorerFolderTree1);
  plExplorerFolderTree1->setRootFolder(QString());
  plExplorerFolderTree1->setSelectFolder(QString());

  setTabOrder(plExplorerFolderTree1->treeView(), ComboBox1);
  setTabOrder(ButtonX, ListView1);
  auto *treeDrop = new FolderDrop(plExplorerFolderTree1->treeView()->viewport(), this,
                                  FolderDrop::Accept::FoldersAndFiles);
  connect(treeDrop, &FolderDrop::folderDropped, this, &TForm1::SetSourceFolder);
  connect(treeDrop, &FolderDrop::fileDropped, this, &TForm1::ShowDroppedFile);
}

void TForm1::setVisible(bool visible) {
  // The settings are applied before the window is first made, so that the
  // saved position is taken as the frame's, as it was saved; applied to a
  // window already made, it would place the inside there and the window
  // would creep up by its title bar on every start.
  if (visible && !shown_) {
    shown_ = true;
    FormShow();
    if (windowOptions_.maximized)
      setWindowState(windowState() | Qt::WindowMaximized);
  }
  QMainWindow::setVisible(visible);
}

void TForm1::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (fitColumns_ && !event->spontaneous())
    FitColumns();  // the list has its width only now
  if (!event->spontaneous() && !keptOnScreen_) {
    keptOnScreen_ = true;
    // Only now is the frame known: the whole frame goes inside the screen.
    QTimer::singleShot(0, this, &TForm1::KeepFrameOnScreen);
  }
}

void TForm1::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMaximized())
    QTimer::singleShot(0, this, &TForm1::GiveExtraWidthToNameAndMemo);  // once laid out
}

void TForm1::KeepFrameOnScreen() {
  if (isMaximized() || isFullScreen())
    return;
  const QRect frame = frameGeometry();
  // The window manager adds the frame a moment after the window is shown:
  // look again until it is there (a platform without frames never adds one).
  if (frame == geometry() && frameChecks_ < 20) {
    ++frameChecks_;
    QTimer::singleShot(50, this, &TForm1::KeepFrameOnScreen);
    return;
  }
  const TBounds placed =
      PlaceOnScreens({frame.x(), frame.y(), frame.width(), frame.height()}, AvailableScreens());
  if (placed == TBounds{frame.x(), frame.y(), frame.width(), frame.height()})
    return;
  resize(width() - (frame.width() - placed.width), height() - (frame.height() - placed.height));
  move(placed.left, placed.top);
}

void TForm1::FormShow() {
  const QString executable = QCoreApplication::applicationFilePath();
  AppFolder = QDir::toNativeSeparators(QFileInfo(executable).absolutePath() + QLatin1Char('/'));
  // A private folder per run for the images drawings carry, instead of a
  // shared "TEMP" beside the executable: two copies running at once must not
  // delete each other's images, and the executable's folder may be read-only.
  workFolder_ = WorkFolder::Create();
  TempFolder = workFolder_ ? FromU16(workFolder_->path()) : QString();
  if (options_.settingsFileName.isEmpty()) {
    const SettingsFiles files = DefaultSettingsFiles();
    SettingsFileName = files.save;
    options_.settingsLoadFileName = files.load;
  } else {
    SettingsFileName = options_.settingsFileName;
  }
  LoadSettings(options_.settingsLoadFileName.isEmpty() ? SettingsFileName
                                                       : options_.settingsLoadFileName);
  // The user's saved maps beside the settings, the office's beside the program.
  Form2->namedMaps()->setFiles(
      FromU16(NamedMapsFileName(ToU16(SettingsFileName))),
      FromU16(NamedMapsFileName(ReplaceExt(ToU16(QDir::toNativeSeparators(executable)), u".dat"))));
  InitDrawingData();
  plExplorerFolderTree1->setSelectFolder(preFolder_);
  sort_ = TListSortState{};
  ShowSourceFolder(preFolder_);
  ShowMapInForce();
  ListFolder(preFolder_);
  StartTimer1();
}

void TForm1::closeEvent(QCloseEvent *event) {
  if (runner_->running()) {
    // Nothing is left half-done: the batch stops between files first, and
    // the window closes once it has.
    event->ignore();
    if (closeAfterBatch_ || desktop_.Confirm(this, kCloseDuringBatch)) {
      closeAfterBatch_ = true;
      StopBatch();
    }
    return;
  }
  if (shown_ && !closed_) {
    closed_ = true;
    FormClose();
  }
  QMainWindow::closeEvent(event);
}

void TForm1::FormClose() {
  StopTimer1();
  listingStop_.request_stop();
  if (JWW)
    FreeDrawingData();
  if (workFolder_) {
    workFolder_->remove();
    workFolder_.reset();
  }
  TempFolder.clear();
  SaveSettings(SettingsFileName);
}

void TForm1::InitDrawingData() {
  InitJwcDefaults();
  DefaultPenStyle = 1;
  DefaultPenColor = 1;
  JWW = std::make_unique<TJwwData>();
  JWS = std::make_unique<TJwsData>();
  JWC = std::make_unique<TJwcData>();
  JWK = std::make_unique<TJwkData>();
  JWW->BindImageExp = true;
  JWW->BindImageExr = true;
  JWS->BindImageExp = false;
  JWS->BindImageExr = false;
  UseWorkFolder();
}

void TForm1::UseWorkFolder() {
  const std::u16string folder = workFolder_ ? workFolder_->path() : std::u16string();
  if (JWW)
    JWW->BindImageFolder = folder;
  if (JWS)
    JWS->BindImageFolder = folder;
  TempFolder = FromU16(folder);
}

bool TForm1::EnsureWorkFolder() {
  // The folder lives in the system's temporary folder, which cleaners may
  // empty while the window stays open for days: make a new one then.
  if (workFolder_ && IsFolder(workFolder_->path()))
    return true;
  workFolder_ = WorkFolder::Create();
  UseWorkFolder();
  return workFolder_.has_value();
}

void TForm1::FreeDrawingData() {
  JwwDataFree(*JWW);
  JWK.reset();
  JWC.reset();
  JWS.reset();
  JWW.reset();
}

// ---------------------------------------------------------------------------
// Settings

void TForm1::LoadSettings(const QString &fileName) {
  TSettings settings;
  const SettingsFileState state = LoadSettingsFile(ToU16(fileName), settings);
  // Without a settings file the columns are fitted to what they show, until
  // the user sets widths.
  fitColumns_ = state == SettingsFileState::NoFile;
  windowOptions_ = LoadWindowOptions(WindowOptionsFileName(ToU16(fileName)));
  ApplySettings(settings);
  settingsLoaded_ = true;
}

void TForm1::SaveSettings(const QString &fileName) {
  // A failed save leaves the earlier file as it was.
  velkaro::SaveSettings(ToU16(fileName), CurrentSettings());
  TWindowOptions options = windowOptions_;
  options.maximized = isMaximized();
  SaveWindowOptions(WindowOptionsFileName(ToU16(fileName)), options);
}

void TForm1::SaveSettingsNow() {
  if (settingsLoaded_ && !closed_ && !SettingsFileName.isEmpty())
    SaveSettings(SettingsFileName);
}

void TForm1::ApplySettings(const TSettings &settings) {
  const TBounds bounds = PlaceOnScreens({settings.Left, settings.Top, settings.Width, settings.Height},
                                        AvailableScreens());
  move(bounds.left, bounds.top);
  resize(bounds.width, bounds.height);
  ApplyPanel1Width(settings.Panel1Width);
  preFolder_ = FromU16(settings.preFolder);
  if (settings.destFolder)
    Edit1->setText(FromU16(*settings.destFolder));
  ButtonUndo->showFor(Edit1->text());
  const bool knownType = settings.fileType >= 0 && settings.fileType < ComboBox1->count();
  ComboBox1->setCurrentIndex(knownType ? settings.fileType : -1);
  fittingColumns_ = true;
  for (int c = 0; c < static_cast<int>(settings.columnWidths.size()); ++c)
    ListView1->horizontalHeader()->resizeSection(c, settings.columnWidths[static_cast<std::size_t>(c)]);
  fittingColumns_ = false;
  Form2->move(settings.dialogLeft, settings.dialogTop);
  MojiShuMap = settings.map;
}

TSettings TForm1::CurrentSettings() const {
  TSettings settings;
  settings.Left = x();
  settings.Top = y();
  settings.Width = width();
  settings.Height = height();
  if (isMaximized() || isFullScreen()) {
    // The size it comes back to when no longer maximised.
    const QRect normal = normalGeometry();
    const QPoint frame = geometry().topLeft() - frameGeometry().topLeft();
    settings.Left = normal.x() - frame.x();
    settings.Top = normal.y() - frame.y();
    settings.Width = normal.width();
    settings.Height = normal.height();
  }
  settings.Panel1Width = Panel1->width();
  settings.preFolder = ToU16(preFolder_);
  settings.destFolder = ToU16(Edit1->text());
  settings.fileType = ComboBox1->currentIndex();
  for (int c = 0; c < static_cast<int>(settings.columnWidths.size()); ++c)
    settings.columnWidths[static_cast<std::size_t>(c)] = ListView1->horizontalHeader()->sectionSize(c);
  settings.dialogLeft = Form2->x();
  settings.dialogTop = Form2->y();
  settings.map = MojiShuMap;
  return settings;
}

void TForm1::ApplyPanel1Width(int width) {
  static_cast<LeftPanelSplitter *>(Splitter1)->setLeftWidth(width);
}

// ---------------------------------------------------------------------------
// Folder listing

void TForm1::ListFolder(const QString &F) {
  StopTimer1();
  // A listing still coming in is left at once: a slow share must not keep
  // the user from the next folder.
  listingStop_.request_stop();
  const std::uint64_t generation = ++listingGeneration_;
  listing_ = true;
  SetStatusText(FromU16(kListingStatusSearching));
  ShowWhetherTheDestinationIsListed(F);
  listModel_->clear();
  // The new rows are in name order, not in the order the arrow showed.
  ListView1->horizontalHeader()->setSortIndicatorShown(false);
  BackgroundTasks *tasks = tasks_;
  listingStop_ = tasks_->run([this, tasks, generation, F, fileType = ComboBox1->currentIndex()](
                                 std::stop_token stop) {
    // Documents of its own: the window's may be reading another header.
    TJwwData jww;
    TJwsData jws;
    TJwcData jwc;
    TJwkData jwk;
    FolderLister lister(jww, jws, jwc, jwk);
    const auto result = std::make_shared<FolderListingResult>(lister.ListFolder(
        ToU16(F), fileType,
        [&](std::vector<ListRow> rows) {
          auto lot = std::make_shared<std::vector<ListRow>>(std::move(rows));
          tasks->post([this, generation, lot] { ListingRows(generation, std::move(*lot)); });
        },
        stop));
    tasks->post([this, generation, F, result] { ListingFinished(generation, F, *result); });
  });
  StartTimer1();
}

void TForm1::ListingRows(std::uint64_t generation, std::vector<ListRow> rows) {
  if (generation != listingGeneration_)
    return;  // a listing the user has left
  listModel_->appendRows(std::move(rows));
  if (!selectAfterListing_.isEmpty())
    SelectRowNamed(selectAfterListing_);
}

void TForm1::ListingFinished(std::uint64_t generation, const QString &F,
                             const FolderListingResult &result) {
  if (generation != listingGeneration_)
    return;
  listing_ = false;
  selectAfterListing_.clear();
  if (result.folderExists) {
    SetStatusText(FromU16(result.statusText));
    if (fitColumns_)
      FitColumns();
  } else {
    // Nothing was searched: say why rather than "searching" for ever.
    SetStatusText(F.isEmpty() ? QString() : kSourceFolderMissing);
  }
  emit listingFinished();
}

void TForm1::SelectRowNamed(const QString &name) {
  const int row = static_cast<int>(std::find_if(listModel_->rows().begin(), listModel_->rows().end(),
                                                [&](const ListRow &r) { return FromU16(r.caption) == name; }) -
                                   listModel_->rows().begin());
  if (row >= listModel_->rowCount())
    return;
  selectAfterListing_.clear();
  const QModelIndex index = listModel_->index(row, 0);
  ListView1->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ListView1->scrollTo(index);
  ListView1->setFocus(Qt::OtherFocusReason);
}

void TForm1::Relist() { ListFolder(preFolder_); }

void TForm1::SetSourceFolder(const QString &folder) {
  if (folder.isEmpty() || !IsFolder(ToU16(folder)))
    return;
  plExplorerFolderTree1->setSelectFolder(folder);
  ShowSourceFolder(folder);
  ListFolder(folder);
  preFolder_ = folder;
  SaveSettingsNow();
}

void TForm1::ShowDroppedFile(const QString &file) {
  const QFileInfo info(file);
  const QString folder = QDir::toNativeSeparators(info.absolutePath());
  if (folder == preFolder_ && !listing_) {
    SelectRowNamed(info.fileName());
    return;
  }
  selectAfterListing_ = info.fileName();
  SetSourceFolder(folder);
}

void TForm1::ShowSourceFolder(const QString &folder) {
  Label1->setText(kSourceLabelPrefix + folder);
  Label1->setToolTip(folder);
}

void TForm1::FitColumns() {
  QHeaderView *header = ListView1->horizontalHeader();
  const int columns = listModel_->columnCount();
  std::vector<int> widths(static_cast<std::size_t>(columns));
  const QFontMetrics metrics = ListView1->fontMetrics();
  // An item view's text margin on each side, as QStyledItemDelegate lays out.
  const int padding = 2 * (ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView1) + 1);
  int total = 0;
  for (int c = 0; c < columns; ++c) {
    const int sample = metrics.horizontalAdvance(kColumnSamples[static_cast<std::size_t>(c)]) + padding;
    const int content =
        std::max(static_cast<QAbstractItemView *>(ListView1)->sizeHintForColumn(c), sample);
    widths[static_cast<std::size_t>(c)] = std::max(header->sectionSizeHint(c), content);
    total += widths[static_cast<std::size_t>(c)];
  }
  // The name and the memo give way (down to a few characters; their tool
  // tips show them whole), so that the date, size and version stay whole.
  // Rows listed later may bring the vertical scroll bar: keep room for it.
  int room = ListView1->viewport()->width();
  if (!ListView1->verticalScrollBar()->isVisible())
    room -= ListView1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView1);
  int excess = total - room;
  for (int c : {kMemoColumn, kNameColumn}) {
    if (excess <= 0)
      break;
    int &w = widths[static_cast<std::size_t>(c)];
    const int give = std::min(excess, w - kNarrowestFlexibleColumn);
    if (give > 0) {
      w -= give;
      excess -= give;
    }
  }
  fittingColumns_ = true;
  for (int c = 0; c < columns; ++c)
    header->resizeSection(c, widths[static_cast<std::size_t>(c)]);
  fittingColumns_ = false;
}

void TForm1::Timer1Timer() {
  StopTimer1();
  const QString s = plExplorerFolderTree1->SelectFolder();
  if (!s.isEmpty() && s != preFolder_) {
    ShowSourceFolder(s);
    ListFolder(s);
    preFolder_ = s;
    SaveSettingsNow();
  }
  StartTimer1();
}

void TForm1::ComboBox1Select() { ListFolder(preFolder_); }

void TForm1::ListView1ColumnClick(int column) {
  sort_.ColumnClick(column);
  listModel_->sortRows(sort_.Sort1, sort_.Sort2);
  QHeaderView *header = ListView1->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, sort_.Sort2 == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// ---------------------------------------------------------------------------
// Commands

QString TForm1::BrowseStartFolder() const {
  // The destination, else the source folder, else the home folder: never the
  // program's own folder.
  for (const QString &folder : {Edit1->text(), preFolder_})
    if (!folder.isEmpty() && IsFolder(ToU16(folder)))
      return folder;
  return QDir::toNativeSeparators(QDir::homePath());
}

void TForm1::BrowseForFolder1Execute() {
  const QString chosen = desktop_.ChooseFolder(this, kBrowseTitle, BrowseStartFolder());
  if (chosen.isEmpty())
    return;  // cancelled
  SetDestinationFolder(chosen);
}

void TForm1::SetDestinationFolder(const QString &typed) {
  QString folder = typed.trimmed();
  // A path pasted from a file manager may come quoted or as a file URL.
  if (folder.size() >= 2 && folder.startsWith(QLatin1Char('"')) && folder.endsWith(QLatin1Char('"')))
    folder = folder.mid(1, folder.size() - 2);
  if (folder.startsWith(QStringLiteral("file:")))
    folder = QUrl(folder).toLocalFile();
  if (!folder.isEmpty())
    folder = QDir::toNativeSeparators(folder);
  const bool changed = folder != Edit1->text();
  Edit1->setText(folder);
  // Checked as the conversion will check it, so a wrong folder shows now.
  const QString refusal = FromU16(ConversionBatch::CheckDestination(ToU16(preFolder_), ToU16(folder)));
  Edit1->setPalette(QPalette());
  const QString shown = statusText();
  if (!refusal.isEmpty() && !folder.isEmpty()) {
    QPalette refused = Edit1->palette();
    refused.setColor(QPalette::Text, QColor(200, 0, 0));
    Edit1->setPalette(refused);
    SetStatusText(refusal);
  } else if (shown == FromU16(kMessageMissingDestination) || shown == FromU16(kMessageSameFolder) ||
             shown == FromU16(kMessageNoDestination)) {
    SetStatusText(QString());  // the folder was put right: the refusal no longer holds
  }
  Edit1->setToolTip(folder.isEmpty() ? QString() : refusal);
  if (changed)
    SaveSettingsNow();
  ShowWhetherTheDestinationIsListed(preFolder_);
  ButtonUndo->showFor(folder);
}

void TForm1::ListView1DblClick() {
  const QString F = preFolder_;
  if (RemoveBlanks(ToU16(F)).empty()) {
    desktop_.Beep();
    desktop_.ShowError(this, kNoSourceFolder);
    SetStatusText(kNoSourceFolder);
    return;
  }
  if (!IsFolder(ToU16(F))) {
    desktop_.ShowMessage(this, kSourceFolderMissing);
    SetStatusText(kSourceFolderMissing);
    return;
  }
  const int i = FirstSelectedRow();
  if (i == -1) {
    desktop_.ShowMessage(this, kNoFileChosen);
    SetStatusText(kNoFileChosen);
    return;
  }
  const QString N = FromU16(listModel_->row(i).caption);
  if (N.isEmpty()) {
    SetStatusText(kNoFileChosen);
    return;
  }
  const QString path = JoinPath(F, N);
  if (desktop_.OpenFile(path))
    SetStatusText(QStringLiteral("ファイル「") + path + QStringLiteral("」"));
  else
    desktop_.ShowMessage(this, kNoProgram.arg(path));
}

void TForm1::ButtonTClick() {
  if (runner_->running())
    return;
  const std::u16string D = ToU16(Edit1->text());
  if (const std::u16string refusal = ConversionBatch::CheckDestination(ToU16(preFolder_), D);
      !refusal.empty()) {
    desktop_.ShowMessage(this, FromU16(refusal));
    Button1->setFocus(Qt::OtherFocusReason);
    return;
  }
  const std::vector<std::u16string> rows = SelectedCaptions();
  if (rows.empty()) {
    desktop_.ShowMessage(this, FromU16(kMessageNothingSelected));
    return;
  }
  const auto drawings = std::count_if(rows.begin(), rows.end(), [](const std::u16string &N) {
    return FileTypeAccepts(kFileTypeConvertible, N);
  });
  if (windowOptions_.confirmBeforeConvert && drawings > 0 &&
      !desktop_.Confirm(this, FromU16(BatchConfirmationText(static_cast<std::int32_t>(drawings),
                                                            MojiShuMap, D))))
    return;
  StartBatch(rows);
}

void TForm1::StartBatch(const std::vector<std::u16string> &rows) {
  // Without a work folder the batch still converts what carries no images;
  // a drawing with images is then reported, not written without them.
  EnsureWorkFolder();
  BatchRunner::Request request;
  request.source = ToU16(preFolder_);
  request.destination = ToU16(Edit1->text());
  request.rows = rows;
  request.map = MojiShuMap;
  request.jobs = WindowBatchJobs();
  request.workFolder = workFolder_ ? workFolder_->path() : std::u16string();
  batchRows_ = rows;
  batchDestination_ = Edit1->text();
  // Nothing of the last batch stays up while this one runs.
  SetStatusText(QString());
  progress_->setRange(0, static_cast<int>(rows.size()));
  progress_->setValue(0);
  progress_->show();
  ButtonStop->setEnabled(true);
  ButtonStop->show();
  SetBatchControlsEnabled(false);
  runner_->start(request);
}

void TForm1::StopBatch() {
  if (!runner_->running() || runner_->stopRequested())
    return;
  runner_->requestStop();
  ButtonStop->setEnabled(false);
  SetStatusText(kStopping);
}

void TForm1::BatchDone(std::shared_ptr<const BatchResult> result) {
  progress_->hide();
  ButtonStop->hide();
  SetBatchControlsEnabled(true);
  if (!result->refused) {
    SetStatusText(FromU16(BatchSummaryText(*result)));
    resultView_->showResult(result, batchRows_, batchDestination_);
  }
  ButtonUndo->showFor(Edit1->text());
  emit batchFinished();
  if (closeAfterBatch_)
    close();
}

void TForm1::UndoClick() {
  if (runner_->running())
    return;
  const QString D = Edit1->text();
  std::u16string why;
  const std::optional<RecordedBatch> batch = BatchToUndo(ToU16(D), why);
  if (!batch) {
    desktop_.ShowMessage(this, FromU16(why));
    ButtonUndo->showFor(D);
    return;
  }
  if (!desktop_.Confirm(this, FromU16(UndoConfirmationText(*batch, ToU16(D)))))
    return;
  batchDestination_ = D;
  SetStatusText(QString());
  ButtonStop->setEnabled(true);
  ButtonStop->show();
  SetBatchControlsEnabled(false);
  runner_->startUndo(ToU16(D), batch->id);
}

void TForm1::UndoDone(std::shared_ptr<const UndoResult> result) {
  ButtonStop->hide();
  SetBatchControlsEnabled(true);
  SetStatusText(FromU16(UndoSummaryText(*result)));
  if (result->refusal.empty())
    resultView_->showUndoResult(*result, batchDestination_);
  else
    desktop_.ShowMessage(this, FromU16(result->refusal));
  ButtonUndo->showFor(Edit1->text());
  // Files came back or went away in the folder on show.
  if (SameFileOrFolder(ToU16(preFolder_), ToU16(batchDestination_)))
    Relist();
  emit undoFinished();
  if (closeAfterBatch_)
    close();
}

bool TForm1::batchRunning() const { return runner_->running(); }

void TForm1::SetBatchControlsEnabled(bool enabled) {
  // What would change the batch's inputs while it runs.
  for (QWidget *w : std::initializer_list<QWidget *>{ButtonT, Button1, Edit1, Button2, ButtonUndo})
    w->setEnabled(enabled);
}

void TForm1::ShowMapInForce() { mapLine_->showMap(MojiShuMap); }

void TForm1::ButtonXClick() { close(); }

void TForm1::Button2Click() {
  if (runner_->running())
    return;
  Timer1->setInterval(0);
  StopTimer1();
  plExplorerFolderTree1->IdleStop();
  Form2->setConfirmBeforeConvert(windowOptions_.confirmBeforeConvert);
  ShowKindsOfSelection();
  PlaceSettingsDialog();
  const bool accepted = Form2->exec() == QDialog::Accepted;
  ++kindsGeneration_;  // a reading still running is no longer wanted
  Form2->setWindowTitle(kDialogTitle);
  if (accepted) {
    windowOptions_.confirmBeforeConvert = Form2->confirmBeforeConvert();
    ShowMapInForce();
    preview_->showMapChange();
    // Saved at once: after a crash the next start shows the map in force.
    SaveSettingsNow();
  }
  plExplorerFolderTree1->IdleRestart();
  StartTimer1();
}

void TForm1::PlaceSettingsDialog() {
  // The default place is the screen's corner, far from the window that opens
  // the dialog: that one, and a place no screen shows, give way to the
  // window's centre. Any other place is the user's and is kept.
  const TSettings defaults;
  const QPoint at = Form2->pos();
  bool onScreen = false;
  for (const QScreen *screen : QGuiApplication::screens())
    onScreen = onScreen || screen->availableGeometry().contains(at + QPoint(8, 8));
  if (onScreen && at != QPoint(defaults.dialogLeft, defaults.dialogTop))
    return;
  const QRect main = frameGeometry();
  Form2->move(main.center() - QPoint(Form2->width() / 2, Form2->height() / 2));
}

void TForm1::ShowKindsOfSelection() {
  const std::vector<std::u16string> rows = SelectedCaptions();
  const std::uint64_t generation = ++kindsGeneration_;
  std::vector<std::u16string> paths;
  if (IsFolder(ToU16(preFolder_)))
    for (const std::u16string &N : rows)
      paths.push_back(ToU16(JoinPath(preFolder_, FromU16(N))));
  Form2->namedMaps()->setSelectedDrawings(paths);
  if (paths.empty()) {
    Form2->showKinds(nullptr);
    return;
  }
  // Whole drawings are read, which may take a while for many large ones:
  // the dialog opens at once and shows them when they are read.
  Form2->showKinds(nullptr);
  Form2->setWindowTitle(kReadingKinds);
  BackgroundTasks *tasks = tasks_;
  tasks_->run([this, tasks, generation, paths, map = MojiShuMap](std::stop_token) {
    auto overview = std::make_shared<const KindsOverview>(ReadKindsOverview(paths, map));
    tasks->post([this, generation, overview] {
      if (generation != kindsGeneration_)
        return;  // the dialog was closed meanwhile
      Form2->setWindowTitle(kDialogTitle);
      Form2->showKinds(overview.get());
    });
  });
}

// ---------------------------------------------------------------------------
// Helpers

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
  if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    ListView1DblClick();
    return true;
  }
  if (watched == ListView1->viewport() && event->type() == QEvent::Resize && isMaximized())
    QTimer::singleShot(0, this, &TForm1::GiveExtraWidthToNameAndMemo);
  if (watched == ListView1 && event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    const int rows = listModel_->rowCount();
    if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && rows > 0 &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      const QModelIndex target = listModel_->index(key->key() == Qt::Key_Home ? 0 : rows - 1, 0);
      // Shift extends the selection from the current row, as in Explorer.
      const auto command = key->modifiers() & Qt::ShiftModifier
                               ? QItemSelectionModel::SelectCurrent | QItemSelectionModel::Rows
                               : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
      if (key->modifiers() & Qt::ShiftModifier) {
        const QModelIndex from = ListView1->currentIndex().isValid() ? ListView1->currentIndex()
                                                                     : listModel_->index(0, 0);
        ListView1->selectionModel()->select(QItemSelection(from, target),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ListView1->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
      } else {
        ListView1->selectionModel()->setCurrentIndex(target, command);
      }
      ListView1->scrollTo(target);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

std::vector<std::u16string> TForm1::SelectedCaptions() const {
  QModelIndexList selected = ListView1->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
  std::vector<std::u16string> captions;
  captions.reserve(static_cast<std::size_t>(selected.size()));
  for (const QModelIndex &index : selected)
    captions.push_back(listModel_->row(index.row()).caption);
  return captions;
}

int TForm1::FirstSelectedRow() const {
  const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex &index : selected)
    if (first == -1 || index.row() < first)
      first = index.row();
  return first;
}

void TForm1::ShowWhetherTheDestinationIsListed(const QString &listed) {
  // Files in the destination were converted already: shown as they are, never
  // converted a second time on screen. Asked when either folder changes, not
  // on every selection.
  const QString D = Edit1->text();
  preview_->setConvertedFolder(!D.isEmpty() && !listed.isEmpty() &&
                               (QDir::cleanPath(D) == QDir::cleanPath(listed) ||
                                SameFileOrFolder(ToU16(D), ToU16(listed))));
}

void TForm1::ShowPreview() {
  const int i = FirstSelectedRow();
  preview_->showFile(i < 0 ? QString() : JoinPath(preFolder_, FromU16(listModel_->row(i).caption)));
}

void TForm1::GiveExtraWidthToNameAndMemo() {
  QHeaderView *header = ListView1->horizontalHeader();
  fittingColumns_ = true;
  // Dates, sizes and versions whole first.
  for (int c : {3, FileListModel::kSizeColumn, 5})
    header->resizeSection(c, std::max(header->sectionSize(c),
                                      static_cast<QAbstractItemView *>(ListView1)->sizeHintForColumn(c)));
  int used = 0;
  for (int c = 0; c < listModel_->columnCount(); ++c)
    used += header->sectionSize(c);
  const int extra = ListView1->viewport()->width() - used;
  if (extra > 0) {
    header->resizeSection(kNameColumn, header->sectionSize(kNameColumn) + extra / 2);
    header->resizeSection(kMemoColumn, header->sectionSize(kMemoColumn) + extra - extra / 2);
  }
  fittingColumns_ = false;
}

QString TForm1::destinationFolder() const { return Edit1->text(); }

QString TForm1::statusText() const { return statusLabel_->text(); }

void TForm1::SetStatusText(const QString &text) {
  statusLabel_->setText(text);
  // The listing and the batch hold the GUI thread: paint now.
  StatusBar1->repaint();
}

void TForm1::StartTimer1() {
  Timer1->setInterval(kTimerInterval);
  Timer1->start();
}

void TForm1::StopTimer1() { Timer1->stop(); }

QString TForm1::JoinPath(const QString &folder, const QString &name) const {
  return FromU16(velkaro::JoinPath(ToU16(folder), ToU16(name)));
}

}  // namespace velkaro
