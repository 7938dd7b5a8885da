// BatchRunner: the conversion batch of the main window, run off the window's
// thread so the window keeps answering (Windows marks a window that handles
// no messages for five seconds as not responding, and users end it).
//
// The batch is the core's ConversionBatch, with documents and workers of its
// own; what it reports arrives here on the window's thread as signals. A stop
// goes through the batch's own stop request: the file in progress is
// finished or given up whole, as with Ctrl+C in the command line.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "convert/ConversionBatch.h"
#include "convert/UndoBatch.h"

namespace velkaro {

class BackgroundTasks;

class BatchRunner : public QObject {
  Q_OBJECT
 public:
  struct Request {
    std::u16string source;       // the source folder
    std::u16string destination;  // the destination folder
    std::vector<std::u16string> rows;  // the selected rows' names, in list order
    TMojiShuMap map{};
    int jobs = 1;
    std::u16string workFolder;  // where drawings' images go while converted
  };

  explicit BatchRunner(QObject *parent = nullptr);
  ~BatchRunner() override;

  // Starts the batch; false while one (or an undo) is running.
  bool start(const Request &request);
  // Starts the undo of the batch `batchId` into `destination` (the one the
  // user agreed to); false while a batch or an undo is running.
  bool startUndo(const std::u16string &destination, const std::string &batchId);
  // Asks the running batch to stop between files.
  void requestStop();
  bool running() const { return running_; }
  bool stopRequested() const { return stopRequested_; }

 signals:
  void statusChanged(const QString &text);
  void progressed(int done, int total);
  // A refusal of the batch: its message, shown by the window.
  void refused(const QString &message);
  void finished(std::shared_ptr<const velkaro::BatchResult> result);
  void undone(std::shared_ptr<const velkaro::UndoResult> result);

 private:
  class Reporter;
  class UndoProgress;
  bool Begin();

  BackgroundTasks *tasks_ = nullptr;
  bool running_ = false;
  bool stopRequested_ = false;
};

// Workers for the window's batch: one per core, as the command line's --jobs
// allows.
int WindowBatchJobs();

}  // namespace velkaro
