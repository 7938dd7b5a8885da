// PreviewPane: the preview of the selected drawing and its legend.
#include "PreviewPane.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <numbers>
#include <system_error>
#include <thread>

#include "convert/FailureReason.h"
#include "convert/UnitV.h"

namespace velkaro {

namespace {

constexpr double kFitMarginPx = 8;
constexpr double kWheelStep = 1.25;        // zoom per notch of the wheel
constexpr double kMaxPixelsPerMm = 1e6;
constexpr int kStopCheckEvery = 512;       // primitives painted between two looks
constexpr double kSmallestReadableTextPx = 4;
constexpr double kLargestTextPx = 4000;
constexpr int kDimmedAlpha = 70;

const QString kNoteEmpty = QStringLiteral("ファイルを選ぶと図面を表示します");
const QString kNoteBuilding = QStringLiteral("読み込み中…");
const QString kNoteFigure = QStringLiteral("JWS/JWKファイルは図面を表示できません");
const QString kNoteUnreadable = QStringLiteral("「%1」を読み込めません：%2");
const QString kSwitchInConvertedFolder =
    QStringLiteral("保存先フォルダの図面は変換済みです。文字種はそのまま表示します。");
const QString kNoteCut = QStringLiteral("（大きすぎるため一部のみ表示）");
const QString kNoteDropped = QStringLiteral("（不正な値の要素%1個を省略）");
const QString kNoteOffSheet = QStringLiteral("（用紙外の要素%1個）");
const QString kNoteFarOff = QStringLiteral("（離れた要素%1個）");
// What is never printed is drawn at this share of full strength.
constexpr double kFaint = 0.3;

QColor Colour(PreviewRgb rgb, int alpha = 255) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, alpha);
}

// Why a file cannot be previewed, as a drafter is told it.
QString UnreadableReason(const PreviewLoadResult &result) {
  if (!result.detail.empty())
    return QString::fromStdU16String(ReadFailureDetailText(result.detail));
  if (result.error == "no such file")
    return QStringLiteral("ファイルが見つかりません");
  if (result.error.rfind("not a Jw_cad file", 0) == 0)
    return QStringLiteral("Jw_cad の図面ではありません");
  return QStringLiteral("図面の内容が壊れています");
}

std::optional<TMojiShuMap> MapIf(bool on) {
  return on ? std::optional<TMojiShuMap>(MojiShuMap) : std::nullopt;
}

// Work on a thread of its own, told to stop by its stop token; `done` is set
// as its last act, so a finished one can be joined at once.
struct Worker {
  std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
  std::jthread thread;
};

// Starts `work` on a thread of its own. When the system gives no thread (a
// process or memory limit), it is done here and now instead: the window
// waits for it, but shows the drawing, and no exception ends the program.
template <typename Work>
std::jthread StartOrRunHere(const Work &work) {
  try {
    return std::jthread(work);
  } catch (const std::system_error &) {
    work(std::stop_token());
    return std::jthread();
  }
}

template <typename J>
void Reap(std::vector<std::unique_ptr<J>> &jobs) {
  std::erase_if(jobs, [](const auto &j) { return j->worker.done->load(); });
}

// ---- painting -----------------------------------------------------------------

using View = PreviewCanvas::View;

class Painter {
 public:
  Painter(QPainter &p, const PreviewGeometry &g, const View &v, QSizeF size, int highlight,
          const std::optional<TMojiShuMap> &map, const QFont &font, std::stop_token stop)
      : p_(p), g_(g), v_(v), highlight_(highlight), map_(map), font_(font), stop_(std::move(stop)) {
    visible_ = QRectF(v.left, v.top - size.height() / v.scale, size.width() / v.scale,
                      size.height() / v.scale);
    geometryAlpha_ = highlight > 0 ? 110 : 255;
  }

  // False when stopped part-way.
  bool Paint() {
    p_.setRenderHint(QPainter::Antialiasing);
    Sheet();
    return Solids() && Lines() && Arcs() && Points() && Texts();
  }

