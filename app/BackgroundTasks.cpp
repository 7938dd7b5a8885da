// BackgroundTasks: threads for the window's long work.
#include "BackgroundTasks.h"

#include <QMetaObject>
#include <system_error>

namespace velkaro {

BackgroundTasks::~BackgroundTasks() {
  for (auto &task : tasks_)
    task->thread.request_stop();
  tasks_.clear();  // joins
}

std::stop_source BackgroundTasks::run(std::function<void(std::stop_token)> work) {
  Reap();
  auto task = std::make_unique<Task>();
  auto done = task->done;
  try {
    task->thread = std::jthread([work, done](std::stop_token stop) {
      work(stop);
      done->store(true);
    });
  } catch (const std::system_error &) {
    // No thread to be had (a process or memory limit): do it here.
    std::stop_source source;
    work(source.get_token());
    return source;
  }
  std::stop_source source = task->thread.get_stop_source();
  tasks_.push_back(std::move(task));
  return source;
}

void BackgroundTasks::post(std::function<void()> then) {
  QMetaObject::invokeMethod(this, std::move(then), Qt::QueuedConnection);
}

int BackgroundTasks::running() const {
  int n = 0;
  for (const auto &task : tasks_)
    n += task->done->load() ? 0 : 1;
  return n;
}

void BackgroundTasks::Reap() {
  std::erase_if(tasks_, [](const auto &task) { return task->done->load(); });
}

}  // namespace velkaro
