// ConversionBatch: ButtonTClick, ConvertFile, ConvertJwwFile, ConvertJwcFile
// and JwwDataFree without the window.
#include "convert/ConversionBatch.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "jwc/JwcUnit.h"
#include "jwc/jwctype.h"
#include "jww/JwwUnit.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {

namespace fs = std::filesystem;

const std::u16string kMessageNoDestination = u"保存先フォルダを指示して下さい。";
const std::u16string kMessageMissingDestination = u"保存先フォルダが存在しません。";
const std::u16string kMessageSameFolder = u"保存先フォルダは参照フォルダと同じにしないで下さい。";

// What was at the destination right before FileOut.
struct DestinationSnapshot {
  bool existed = false;
  std::uintmax_t size = 0;
  fs::file_time_type time{};
};

namespace {

bool IsSameFile(const std::u16string &a, const std::u16string &b) {
  return SameFileOrFolder(a, b);
}

// A name that is a link (symbolic, or one of several hard links) would let a
// write land in another file, possibly a source. Such a name is unlinked
// before we write under it: whatever it pointed at stays where it is.
void UnlinkIfLink(const std::u16string &path) {
  const fs::path p = ToFsPath(path);
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  if (ec)
    return;
  bool link = fs::is_symlink(st);
  if (!link && fs::is_regular_file(st)) {
    link = HardLinkCount(path) > 1;
  }
  if (link)
    fs::remove(p, ec);
}

DestinationSnapshot SnapshotOf(const std::u16string &path) {
  DestinationSnapshot snap;
  const fs::path p = ToFsPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(p, ec))
    return snap;
  snap.existed = true;
  snap.size = fs::file_size(p, ec);
  snap.time = fs::last_write_time(p, ec);
  return snap;
}

bool SameContent(const std::u16string &a, const std::u16string &b) {
  std::vector<std::uint8_t> x, y;
  return ReadWholeFile(a, x) && ReadWholeFile(b, y) && x == y;
}

std::u16string ExtensionOf(const std::u16string &name) {
  try {
    return FileExtLower(name);
  } catch (const std::invalid_argument &) {
    return std::u16string();  // a name no path may hold: treated as unsupported
  }
}

// An image that the drawing carries but whose file is not in the work folder
// would silently be left out of the output.
bool ImageMissingFromWorkFolder(const TJwwData &JWW) {
  const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(JWW.BindImageN, 0)),
                                       JWW.BindImage.size());
  for (std::size_t i = 0; i < n; ++i) {
    const TBindImageType &image = JWW.BindImage[i];
    if (image.Fname.empty() || image.Fsize <= 0)
      continue;
    // A name with a folder part cannot have been extracted inside the folder.
    const bool plainName = ExtractName(image.Fname) == image.Fname && image.Fname != u"." &&
                           image.Fname != u"..";
    if (!JWW.BindImageExp || !plainName || !IsFile(JWW.BindImageFolder + image.Fname))
      return true;
  }
  return false;
}

TMojiShuMap Normalized(const TMojiShuMap &map) {
  TMojiShuMap m = map;
  NormalizeMojiShuMap(m);
  return m;
}

}  // namespace

const char *FileOutcomeText(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Converted: return "converted";
    case FileOutcome::CheckFailed: return "not a drawing of that kind";
    case FileOutcome::ReadFailed: return "could not be read";
    case FileOutcome::WriteFailed: return "could not be written";
    case FileOutcome::DestinationIsSource: return "the destination is the source file itself";
    case FileOutcome::BackupFailed:
      return "the file already at the destination could not be kept as .BAK";
  }
  return "unknown";
}

std::u16string JoinPath(const std::u16string &folder, const std::u16string &name) {
  if (!folder.empty() && folder.back() == PathSeparator())
    return folder + name;
  return folder + PathSeparator() + name;
}

std::u16string UnsupportedExtensionMessage(const std::u16string &N, const std::u16string &E) {
  return u"このファイル拡張子（種類）の変換には対応していません。\r\nファイル名：" + N +
         u"\r\n\u3000\u3000拡張子：" + E;
}

