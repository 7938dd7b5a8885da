// Paths between the core's UTF-16 and the file system's native form.
#include "support/Platform.h"

#include "support/Utf8.h"

namespace velkaro {

#ifdef _WIN32

std::filesystem::path ToFsPath(const std::u16string &path) {
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

std::u16string FromFsPath(const std::filesystem::path &path) {
  const std::wstring &w = path.native();
  return std::u16string(w.begin(), w.end());
}

#else

std::filesystem::path ToFsPath(const std::u16string &path) {
  return std::filesystem::path(utf8::FromUtf16Escaped(path));
}

std::u16string FromFsPath(const std::filesystem::path &path) {
  return utf8::ToUtf16Escaped(path.native());
}

#endif

bool IsForbiddenPathChar(char16_t c) {
#ifdef _WIN32
  return c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|';
#else
  return c == 0;
#endif
}

bool IsUsablePath(const std::u16string &path) {
  if (path.empty()) return false;
  for (char16_t c : path)
    if (IsForbiddenPathChar(c)) return false;
  return true;
}

}  // namespace velkaro
