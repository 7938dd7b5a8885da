// ConversionBatchTestSupport: a batch over real files in two temporary
// folders, with a reporter that records every message, status text and
// outcome, and helpers that read the outputs back.
#pragma once

#include <filesystem>
#include <functional>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/ConversionBatch.h"
#include "convert/ConversionBatchFixtures.h"
#include "convert/WorkFolder.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"
#include "support/MarkedFolder.h"
#include "support/Platform.h"

namespace velkaro::testing {

struct RecordingReporter : BatchReporter {
  void ShowMessage(const std::u16string &text) override { messages.push_back(text); }
  void FocusDestinationButton() override { ++focusMoves; }
  void SetStatusText(const std::u16string &text) override {
    statuses.push_back(text);
    if (onStatus)
      onStatus(text);
  }
  void FileFinished(const std::u16string &source, const std::u16string &dest,
                    FileOutcome outcome) override {
    finished.push_back({source, dest, outcome});
    if (onFinished)
      onFinished(finished.back());
  }
  void RowFinished(std::int32_t done, std::int32_t total) override {
    rows.emplace_back(done, total);
  }
  void FileWarned(const std::u16string &source, const FileWarning &warning) override {
    // Told just before the file's FileFinished: keyed by the row it belongs to.
    warnings.emplace_back(finished.size(), ExtractName(source), warning.trailingBytes);
  }

  struct Finished {
    std::u16string source, dest;
    FileOutcome outcome;
  };
  std::vector<std::u16string> messages;
  std::vector<std::u16string> statuses;
  std::vector<Finished> finished;
  std::vector<std::pair<std::int32_t, std::int32_t>> rows;
  // (FileFinished calls before it, file name, trailing bytes)
  std::vector<std::tuple<std::size_t, std::u16string, std::uint64_t>> warnings;
  int focusMoves = 0;
  // Run inside the batch at each status text and each file's outcome: let a
  // test act or look mid-batch.
  std::function<void(const std::u16string &)> onStatus;
  std::function<void(const Finished &)> onFinished;
};

inline const TMojiShuMap kSwapOneAndTwo{2, 1, 3, 4, 5, 6, 7, 8, 9, 10};
inline const TMojiShuMap kIdentity{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitDocumentLibraryDefaults();
    work = WorkFolder::Create();
    ASSERT_TRUE(work.has_value());
    UseWorkFolder(JWW, work->path());
  }

  std::u16string S() const { return src.u16(); }
  std::u16string D() const { return dst.u16(); }
  std::filesystem::path srcPath(const std::string &name) const { return src.path() / name; }
  std::filesystem::path dstPath(const std::string &name) const { return dst.path() / name; }

  void putJww(const TempDir &dir, const std::string &name, const JwwDrawingSpec &plan) {
    dir.write(name, BuildJww(plan).bytes);
  }
  void putJwc(const TempDir &dir, const std::string &name, const jwcfix::JwcDrawing &d) {
    dir.write(name, jwcfix::BuildJwc(d));
  }

  BatchResult run(const std::vector<std::u16string> &rows, const TMojiShuMap &map = kSwapOneAndTwo,
                  int jobs = 1) {
    ConversionBatch batch(JWW, JWC, reporter);
    BatchOptions options;
    options.jobs = jobs;
    return batch.Run(S(), D(), rows, map, options);
  }

  // No image left: the folder's marker (its proof of being ours) is all it holds.
  bool workFolderEmpty() const {
    for (const auto &e : std::filesystem::directory_iterator(ToFsPath(work->path())))
      if (FromFsPath(e.path().filename()) != kFolderMarkerName)
        return false;
    return true;
  }

  // The entries of the folder, but for the batch record.
  std::size_t filesIn(const TempDir &dir) const {
    std::size_t n = 0;
    for (const auto &e : std::filesystem::directory_iterator(dir.path()))
      n += FromFsPath(e.path().filename()) != kBatchRecordName;
    return n;
  }

  TempDir src, dst;
  std::optional<WorkFolder> work;
  TJwwData JWW;
  TJwcData JWC;
  RecordingReporter reporter;
};

// A JWW file read back whole, its images extracted into a folder of its own.
struct ReadBack {
  explicit ReadBack(const std::filesystem::path &file) {
    std::filesystem::create_directories(images.path());
    doc.BindImageFolder = images.u16WithSeparator();
    doc.BindImageExp = true;
    doc.BindImageExr = true;
    ok = doc.FileIn(FromFsPath(file));
  }
  TempDir images;
  TJwwData doc;
  bool ok = false;
};

inline std::uint32_t KindOfText(const TJwwData &doc, const std::u16string &str) {
  for (std::int32_t i = 0; i < doc.EntMojiN; ++i)
    if (doc.EntMoji[i].str == str)
      return doc.EntMoji[i].nMojiShu;
  ADD_FAILURE() << "no text " << ToUtf8(str);
  return 0;
}

}  // namespace velkaro::testing
