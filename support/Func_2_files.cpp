// Path, file and folder helpers over std::filesystem, with the platform
// seam (support/Platform.h) where it has no equivalent: time stamps with
// nanoseconds, local time.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <unicode/utf16.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unicode/uchar.h>
#endif

#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/IoFaults.h"
#include "support/Platform.h"

namespace fs = std::filesystem;

namespace velkaro {

std::vector<TFileField> FoundFiles;
std::int32_t FoundFileCount = 0;

namespace {

bool IsNameSeparator(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }

// Position of the extension's dot, or npos: the last "." after the last
// separator.
std::size_t ExtensionDot(const std::u16string &path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    const char16_t c = path[i - 1];
    if (c == u'.') return i - 1;
    if (IsNameSeparator(c)) break;
  }
  return std::u16string::npos;
}

void FormatLocalDateTime(const FileTime &t, TFileField &field) {
  std::tm tm{};
  if (!ToLocalTime(t, tm)) return;
  field.date = IntToString(tm.tm_year + 1900) + u"/" + TwoDigits(tm.tm_mon + 1) + u"/" +
               TwoDigits(tm.tm_mday);
  field.time = TwoDigits(tm.tm_hour) + u":" + TwoDigits(tm.tm_min) + u":" + TwoDigits(tm.tm_sec);
}

// Visits every plain file of the folder whose name matches the mask, in the
// order the file system delivers them. Links are followed; folders, "." and
// ".." and entries that are not regular files (FIFOs, devices, dangling
// links) are skipped.
// False when the folder could not be read (to its end).
template <typename OnFile>
bool EnumerateFiles(const std::u16string &folder, const std::u16string &mask, OnFile onFile) {
  if (!IsUsablePath(folder)) return false;
  std::error_code ec;
  const fs::path dir = ToFsPath(folder);
  fs::directory_iterator it(dir, ec);
  if (ec) return false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return false;
    const std::u16string name = FromFsPath(it->path().filename());
    if (name == u"." || name == u".." || !MatchesMask(name, mask)) continue;
    FileStatus status;
    if (!QueryFileStatus(it->path(), status) || !status.regular) continue;
    TFileField field;
    field.name = name;
    field.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(status.size));
    field.fullSize = status.size;
    FormatLocalDateTime(status.modification, field);
    field.dirf = false;
    onFile(std::move(field));
  }
  return true;
}

#ifdef _WIN32

// Windows matches names by upper-casing each UTF-16 unit with one fixed
// table, whatever the user's language: the invariant locale's mapping. The
// result is taken as code points, so that "?" stands for one character.
std::u32string FoldForMatching(const std::u16string &s) {
  std::u16string upper = s;
  if (!upper.empty()) {
    const auto length = static_cast<int>(upper.size());
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE,
                  reinterpret_cast<const wchar_t *>(s.data()), length,
                  reinterpret_cast<wchar_t *>(upper.data()), length, nullptr, nullptr, 0);
  }
  std::u32string out;
  out.reserve(upper.size());
  for (std::size_t i = 0; i < upper.size();) {
    UChar32 c;
    U16_NEXT(upper.data(), i, upper.size(), c);
    out.push_back(static_cast<char32_t>(c));
  }
  return out;
}

#else

char32_t FoldedCodePointAt(const std::u16string &s, std::size_t &i) {
  UChar32 c;
  U16_NEXT(s.data(), i, s.size(), c);
  return static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
}

std::u32string FoldForMatching(const std::u16string &s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) out.push_back(FoldedCodePointAt(s, i));
  return out;
}

#endif

// Wildcard match with backtracking to the last "*": linear for the masks in
// use and never worse than quadratic.
bool MatchFolded(const std::u32string &name, const std::u32string &mask) {
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::u32string::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == U'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::u32string::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

}  // namespace

std::u16string TwoDigits(int v) {
  return {static_cast<char16_t>(u'0' + v / 10 % 10), static_cast<char16_t>(u'0' + v % 10)};
}

char16_t PathSeparator() {
#ifdef _WIN32
  return u'\\';
#else
  return u'/';
#endif
}

bool IsFile(const std::u16string &path) {
  if (!IsUsablePath(path)) return false;
  std::error_code ec;
  return fs::is_regular_file(ToFsPath(path), ec);
}

bool IsFolder(const std::u16string &path) {
  if (!IsUsablePath(path)) return false;
  std::error_code ec;
  return fs::is_directory(ToFsPath(path), ec);
}

bool CreateFolder(const std::u16string &path) {
  if (!IsUsablePath(path)) return false;
  std::error_code ec;
  const fs::path p = ToFsPath(path);
  fs::create_directories(p, ec);
  return !ec && fs::is_directory(p, ec);
}

bool RemoveFolder(const std::u16string &path) {
  if (!IsFolder(path)) return false;
  std::error_code ec;
  const fs::path p = ToFsPath(path);
  if (!fs::is_empty(p, ec) || ec) return false;
  fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, ec);
  // remove() on a folder is rmdir: it refuses a folder that filled up since.
  return fs::remove(p, ec) && !ec;
}