 private:
  QPointF At(double x, double y) const { return {(x - v_.left) * v_.scale, (v_.top - y) * v_.scale}; }
  bool Stopped() { return (++count_ % kStopCheckEvery) == 0 && stop_.stop_requested(); }
  bool Visible(double x0, double y0, double x1, double y1) const {
    return std::max(x0, x1) >= visible_.left() && std::min(x0, x1) <= visible_.right() &&
           std::max(y0, y1) >= visible_.top() && std::min(y0, y1) <= visible_.bottom();
  }
  void Pen(PreviewRgb rgb, bool faint = false) {
    if (rgb != pen_ || faint != penFaint_) {
      pen_ = rgb;
      penFaint_ = faint;
      p_.setPen(QPen(Colour(rgb, Alpha(geometryAlpha_, faint)), 0));
    }
  }
  static int Alpha(int alpha, bool faint) {
    return faint ? static_cast<int>(std::lround(alpha * kFaint)) : alpha;
  }

  // The paper's edge, so what lies beyond it reads as off the sheet.
  void Sheet() {
    if (g_.sheetSource != PreviewSheetSource::Paper)
      return;
    const PreviewExtent &e = g_.sheet;
    p_.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 0, Qt::DashLine));
    p_.drawRect(QRectF(At(e.minX, e.maxY), At(e.maxX, e.minY)));
    pen_ = ~PreviewRgb{0};
  }

  bool Solids() {
    p_.setPen(Qt::NoPen);
    for (const PreviewSolid &s : g_.solids) {
      if (Stopped())
        return false;
      const auto &c = s.xy;
      if (!Visible(std::min(c[0], c[4]), std::min(c[1], c[5]), std::max(c[2], c[6]),
                   std::max(c[3], c[7])) &&
          !Visible(c[0], c[1], c[4], c[5]))
        continue;
      const QPointF quad[4] = {At(c[0], c[1]), At(c[2], c[3]), At(c[4], c[5]), At(c[6], c[7])};
      p_.setBrush(Colour(s.rgb, Alpha(90, s.faint)));
      p_.drawPolygon(quad, 4);
    }
    p_.setBrush(Qt::NoBrush);
    return true;
  }

  bool Lines() {
    for (const PreviewLine &l : g_.lines) {
      if (Stopped())
        return false;
      if (!Visible(l.x1, l.y1, l.x2, l.y2))
        continue;
      Pen(l.rgb, l.faint);
      p_.drawLine(At(l.x1, l.y1), At(l.x2, l.y2));
    }
    return true;
  }

  bool Arcs() {
    for (const PreviewArc &a : g_.arcs) {
      if (Stopped())
        return false;
      const double reach = a.radius * std::max(1.0, a.flattening);
      if (!Visible(a.cx - reach, a.cy - reach, a.cx + reach, a.cy + reach))
        continue;
      Pen(a.rgb, a.faint);
      const double rx = a.radius * v_.scale, ry = rx * a.flattening;
      p_.save();
      p_.translate(At(a.cx, a.cy));
      p_.rotate(-a.tilt * 180 / std::numbers::pi);
      const QRectF box(-rx, -ry, 2 * rx, 2 * ry);
      if (a.full) {
        p_.drawEllipse(box);
      } else {
        // Qt's angles are parametric and counter-clockwise on screen, as ours.
        const double toSixteenths = 180 / std::numbers::pi * 16;
        p_.drawArc(box, static_cast<int>(std::lround(a.start * toSixteenths)),
                   static_cast<int>(std::lround(a.sweep * toSixteenths)));
      }
      p_.restore();
    }
    return true;
  }

  bool Points() {
    for (const PreviewPoint &pt : g_.points) {
      if (Stopped())
        return false;
      if (!Visible(pt.x, pt.y, pt.x, pt.y))
        continue;
      const QPointF c = At(pt.x, pt.y);
      p_.fillRect(QRectF(c.x() - 1, c.y() - 1, 2.5, 2.5),
                  Colour(pt.rgb, Alpha(geometryAlpha_, pt.faint)));
    }
    return true;
  }

  bool Texts() {
    for (const PreviewText &t : g_.texts) {
      if (Stopped())
        return false;
      const std::array<double, 8> box = PreviewTextBox(t);
      const auto [minX, maxX] = std::minmax({box[0], box[2], box[4], box[6]});
      const auto [minY, maxY] = std::minmax({box[1], box[3], box[5], box[7]});
      if (!Visible(minX, minY, maxX, maxY))
        continue;
      const std::int64_t kind = PreviewShownKind(t.kind, map_);
      const bool lit = highlight_ > 0 && kind == highlight_;
      const QColor colour = Colour(PreviewKindColour(kind),
                                   Alpha(highlight_ > 0 && !lit ? kDimmedAlpha : 255, t.faint()));
      const QPointF quad[4] = {At(box[0], box[1]), At(box[2], box[3]), At(box[4], box[5]),
                               At(box[6], box[7])};
      const double heightPx = t.height * v_.scale;
      if (lit || heightPx < kSmallestReadableTextPx || heightPx > kLargestTextPx) {
        QColor fill = colour;
        fill.setAlpha(lit ? 60 : colour.alpha());
        p_.setPen(lit ? QPen(colour, 0) : Qt::NoPen);
        p_.setBrush(fill);
        p_.drawPolygon(quad, 4);
        p_.setBrush(Qt::NoBrush);
        pen_ = ~PreviewRgb{0};
        if (!lit || heightPx < kSmallestReadableTextPx || heightPx > kLargestTextPx)
          continue;
      }
      DrawString(t, colour, heightPx);
    }
    return true;
  }

  void DrawString(const PreviewText &t, const QColor &colour, double heightPx) {
    const QString str = QString::fromStdU16String(t.str);
    const auto &[f, metrics] = FontOf(std::max(1, static_cast<int>(std::lround(heightPx))));
    p_.save();
    p_.setFont(f);
    p_.setPen(colour);
    p_.translate(At(t.x, t.y));
    p_.rotate(-t.angle * 180 / std::numbers::pi);
    if (t.vertical) {
      const double step = (t.height + t.spacing) * v_.scale, widthPx = t.width * v_.scale;
      int i = 0;
      for (const QChar c : str) {
        const double advance = metrics.horizontalAdvance(c);
        p_.drawText(QPointF((widthPx - advance) / 2, heightPx + i * step - metrics.descent()), c);
        ++i;
      }
    } else {
      const double advance = metrics.horizontalAdvance(str);
      if (advance > 0)
        p_.scale(PreviewTextLength(t) * v_.scale / advance, 1);
      p_.drawText(QPointF(0, -metrics.descent()), str);
    }
    p_.restore();
    pen_ = ~PreviewRgb{0};
  }

  // Fonts and their metrics by pixel size: making them is dear, and a
  // drawing uses few sizes.
  const std::pair<QFont, QFontMetricsF> &FontOf(int pixels) {
    auto it = fonts_.find(pixels);
    if (it == fonts_.end()) {
      QFont f = font_;
      f.setPixelSize(pixels);
      it = fonts_.emplace(pixels, std::pair<QFont, QFontMetricsF>(f, QFontMetricsF(f))).first;
    }
    return it->second;
  }

  QPainter &p_;
  const PreviewGeometry &g_;
  View v_;
  int highlight_;
  std::optional<TMojiShuMap> map_;
  QFont font_;
  std::stop_token stop_;
  QRectF visible_;
  int geometryAlpha_ = 255;
  PreviewRgb pen_ = ~PreviewRgb{0};
  bool penFaint_ = false;
  std::uint64_t count_ = 0;
  std::map<int, std::pair<QFont, QFontMetricsF>> fonts_;
};

}  // namespace

