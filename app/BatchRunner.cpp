// BatchRunner: the window's batch on a thread of its own.
#include "BatchRunner.h"

#include <algorithm>
#include <thread>

#include "BackgroundTasks.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"

namespace velkaro {

// Hands what the batch reports over to the window's thread.
class BatchRunner::Reporter final : public BatchReporter {
 public:
  Reporter(BatchRunner &runner, BackgroundTasks &tasks) : runner_(&runner), tasks_(tasks) {}

  void ShowMessage(const std::u16string &text) override {
    // Only refusals come here: the window lists the other rows in its result.
    Post([text](BatchRunner &r) { emit r.refused(QString::fromStdU16String(text)); });
  }
  void SetStatusText(const std::u16string &text) override {
    Post([text](BatchRunner &r) { emit r.statusChanged(QString::fromStdU16String(text)); });
  }
  void RowNotConvertible(const std::u16string &, const std::u16string &) override {}
  void RowFinished(std::int32_t done, std::int32_t total) override {
    Post([done, total](BatchRunner &r) { emit r.progressed(done, total); });
  }
  // The window shows the result once Run has returned.
  void BatchFinished(const BatchResult &) override {}

 private:
  template <typename F>
  void Post(F f) {
    BatchRunner *runner = runner_;
    tasks_.post([runner, f] { f(*runner); });
  }

  BatchRunner *runner_;
  BackgroundTasks &tasks_;
};

BatchRunner::BatchRunner(QObject *parent) : QObject(parent), tasks_(new BackgroundTasks(this)) {}

BatchRunner::~BatchRunner() {
  if (running_)
    RequestStop(0);
  delete tasks_;  // waits for the batch; nothing it posted is delivered
  if (running_)
    ClearStopRequest();
}

// Each file as undo reaches it, in the status bar.
class BatchRunner::UndoProgress final : public UndoReporter {
 public:
  UndoProgress(BatchRunner &runner, BackgroundTasks &tasks) : runner_(&runner), tasks_(tasks) {}
  void FileUndone(const std::u16string &D, const UndoRow &row) override {
    const QString text = QStringLiteral("「%1」：%2")
                             .arg(QString::fromStdU16String(JoinPath(D, row.name)),
                                  QString::fromStdU16String(UndoOutcomeText(row.outcome)));
    BatchRunner *runner = runner_;
    tasks_.post([runner, text] { emit runner->statusChanged(text); });
  }

 private:
  BatchRunner *runner_;
  BackgroundTasks &tasks_;
};

bool BatchRunner::Begin() {
  if (running_)
    return false;
  running_ = true;
  stopRequested_ = false;
  ClearStopRequest();
  return true;
}

bool BatchRunner::startUndo(const std::u16string &destination, const std::string &batchId) {
  if (!Begin())
    return false;
  auto progress = std::make_shared<UndoProgress>(*this, *tasks_);
  tasks_->run([this, destination, batchId, progress](std::stop_token) {
    UndoOptions options;
    options.batchId = batchId;
    auto result = std::make_shared<const UndoResult>(UndoLastBatch(destination, options, progress.get()));
    tasks_->post([this, result] {
      running_ = false;
      ClearStopRequest();
      emit undone(result);
    });
  });
  return true;
}

bool BatchRunner::start(const Request &request) {
  if (!Begin())
    return false;
  auto reporter = std::make_shared<Reporter>(*this, *tasks_);
  tasks_->run([this, request, reporter](std::stop_token) {
    TJwwData JWW;
    TJwcData JWC;
    UseWorkFolder(JWW, request.workFolder);
    ConversionBatch batch(JWW, JWC, *reporter);
    BatchOptions options;
    options.jobs = request.jobs;
    auto result = std::make_shared<const BatchResult>(
        batch.Run(request.source, request.destination, request.rows, request.map, options));
    tasks_->post([this, result] {
      running_ = false;
      ClearStopRequest();
      emit finished(result);
    });
  });
  return true;
}

void BatchRunner::requestStop() {
  if (!running_)
    return;
  stopRequested_ = true;
  RequestStop(0);
}

int WindowBatchJobs() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace velkaro
