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

#include "Desktop.h"
#include "ElidedLabel.h"
#include "FileListModel.h"
#include "FolderDrop.h"
#include "PreviewPane.h"
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
#include "service/WindowPlacement.h"
#include "support/Func_2.h"

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

// The batch's messages and status texts shown by the window, and the
// progress bar advanced per row.
class TForm1::BatchView final : public BatchReporter {
 public:
  explicit BatchView(TForm1 &form) : form_(form) {}

  void ShowMessage(const std::u16string &text) override {
    form_.desktop_.ShowMessage(&form_, FromU16(text));
  }
  void FocusDestinationButton() override { form_.Button1->setFocus(Qt::OtherFocusReason); }
  void SetStatusText(const std::u16string &text) override { form_.SetStatusText(FromU16(text)); }
  // The bar shows only once a row was converted: a refusal shows none.
  void RowFinished(std::int32_t done, std::int32_t total) override {
    QProgressBar *bar = form_.progress_;
    bar->setRange(0, std::max(1, total));
    bar->setValue(std::min(done, total));
    bar->show();
    bar->repaint();
  }
  void ReportFailures(const std::vector<FileFailure> &failures) override {
    form_.progress_->hide();
    form_.desktop_.ShowMessage(&form_, FromU16(FailureListText(failures)));
  }

 private:
  TForm1 &form_;
};

TForm1::TForm1(TForm1Options options, QWidget *parent)
    : QMainWindow(parent), options_(std::move(options)),
      desktop_(options_.desktop ? *options_.desktop : DefaultDesktop()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Velkaro Ver.1.10"));
  BuildComponents();
  FormCreate();
  // The settings dialog is made after the main window, as at program start.
  Form2 = new TForm2(this);
}

TForm1::~TForm1() = default;

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
  auto *destinationDrop = new FolderDrop(Edit1, this);
  connect(destinationDrop, &FolderDrop::folderDropped, this, &TForm1::SetDestinationFolder);
  connect(Edit1, &QLineEdit::editingFinished, this, [this] { SetDestinationFolder(Edit1->text()); });
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ButtonT, &QPushButton::clicked, this, &TForm1::ButtonTClick);
  connect(ButtonX, &QPushButton::clicked, this, &TForm1::ButtonXClick);
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
  // dropped on it; not a tab stop.
  Edit1->setFocusPolicy(Qt::ClickFocus);

  Button2 = MakeButton(QStringLiteral("Button2"), QStringLiteral("変換設定(&S)"), Panel3);
  Label3 = MakeLabel(QStringLiteral("Label3"), QStringLiteral("※変換対象は"), Panel3);
  Label4 = MakeLabel(QStringLiteral("Label4"), QStringLiteral("JWW/JWCのみ"), Panel3);

  ButtonT = MakeButton(QStringLiteral("ButtonT"), QStringLiteral("変換 (&T)"), Panel3);
  ButtonX = MakeButton(QStringLiteral("ButtonX"), QStringLiteral("終了 (&X)"), Panel3);

  // The file-type box has the top row to itself: beside a 200 pixel tree in
  // the 600 pixel window of the first start, "ファイルの種類：" and the box's
  // longest entry leave no room for anything else there. The commands sit
  // in the two rows below, the convert and exit buttons at the right edge.
  grid->addWidget(Label2, 0, 0);
  grid->addWidget(ComboBox1, 0, 1, 1, 4, Qt::AlignLeft | Qt::AlignVCenter);
  grid->addWidget(Button1, 1, 0);
  grid->addWidget(Edit1, 2, 0, 1, 2);
  grid->addWidget(Button2, 1, 1);
  grid->addWidget(Label3, 1, 2);
  grid->addWidget(Label4, 2, 2);
  grid->addWidget(ButtonT, 1, 4);
  grid->addWidget(ButtonX, 2, 4);
  grid->setColumnStretch(3, 1);

  setTabOrder(ComboBox1, Button1);
  setTabOrder(Button1, ButtonT);
  setTabOrder(ButtonT, ButtonX);
  setTabOrder(ButtonX, Button2);
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
  auto *sourceDrop = new FolderDrop(ListView1->viewport(), this);
  connect(sourceDrop, &FolderDrop::folderDropped, this, &TForm1::SetSourceFolder);
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
  setTabOrder(Button2, ListView1);
  auto *treeDrop = new FolderDrop(plExplorerFolderTree1->treeView()->viewport(), this);
  connect(treeDrop, &FolderDrop::folderDropped, this, &TForm1::SetSourceFolder);
}

void TForm1::setVisible(bool visible) {
  // The settings are applied before the window is first made, so that the
  // saved position is taken as the frame's, as it was saved; applied to a
  // window already made, it would place the inside there and the window
  // would creep up by its title bar on every start.
  if (visible && !shown_) {
    shown_ = true;
    FormShow();
  }
  QMainWindow::setVisible(visible);
}

