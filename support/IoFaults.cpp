// The fault seam's counters. Off, each check is one atomic load.
#include "support/IoFaults.h"

#include <algorithm>
#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace velkaro {

namespace {

std::atomic<std::uint64_t> gFailAtCall{0};
std::atomic<std::uint64_t> gCalls{0};
std::atomic<int> gFailedStep{-1};

std::atomic<std::uint64_t> gWriteFailureLimit{0};
std::atomic<std::uint64_t> gBytesWritten{0};

void SetIoErrorCode() {
#ifdef _WIN32
  SetLastError(ERROR_IO_DEVICE);
#else
  errno = EIO;
#endif
}

}  // namespace

const char *IoStepName(IoStep step) {
  switch (step) {
    case IoStep::Open: return "open file";
    case IoStep::Create: return "create file";
    case IoStep::Read: return "read";
    case IoStep::Write: return "write";
    case IoStep::Flush: return "flush";
    case IoStep::Rename: return "rename";
    case IoStep::Remove: return "remove";
    case IoStep::OpenFolder: return "open folder";
    case IoStep::MakeFolder: return "make folder";
    case IoStep::ListFolder: return "list folder";
    case IoStep::RemoveFolder: return "remove folder";
    case IoStep::Status: return "status";
  }
  return "?";
}

bool IoFaultHere(IoStep step) {
  const std::uint64_t failAt = gFailAtCall.load(std::memory_order_relaxed);
  if (failAt == 0 || gCalls.fetch_add(1) + 1 != failAt) return false;
  gFailedStep.store(static_cast<int>(step));
  SetIoErrorCode();
  return true;
}

void FailIoCallForTesting(std::uint64_t n) {
  gFailAtCall.store(0);
  gCalls.store(0);
  gFailedStep.store(-1);
  gFailAtCall.store(n);
}

std::uint64_t IoCallsForTesting() { return gCalls.load(); }

bool FailedIoStepForTesting(IoStep &step) {
  const int failed = gFailedStep.load();
  if (failed < 0) return false;
  step = static_cast<IoStep>(failed);
  return true;
}

void SetWriteFailureAfterBytesForTesting(std::uint64_t bytes) {
  gBytesWritten.store(0);
  gWriteFailureLimit.store(bytes);
}

std::size_t BytesAllowedByWriteFailureSeam(std::size_t n) {
  const std::uint64_t limit = gWriteFailureLimit.load();
  if (limit == 0) return n;
  const std::uint64_t before = gBytesWritten.fetch_add(n);
  if (before >= limit) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(n, limit - before));
}

}  // namespace velkaro
