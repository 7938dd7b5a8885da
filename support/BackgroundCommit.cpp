// The commit thread: takes one writer, commits it, says how it went.
#include "support/BackgroundCommit.h"

#include <stdexcept>
#include <system_error>

namespace velkaro {

BackgroundCommit::~BackgroundCommit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable())
    thread_.join();
}

void BackgroundCommit::Start(std::unique_ptr<AtomicFileWriter> out) {
  {
    std::lock_guard lock(mutex_);
    if (pending_)
      throw std::logic_error("a commit was started before the last one's answer was taken");
    file_ = std::move(out);
    busy_ = pending_ = true;
  }
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&BackgroundCommit::Run, this);
    } catch (const std::system_error &) {
      CommitHere();  // no thread to be had: the caller waits for the disk
      return;
    }
  }
  changed_.notify_all();
}

void BackgroundCommit::CommitHere() {
  std::unique_lock lock(mutex_);
  std::unique_ptr<AtomicFileWriter> file = std::move(file_);
  lock.unlock();
  bool committed = false;
  try {
    committed = file->commit();
  } catch (...) {
    // out of memory on the way: no file, as for any failed commit
  }
  file.reset();
  lock.lock();
  committed_ = committed;
  busy_ = false;
}

bool BackgroundCommit::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  pending_ = false;
  return committed_;
}

bool BackgroundCommit::Pending() const {
  std::lock_guard lock(mutex_);
  return pending_;
}

void BackgroundCommit::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // A file handed over before the quit is still committed.
    changed_.wait(lock, [this] { return busy_ || quit_; });
    if (!busy_)
      return;
    lock.unlock();
    CommitHere();
    changed_.notify_all();
    lock.lock();
  }
}

}  // namespace velkaro
