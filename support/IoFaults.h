// IoFaults: the test seam that makes the file layer's calls fail, as a full
// disk, a failing device or a network share that went away would.
//
// Every call the file layer makes to the system that can fail asks
// IoFaultHere first: opening, creating, reading, writing and flushing
// files; renaming and removing entries; opening, making, listing and
// removing folders; asking for an entry's status. A test picks one call by its number; that call fails as
// the system fails it (the error code set to an I/O error), so the caller's
// own handling of the failure runs. Calls are counted in the order they are
// made, on any thread (the commit thread too).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velkaro {

enum class IoStep {
  Open,
  Create,
  Read,
  Write,
  Flush,
  Rename,
  Remove,
  OpenFolder,
  MakeFolder,
  ListFolder,
  RemoveFolder,
  Status,  // the status of an entry of an open folder
};

const char *IoStepName(IoStep step);

// The seam's side of a call: true when this call is the one to fail; the
// platform's error code then says "I/O error".
bool IoFaultHere(IoStep step);

// Test seam: the n-th call from now (1 is the next) fails; 0 switches the
// seam off. Either restarts the count.
void FailIoCallForTesting(std::uint64_t n);
// The calls counted since the last FailIoCallForTesting with n > 0.
std::uint64_t IoCallsForTesting();
// The step of the call that was made to fail, when the count reached it.
bool FailedIoStepForTesting(IoStep &step);

// Test seam: when set, every file write fails once this many bytes have been
// written in the process (a full disk: the bytes up to the limit are
// written, then the write fails). Setting it restarts the count; 0 switches
// it off.
void SetWriteFailureAfterBytesForTesting(std::uint64_t bytes);
// How many of n bytes the seam above lets a write put down (n when it is off).
std::size_t BytesAllowedByWriteFailureSeam(std::size_t n);

}  // namespace velkaro