// ---------------------------------------------------------------------------
// PreviewPane

struct PreviewPane::Job {
  Worker worker;
};

PreviewPane::PreviewPane(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PreviewPane"));
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  auto *top = new QHBoxLayout();
  noteLabel_ = new QLabel(kNoteEmpty, this);
  noteLabel_->setObjectName(QStringLiteral("PreviewNote"));
  noteLabel_->setTextFormat(Qt::PlainText);
  noteLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  mapSwitch_ = new QCheckBox(QStringLiteral("変換後の文字種で表示"), this);
  mapSwitch_->setObjectName(QStringLiteral("PreviewMapSwitch"));
  allSwitch_ = new QCheckBox(QStringLiteral("全体表示"), this);
  allSwitch_->setObjectName(QStringLiteral("PreviewAllSwitch"));
  allSwitch_->setToolTip(QStringLiteral("用紙の外にあるものも含めて図面全体を表示します"));
  top->addWidget(noteLabel_, 1);
  top->addWidget(allSwitch_);
  top->addWidget(mapSwitch_);
  column->addLayout(top);

  auto *body = new QHBoxLayout();
  body->setSpacing(2);
  canvas_ = new PreviewCanvas(this);
  body->addWidget(canvas_, 1);
  // The legend scrolls when the pane is lower than its ten rows.
  auto *legendArea = new QScrollArea(this);
  legendArea->setObjectName(QStringLiteral("PreviewLegend"));
  legendArea->setFrameShape(QFrame::NoFrame);
  legendArea->setWidgetResizable(true);
  legendArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  legendArea->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  auto *legendRows = new QWidget(legendArea);
  auto *legend = new QVBoxLayout(legendRows);
  legend->setContentsMargins(0, 0, 0, 0);
  legend->setSpacing(0);
  for (int k = 1; k <= 10; ++k) {
    auto *button = new QToolButton(legendRows);
    button->setObjectName(QStringLiteral("PreviewKind%1").arg(k));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    QPixmap swatch(12, 12);
    swatch.fill(Colour(PreviewKindColour(k)));
    // Its own colour also while no drawing is shown: a disabled icon would
    // be greyed, each swatch to another shade of grey.
    QIcon icon(swatch);
    icon.addPixmap(swatch, QIcon::Disabled);
    button->setIcon(icon);
    connect(button, &QToolButton::clicked, this,
            [this, k] { setHighlightedKind(highlight_ == k ? 0 : k); });
    legend->addWidget(button);
    legend_.push_back(button);
  }
  legend->addStretch(1);
  legendArea->setWidget(legendRows);
  body->addWidget(legendArea);
  legendArea_ = legendArea;
  column->addLayout(body, 1);

  connect(allSwitch_, &QCheckBox::toggled, canvas_, &PreviewCanvas::setFitAll);
  connect(mapSwitch_, &QCheckBox::toggled, this, [this](bool on) {
    if (!convertedFolder_)
      switchWanted_ = on;
    canvas_->setMap(MapIf(on));
    UpdateLegend();
  });
  UpdateLegend();
}

