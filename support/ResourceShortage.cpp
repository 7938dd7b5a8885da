// ResourceShortage: one note per thread; the platform's error numbers.
#include "support/ResourceShortage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace velkaro {

namespace {

thread_local ResourceShortage tShortage = ResourceShortage::None;
thread_local bool tReadFailed = false;

}  // namespace

void NoteResourceShortage(ResourceShortage shortage) {
  if (tShortage == ResourceShortage::None)
    tShortage = shortage;
}

ResourceShortage TakeResourceShortage() {
  const ResourceShortage shortage = tShortage;
  tShortage = ResourceShortage::None;
  return shortage;
}

void NoteReadFailure() { tReadFailed = true; }

bool TakeReadFailure() {
  const bool failed = tReadFailed;
  tReadFailed = false;
  return failed;
}

void NoteShortageOfLastError() {
#ifdef _WIN32
  switch (GetLastError()) {
    case ERROR_TOO_MANY_OPEN_FILES: NoteResourceShortage(ResourceShortage::Descriptors); break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT: NoteResourceShortage(ResourceShortage::Memory); break;
    default: break;
  }
#else
  switch (errno) {
    case EMFILE:
    case ENFILE: NoteResourceShortage(ResourceShortage::Descriptors); break;
    case ENOMEM: NoteResourceShortage(ResourceShortage::Memory); break;
    default: break;
  }
#endif
}

}  // namespace velkaro
