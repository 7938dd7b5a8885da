// BackgroundTasks: work that would hold up the window, run on threads of its
// own, with its results handed back on the window's thread.
//
// A task gets a stop token; stopping a task never waits for it, so the window
// can leave a slow folder for another at once. Finished threads are joined
// when the next task starts; the destructor asks every task to stop and waits
// for them. Where no thread can be had, the task runs on the calling thread:
// slower for the user, never lost.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace velkaro {

class BackgroundTasks : public QObject {
  Q_OBJECT
 public:
  explicit BackgroundTasks(QObject *parent = nullptr) : QObject(parent) {}
  ~BackgroundTasks() override;

  // Runs `work` off this object's thread; it returns the stop source that
  // stops it (a request only: the work looks at its token between steps).
  std::stop_source run(std::function<void(std::stop_token)> work);
  // Runs `then` on this object's thread, later (from any thread). Dropped
  // when this object is gone.
  void post(std::function<void()> then);

  // Tasks still running.
  int running() const;

 private:
  struct Task {
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread;
  };
  void Reap();

  std::vector<std::unique_ptr<Task>> tasks_;
};

}  // namespace velkaro