PreviewPane::~PreviewPane() {
  for (auto &job : jobs_)
    job->worker.thread.request_stop();
  jobs_.clear();  // joins; reading a file cannot be stopped part-way
}

void PreviewPane::showFile(const QString &path) {
  if (path == file_ && state_ != State::Empty)
    return;
  for (auto &job : jobs_)
    job->worker.thread.request_stop();
  ReapJobs();
  const std::uint64_t generation = ++generation_;
  file_ = path;
  geometry_.reset();
  canvas_->setDrawing(nullptr);
  highlight_ = 0;
  if (path.isEmpty()) {
    SetNote(State::Empty, kNoteEmpty);
    UpdateLegend();
    return;
  }
  SetNote(State::Building, kNoteBuilding);
  UpdateLegend();

  auto job = std::make_unique<Job>();
  auto done = job->worker.done;
  job->worker.thread = StartOrRunHere(
      [this, generation, done, path16 = path.toStdU16String()](std::stop_token stop) {
        auto result = std::make_shared<PreviewLoadResult>(LoadPreview(path16, stop));
        QMetaObject::invokeMethod(
            this, [this, generation, result] { Loaded(generation, result); }, Qt::QueuedConnection);
        done->store(true);
      });
  jobs_.push_back(std::move(job));
}

void PreviewPane::Loaded(std::uint64_t generation, std::shared_ptr<PreviewLoadResult> result) {
  ReapJobs();
  if (result->status == PreviewLoadStatus::Cancelled)
    ++cancelledBuilds_;
  if (generation != generation_)
    return;  // the selection has moved on
  switch (result->status) {
    case PreviewLoadStatus::Ok: {
      auto g = std::make_shared<PreviewGeometry>(std::move(result->geometry));
      geometry_ = g;
      QString text = QFileInfo(file_).fileName();
      if (g->cut)
        text += kNoteCut;
      if (g->dropped > 0)
        text += kNoteDropped.arg(g->dropped);
      if (g->offSheet > 0)
        text += (g->sheetSource == PreviewSheetSource::Paper ? kNoteOffSheet : kNoteFarOff)
                    .arg(g->offSheet);
      SetNote(State::Shown, text);
      canvas_->setMap(MapIf(mapSwitch_->isChecked()));
      canvas_->setDrawing(g);
      break;
    }
    case PreviewLoadStatus::Figure: SetNote(State::Note, kNoteFigure); break;
    case PreviewLoadStatus::Cancelled:  // only a newer request stops a build
    case PreviewLoadStatus::Unreadable:
      SetNote(State::Note, kNoteUnreadable.arg(QFileInfo(file_).fileName(), UnreadableReason(*result)));
      break;
  }
  UpdateLegend();
  emit previewFinished();
}

