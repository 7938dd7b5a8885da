// ConversionBatch: ButtonTClick, ConvertFile, ConvertJwwFile, ConvertJwcFile
// and JwwDataFree without the window, with workers as an option.
#include "convert/ConversionBatch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "convert/Backups.h"
#include "convert/BatchRecord.h"
#include "convert/DrawingOpener.h"
#include "convert/FailureReason.h"
#include "convert/WorkFolder.h"
#include "jwc/JwcUnit.h"
#include "jwc/jwctype.h"
#include "jww/JwwUnit.h"
#include "support/BackgroundCommit.h"
#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

namespace velkaro {

namespace fs = std::filesystem;

const std::u16string kMessageNoDestination = u"保存先フォルダを指示して下さい。";
const std::u16string kMessageMissingDestination = u"保存先フォルダが存在しません。";
const std::u16string kMessageDestinationNotOpened = u"保存先フォルダを開けませんでした。";
const std::u16string kMessageDestinationNotFolder = u"保存先に指定されたものはフォルダではありません。";
const std::u16string kMessageSameFolder = u"保存先フォルダは参照フォルダと同じにしないで下さい。";
const std::u16string kMessageDestinationBusy =
    u"保存先フォルダには別の変換が書き込み中です。終わってからやり直して下さい。";
const std::u16string kMessageNothingSelected = u"変換するファイルを選んで下さい。";
const std::u16string kMessageRecordNotWritten =
    u"保存先フォルダに変換の記録を書き込めませんでした。この変換は「元に戻す」で戻せません。";

namespace {

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

FileOutcome OutcomeOf(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::None: return FileOutcome::Converted;
    case ReadProblem::PermissionDenied: return FileOutcome::PermissionDenied;
    case ReadProblem::NotRegularFile: return FileOutcome::NotRegularFile;
    case ReadProblem::Missing:
    case ReadProblem::Unreadable: break;
  }
  return FileOutcome::ReadFailed;
}

// The file a row names, once links are followed, lies in the destination:
// converting it could read what another row is writing.
bool ResolvesIntoFolder(const BatchRow &row, const FileIdentity &destination) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(ToFsPath(JoinPath(row.folder, row.name)), ec);
  FileStatus parent;
  return !ec && QueryFileStatus(resolved.parent_path(), parent) &&
         parent.identity == destination;
}

// Everything a row writes (its output, backups and their generations) shares
// the part of its name before the first ".": rows whose keys differ never
// touch one destination name.
std::u16string NamesKey(const std::u16string &name) {
  return LocaleUpperCase(name.substr(0, name.find(u'.')));
}

// Rows grouped so that no two groups can touch one destination name.
std::vector<std::vector<std::size_t>> GroupRows(const std::vector<BatchRow> &rows) {
  std::vector<std::vector<std::size_t>> groups;
  std::map<std::u16string, std::size_t> groupOfKey;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto [it, added] = groupOfKey.emplace(NamesKey(rows[i].name), groups.size());
    if (added)
      groups.emplace_back();
    groups[it->second].push_back(i);
  }
  return groups;
}

// The real reason of a failure that a shortage of descriptors or memory
// caused (the file layer noted it for this thread).
FileOutcome WithShortage(FileOutcome outcome) {
  const ResourceShortage shortage = TakeResourceShortage();
  if (outcome == FileOutcome::CheckFailed && TakeReadFailure() && shortage == ResourceShortage::None)
    return FileOutcome::ReadFailed;  // the disk failed, not the drawing's bytes
  switch (outcome) {
    case FileOutcome::CheckFailed:
    case FileOutcome::ReadFailed:
    case FileOutcome::ImagesNotExtracted:
    case FileOutcome::WriteFailed:
    case FileOutcome::BackupFailed:
      if (shortage == ResourceShortage::Descriptors)
        return FileOutcome::TooManyOpenFiles;
      if (shortage == ResourceShortage::Memory)
        return FileOutcome::OutOfMemory;
      return outcome;
    default:
      return outcome;
  }
}

bool IsShortage(FileOutcome outcome) {
  return outcome == FileOutcome::TooManyOpenFiles || outcome == FileOutcome::OutOfMemory;
}

}  // namespace

// What became of one row.
struct RowOutcome {
  bool counted = false;  // false for a row that is no drawing (its message was shown)
  FileOutcome outcome = FileOutcome::CheckFailed;
  std::string detail = {};
  FileWarning warning = {};
  RecordedFile record = {};  // for the batch record, when converted
};

