// TextOutput: a console gets one call per whole line however the text was
// written; redirected output's line ends and code page (Windows).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/TextOutput.h"

namespace velkaro {
namespace {

struct Calls {
  std::vector<std::string> lines;
  bool fail = false;
  LineStreamBuf::Sink sink() {
    return [this](std::string_view text) {
      lines.emplace_back(text);
      return !fail;
    };
  }
};

// The CLI once wrote a list one byte at a time (6,884 console writes, every
// byte a box on screen).
TEST(LineStreamBuf, PiecesOfAnySizeReachTheSinkAsWholeLines) {
  Calls calls;
  {
    LineStreamBuf buf(calls.sink());
    std::ostream out(&buf);
    const std::string text = "ファイル名\t種類\n平面図.jww\t.jww\n";
    for (const char c : text)
      out.put(c);  // one byte at a time
    out << "立面" << "図.jww";
    EXPECT_EQ(calls.lines.size(), 2u);  // the third line is not whole yet
    out << '\n' << "end";
    out.flush();
  }
  EXPECT_EQ(calls.lines, (std::vector<std::string>{"ファイル名\t種類\n", "平面図.jww\t.jww\n",
                                                    "立面図.jww\n", "end"}));
}

TEST(LineStreamBuf, SeveralWholeLinesGoInOneCall) {
  Calls calls;
  LineStreamBuf buf(calls.sink());
  std::ostream out(&buf);
  out << "a\nb\nc";
  EXPECT_EQ(calls.lines, (std::vector<std::string>{"a\nb\n"}));
  out.flush();
  EXPECT_EQ(calls.lines.back(), "c");
}

TEST(LineStreamBuf, AFailedWriteFailsTheStream) {
  Calls calls;
  calls.fail = true;
  LineStreamBuf buf(calls.sink());
  std::ostream out(&buf);
  out << "line\n";
  EXPECT_TRUE(out.bad());
  Calls partial;
  partial.fail = true;
  LineStreamBuf buf2(partial.sink());
  std::ostream out2(&buf2);
  out2 << "no line end";
  EXPECT_TRUE(out2.good());  // nothing written yet
  out2.flush();
  EXPECT_TRUE(out2.bad());
}

#ifdef _WIN32
TEST(RedirectedBytes, CrLfAndTheCodePage) {
  EXPECT_EQ(RedirectedBytes("a\nb\n", 932), "a\r\nb\r\n");
  // 図面 in Shift-JIS; a character 932 lacks becomes "?".
  EXPECT_EQ(RedirectedBytes("図面\n", 932), "\x90\x7D\x96\xCA\r\n");
  EXPECT_EQ(RedirectedBytes("한\n", 932), "?\r\n");
  EXPECT_EQ(RedirectedBytes("図面\n", 65001), "図面\r\n");
}
#else
TEST(RedirectedBytes, PosixPassesTheBytesUnchanged) {
  EXPECT_EQ(RedirectedBytes("図面\n", 932), "図面\n");
  EXPECT_EQ(RedirectedCodePage(), 65001u);
}
#endif

}  // namespace
}  // namespace velkaro