void PreviewPane::SetNote(State state, const QString &text) {
  state_ = state;
  noteLabel_->setText(text);
}

QString PreviewPane::note() const { return noteLabel_->text(); }

bool PreviewPane::showsMappedKinds() const { return mapSwitch_->isChecked(); }

void PreviewPane::setConvertedFolder(bool converted) {
  if (converted == convertedFolder_)
    return;
  convertedFolder_ = converted;
  const bool wanted = switchWanted_;
  mapSwitch_->setChecked(!converted && wanted);
  switchWanted_ = wanted;
  mapSwitch_->setEnabled(!converted);
  mapSwitch_->setToolTip(converted ? kSwitchInConvertedFolder : QString());
}

void PreviewPane::showMapChange() {
  canvas_->setMap(MapIf(mapSwitch_->isChecked()));
  UpdateLegend();
}

QToolButton *PreviewPane::legendButton(int kind) const {
  return kind >= 1 && kind <= 10 ? legend_[static_cast<std::size_t>(kind - 1)] : nullptr;
}

void PreviewPane::setHighlightedKind(int kind) {
  highlight_ = kind >= 1 && kind <= 10 && geometry_ ? kind : 0;
  canvas_->setHighlight(highlight_);
  UpdateLegend();
}

void PreviewPane::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  // The map may have changed in the settings dialog meanwhile.
  canvas_->setMap(MapIf(mapSwitch_->isChecked()));
  UpdateLegend();
}