namespace {

// What a worker reported for one row, kept until the rows before it were
// reported (parallel runs).
class RowRecord final : public BatchReporter {
 public:
  void ShowMessage(const std::u16string &text) override { events_.push_back({Kind::Message, text}); }
  void SetStatusText(const std::u16string &text) override { events_.push_back({Kind::Status, text}); }
  void RowNotConvertible(const std::u16string &N, const std::u16string &E) override {
    events_.push_back({Kind::NotConvertible, N, E});
  }
  void FileFinished(const std::u16string &source, const std::u16string &dest,
                    FileOutcome outcome) override {
    finished_ = FileFailure{source, dest, outcome};
  }
  void FileWarned(const std::u16string &, const FileWarning &warning) override {
    warning_ = warning;
  }
  void ReplayTo(BatchReporter &reporter) const {
    for (const Event &e : events_) {
      switch (e.kind) {
        case Kind::Message: reporter.ShowMessage(e.text); break;
        case Kind::Status: reporter.SetStatusText(e.text); break;
        case Kind::NotConvertible: reporter.RowNotConvertible(e.text, e.extension); break;
      }
      if (finished_ && &e == &events_.back()) {
        if (warning_)
          reporter.FileWarned(finished_->source, *warning_);
        reporter.FileFinished(finished_->source, finished_->dest, finished_->outcome);
      }
    }
  }

  bool done = false;
  RowOutcome outcome;

 private:
  enum class Kind { Message, Status, NotConvertible };
  struct Event {
    Kind kind;
    std::u16string text;
    std::u16string extension = {};
  };
  std::vector<Event> events_;
  std::optional<FileFailure> finished_;
  std::optional<FileWarning> warning_;
};

}  // namespace

const char *FileOutcomeText(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Converted: return "converted";
    case FileOutcome::CheckFailed: return "not a drawing of that kind";
    case FileOutcome::ReadFailed: return "could not be read";
    case FileOutcome::PermissionDenied: return "permission denied";
    case FileOutcome::NotRegularFile: return "not a regular file";
    case FileOutcome::ImagesNotExtracted:
      return "its images could not be extracted into the work folder";
    case FileOutcome::WriteFailed: return "could not be written";
    case FileOutcome::DestinationIsSource: return "the destination is the source file itself";
    case FileOutcome::BackupFailed:
      return "the file already at the destination could not be kept as .BAK";
    case FileOutcome::DestinationReadOnly:
      return "the file already at the destination is read-only; it was left as it is";
    case FileOutcome::DestinationInUse:
      return "the file already at the destination is in use by another program";
    case FileOutcome::OldBackupReadOnly:
      return "the oldest backup (.bk9) is read-only; it was kept and nothing was moved";
    case FileOutcome::Interrupted: return "interrupted";
    case FileOutcome::TooManyOpenFiles: return "too many open files (the system's limit was reached)";
    case FileOutcome::OutOfMemory: return "out of memory";
  }
  return "unknown";
}

std::u16string FileOutcomeReason(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Converted: return u"変換しました";
    case FileOutcome::CheckFailed: return u"Jw_cad の図面ではありません";
    case FileOutcome::ReadFailed: return u"読み込めません";
    case FileOutcome::PermissionDenied: return u"読み込む権限がありません";
    case FileOutcome::NotRegularFile: return u"通常のファイルではありません";
    case FileOutcome::ImagesNotExtracted: return u"図面の画像を作業フォルダに取り出せません";
    case FileOutcome::WriteFailed: return u"書き込めません";
    case FileOutcome::DestinationIsSource: return u"保存先が元のファイルそのものです";
    case FileOutcome::BackupFailed: return u"既存のファイルを .BAK に保存できません";
    case FileOutcome::DestinationReadOnly:
      return u"保存先の同名ファイルが読み取り専用のため、そのままにしました";
    case FileOutcome::DestinationInUse: return u"ほかのプログラムが使用中です";
    case FileOutcome::OldBackupReadOnly:
      return u"最も古いバックアップ（.bk9）が読み取り専用のため、残して変換しませんでした";
    case FileOutcome::Interrupted: return u"中断しました";
    case FileOutcome::TooManyOpenFiles: return u"開いているファイルが多すぎます";
    case FileOutcome::OutOfMemory: return u"メモリーが足りません";
  }
  return u"?";
}

std::string FileWarningText(const FileWarning &warning) {
  return "the " + std::to_string(warning.trailingBytes) +
         " bytes after the end of the drawing were not carried over (the format ignores them)";
}

