// ConvertCommand: refusals, the map, grouping, the workers and ordered output.
#include "cli/ConvertCommand.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "cli/CliText.h"
#include "convert/ConversionBatch.h"
#include "convert/WorkFolder.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "service/SettingsFile.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::cli {

namespace fs = std::filesystem;

bool ParseMapOption(const std::string &text, TMojiShuMap &map) {
  std::size_t pos = 0;
  for (std::size_t k = 0; k < map.size(); ++k) {
    const std::size_t end = std::min(text.find(',', pos), text.size());
    const char *first = text.data() + pos;
    const char *last = text.data() + end;
    if (first != last && *first == '+')
      ++first;  // from_chars takes no "+"
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || ptr != last)
      return false;
    map[k] = value;
    if (k + 1 < map.size()) {
      if (end == text.size())
        return false;  // fewer than ten
      pos = end + 1;
    } else if (end != text.size()) {
      return false;  // more than ten
    }
  }
  return true;
}

std::optional<TMojiShuMap> MapFromOptions(const ConvertOptions &options, std::string &error) {
  if (options.map.has_value() == options.settings.has_value()) {
    error = "give exactly one of --map and --settings";
    return std::nullopt;
  }
  TMojiShuMap map{};
  if (options.map) {
    if (!ParseMapOption(*options.map, map)) {
      error = "--map takes ten integers separated by commas, such as 2,1,3,4,5,6,7,8,9,10";
      return std::nullopt;
    }
    NormalizeMojiShuMap(map);
    return map;
  }
  TSettings settings;
  const SettingsFileState state = LoadSettingsFile(ArgPath(*options.settings), settings);
  if (state != SettingsFileState::Read) {
    error = "cannot read the settings file " + *options.settings;
    return std::nullopt;
  }
  return settings.map;  // normalised by the load
}

namespace {

// One FILE of the command line as a row of the batch.
struct Row {
  std::u16string S;  // its folder
  std::u16string N;  // its name
  std::u16string key;  // destination names it can touch share this
};

enum class Stream { Out, Err };

// What a row printed, kept until the rows before it have been printed.
struct RowRecord {
  std::vector<std::pair<Stream, std::string>> lines;
  bool counted = false;
  FileOutcome outcome = FileOutcome::CheckFailed;
  bool done = false;
};

Row RowOf(const std::string &arg) {
  const fs::path p(arg);
  Row row;
  row.N = FromFsPath(p.filename());
  const fs::path parent = p.parent_path();
  row.S = parent.empty() ? u"." : FromFsPath(parent);
  const std::size_t dot = row.N.find(u'.');
  row.key = LocaleUpperCase(row.N.substr(0, dot));
  return row;
}

// The file a row names, once links are followed, lies in D: converting it
// could read what another row is writing.
bool ResolvesIntoFolder(const Row &row, const std::u16string &D) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(ToFsPath(JoinPath(row.S, row.N)), ec);
  if (ec)
    return false;
  return SameFileOrFolder(FromFsPath(resolved.parent_path()), D);
}

// The refusals of the batch, for every FILE, before anything is written.
std::u16string Refusal(const std::vector<Row> &rows, const std::u16string &D) {
  if (rows.empty())
    return ConversionBatch::CheckDestination(u"", D);
  for (const Row &row : rows) {
    std::u16string message = ConversionBatch::CheckDestination(row.S, D);
    if (message.empty() && ResolvesIntoFolder(row, D))
      message = kMessageSameFolder;
    if (!message.empty())
      return message;
  }
  return std::u16string();
}

class RecordingReporter : public BatchReporter {
 public:
  explicit RecordingReporter(bool quiet) : quiet_(quiet) {}
  void setRow(RowRecord *row) { row_ = row; }

  void ShowMessage(const std::u16string &text) override {
    row_->lines.emplace_back(Stream::Err, Out(text));
  }
  void SetStatusText(const std::u16string &text) override {
    if (!quiet_ && !text.empty())
      row_->lines.emplace_back(Stream::Out, Out(text));
  }
  void FileFinished(const std::u16string &source, const std::u16string &, FileOutcome outcome) override {
    if (outcome != FileOutcome::Converted)
      row_->lines.emplace_back(Stream::Err, "velkaro-cli: " + OutName(source) + ": " +
                                                FileOutcomeText(outcome));
  }

 private:
  bool quiet_;
  RowRecord *row_ = nullptr;
};

// Rows grouped by key, groups in the order of their first row.
std::vector<std::vector<std::size_t>> GroupRows(const std::vector<Row> &rows) {
  std::vector<std::vector<std::size_t>> groups;
  std::map<std::u16string, std::size_t> groupOfKey;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto [it, added] = groupOfKey.emplace(rows[i].key, groups.size());
    if (added)
      groups.emplace_back();
    groups[it->second].push_back(i);
  }
  return groups;
}

