// velkaro-cli as a Windows program: a console gets whole UTF-16 lines and
// keeps its code page, redirected output is in the user's code page with
// CR LF, wildcards in FILE are expanded, and a short 8.3 name gives an
// output with the long name.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "builders/JwwBuilder.h"
#include "convert/BatchRecord.h"
#include "support/Platform.h"
#include "support/TextOutput.h"
#include "tests/cli/CliRun.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "ファイル名\t種類\t図面メモ\t更新日時\tサイズ\tVer.";

class CliWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(src.path() / ToFsPath(u"図面 フォルダ"));
    for (const char16_t *name : {u"平面図.jww", u"b.jww", u"立面図.jww"})
      WriteFileBytes(folder() / ToFsPath(name), BuildJww(MakeCanonicalDrawing(600)).bytes);
  }
  fs::path folder() const { return src.path() / ToFsPath(u"図面 フォルダ"); }
  std::string u8(const fs::path &p) const { return ToUtf8(FromFsPath(p)); }

  TempDir src, dst;
};

// The test runs with Wine's Japanese locale (tests/cli/CMakeLists.txt):
// without a console the code page is the ANSI one, 932.
TEST_F(CliWindows, RedirectedOutputIsInTheCodePageWithCrLf) {
  ASSERT_EQ(GetACP(), 932u);
  const CliResult r = RunCliRaw({"list", u8(folder())}, DETACHED_PROCESS);
  ASSERT_EQ(r.exit, 0) << r.err;
  // ファイル名 in Shift-JIS, then a tab.
  const std::string header = "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\t";
  EXPECT_EQ(r.out.substr(0, header.size()), header);
  EXPECT_EQ(r.out, RedirectedBytes(RunCli({"list", u8(folder())}).out, 932));
  EXPECT_NE(r.out.find("\x95\xBD\x96\xCA\x90\x7D.jww\t"), std::string::npos);  // 平面図.jww
  for (std::size_t i = r.out.find('\n'); i != std::string::npos; i = r.out.find('\n', i + 1))
    EXPECT_EQ(r.out[i - 1], '\r') << i;
  // The status line on stderr speaks the same code page.
  EXPECT_EQ(r.err, RedirectedBytes(RunCli({"list", u8(folder())}).err, 932));
}

TEST_F(CliWindows, Utf8KeepsEveryCharacter) {
  WriteFileBytes(folder() / ToFsPath(u"한글.jww"), BuildJww(MakeCanonicalDrawing(600)).bytes);
  const CliResult cp = RunCliRaw({"list", u8(folder())}, DETACHED_PROCESS);
  const CliResult utf8 = RunCliRaw({"list", "--utf8", u8(folder())}, DETACHED_PROCESS);
  EXPECT_NE(cp.out.find("??.jww\t"), std::string::npos);  // not in 932
  EXPECT_NE(utf8.out.find("한글.jww\t"), std::string::npos);
  EXPECT_EQ(utf8.out.substr(0, kHeader.size() + 2), kHeader + "\r\n");
}

// The program writes into a console of this process: what the console
// shows is read back from its screen buffer.
TEST_F(CliWindows, AConsoleShowsWholeJapaneseLinesAndKeepsItsCodePage) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  if (!SetConsoleOutputCP(932) || GetConsoleOutputCP() != 932) {
    FreeConsole();
    // Wine makes a console only where it has a display (scripts/test-windows has one).
    GTEST_SKIP() << "no console to be had here";
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                  CONSOLE_TEXTMODE_BUFFER, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  COORD size{200, 50};
  SetConsoleScreenBufferSize(screen, size);

  std::wstring command = QuoteArgument(VELKARO_CLI_PATH) + L" list " + QuoteArgument(u8(folder()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = screen;
  startup.hStdError = screen;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process));
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  std::wstring shown;
  for (SHORT row = 0; row < 6; ++row) {
    std::wstring line(size.X, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, line.data(), size.X, COORD{0, row}, &read);
    line.resize(read);
    line.erase(line.find_last_not_of(L' ') + 1);
    shown += line + L"\n";
  }
  EXPECT_NE(shown.find(L"ファイル名"), std::wstring::npos) << ToUtf8(std::u16string(shown.begin(), shown.end()));
  EXPECT_NE(shown.find(L"平面図.jww"), std::wstring::npos);
  EXPECT_NE(shown.find(L"立面図.jww"), std::wstring::npos);
  EXPECT_EQ(GetConsoleOutputCP(), 932u);  // the user's code page is left as it was
  CloseHandle(screen);
  FreeConsole();
}

TEST_F(CliWindows, WildcardsInFileArgumentsAreExpanded) {
  const std::string pattern = u8(folder() / ToFsPath(u"*図.jww"));
  const std::string none = u8(folder() / "*.jwc");
  const CliResult r = RunCli({"convert", "--dest", u8(dst.path()), "--map", "2,1,3,4,5,6,7,8,9,10",
                              "--quiet", pattern, none, u8(folder() / "?.JWW")});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "3個のファイルを変換しました。\n");
  EXPECT_EQ(r.err, "velkaro-cli: 「" + none + "」に一致するファイルがありません。\n");
  for (const char16_t *name : {u"平面図.jww", u"b.jww", u"立面図.jww"})
    EXPECT_TRUE(fs::exists(dst.path() / ToFsPath(name))) << ToUtf8(name);
}

TEST_F(CliWindows, InfoExpandsWildcardsToo) {
  const CliResult r = RunCli({"info", "--json", u8(folder() / ToFsPath(u"*図.jww")),
                              u8(folder() / "*.jws")});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "velkaro-cli: 「" + u8(folder() / "*.jws") + "」に一致するファイルがありません。\n");
  EXPECT_NE(r.out.find("平面図.jww"), std::string::npos);
  EXPECT_NE(r.out.find("立面図.jww"), std::string::npos);
  EXPECT_EQ(r.out.find("b.jww"), std::string::npos);
}

TEST_F(CliWindows, APatternMatchingNothingAloneWritesNothing) {
  const CliResult r = RunCli({"convert", "--dest", u8(dst.path()), "--map", "2,1,3,4,5,6,7,8,9,10",
                              u8(folder() / "*.jwc")});
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::is_empty(dst.path()));
}

TEST_F(CliWindows, AShortNameGivesAnOutputWithTheLongName) {
  const fs::path longPath = folder() / ToFsPath(u"平面図.jww");
  wchar_t shortPath[MAX_PATH];
  const DWORD n = GetShortPathNameW(longPath.c_str(), shortPath, MAX_PATH);
  ASSERT_GT(n, 0u);
  const fs::path given(shortPath);
  ASSERT_NE(given.filename(), longPath.filename());  // Wine makes up 8.3 names as Windows does
  const CliResult r = RunCli({"convert", "--dest", u8(dst.path()), "--map", "2,1,3,4,5,6,7,8,9,10",
                              "--quiet", u8(given)});
  EXPECT_EQ(r.exit, 0) << r.err;
  // Wine finds a file by its short name too: the folder's own names tell.
  std::vector<fs::path> names;
  for (const auto &e : fs::directory_iterator(dst.path()))
    if (e.path().filename() != ToFsPath(kBatchRecordName))
      names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<fs::path>{ToFsPath(u"平面図.jww")});
  // The batch record beside it stays out of Explorer's view.
  const DWORD attributes = GetFileAttributesW((dst.path() / ToFsPath(kBatchRecordName)).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace velkaro::testing

#endif  // _WIN32