bool RemoveFile(const std::u16string &path) {
  if (!IsUsablePath(path) || IoFaultHere(IoStep::Remove)) return false;
  std::error_code ec;
  const fs::path p = ToFsPath(path);
  const auto status = fs::symlink_status(p, ec);
  if (ec || !fs::exists(status) || fs::is_directory(status)) return false;
  return fs::remove(p, ec) && !ec;
}

std::u16string ExtractName(const std::u16string &path) {
  if (std::any_of(path.begin(), path.end(), IsForbiddenPathChar)) return {};
  const auto it = std::find_if(path.rbegin(), path.rend(), IsNameSeparator);
  return std::u16string(it.base(), path.end());
}

std::u16string FileExtLower(const std::u16string &path) {
  if (std::any_of(path.begin(), path.end(), IsForbiddenPathChar))
    throw std::invalid_argument("path holds a character no path may hold");
  const std::size_t dot = ExtensionDot(path);
  if (dot == std::u16string::npos) return {};
  return LocaleLowerCase(path.substr(dot));
}

std::u16string ReplaceExt(const std::u16string &path, const std::u16string &ext) {
  const std::size_t dot = ExtensionDot(path);
  return (dot == std::u16string::npos ? path : path.substr(0, dot)) + ext;
}

namespace {

// Copies an open file into a writer and gives the copy the source's
// permission bits and time stamps. Throws StreamError on a failed read or
// write.
bool CopyOpenFile(InputFile &in, const FileStatus &source, AtomicFileWriter &out) {
  out.setMode(source.mode);  // a backup is no more readable than its original
  // Through the copy's own handle: a path could lead elsewhere by now (the
  // folder swapped for a link), or be too long to name.
  out.setTimes(source);
  if (!out.open()) return false;
  std::uint8_t block[4096];
  for (;;) {
    const std::size_t got = in.read(block);
    if (got == 0) break;
    out.write(std::span<const std::uint8_t>(block, got));
  }
  in.close();
  return out.commit();
}

}  // namespace

std::u16string ExtensionOfName(const std::u16string &name) {
  try {
    return FileExtLower(name);
  } catch (const std::invalid_argument &) {
    return std::u16string();
  }
}

std::u16string JoinPath(const std::u16string &folder, const std::u16string &name) {
  if (!folder.empty() && (folder.back() == PathSeparator() || folder.back() == u'/'))
    return folder + name;
  return folder + PathSeparator() + name;
}

bool CopyFileWithTimes(const std::u16string &source, const std::u16string &dest) {
  try {
    if (!IsUsablePath(source) || !IsUsablePath(dest)) return false;
    FileStatus times;  // taken before opening and reading can move the access time
    InputFile in;
    if (!QueryFileStatus(ToFsPath(source), times) || !in.open(source)) return false;
    // The copy goes to a temporary file that replaces dest only when
    // complete: a failed read or write leaves no part of a copy, and an
    // older file under dest survives the failure.
    AtomicFileWriter out(dest);
    return CopyOpenFile(in, times, out);
  } catch (...) {  // StreamError from a read or write; the writer discards
    return false;
  }
}

bool CopyEntryWithTimes(const FolderHandle &folder, const std::u16string &from,
                        const std::u16string &to, const MarkedFolder *staging) {
  try {
    FileStatus times;  // as above
    InputFile in;
    if (!folder.status(from, times) || !in.openIn(folder, from)) return false;
    AtomicFileWriter out(folder, to, staging);
    return CopyOpenFile(in, times, out);
  } catch (...) {
    return false;
  }
}

bool SameEntryBytes(const FolderHandle &folder, const std::u16string &a,
                    const std::u16string &b) {
  try {
    InputFile x, y;
    if (!x.openIn(folder, a) || !y.openIn(folder, b) || x.size() != y.size()) return false;
    std::uint8_t bx[65536], by[65536];
    for (;;) {
      const std::size_t nx = x.read(bx);
      const std::size_t ny = y.read(by);
      if (nx != ny || std::memcmp(bx, by, nx) != 0) return false;
      if (nx == 0) return true;
    }
  } catch (...) {
    return false;
  }
}

void ClearFoundFiles() {
  FoundFiles.clear();
  FoundFileCount = 0;
}

void ListFiles(const std::u16string &folder, const std::u16string &mask) {
  ClearFoundFiles();
  try {
    EnumerateFiles(folder, mask, [](TFileField field) {
      if (static_cast<std::size_t>(FoundFileCount) >= FoundFiles.size())
        FoundFiles.resize(FoundFiles.size() + 100);
      FoundFiles[static_cast<std::size_t>(FoundFileCount)] = std::move(field);
      ++FoundFileCount;
    });
  } catch (...) {  // out of memory: keep what was found
  }
  FoundFiles.resize(static_cast<std::size_t>(FoundFileCount));
}

std::vector<TFileField> ListFolderFiles(const std::u16string &folder, const std::u16string &mask,
                                        bool *complete) {
  std::vector<TFileField> files;
  bool read = false;
  try {
    read = EnumerateFiles(folder, mask,
                          [&files](TFileField field) { files.push_back(std::move(field)); });
  } catch (...) {
  }
  if (complete) *complete = read;
  return files;
}

bool MatchesMask(const std::u16string &name, const std::u16string &mask) {
  return MatchFolded(FoldForMatching(name), FoldForMatching(mask));
}

}  // namespace velkaro
