// TextOutput: whole lines to the console in UTF-16, redirected output in the
// user's code page with CR LF (Windows); the bytes unchanged on POSIX.
#include "support/TextOutput.h"

#include <iostream>

#include "support/Func_2.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velkaro {

// ---- LineStreamBuf -----------------------------------------------------------

LineStreamBuf::int_type LineStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof()))
    return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize LineStreamBuf::xsputn(const char *s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  return EmitWholeLines() ? n : 0;
}

int LineStreamBuf::sync() {
  if (!EmitWholeLines())
    return -1;
  if (pending_.empty())
    return 0;
  const bool written = sink_(pending_);
  pending_.clear();
  return written ? 0 : -1;
}

bool LineStreamBuf::EmitWholeLines() {
  const std::size_t end = pending_.rfind('\n');
  if (end == std::string::npos)
    return true;
  // Every complete line in one call: a console takes them as one write.
  const bool written = sink_(std::string_view(pending_).substr(0, end + 1));
  pending_.erase(0, end + 1);
  return written;
}

#ifdef _WIN32

namespace {

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return GetConsoleMode(h, &mode) != 0;
}

// Hands [p, p + left) to `put`, which takes some and says how many, until
// all is taken; false when it takes nothing.
template <typename Char, typename Put>
bool PutAll(const Char *p, DWORD left, Put put) {
  while (left > 0) {
    DWORD done = 0;
    if (!put(p, left, done) || done == 0)
      return false;
    p += done;
    left -= done;
  }
  return true;
}

bool WriteToConsole(HANDLE h, std::string_view utf8) {
  const std::u16string text = FromUtf8(utf8);
  return PutAll(reinterpret_cast<const wchar_t *>(text.data()), static_cast<DWORD>(text.size()),
                [h](const wchar_t *p, DWORD n, DWORD &put) {
                  return WriteConsoleW(h, p, n, &put, nullptr) != 0;
                });
}

bool WriteToFile(HANDLE h, const std::string &bytes) {
  return PutAll(bytes.data(), static_cast<DWORD>(bytes.size()),
                [h](const char *p, DWORD n, DWORD &put) {
                  return WriteFile(h, p, n, &put, nullptr) != 0;
                });
}

void Prepare(std::ostream &stream, DWORD which, RedirectedEncoding encoding) {
  const HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE)
    return;
  LineStreamBuf::Sink sink;
  if (IsConsole(h)) {
    sink = [h](std::string_view line) { return WriteToConsole(h, line); };
  } else {
    const unsigned codePage = encoding == RedirectedEncoding::Utf8 ? CP_UTF8 : RedirectedCodePage();
    sink = [h, codePage](std::string_view text) {
      return WriteToFile(h, RedirectedBytes(text, codePage));
    };
  }
  // Never deleted: the standard streams are flushed at exit, after every
  // object of ours is gone.
  stream.rdbuf(new LineStreamBuf(std::move(sink)));
}

}  // namespace

void PrepareStandardStreams(RedirectedEncoding encoding) {
  Prepare(std::cout, STD_OUTPUT_HANDLE, encoding);
  Prepare(std::cerr, STD_ERROR_HANDLE, encoding);
}

unsigned RedirectedCodePage() {
  const UINT console = GetConsoleOutputCP();
  return console != 0 ? console : GetACP();
}

std::string RedirectedBytes(std::string_view utf8, unsigned codePage) {
  std::string crlf;
  crlf.reserve(utf8.size() + utf8.size() / 16);
  for (const char c : utf8) {
    if (c == '\n')
      crlf += '\r';
    crlf += c;
  }
  if (codePage == CP_UTF8 || crlf.empty())
    return crlf;
  const std::u16string wide = FromUtf8(crlf);
  const auto *w = reinterpret_cast<const wchar_t *>(wide.data());
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(codePage, 0, w, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return crlf;  // a code page Windows cannot convert to: the UTF-8 stays
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, w, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

#else  // POSIX

void PrepareStandardStreams(RedirectedEncoding) {}

unsigned RedirectedCodePage() { return 65001; }

std::string RedirectedBytes(std::string_view utf8, unsigned) { return std::string(utf8); }

#endif

}  // namespace velkaro
