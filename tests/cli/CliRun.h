// CliRun: runs velkaro-cli as a program with its output caught in files.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include "builders/TempDir.h"
#include "support/Func_2.h"

namespace velkaro::testing {

struct CliResult {
  int exit = -1;
  std::string out, err;
};

inline std::string ShellQuote(const std::string &s) {
  std::string q = "'";
  for (const char c : s)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string FileText(const std::filesystem::path &p) {
  const auto bytes = ReadFileBytes(p);
  return {bytes.begin(), bytes.end()};
}

#ifdef _WIN32
// The program started through CreateProcessW with a UTF-16 command line (as
// Explorer or cmd would start it), stdout and stderr going to files.
inline std::wstring QuoteArgument(const std::string &utf8) {
  const std::u16string u = FromUtf8(utf8);
  std::wstring q = L"\"";
  std::size_t slashes = 0;
  for (const char16_t c : u) {
    if (c == u'\\') {
      ++slashes;
    } else {
      if (c == u'"') q.append(slashes + 1, L'\\');
      slashes = 0;
    }
    q += static_cast<wchar_t>(c);
  }
  q.append(slashes, L'\\');
  return q + L"\"";
}

// The output bytes as the program wrote them: in the console's code page
// with CR LF line ends unless --utf8 is among the arguments.
// `creationFlags` as CreateProcessW takes them (DETACHED_PROCESS: no console).
inline CliResult RunCliRaw(const std::vector<std::string> &args, DWORD creationFlags = 0) {
  TempDir io;
  std::wstring command = QuoteArgument(VELKARO_CLI_PATH);
  for (const std::string &a : args) command += L" " + QuoteArgument(a);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto openOutput = [&](const char *name) {
    return CreateFileW((io.path() / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE out = openOutput("out"), err = openOutput("err");
  const HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  CliResult r;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, creationFlags, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) r.exit = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  CloseHandle(in);
  r.out = FileText(io.path() / "out");
  r.err = FileText(io.path() / "err");
  return r;
}

// The output as UTF-8 with LF line ends, as on POSIX: the same expectations
// hold on both platforms.
inline CliResult RunCli(const std::vector<std::string> &args) {
  std::vector<std::string> utf8 = {"--utf8"};
  utf8.insert(utf8.end(), args.begin(), args.end());
  CliResult r = RunCliRaw(utf8);
  for (std::string *text : {&r.out, &r.err})
    text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
  return r;
}
#else
inline CliResult RunCli(const std::vector<std::string> &args) {
  TempDir io;
  std::string command = ShellQuote(VELKARO_CLI_PATH);
  for (const std::string &a : args)
    command += " " + ShellQuote(a);
  command += " >" + ShellQuote((io.path() / "out").string()) + " 2>" +
             ShellQuote((io.path() / "err").string()) + " </dev/null";
  const int status = std::system(command.c_str());
  CliResult r;
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = FileText(io.path() / "out");
  r.err = FileText(io.path() / "err");
  return r;
}
#endif

// The lines of a text, without their line feeds.
inline std::vector<std::string> LinesOf(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace velkaro::testing
