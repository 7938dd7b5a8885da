// TextOutput: the command line's text as the user's screen and tools expect
// it on each platform.
//
// The CLI writes UTF-8 with "\n" line ends. On POSIX those bytes pass as they
// are. On Windows a console gets each whole line as UTF-16 through
// WriteConsoleW, so it shows every character whatever its code page, which
// is never changed; output redirected to a file or pipe gets CR LF line ends
// and the console's code page (the ANSI code page when there is no console),
// the encoding cmd's `type`, PowerShell 5.1 and Excel read, or UTF-8 when the
// user asks for it.
#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

namespace velkaro {

enum class RedirectedEncoding { ConsoleCodePage, Utf8 };

// Sets std::cout and std::cerr up as above. Nothing on POSIX.
void PrepareStandardStreams(RedirectedEncoding encoding);

// The code page redirected output is written in with ConsoleCodePage:
// the console's output code page, or the ANSI code page without a console
// (Windows; 65001, UTF-8, elsewhere).
unsigned RedirectedCodePage();

// The bytes a piece of redirected output becomes: "\n" -> "\r\n" and UTF-8
// in `codePage` (65001 keeps the UTF-8). Characters the code page lacks
// become "?". On POSIX the text is returned unchanged.
std::string RedirectedBytes(std::string_view utf8, unsigned codePage);

// A stream buffer that hands its sink whole lines (the "\n" included), so
// that a console gets one call per line whatever size the pieces written
// were; what is left of a line goes at a flush.
class LineStreamBuf final : public std::streambuf {
 public:
  // False when the bytes could not be written: the stream then fails.
  using Sink = std::function<bool(std::string_view utf8)>;
  explicit LineStreamBuf(Sink sink) : sink_(std::move(sink)) {}
  ~LineStreamBuf() override { sync(); }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char *s, std::streamsize n) override;
  int sync() override;

 private:
  bool EmitWholeLines();

  Sink sink_;
  std::string pending_;
};

}  // namespace velkaro