void PreviewPane::UpdateLegend() {
  const PreviewGeometry empty;
  const PreviewGeometry &g = geometry_ ? *geometry_ : empty;
  const auto rows = PreviewLegend(g, MapIf(mapSwitch_->isChecked()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const PreviewLegendRow &row = rows[i];
    QToolButton *button = legend_[i];
    button->setEnabled(geometry_ != nullptr);
    button->setChecked(highlight_ == row.kind);
    QString unprinted;
    if (row.offSheet > 0)
      unprinted += QStringLiteral("  用紙外 %1").arg(row.offSheet);
    if (row.auxiliary > 0)
      unprinted += QStringLiteral("  補助線色 %1").arg(row.auxiliary);
    button->setText(geometry_ ? QStringLiteral("%1  %2×%3 (%4)  色%5  %6件")
                                        .arg(row.kind)
                                        .arg(row.entry.width)
                                        .arg(row.entry.height)
                                        .arg(row.entry.spacing)
                                        .arg(row.entry.colour)
                                        .arg(row.texts) +
                                    unprinted
                              : QString::number(row.kind));
  }
  // As wide as the widest row, so no row is cut.
  int width = 0;
  for (QToolButton *button : legend_)
    width = std::max(width, button->sizeHint().width());
  legendArea_->setFixedWidth(width + legendArea_->verticalScrollBar()->sizeHint().width());
}

void PreviewPane::ReapJobs() { Reap(jobs_); }

// ---------------------------------------------------------------------------
// PreviewCanvas

struct PreviewCanvas::Render {
  Worker worker;
};

PreviewCanvas::PreviewCanvas(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PreviewCanvas"));
  setMinimumSize(80, 60);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setCursor(Qt::OpenHandCursor);
}

PreviewCanvas::~PreviewCanvas() {
  for (auto &r : renders_)
    r->worker.thread.request_stop();
  renders_.clear();
}

void PreviewCanvas::setDrawing(std::shared_ptr<const PreviewGeometry> geometry) {
  geometry_ = std::move(geometry);
  highlight_ = 0;
  picture_ = QImage();
  userMoved_ = false;
  zoomToFit();
}

void PreviewCanvas::setHighlight(int kind) {
  if (kind != highlight_) {
    highlight_ = kind;
    Rerender();
  }
}

void PreviewCanvas::setMap(std::optional<TMojiShuMap> map) {
  if (map != map_) {
    map_ = map;
    Rerender();
  }
}

void PreviewCanvas::setFitAll(bool all) {
  if (all == fitAll_)
    return;
  fitAll_ = all;
  userMoved_ = false;
  zoomToFit();
}

PreviewExtent PreviewCanvas::fitExtent() const {
  if (!geometry_)
    return {};
  return fitAll_ || geometry_->sheet.empty ? geometry_->extent : geometry_->sheet;
}

void PreviewCanvas::zoomToFit() {
  view_ = View{};
  if (const PreviewExtent e = fitExtent(); !e.empty) {
    const double w = std::max(1.0, width() - 2 * kFitMarginPx);
    const double h = std::max(1.0, height() - 2 * kFitMarginPx);
    const double span = std::max({e.width() / w, e.height() / h, 1e-9});
    view_.scale = std::min(1 / span, kMaxPixelsPerMm);
    view_.left = (e.minX + e.maxX) / 2 - width() / 2.0 / view_.scale;
    view_.top = (e.minY + e.maxY) / 2 + height() / 2.0 / view_.scale;
  }
  Rerender();
}

bool PreviewCanvas::pictureCurrent() const {
  return !picture_.isNull() && pictureGeneration_ == renderGeneration_;
}

void PreviewCanvas::Rerender() {
  for (auto &r : renders_)
    r->worker.thread.request_stop();
  Reap(renders_);
  const std::uint64_t generation = ++renderGeneration_;
  update();
  if (!geometry_ || view_.scale <= 0 || width() <= 0 || height() <= 0)
    return;
  auto render = std::make_unique<Render>();
  auto done = render->worker.done;
  const qreal ratio = devicePixelRatioF();
  const QSize size = this->size();
  render->worker.thread =
      StartOrRunHere([this, generation, done, g = geometry_, view = view_, size, ratio,
                    highlight = highlight_, map = map_, font = font()](std::stop_token stop) {
        QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        const bool whole =
            Painter(painter, *g, view, QSizeF(size), highlight, map, font, stop).Paint();
        painter.end();
        if (whole)
          QMetaObject::invokeMethod(
              this, [this, generation, image = std::move(image), view] {
                Rendered(generation, image, view);
              },
              Qt::QueuedConnection);
        done->store(true);
      });
  renders_.push_back(std::move(render));
}

void PreviewCanvas::Rendered(std::uint64_t generation, QImage image, View view) {
  Reap(renders_);
  if (generation < pictureGeneration_)
    return;
  picture_ = std::move(image);
  pictureView_ = view;
  pictureGeneration_ = generation;
  update();
}

void PreviewCanvas::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (picture_.isNull() || pictureView_.scale <= 0 || view_.scale <= 0)
    return;
  // The last picture, moved and scaled to the current view until the new one
  // is ready.
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.translate((pictureView_.left - view_.left) * view_.scale,
              (view_.top - pictureView_.top) * view_.scale);
  p.scale(view_.scale / pictureView_.scale, view_.scale / pictureView_.scale);
  p.drawImage(QPointF(0, 0), picture_);
}

void PreviewCanvas::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (userMoved_)
    Rerender();
  else
    zoomToFit();
}

void PreviewCanvas::wheelEvent(QWheelEvent *event) {
  if (view_.scale <= 0)
    return;
  const double notches = event->angleDelta().y() / 120.0;
  const double scale = std::clamp(view_.scale * std::pow(kWheelStep, notches), 1e-12,
                                  kMaxPixelsPerMm);
  // The point under the cursor stays where it is.
  const QPointF at = event->position();
  const double x = view_.left + at.x() / view_.scale, y = view_.top - at.y() / view_.scale;
  view_.scale = scale;
  view_.left = x - at.x() / scale;
  view_.top = y + at.y() / scale;
  userMoved_ = true;
  Rerender();
  event->accept();
}

void PreviewCanvas::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
  }
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent *event) {
  if (!dragging_ || view_.scale <= 0)
    return;
  const QPoint to = event->position().toPoint();
  view_.left -= (to.x() - dragFrom_.x()) / view_.scale;
  view_.top += (to.y() - dragFrom_.y()) / view_.scale;
  dragFrom_ = to;
  userMoved_ = true;
  Rerender();
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
  }
}

void PreviewCanvas::mouseDoubleClickEvent(QMouseEvent *) {
  userMoved_ = false;
  zoomToFit();
}

}  // namespace velkaro