std::u16string ConvertingStatusText(const std::u16string &source, const std::u16string &dest) {
  return u"ファイル「" + source + u"」→「" + dest + u"」変換中です。";
}

std::u16string ConvertedCountText(std::int32_t n) {
  return IntToString(n) + u"個のファイルを変換しました。";
}

void JwwDataFree(TJwwData &JW) {
  JW.BindImageDeleteGzFile();
  JW.BindImageDeleteNonGzFile();
  JW.DataFree();
  JW.BindImageInit();
}

void InitDocumentLibraryDefaults() {
  InitJwcDefaults();
  DefaultPenStyle = 1;
  DefaultPenColor = 1;
}

void UseWorkFolder(TJwwData &JWW, const std::u16string &folder) {
  JWW.BindImageFolder = folder;
  JWW.BindImageExp = true;
  JWW.BindImageExr = true;
}

ConversionBatch::ConversionBatch(TJwwData &JWW, TJwcData &JWC, BatchReporter &reporter)
    : JWW_(JWW), JWC_(JWC), reporter_(reporter) {}

std::u16string ConversionBatch::CheckDestination(const std::u16string &S, const std::u16string &D) {
  if (D.empty())
    return kMessageNoDestination;
  if (!IsFolder(D))
    return kMessageMissingDestination;
  if (LocaleUpperCase(S) == LocaleUpperCase(D) || IsSameFile(S, D))
    return kMessageSameFolder;
  return std::u16string();
}

BatchResult ConversionBatch::Run(const std::u16string &S, const std::u16string &D,
                                 const std::vector<std::u16string> &rows,
                                 const TMojiShuMap &map) {
  BatchResult result;
  const std::u16string refusal = CheckDestination(S, D);
  if (!refusal.empty()) {
    reporter_.ShowMessage(refusal);
    reporter_.FocusDestinationButton();
    result.refused = true;
    return result;
  }
  BeginBatch();
  const auto total = static_cast<std::int32_t>(rows.size());
  std::int32_t done = 0;
  for (const std::u16string &N : rows) {
    FileOutcome outcome = FileOutcome::CheckFailed;
    if (ConvertRow(S, D, N, map, &outcome)) {
      ++result.counted;
      if (outcome == FileOutcome::Converted)
        ++result.converted;
    }
    reporter_.RowFinished(++done, total);
  }
  reporter_.SetStatusText(ConvertedCountText(result.counted));
  return result;
}

bool ConversionBatch::ConvertRow(const std::u16string &S, const std::u16string &D,
                                 const std::u16string &N, const TMojiShuMap &map,
                                 FileOutcome *outcome) {
  const std::u16string E = ExtensionOf(N);
  if (E != u".jww" && E != u".jwc") {
    reporter_.ShowMessage(UnsupportedExtensionMessage(N, E));
    return false;
  }
  const std::u16string source = JoinPath(S, N);
  const std::u16string T = JoinPath(D, N);
  currentBackup_.clear();
  FileOutcome result;
  if (IsFile(T) && !IsSameFile(source, T) && !BackUp(T)) {
    // Writing now would destroy the only copy of the file that is there.
    reporter_.SetStatusText(ConvertingStatusText(source, T));
    reporter_.SetStatusText(std::u16string());
    result = FileOutcome::BackupFailed;
    reporter_.FileFinished(source, T, result);
  } else {
    result = ConvertFile(source, T, E, map);
  }
  currentBackup_.clear();
  if (outcome)
    *outcome = result;
  return true;
}

std::u16string ConversionBatch::BackupNameFor(const std::u16string &T) const {
  const auto taken = [&](const std::u16string &name) {
    return backupsMade_.count(LocaleUpperCase(name)) != 0;
  };
  std::u16string name = ReplaceExt(T, u".BAK");
  if (!taken(name))
    return name;
  name = T + u".BAK";
  // Only names made up on purpose (p.jww.jww beside p.jww and p.jwc) get
  // this far; a number keeps every backup of the batch.
  for (int k = 2; taken(name); ++k)
    name = T + u"." + IntToString(k) + u".BAK";
  return name;
}