std::u16string FileWarningReason(const FileWarning &warning) {
  return u"図面の終わりより後にある " + FromUtf8(std::to_string(warning.trailingBytes)) +
         u" バイトは図面の一部ではないため、変換後のファイルには含まれません";
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

std::u16string BatchSummaryText(const BatchResult &result) {
  // Only what was written: a file that produced no output is no conversion.
  std::u16string text = ConvertedCountText(result.converted);
  if (!result.failures.empty())
    text += u"（" + IntToString(static_cast<std::int32_t>(result.failures.size())) +
            u"個は変換できませんでした）";
  return text;
}

std::u16string FailureListText(const std::vector<FileFailure> &failures) {
  // A message box taller than the screen hides its OK button.
  constexpr std::size_t kShown = 20;
  std::u16string text = u"次のファイルは変換できませんでした。\r\n";
  for (std::size_t i = 0; i < failures.size() && i < kShown; ++i)
    text += u"\r\n" + ExtractName(failures[i].source) + u"：" + FileFailureReason(failures[i]);
  if (failures.size() > kShown)
    text += u"\r\nほか " + IntToString(static_cast<std::int32_t>(failures.size() - kShown)) +
            u" 個";
  return text;
}

std::u16string FileFailureReason(const FileFailure &failure) {
  std::u16string reason = FileOutcomeReason(failure.outcome);
  if (!failure.detail.empty())
    reason += u"。" + ReadFailureDetailText(failure.detail);
  return reason;
}

std::u16string BatchConfirmationText(std::int32_t files, const TMojiShuMap &map,
                                     const std::u16string &D) {
  std::u16string text = IntToString(files) + u"個のファイルを変換します。\r\n\r\n";
  text += IsIdentityMap(map) ? std::u16string(u"文字種は変わりません。")
                             : u"文字種の対応：" + MapSummaryText(map);
  text += u"\r\n保存先：" + D + u"\r\n\r\nよろしいですか？";
  return text;
}

std::u16string RowResultLabel(const RowResult *row) {
  if (!row)
    return u"変換していません";
  if (!row->counted)
    return u"変換対象外";
  return row->outcome == FileOutcome::Converted ? u"変換しました" : u"変換できませんでした";
}

std::u16string RowResultReason(const RowResult *row) {
  if (!row)
    return u"中止しました";
  if (!row->counted) {
    // The extension message on one line.
    const std::u16string name = ExtractName(row->source);
    std::u16string text = UnsupportedExtensionMessage(name, ExtensionOfName(name));
    for (std::size_t at; (at = text.find(u"\r\n")) != std::u16string::npos;)
      text.replace(at, 2, u" ");
    return text;
  }
  if (row->outcome == FileOutcome::Converted)
    return row->warning.trailingBytes > 0 ? FileWarningReason(row->warning) : std::u16string();
  return FileFailureReason({row->source, row->dest, row->outcome, row->detail});
}

std::u16string BatchResultText(const BatchResult &result,
                               const std::vector<std::u16string> &selectedNames) {
  std::u16string text = BatchSummaryText(result) + u"\r\n";
  for (std::size_t i = 0; i < selectedNames.size(); ++i) {
    const RowResult *row = i < result.rows.size() ? &result.rows[i] : nullptr;
    text += selectedNames[i] + u"\t" + RowResultLabel(row) + u"\t" + RowResultReason(row) + u"\r\n";
  }
  return text;
}

void BatchReporter::RowNotConvertible(const std::u16string &N, const std::u16string &E) {
  ShowMessage(UnsupportedExtensionMessage(N, E));
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

// ---- Worker: one file at a time, all writes through the destination handle --

class ConversionBatch::Worker {
 public:
  // Told of each row once it is done, in row order; `counted` is false for a
  // row that is no drawing (its message was shown).
  using RowDone = std::function<void(std::size_t index, const RowOutcome &done)>;

  Worker(TJwwData &JWW, TJwcData &JWC, const FolderHandle &destination,
         const std::u16string &D, const TMojiShuMap &map, RowDone rowDone)
      : JWW_(JWW), JWC_(JWC), folder_(destination), D_(D), map_(Normalized(map)),
        rowDone_(std::move(rowDone)) {}

  // Documents and a work folder of the worker's own.
  void OwnDocuments() {
    ownJww_ = std::make_unique<TJwwData>();
    ownJwc_ = std::make_unique<TJwcData>();
    jww_ = ownJww_.get();
    jwc_ = ownJwc_.get();
  }
  // A work folder for the run when the JWW document has none; false when
  // none could be made (drawings without images still convert).
  bool EnsureWorkFolder() {
    if (!jww().BindImageFolder.empty() && IsFolder(jww().BindImageFolder))
      return true;
    work_ = WorkFolder::Create();
    if (work_)
      UseWorkFolder(jww(), work_->path());
    return work_.has_value();
  }

  // One row: the extension rule and its message, ConvertFile. A converted
  // file may still be on its way to the disk when this returns; it is
  // reported once it got there, before any later row is.
  void ConvertRow(std::size_t index, const BatchRow &row, BatchReporter &reporter) {
    const std::u16string &N = row.name;
    const std::u16string E = ExtensionOfName(N);
    const JwFormat format = ConvertibleFormatOfExtension(E);
    if (format == JwFormat::None) {
      FinishRows();
      reporter.RowNotConvertible(N, E);
      rowDone_(index, RowOutcome{});
      return;
    }
    // Its backup could be the file still committing.
    if (committing_ && NamesKey(committing_->name) == NamesKey(N))
      FinishRows();
    Row current{index, &reporter, JoinPath(row.folder, N), JoinPath(D_, N), N};
    reporter.SetStatusText(ConvertingStatusText(current.source, current.dest));
    statusShown_ = {&reporter, index};
    const auto convert = [&] {
      detail_.clear();
      warning_ = {};
      recorded_ = {};
      rowBackups_.clear();
      TakeResourceShortage(), TakeReadFailure();  // what an earlier row met is not this one's
      const FileOutcome outcome = WithShortage(
          IsPlainEntryName(N) ? ConvertFile(current.source, N, format) : FileOutcome::WriteFailed);
      if (IsShortage(outcome))
        detail_.clear();  // the reader's "cannot read" would say less than the outcome
      return outcome;
    };
    FileOutcome outcome = convert();
    if (IsShortage(outcome)) {
      for (const std::u16string &bak : rowBackups_)
        backupsMade_.erase(bak);  // the backup it made keeps its name
      if (shortage_) {
        // A parallel run leaves the row to the calling thread, which tries
        // it again once every worker has given back what it held: the same
        // second chance as one worker has, with as much to spare.
        shortage_->store(true);
        FinishRows();
        return;
      }
      // Tried once more with what this worker holds given back (its file
      // still committing closed).
      StandAside();
      EnsureWorkFolder();
      outcome = convert();
    }
    current.warning = warning_;
    current.record = recorded_;
    // Write handed the file over: it is committing, and no earlier row is.
    if (!committing_ && commit_.Pending()) {
      committing_ = std::move(current);
    } else {
      FinishRows();
      current.detail = std::move(detail_);
      Report(current, outcome);
    }
  }

  // A row of a parallel run that runs short of descriptors or memory is
  // not reported: the flag is set and the run goes on without workers.
  void LeaveShortRowsTo(std::atomic<bool> &shortage) { shortage_ = &shortage; }

  // Waits for the file still committing, if any, and reports it.
  void FinishRows() {
    if (!committing_)
      return;
    const FileOutcome outcome = commit_.Wait() ? FileOutcome::Converted : FileOutcome::WriteFailed;
    const Row row = std::move(*committing_);
    committing_.reset();
    Report(row, outcome);
  }

  // A new group of rows shares no names with the rows before.
  void ForgetBackups() { backupsMade_.clear(); }

 private:
  struct Row {
    std::size_t index;
    BatchReporter *reporter;
    std::u16string source, dest, name;
    std::string detail = {};
    FileWarning warning{};
    RecordedFile record = {};  // what the row kept, for the batch record
  };

  void Report(const Row &row, FileOutcome outcome) {
    // A stop makes reads and writes fail on purpose: say so, not why they failed.
    if (outcome != FileOutcome::Converted && StopRequested())
      outcome = FileOutcome::Interrupted;
    // Unless the status line of this reporter already names a later row.
    if (statusShown_.first != row.reporter || statusShown_.second == row.index)
      row.reporter->SetStatusText(std::u16string());
    if (outcome == FileOutcome::Converted && row.warning.trailingBytes > 0)
      row.reporter->FileWarned(row.source, row.warning);
    row.reporter->FileFinished(row.source, row.dest, outcome);
    RowOutcome done{true, outcome};
    if (outcome == FileOutcome::Converted) {
      done.warning = row.warning;
      done.record = row.record;
      done.record.name = row.name;
      done.record.outputDigest = EntryDigest(folder_, row.name).value_or(std::string());
    } else if (outcome != FileOutcome::Interrupted) {
      done.detail = row.detail;
    }
    rowDone_(row.index, done);
  }

  // Gives back what the worker holds between rows: the file still
  // committing is put in place, the work and staging folders go and the
  // read buffer is freed.
  void StandAside() {
    FinishRows();
    ReleaseWorkFolder();
    staging_.remove();
    stagingFailed_ = false;
    readBuffer_.clear();
  }
  void ReleaseWorkFolder() {
    if (!work_)
      return;
    jww().BindImageFolder.clear();
    work_.reset();
  }

  TJwwData &jww() { return jww_ ? *jww_ : JWW_; }
  TJwcData &jwc() { return jwc_ ? *jwc_ : JWC_; }

  FileOutcome ConvertFile(const std::u16string &source, const std::u16string &N,
                          JwFormat format) {
    if (StopRequested())
      return FileOutcome::Interrupted;
    if (const ReadProblem problem = ProbeReadable(source); problem != ReadProblem::None)
      return OutcomeOf(problem);
    FileStatus sourceStatus, destStatus;
    if (!QueryFileStatus(ToFsPath(source), sourceStatus))
      return FileOutcome::ReadFailed;
    const bool destExists = folder_.status(N, destStatus) && destStatus.regular;
    if (destExists && destStatus.identity == sourceStatus.identity)
      return FileOutcome::DestinationIsSource;
    // An output keeps the permission bits of the file it replaces, or takes
    // the source's.
    const std::uint32_t mode = destExists ? destStatus.mode : sourceStatus.mode;
    if (format == JwFormat::Jwc) {
      if (jwc().FileCheck(source))
        return ConvertJwcFile(source, N, mode);
      detail_ = jwc().LastError();
      return FileOutcome::CheckFailed;
    }
    if (jww().FileCheck(source))
      return ConvertJwwFile(source, N, mode);
    detail_ = jww().LastError();
    return FileOutcome::CheckFailed;
  }

  FileOutcome ConvertJwwFile(const std::u16string &source, const std::u16string &N,
                             std::uint32_t mode) {
    TJwwData &JWW = jww();
    // Images go only into a work folder that exists; the section is read in
    // any case, so that a drawing whose images could not be kept is noticed.
    const bool exp = JWW.BindImageExp;
    const bool exr = JWW.BindImageExr;
    JWW.BindImageExp = exp && !JWW.BindImageFolder.empty() && IsFolder(JWW.BindImageFolder);
    JWW.BindImageExr = true;
    FileOutcome outcome;
    // The drawing's own entities are never held all at once: the second
    // reading writes them, each text's kind changed on its way out.
    if (!JWW.FileInForRewrite(source, readBuffer_)) {
      outcome = FileOutcome::ReadFailed;
      detail_ = JWW.LastError();
    } else if (ImageMissingFromWorkFolder(JWW)) {
      outcome = FileOutcome::ImagesNotExtracted;
    } else {
      warning_.trailingBytes = JWW.TrailingBytes();
      RemapJwwTextKinds(JWW, map_);  // the kind table and the block definitions
      JWW.SetFileOutOption(JWW.MojiEncode ? kFileOutUtf16 : 0);
      const auto remap = [this](TEntJwwMoji &text) { RemapMojiShu(map_, text.nMojiShu); };
      outcome = Write(N, mode, [&](AtomicFileWriter &out) { return JWW.RewriteOut(out, remap); });
    }
    JwwDataFree(JWW);
    JWW.BindImageExp = exp;
    JWW.BindImageExr = exr;
    return outcome;
  }

  FileOutcome ConvertJwcFile(const std::u16string &source, const std::u16string &N,
                             std::uint32_t mode) {
    TJwcData &JWC = jwc();
    FileOutcome outcome = FileOutcome::ReadFailed;
    if (JWC.FileIn(source)) {
      warning_.trailingBytes = JWC.TrailingBytes();
      RemapJwcTextKinds(JWC, map_);
      outcome = Write(N, mode, [&](AtomicFileWriter &out) { return JWC.FileOut(out); });
    } else {
      detail_ = JWC.LastError();
    }
    JWC.DataFree();
    return outcome;
  }

  // The backup, then the output through a temporary file, committed while
  // the next row is converted. A failed write leaves the file that was there
  // as it was (and its backup).
  template <typename FileOut>
  FileOutcome Write(const std::u16string &N, std::uint32_t mode, FileOut fileOut) {
    if (StopRequested())
      return FileOutcome::Interrupted;
    if (folder_.exists(N)) {
      if (const FileOutcome held = CheckReplaceable(N); held != FileOutcome::Converted)
        return held;
      if (const FileOutcome kept = BackUp(N); kept != FileOutcome::Converted)
        return kept;
    }
    auto out = std::make_unique<AtomicFileWriter>(folder_, N, Staging());
    out->setMode(mode);
    if (!fileOut(*out))
      return StopRequested() ? FileOutcome::Interrupted : FileOutcome::WriteFailed;
    FinishRows();  // one file on its way to the disk at a time
    commit_.Start(std::move(out));
    return FileOutcome::Converted;
  }

  // Whether the file at N may be replaced: a read-only file is the user's
  // "do not touch", and Windows refuses to replace one held open by another
  // program. Asked before any backup moves, so a refused row changes nothing.
  FileOutcome CheckReplaceable(const std::u16string &N) const {
    FileStatus status;
    if (folder_.status(N, status) && status.readOnly)
      return FileOutcome::DestinationReadOnly;
    if (HeldByAnotherProgram(folder_, N))
      return FileOutcome::DestinationInUse;
    return FileOutcome::Converted;
  }

  // Keeps the file at N as its backup; BackupFailed when no copy could be made.
  FileOutcome BackUp(const std::u16string &N) {
    const std::u16string bak = BackupName(N);
    if (backupsMade_.insert(LocaleUpperCase(bak)).second)
      rowBackups_.push_back(LocaleUpperCase(bak));
    switch (KeepAsBackup(folder_, N, bak, Staging())) {
      case BackupStep::Kept: break;
      case BackupStep::Failed: return FileOutcome::BackupFailed;
      case BackupStep::OldestReadOnly: return FileOutcome::OldBackupReadOnly;
    }
    // What was kept is an earlier file only when N is one (not a dangling link).
    FileStatus status;
    if (folder_.status(N, status) && status.regular) {
      recorded_.earlier = true;
      recorded_.backup = bak;
      recorded_.backupDigest = EntryDigest(folder_, bak).value_or(std::string());
    }
    return FileOutcome::Converted;
  }

  // The worker's temporary folder in the destination, made with its first
  // write; without one each file makes its own.
  const MarkedFolder *Staging() {
    if (!staging_.isOpen() && !stagingFailed_)
      stagingFailed_ = !MakeTemporaryFolder(folder_, staging_);
    return staging_.isOpen() ? &staging_ : nullptr;
  }

  std::u16string BackupName(const std::u16string &N) const { return NextBackupName(N, backupsMade_); }

  TJwwData &JWW_;
  TJwcData &JWC_;
  std::unique_ptr<TJwwData> ownJww_;
  std::unique_ptr<TJwcData> ownJwc_;
  TJwwData *jww_ = nullptr;
  TJwcData *jwc_ = nullptr;
  std::optional<WorkFolder> work_;
  const FolderHandle &folder_;
  const std::u16string D_;
  const TMojiShuMap map_;
  std::set<std::u16string> backupsMade_;  // upper-cased: one name on any file system
  // Where the reader of the row in hand gave up.
  std::string detail_;
  std::vector<std::u16string> rowBackups_;  // those the row being converted added
  // What the file being converted leaves behind (its Row keeps it).
  FileWarning warning_;
  RecordedFile recorded_;
  // Set in parallel runs.
  std::atomic<bool> *shortage_ = nullptr;
  // Holds one drawing's bytes at a time, reused from file to file.
  FileBytes readBuffer_;
  const RowDone rowDone_;
  // Outlives the commit below, whose file may still be in it.
  MarkedFolder staging_;
  bool stagingFailed_ = false;
  // The file being committed, and its row once ConvertRow took it over.
  BackgroundCommit commit_;
  std::optional<Row> committing_;
  // The reporter and row of the last "converting" status text.
  std::pair<BatchReporter *, std::size_t> statusShown_{nullptr, 0};

  friend class ConversionBatch;
};

// ---- ConversionBatch ---------------------------------------------------------

ConversionBatch::ConversionBatch(TJwwData &JWW, TJwcData &JWC, BatchReporter &reporter)
    : JWW_(JWW), JWC_(JWC), reporter_(reporter) {}

ConversionBatch::~ConversionBatch() = default;

std::u16string ConversionBatch::CheckDestination(const std::u16string &S, const std::u16string &D) {
  if (D.empty())
    return kMessageNoDestination;
  if (!IsFolder(D)) {
    FileStatus status;
    return IsUsablePath(D) && QueryFileStatus(ToFsPath(D), status) ? kMessageDestinationNotFolder
                                                                     : kMessageMissingDestination;
  }
  if (LocaleUpperCase(S) == LocaleUpperCase(D) || SameFileOrFolder(S, D))
    return kMessageSameFolder;
  return std::u16string();
}

std::u16string ConversionBatch::BackupNameFor(const std::u16string &T) const {
  return NextBackupName(T, backupsMade_);
}

BatchResult ConversionBatch::Run(const std::u16string &S, const std::u16string &D,
                                 const std::vector<std::u16string> &rows,
                                 const TMojiShuMap &map, const BatchOptions &options) {
  // The source folder is checked even with no row selected.
  if (const std::u16string refusal = CheckDestination(S, D); !refusal.empty()) {
    reporter_.ShowMessage(refusal);
    reporter_.FocusDestinationButton();
    BatchResult result;
    result.refused = true;
    return result;
  }
  std::vector<BatchRow> batchRows;
  batchRows.reserve(rows.size());
  for (const std::u16string &N : rows)
    batchRows.push_back({S, N});
  return Run(batchRows, D, map, options);
}

std::u16string ConversionBatch::Refusal(const std::vector<BatchRow> &rows,
                                        const std::u16string &D) const {
  if (rows.empty())
    return CheckDestination(u"", D);
  std::set<std::u16string> checked;
  for (const BatchRow &row : rows) {
    if (!checked.insert(row.folder).second)
      continue;
    if (std::u16string message = CheckDestination(row.folder, D); !message.empty())
      return message;
  }
  return std::u16string();
}

BatchResult ConversionBatch::Run(const std::vector<BatchRow> &rows, const std::u16string &D,
                                 const TMojiShuMap &map, const BatchOptions &options) {
  BatchResult result;
  const auto refuse = [&](const std::u16string &message) {
    reporter_.ShowMessage(message);
    reporter_.FocusDestinationButton();
    result.refused = true;
    return result;
  };
  if (std::u16string message = Refusal(rows, D); !message.empty())
    return refuse(message);

  // From here on every write goes through this handle; the checks are made
  // again against it, in case the path changed since.
  FolderHandle destination;
  if (!destination.open(D))
    return refuse(IsFolder(D) ? kMessageDestinationNotOpened : kMessageMissingDestination);
  const FileIdentity id = destination.identity();
  for (const BatchRow &row : rows) {
    FileStatus source;
    if ((QueryFileStatus(ToFsPath(row.folder), source) && source.identity == id) ||
        ResolvesIntoFolder(row, id))
      return refuse(kMessageSameFolder);
  }
  if (destination.tryLock() == FolderHandle::LockResult::Busy)
    return refuse(kMessageDestinationBusy);

  // What killed runs left behind; never what a live one holds.
  RemoveStaleTemporaryFiles(destination);
  WorkFolder::RemoveStale();

  recorder_.emplace(destination, Normalized(map));
  result = RunChecked(rows, D, map, options, destination);
  recorder_.reset();
  return result;
}

void ConversionBatch::Count(BatchResult &result, const BatchRow &batchRow, const std::u16string &D,
                            const RowOutcome &done) {
  RowResult row{JoinPath(batchRow.folder, batchRow.name), JoinPath(D, batchRow.name), done.counted,
                done.outcome, done.detail, done.warning};
  if (row.counted) {
    ++result.counted;
    if (row.outcome == FileOutcome::Converted) {
      ++result.converted;
      if (recorder_)
        recorder_->Add(done.record);
    } else {
      result.failures.push_back({row.source, row.dest, row.outcome, row.detail});
    }
  }
  result.rows.push_back(std::move(row));
}

void BatchReporter::BatchFinished(const BatchResult &result) {
  SetStatusText(BatchSummaryText(result));
  if (!result.failures.empty())
    ReportFailures(result.failures);
}

void ConversionBatch::Finish(BatchResult &result) {
  result.interrupted = StopRequested();
  if (recorder_ && !recorder_->Finish())
    reporter_.ShowMessage(kMessageRecordNotWritten);
  reporter_.BatchFinished(result);
}

BatchResult ConversionBatch::RunChecked(const std::vector<BatchRow> &rows, const std::u16string &D,
                                        const TMojiShuMap &map, const BatchOptions &options,
                                        const FolderHandle &destination) {
  const std::size_t groups = GroupRows(rows).size();
  if (options.jobs > 1 && groups > 1) {
    const int jobs = std::min<int>(options.jobs, static_cast<int>(groups));
    if (std::optional<BatchResult> result = RunParallel(rows, D, map, jobs, destination))
      return *result;
    reporter_.WorkersReduced(jobs, 1);  // no thread at all: the calling one converts
  }
  BatchResult result;
  const auto total = static_cast<std::int32_t>(rows.size());
  std::int32_t done = 0;
  Worker worker(JWW_, JWC_, destination, D, map,
                [&](std::size_t i, const RowOutcome &outcome) {
                  Count(result, rows[i], D, outcome);
                  reporter_.RowFinished(++done, total);
                });
  worker.EnsureWorkFolder();
  for (std::size_t i = 0; i < rows.size() && !StopRequested(); ++i)
    worker.ConvertRow(i, rows[i], reporter_);
  worker.FinishRows();
  worker.StandAside();  // the record is written with everything given back
  backupsMade_ = worker.backupsMade_;
  Finish(result);
  return result;
}

// Workers take whole groups; the calling thread reports each row, in order,
// as soon as it and the rows before it are done. When fewer threads can be
// started than asked (a process or memory limit), those that started take
// all groups; when none can, nothing was done and the answer is nullopt.
// A row that ran short of descriptors or memory stops the workers; the rows
// they left are converted by the calling thread alone (FinishAlone).
std::optional<BatchResult> ConversionBatch::RunParallel(const std::vector<BatchRow> &rows,
                                                        const std::u16string &D,
                                                        const TMojiShuMap &map, int jobs,
                                                        const FolderHandle &destination) {
  const std::vector<std::vector<std::size_t>> groups = GroupRows(rows);
  std::vector<RowRecord> records(rows.size());
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t nextGroup = 0;
  int running = 0;
  std::atomic<bool> shortage{false};
  const auto goOn = [&] { return !StopRequested() && !shortage.load(); };

  const auto rowDone = [&](std::size_t i, const RowOutcome &outcome) {
    {
      std::lock_guard lock(mutex);
      records[i].outcome = outcome;
      records[i].done = true;
    }
    finished.notify_all();
  };
  const auto work = [&](Worker &worker) {
    // A worker without a work folder would hold fewer descriptors than one
    // worker alone does, and convert what it could not: rows go alone then.
    if (!worker.EnsureWorkFolder())
      shortage.store(true);
    for (;;) {
      std::size_t g;
      {
        std::lock_guard lock(mutex);
        if (nextGroup >= groups.size() || !goOn())
          break;
        g = nextGroup++;
      }
      worker.ForgetBackups();
      for (const std::size_t i : groups[g]) {
        if (!goOn())
          break;
        worker.ConvertRow(i, rows[i], records[i]);
      }
    }
    worker.FinishRows();
    worker.StandAside();  // a worker done holds nothing the others may need
    std::lock_guard lock(mutex);
    --running;
    finished.notify_all();
  };
  // A worker whose thread cannot be had goes again at once.
  std::vector<std::unique_ptr<Worker>> workers;
  std::vector<std::thread> threads;
  workers.reserve(static_cast<std::size_t>(jobs));
  threads.reserve(static_cast<std::size_t>(jobs));
  for (int w = 0; w < jobs; ++w) {
    try {
      workers.push_back(std::make_unique<Worker>(JWW_, JWC_, destination, D, map, rowDone));
      workers.back()->LeaveShortRowsTo(shortage);
      if (w > 0)
        workers.back()->OwnDocuments();
      std::lock_guard lock(mutex);
      threads.emplace_back(work, std::ref(*workers.back()));
      ++running;
    } catch (const std::exception &) {  // std::system_error, std::bad_alloc
      if (workers.size() > threads.size())
        workers.pop_back();
      break;
    }
  }
  if (threads.empty())
    return std::nullopt;
  if (static_cast<int>(threads.size()) < jobs)
    reporter_.WorkersReduced(jobs, static_cast<int>(threads.size()));

  BatchResult result;
  const auto total = static_cast<std::int32_t>(rows.size());
  const auto report = [&](std::size_t i) {
    records[i].ReplayTo(reporter_);
    Count(result, rows[i], D, records[i].outcome);
    reporter_.RowFinished(static_cast<std::int32_t>(i + 1), total);
  };
  std::size_t i = 0;
  for (; i < rows.size(); ++i) {
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return records[i].done || running == 0; });
      if (!records[i].done)
        break;  // stopped, or left by a shortage, before this row was done
    }
    report(i);
  }
  for (auto &t : threads)
    t.join();
  std::set<std::u16string> backupsMade;
  for (const auto &worker : workers)
    backupsMade.insert(worker->backupsMade_.begin(), worker->backupsMade_.end());
  workers.clear();  // their documents and folders given back before the rows left are tried

  if (shortage.load() && !StopRequested()) {
    Worker alone(JWW_, JWC_, destination, D, map,
                 [&](std::size_t j, const RowOutcome &outcome) {
                   Count(result, rows[j], D, outcome);
                   reporter_.RowFinished(static_cast<std::int32_t>(j + 1), total);
                 });
    alone.backupsMade_ = std::move(backupsMade);
    alone.EnsureWorkFolder();
    for (; i < rows.size() && !StopRequested(); ++i) {
      if (records[i].done) {
        alone.FinishRows();  // reported before the row after it
        report(i);
      } else {
        alone.ConvertRow(i, rows[i], reporter_);
      }
    }
    alone.FinishRows();
    alone.StandAside();
  }
  Finish(result);
  return result;
}

}  // namespace velkaro
