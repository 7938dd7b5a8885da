// ConvertCommand: the options and the map, and the batch's reports as output.
#include "cli/ConvertCommand.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string>
#include <thread>

#include "cli/CliText.h"
#include "cli/MapsCommand.h"
#include "cli/FileArguments.h"
#include "convert/ConversionBatch.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "service/NamedMaps.h"
#include "service/SettingsFile.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"
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
  if (options.map.has_value() + options.settings.has_value() + options.mapName.has_value() != 1) {
    error = "give exactly one of --map, --map-name and --settings";
    return std::nullopt;
  }
  if (options.mapName) {
    const std::u16string fileName = MapsFileOf(options.maps);
    const NamedMapsFile file = LoadNamedMaps(fileName);
    if (file.state == NamedMapsState::Damaged) {
      error = "cannot read the maps file " + OutName(fileName) + ": " + file.reason;
      return std::nullopt;
    }
    const NamedMap *map = FindNamedMap(file.maps, FromUtf8(*options.mapName));
    if (!map) {
      error = "no map named " + *options.mapName + " in " + OutName(fileName);
      return std::nullopt;
    }
    return map->map;  // normalised by the load
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

// The batch's reports as output lines: progress on stdout, messages and the
// files that produced no output on stderr, all in the batch's Japanese.
class CliReporter final : public BatchReporter {
 public:
  CliReporter(std::ostream &out, std::ostream &err, bool quiet)
      : out_(out), err_(err), quiet_(quiet) {}

  void ShowMessage(const std::u16string &text) override {
    err_ << Out(text) << '\n';
    err_.flush();
  }
  void SetStatusText(const std::u16string &text) override {
    if (quiet_ || text.empty())
      return;
    out_ << OutName(text) << '\n';  // a file name may hold control characters
    Flush();
  }
  void FileWarned(const std::u16string &source, const FileWarning &warning) override {
    PrintError(err_, OutName(source) + ": 警告：" + Out(FileWarningReason(warning)));
  }
  void FileFinished(const std::u16string &source, const std::u16string &, FileOutcome outcome) override {
    if (outcome != FileOutcome::Converted)
      PrintError(err_, OutName(source) + ": " + Out(FileOutcomeReason(outcome)));
  }
  void WorkersReduced(int asked, int started) override {
    PrintError(err_, "システムがこれ以上スレッドを作れないため、" + std::to_string(asked) + " 個のうち " +
                         std::to_string(started) + " 個の作業で変換します");
  }
  // The final text is printed also with --quiet; the failures were named
  // one by one already.
  void BatchFinished(const BatchResult &result) override {
    out_ << Out(BatchSummaryText(result)) << '\n';
    Flush();
  }

 private:
  // Output nobody reads any more (a closed pipe) stops the batch as a
  // signal would: what was converted stays, nothing half-written does.
  void Flush() {
    out_.flush();
    if (!out_)
      RequestStopForClosedOutput();
  }

  std::ostream &out_;
  std::ostream &err_;
  bool quiet_;
};

// More workers than this only wait for the disk and each other, and each
// holds a work folder, documents and descriptors of its own.
int WorkerLimit() {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<int>(std::min(4u * cores, 1024u));
}

BatchRow RowOf(const std::u16string &path) {
  const fs::path p = ToFsPath(path);
  const fs::path parent = p.parent_path();
  return {parent.empty() ? u"." : FromFsPath(parent), FromFsPath(p.filename())};
}

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
  const FileArguments files = ExpandFileArguments(options.files);
  for (const std::string &pattern : files.unmatched)
    PrintError(err, Out(UnmatchedPatternMessage(pattern)));
  if (files.paths.empty())
    return kExitUsage;  // nothing to convert: nothing was written
  std::vector<BatchRow> rows;
  for (const std::u16string &file : files.paths)
    rows.push_back(RowOf(file));
  InitDocumentLibraryDefaults();
  TJwwData JWW;
  TJwcData JWC;
  CliReporter reporter(out, err, options.quiet);
  ConversionBatch batch(JWW, JWC, reporter);
  BatchOptions batchOptions;
  batchOptions.jobs = options.jobs;
  if (options.jobs > WorkerLimit()) {
    batchOptions.jobs = WorkerLimit();
    PrintError(err, "--jobs " + std::to_string(options.jobs) + " はこのコンピューターには多すぎるため、" +
                    std::to_string(batchOptions.jobs) + " 個の作業で変換します");
  }
  const BatchResult result = batch.Run(rows, ArgPath(options.dest), *map, batchOptions);
  if (result.refused)
    return kExitUsage;
  // Also a stop asked for by the final count's failed write: the output
  // was lost, and the status says so.
  if (result.interrupted || StopRequested()) {
    if (StopSignal() == ClosedOutputSignal())
      PrintError(err, "標準出力が閉じられたため中断しました。それまでに変換したファイルは残してあります。");
    else
      PrintError(err, "中断しました。それまでに変換したファイルは残してあります。");
    return ExitStatusForSignal(StopSignal());
  }
  return result.failures.empty() ? kExitOk : kExitSomeFailed;
}

}  // namespace velkaro::cli