bool ConversionBatch::BackUp(const std::u16string &T) {
  const std::u16string bak = BackupNameFor(T);
  backupsMade_.insert(LocaleUpperCase(bak));
  UnlinkIfLink(bak);
  if (!CopyFileWithTimes(T, bak))
    return false;
  currentBackup_ = bak;
  return true;
}

FileOutcome ConversionBatch::ConvertFile(const std::u16string &source, const std::u16string &dest,
                                         const std::u16string &E, const TMojiShuMap &map) {
  reporter_.SetStatusText(ConvertingStatusText(source, dest));
  FileOutcome outcome = FileOutcome::CheckFailed;
  if (!IsFile(source)) {
    outcome = FileOutcome::ReadFailed;
  } else if (IsSameFile(source, dest)) {
    outcome = FileOutcome::DestinationIsSource;
  } else if (E == u".jwc") {
    if (JWC_.FileCheck(source))
      outcome = ConvertJwcFile(source, dest, map);
  } else if (E == u".jww") {
    if (JWW_.FileCheck(source))
      outcome = ConvertJwwFile(source, dest, map);
  }
  reporter_.SetStatusText(std::u16string());
  reporter_.FileFinished(source, dest, outcome);
  return outcome;
}

void ConversionBatch::ReleaseJww() { JwwDataFree(JWW_); }

FileOutcome ConversionBatch::ConvertJwwFile(const std::u16string &source,
                                            const std::u16string &dest, const TMojiShuMap &map) {
  // Images go only into a work folder that exists; the section is read in any
  // case, so that a drawing whose images could not be kept is noticed.
  const bool exp = JWW_.BindImageExp;
  const bool exr = JWW_.BindImageExr;
  JWW_.BindImageExp = exp && !JWW_.BindImageFolder.empty() && IsFolder(JWW_.BindImageFolder);
  JWW_.BindImageExr = true;
  const auto restoreFlags = [&] {
    JWW_.BindImageExp = exp;
    JWW_.BindImageExr = exr;
  };

  if (!JWW_.FileIn(source) || ImageMissingFromWorkFolder(JWW_)) {
    ReleaseJww();
    restoreFlags();
    return FileOutcome::ReadFailed;
  }
  RemapJwwTextKinds(JWW_, Normalized(map));
  JWW_.SetFileOutOption(JWW_.MojiEncode ? kFileOutUtf16 : 0);
  UnlinkIfLink(dest);
  const DestinationSnapshot before = SnapshotOf(dest);
  const bool written = JWW_.FileOut(dest, JWW_.Enthd.jwVer);
  if (!written)
    CleanUpFailedOutput(dest, before);
  ReleaseJww();
  restoreFlags();
  return written ? FileOutcome::Converted : FileOutcome::WriteFailed;
}

FileOutcome ConversionBatch::ConvertJwcFile(const std::u16string &source,
                                            const std::u16string &dest, const TMojiShuMap &map) {
  if (!JWC_.FileIn(source)) {
    JWC_.DataFree();
    return FileOutcome::ReadFailed;
  }
  RemapJwcTextKinds(JWC_, Normalized(map));
  UnlinkIfLink(dest);
  const DestinationSnapshot before = SnapshotOf(dest);
  const bool written = JWC_.FileOut(dest);
  if (!written)
    CleanUpFailedOutput(dest, before);
  JWC_.DataFree();
  return written ? FileOutcome::Converted : FileOutcome::WriteFailed;
}

void ConversionBatch::CleanUpFailedOutput(const std::u16string &dest,
                                          const DestinationSnapshot &before) {
  if (!IsFile(dest))
    return;
  const DestinationSnapshot after = SnapshotOf(dest);
  const bool untouched = before.existed && after.size == before.size && after.time == before.time;
  if (!untouched) {
    RemoveFile(dest);  // a part of our own output
    return;
  }
  // The file that was there before: the batch leaves no file under the
  // destination name, but only when the backup really holds that file.
  if (!currentBackup_.empty() && SameContent(dest, currentBackup_))
    RemoveFile(dest);
}

}  // namespace velkaro