// Every worker gets a work folder, or none does: which worker takes which
// group must not change what is written.
std::vector<WorkFolder> MakeWorkFolders(int wanted, std::ostream &err) {
  std::vector<WorkFolder> folders;
  for (int i = 0; i < wanted; ++i) {
    std::optional<WorkFolder> folder = WorkFolder::Create();
    if (!folder)
      break;
    folders.push_back(std::move(*folder));
  }
  if (folders.empty())
    PrintError(err, "no work folder for images could be created; drawings that carry images "
                    "will not be converted");
  return folders;
}

class ParallelBatch {
 public:
  ParallelBatch(const std::vector<Row> &rows, const std::u16string &D, const TMojiShuMap &map,
                bool quiet)
      : rows_(rows), D_(D), map_(map), quiet_(quiet), records_(rows.size()),
        groups_(GroupRows(rows)) {}

  // Runs the rows and prints their output in row order; returns the exit code.
  int run(int jobs, std::ostream &out, std::ostream &err) {
    const int workers = std::max(1, std::min<int>(jobs, static_cast<int>(groups_.size())));
    std::vector<WorkFolder> folders = MakeWorkFolders(workers, err);
    const int count = folders.empty() ? 1 : static_cast<int>(folders.size());
    std::vector<std::thread> threads;
    for (int w = 0; w < count; ++w) {
      const std::u16string folder = folders.empty() ? std::u16string() : folders[w].path();
      threads.emplace_back([this, folder] { work(folder); });
    }
    std::int32_t counted = 0;
    bool allWritten = true;
    for (std::size_t i = 0; i < records_.size(); ++i) {
      RowRecord &record = waitFor(i);
      for (const auto &[stream, text] : record.lines)
        (stream == Stream::Out ? out : err) << text << '\n';
      out.flush();
      err.flush();
      if (record.counted) {
        ++counted;
        allWritten = allWritten && record.outcome == FileOutcome::Converted;
      }
    }
    for (auto &t : threads)
      t.join();
    out << Out(ConvertedCountText(counted)) << '\n';
    return allWritten ? kExitOk : kExitSomeFailed;
  }

 private:
  void work(const std::u16string &workFolder) {
    auto JWW = std::make_unique<TJwwData>();
    auto JWC = std::make_unique<TJwcData>();
    if (!workFolder.empty())
      UseWorkFolder(*JWW, workFolder);
    RecordingReporter reporter(quiet_);
    ConversionBatch batch(*JWW, *JWC, reporter);
    for (;;) {
      std::size_t g;
      {
        std::lock_guard lock(mutex_);
        if (nextGroup_ >= groups_.size())
          return;
        g = nextGroup_++;
      }
      batch.BeginBatch();  // groups share no names, so no backup is shared
      for (const std::size_t i : groups_[g]) {
        RowRecord &record = records_[i];
        reporter.setRow(&record);
        FileOutcome outcome = FileOutcome::CheckFailed;
        const bool counted = batch.ConvertRow(rows_[i].S, D_, rows_[i].N, map_, &outcome);
        {
          std::lock_guard lock(mutex_);
          record.counted = counted;
          record.outcome = outcome;
          record.done = true;
        }
        finished_.notify_all();
      }
    }
  }

  RowRecord &waitFor(std::size_t i) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return records_[i].done; });
    return records_[i];
  }

  const std::vector<Row> &rows_;
  const std::u16string D_;
  const TMojiShuMap map_;
  const bool quiet_;
  std::vector<RowRecord> records_;
  const std::vector<std::vector<std::size_t>> groups_;
  std::size_t nextGroup_ = 0;
  std::mutex mutex_;
  std::condition_variable finished_;
};

}  // namespace

int RunConvert(const ConvertOptions &options, std::ostream &out, std::ostream &err) {
  std::string error;
  const std::optional<TMojiShuMap> map = MapFromOptions(options, error);
  if (!map) {
    PrintError(err, error);
    return kExitUsage;
  }
  if (options.jobs < 1) {
    PrintError(err, "--jobs takes a number of at least 1");
    return kExitUsage;
  }
  std::vector<Row> rows;
  for (const std::string &file : options.files)
    rows.push_back(RowOf(file));
  const std::u16string D = ArgPath(options.dest);
  const std::u16string refusal = Refusal(rows, D);
  if (!refusal.empty()) {
    err << Out(refusal) << '\n';
    return kExitUsage;
  }
  InitDocumentLibraryDefaults();
  ParallelBatch batch(rows, D, *map, options.quiet);
  return batch.run(options.jobs, out, err);
}

}  // namespace velkaro::cli
