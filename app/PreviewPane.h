// PreviewPane: the main window's preview of the selected drawing — the
// drawing with its texts in one colour per kind, a legend of the ten kinds
// (swatch, table size, how many texts) whose rows highlight their kind's
// texts when clicked, and a switch that shows the kinds as the current
// MojiShuMap would make them.
//
// The pane holds no drawing logic: the core's LoadPreview reads the file and
// builds the geometry on a thread of its own, so a large drawing never holds
// up the window; a newer selection stops a build still running. Pictures are
// painted on a thread as well (into an image, cancelled by the next view
// change); meanwhile the last picture is shown moved and scaled to the view.
// The wheel zooms about the cursor, dragging pans, a double click fits the
// drawing to the pane again: its sheet, or everything while "全体表示" is on.
// What is never printed (off the sheet, pen colour 9) is drawn faint.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "preview/PreviewGeometry.h"

class QCheckBox;
class QLabel;
class QScrollArea;
class QToolButton;

namespace velkaro {

class PreviewCanvas;

class PreviewPane : public QWidget {
  Q_OBJECT
 public:
  enum class State { Empty, Building, Shown, Note };

  explicit PreviewPane(QWidget *parent = nullptr);
  ~PreviewPane() override;

  // Previews the file (empty: nothing selected). A build still running for
  // an earlier file is stopped.
  void showFile(const QString &path);
  // Whether the files shown were converted already (the list shows the
  // destination folder): the switch is then off and disabled, so an output
  // is never shown converted a second time and taken for unconverted.
  void setConvertedFolder(bool converted);
  // The map in force changed (the settings dialog).
  void showMapChange();

  State state() const { return state_; }
  QString currentFile() const { return file_; }
  QString note() const;
  // The geometry shown, or null.
  const PreviewGeometry *geometry() const { return geometry_.get(); }
  // The shown kind whose texts are highlighted; 0 for none.
  int highlightedKind() const { return highlight_; }
  void setHighlightedKind(int kind);
  bool showsMappedKinds() const;
  // How many builds ended early because the selection moved on.
  std::uint64_t cancelledBuilds() const { return cancelledBuilds_; }

  QToolButton *legendButton(int kind) const;
  QCheckBox *mapSwitch() const { return mapSwitch_; }
  QCheckBox *allSwitch() const { return allSwitch_; }
  PreviewCanvas *canvas() const { return canvas_; }

 signals:
  // A build for the current file ended (shown, or a note instead).
  void previewFinished();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  struct Job;

  void Loaded(std::uint64_t generation, std::shared_ptr<PreviewLoadResult> result);
  void SetNote(State state, const QString &text);
  void UpdateLegend();
  void ReapJobs();

  QLabel *noteLabel_ = nullptr;
  QCheckBox *mapSwitch_ = nullptr;
  QCheckBox *allSwitch_ = nullptr;
  PreviewCanvas *canvas_ = nullptr;
  std::vector<QToolButton *> legend_;
  QScrollArea *legendArea_ = nullptr;

  State state_ = State::Empty;
  QString file_;
  std::shared_ptr<const PreviewGeometry> geometry_;
  int highlight_ = 0;
  std::uint64_t generation_ = 0;
  std::uint64_t cancelledBuilds_ = 0;
  bool convertedFolder_ = false;
  bool switchWanted_ = false;  // the user's choice, kept while the folder forbids it
  std::vector<std::unique_ptr<Job>> jobs_;
};

// The drawing area: paints the latest picture and turns wheel and drag into
// view changes.
class PreviewCanvas : public QWidget {
 public:
  explicit PreviewCanvas(QWidget *parent = nullptr);
  ~PreviewCanvas() override;

  void setDrawing(std::shared_ptr<const PreviewGeometry> geometry);
  void setHighlight(int kind);
  void setMap(std::optional<TMojiShuMap> map);
  // Fit everything drawn rather than the sheet.
  void setFitAll(bool all);
  bool fitsAll() const { return fitAll_; }
  void zoomToFit();
  // The drawing millimetres a fit shows.
  PreviewExtent fitExtent() const;
  // Pixels per millimetre of the view; 0 before a drawing is shown.
  double scale() const { return view_.scale; }
  // Whether a finished picture of the current view is on screen.
  bool pictureCurrent() const;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

 public:
  // Drawing millimetres at the pane's top-left pixel and pixels per mm.
  struct View {
    double left = 0, top = 0, scale = 0;
    bool operator==(const View &) const = default;
  };

 private:
  struct Render;

  void Rerender();
  void Rendered(std::uint64_t generation, QImage image, View view);

  std::shared_ptr<const PreviewGeometry> geometry_;
  int highlight_ = 0;
  std::optional<TMojiShuMap> map_;
  bool fitAll_ = false;
  View view_;
  bool userMoved_ = false;
  QPoint dragFrom_;
  bool dragging_ = false;

  QImage picture_;
  View pictureView_;
  std::uint64_t renderGeneration_ = 0;
  std::uint64_t pictureGeneration_ = 0;
  std::vector<std::unique_ptr<Render>> renders_;
};

}  // namespace velkaro
