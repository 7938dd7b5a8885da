// BackgroundCommit: finishes a written file (flush to the disk, rename over
// its target, flush of the folder) on a thread of its own, one file at a
// time, so that the caller lays out its next file while the disk takes this
// one. Most of a commit is waiting for the disk, not work for a core.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "support/FileIO.h"

namespace velkaro {

class BackgroundCommit {
 public:
  BackgroundCommit() = default;
  // Waits for a commit still running.
  ~BackgroundCommit();
  BackgroundCommit(const BackgroundCommit &) = delete;
  BackgroundCommit &operator=(const BackgroundCommit &) = delete;

  // Commits `out`, whose bytes are all written. The answer of the commit
  // started before must have been taken with Wait: a result is never lost
  // (std::logic_error otherwise, and `out` is discarded).
  void Start(std::unique_ptr<AtomicFileWriter> out);
  // Waits for the commit last started and returns AtomicFileWriter::commit's
  // answer, its temporary file gone when that is false.
  bool Wait();
  // A commit was started and its answer not yet taken.
  bool Pending() const;

 private:
  void Run();
  // Commits file_ on the calling thread; the temporary file of a failed
  // commit is gone before the answer is posted.
  void CommitHere();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::unique_ptr<AtomicFileWriter> file_;  // the one being committed
  bool busy_ = false;       // the thread has a file to commit
  bool pending_ = false;    // Start without its Wait
  bool committed_ = false;
  bool quit_ = false;
  std::thread thread_;  // started with the first commit
};

}  // namespace velkaro