void TForm1::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (fitColumns_ && !event->spontaneous())
    FitColumns();  // the list has its width only now
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
  InitDrawingData();
  plExplorerFolderTree1->setSelectFolder(preFolder_);
  sort_ = TListSortState{};
  ShowSourceFolder(preFolder_);
  ListFolder(preFolder_);
  StartTimer1();
}

void TForm1::closeEvent(QCloseEvent *event) {
  if (shown_ && !closed_) {
    closed_ = true;
    FormClose();
  }
  QMainWindow::closeEvent(event);
}

void TForm1::FormClose() {
  StopTimer1();
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
  ApplySettings(settings);
}

void TForm1::SaveSettings(const QString &fileName) {
  // A failed save leaves no file; the next start uses the defaults.
  velkaro::SaveSettings(ToU16(fileName), CurrentSettings());
}

void TForm1::ApplySettings(const TSettings &settings) {
  std::vector<TBounds> screens;
  for (const QScreen *screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  const TBounds bounds =
      PlaceOnScreens({settings.Left, settings.Top, settings.Width, settings.Height}, screens);
  move(bounds.left, bounds.top);
  resize(bounds.width, bounds.height);
  ApplyPanel1Width(settings.Panel1Width);
  preFolder_ = FromU16(settings.preFolder);
  if (settings.destFolder)
    Edit1->setText(FromU16(*settings.destFolder));
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
  SetStatusText(FromU16(kListingStatusSearching));
  listModel_->clear();
  // The new rows are in name order, not in the order the arrow showed.
  ListView1->horizontalHeader()->setSortIndicatorShown(false);
  FolderLister lister(*JWW, *JWS, *JWC, *JWK);
  FolderListingResult result = lister.ListFolder(ToU16(F), ComboBox1->currentIndex());
  if (result.folderExists) {
    listModel_->setRows(std::move(result.rows));
    SetStatusText(FromU16(result.statusText));
    if (fitColumns_)
      FitColumns();
  } else {
    // Nothing was searched: say why rather than "searching" for ever.
    SetStatusText(F.isEmpty() ? QString() : kSourceFolderMissing);
  }
  StartTimer1();
}

void TForm1::Relist() { ListFolder(preFolder_); }

void TForm1::SetSourceFolder(const QString &folder) {
  if (folder.isEmpty() || !IsFolder(ToU16(folder)))
    return;
  plExplorerFolderTree1->setSelectFolder(folder);
  ShowSourceFolder(folder);
  ListFolder(folder);
  preFolder_ = folder;
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
  Edit1->setText(folder);
  // Checked as the conversion will check it, so a wrong folder shows now.
  const QString refusal = FromU16(ConversionBatch::CheckDestination(ToU16(preFolder_), ToU16(folder)));
  Edit1->setPalette(QPalette());
  if (!refusal.isEmpty() && !folder.isEmpty()) {
    QPalette refused = Edit1->palette();
    refused.setColor(QPalette::Text, QColor(200, 0, 0));
    Edit1->setPalette(refused);
    SetStatusText(refusal);
  }
  Edit1->setToolTip(folder.isEmpty() ? QString() : refusal);
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
  // Without a work folder the batch still converts what carries no images;
  // a drawing with images is then reported, not written without them.
  EnsureWorkFolder();
  const std::vector<std::u16string> rows = SelectedCaptions();
  progress_->hide();
  BatchView view(*this);
  ConversionBatch batch(*JWW, *JWC, view);
  batch.Run(ToU16(preFolder_), ToU16(Edit1->text()), rows, MojiShuMap);
  progress_->hide();
}

void TForm1::ButtonXClick() { close(); }

void TForm1::Button2Click() {
  Timer1->setInterval(0);
  StopTimer1();
  plExplorerFolderTree1->IdleStop();
  ShowKindsOfSelection();
  Form2->exec();
  plExplorerFolderTree1->IdleRestart();
  StartTimer1();
}

void TForm1::ShowKindsOfSelection() {
  const std::vector<std::u16string> rows = SelectedCaptions();
  if (rows.empty() || !IsFolder(ToU16(preFolder_))) {
    Form2->showKinds(nullptr);
    return;
  }
  std::vector<std::u16string> paths;
  paths.reserve(rows.size());
  for (const std::u16string &N : rows)
    paths.push_back(ToU16(JoinPath(preFolder_, FromU16(N))));
  // Whole drawings are read: this may take a moment for many large ones.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const KindsOverview overview = ReadKindsOverview(paths, MojiShuMap);
  QGuiApplication::restoreOverrideCursor();
  Form2->showKinds(&overview);
}

// ---------------------------------------------------------------------------
// Helpers

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
  if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    ListView1DblClick();
    return true;
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

void TForm1::ShowPreview() {
  const int i = FirstSelectedRow();
  preview_->showFile(i < 0 ? QString() : JoinPath(preFolder_, FromU16(listModel_->row(i).caption)));
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
