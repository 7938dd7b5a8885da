// ResourceShortage: failures whose cause lies in the process, not in the
// file — too many files open, or no memory to be had.
//
// A read or write that fails for such a cause looks to its caller like any
// other failure. The file layer notes the cause for the thread that met it,
// so that the batch can tell the user the real reason instead of calling a
// sound drawing unreadable or no drawing at all.
#pragma once

namespace velkaro {

enum class ResourceShortage { None, Descriptors, Memory };

// Notes a shortage met by this thread (the first since the last take).
void NoteResourceShortage(ResourceShortage shortage);
// The shortage this thread met since the last call, which forgets it.
ResourceShortage TakeResourceShortage();

// A file that the system would not open or read (an I/O error, a file gone
// meanwhile), noted the same way: a check that failed for it said nothing
// about the file's bytes.
void NoteReadFailure();
// Whether this thread met one since the last call, which forgets it.
bool TakeReadFailure();

// The platform's part: the shortage an error number of the last failed call
// stands for (POSIX errno; Windows GetLastError), noted when there is one.
void NoteShortageOfLastError();

}  // namespace velkaro
