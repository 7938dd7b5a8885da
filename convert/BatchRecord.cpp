#include "convert/BatchRecord.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <random>

#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"

namespace velkaro {

namespace {

constexpr int kFormatVersion = 1;
// Ten batches of a few thousand files take a few MB; far more is not ours.
constexpr std::size_t kMaxRecordSize = 64 * 1024 * 1024;

std::int64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string NewBatchId() {
  std::random_device random;
  static const char kDigits[] = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 16; ++i)
    id.push_back(kDigits[random() & 0xF]);
  return id;
}

BatchRecordFile Damaged(std::string reason) {
  BatchRecordFile file;
  file.state = BatchRecordFile::State::Damaged;
  file.reason = std::move(reason);
  return file;
}

bool ReadEntryBytes(const FolderHandle &folder, const std::u16string &name,
                    std::vector<std::uint8_t> &bytes) {
  try {
    InputFile in;
    if (!in.openIn(folder, name) || in.size() > kMaxRecordSize)
      return false;
    bytes.resize(static_cast<std::size_t>(in.size()));
    std::size_t got = 0;
    while (got < bytes.size()) {
      const std::size_t n = in.read(std::span(bytes).subspan(got));
      if (n == 0)
        break;
      got += n;
    }
    bytes.resize(got);
    return true;
  } catch (...) {
    return false;
  }
}

// A name is kept as text when it is well-formed Unicode; a POSIX name with
// bytes that are no UTF-8 (kept as escapes) as its UTF-16 code units, so
// that it comes back exactly.
void PutName(nlohmann::ordered_json &j, const std::string &key, const std::u16string &name) {
  const Bytes utf8 = StringToUtf8Bytes(name);
  if (Utf8BytesToString(utf8) == name)
    j[key] = std::string(utf8.begin(), utf8.end());
  else
    j[key + "Units"] = std::vector<std::uint16_t>(name.begin(), name.end());
}

std::u16string GetName(const nlohmann::json &j, const std::string &key) {
  if (j.contains(key)) {
    const std::string text = j.at(key).get<std::string>();
    return Utf8BytesToString(std::span(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
  }
  const auto units = j.at(key + "Units").get<std::vector<std::uint16_t>>();
  return std::u16string(units.begin(), units.end());
}

RecordedFile FileFromJson(const nlohmann::json &j) {
  RecordedFile f;
  f.name = GetName(j, "name");
  f.earlier = j.at("earlier").get<bool>();
  if (f.earlier) {
    f.backup = GetName(j, "backup");
    f.backupDigest = j.at("backupDigest").get<std::string>();
  }
  f.outputDigest = j.at("outputDigest").get<std::string>();
  if (!IsPlainEntryName(f.name) || (f.earlier && !IsPlainEntryName(f.backup)))
    throw std::invalid_argument("a name that is not a plain file name");
  return f;
}

nlohmann::ordered_json FileToJson(const RecordedFile &f) {
  nlohmann::ordered_json j;
  PutName(j, "name", f.name);
  j["earlier"] = f.earlier;
  if (f.earlier) {
    PutName(j, "backup", f.backup);
    j["backupDigest"] = f.backupDigest;
  }
  j["outputDigest"] = f.outputDigest;
  return j;
}

}  // namespace

BatchRecordFile ReadBatchRecord(const FolderHandle &folder) {
  if (!folder.exists(kBatchRecordName))
    return {};
  std::vector<std::uint8_t> bytes;
  if (!ReadEntryBytes(folder, kBatchRecordName, bytes))
    return Damaged("the record cannot be read");
  BatchRecordFile file;
  try {
    const nlohmann::json json = nlohmann::json::parse(bytes.begin(), bytes.end());
    for (const nlohmann::json &b : json.at("batches")) {
      RecordedBatch batch;
      batch.id = b.at("id").get<std::string>();
      batch.time = b.at("time").get<std::int64_t>();
      const auto map = b.at("map").get<std::vector<std::int32_t>>();
      if (map.size() != batch.map.size())
        throw std::invalid_argument("a map that is not ten kinds");
      std::copy(map.begin(), map.end(), batch.map.begin());
      batch.undone = b.at("undone").get<bool>();
      for (const nlohmann::json &f : b.at("files"))
        batch.files.push_back(FileFromJson(f));
      file.batches.push_back(std::move(batch));
    }
  } catch (const std::exception &e) {  // parse, type and missing-key errors alike
    return Damaged(std::string("the record is damaged: ") + e.what());
  }
  file.state = BatchRecordFile::State::Read;
  return file;
}

bool WriteBatchRecord(const FolderHandle &folder, std::vector<RecordedBatch> batches,
                      const MarkedFolder *staging) {
  if (batches.size() > kBatchesKept)
    batches.erase(batches.begin(), batches.end() - kBatchesKept);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const RecordedBatch &b : batches) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const RecordedFile &f : b.files)
      files.push_back(FileToJson(f));
    list.push_back({{"id", b.id}, {"time", b.time}, {"map", b.map}, {"undone", b.undone},
                    {"files", files}});
  }
  const nlohmann::ordered_json json = {{"version", kFormatVersion}, {"batches", list}};
  // Written after a stop too: it is what lets the files finished be undone.
  const StopIgnoredOnThisThread whole;
  try {
    const std::string text = json.dump(1) + "\n";
    AtomicFileWriter out(folder, kBatchRecordName, staging);
    if (!out.open())
      return false;
    out.write(std::span(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
    if (!out.commit())
      return false;
  } catch (...) {  // StreamError: a failed write
    return false;
  }
  folder.hide(kBatchRecordName);
  return true;
}

const RecordedBatch *LastUndoableBatch(const BatchRecordFile &record) {
  for (auto it = record.batches.rbegin(); it != record.batches.rend(); ++it)
    if (!it->undone && !it->files.empty())
      return &*it;
  return nullptr;
}

BatchRecorder::BatchRecorder(const FolderHandle &folder, const TMojiShuMap &map)
    : folder_(folder), earlier_(ReadBatchRecord(folder)) {
  batch_.id = NewBatchId();
  batch_.time = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  batch_.map = map;
  // A record that cannot be read is kept aside, never written over.
  if (earlier_.state == BatchRecordFile::State::Damaged) {
    folder_.rename(kBatchRecordName, kDamagedBatchRecordName);
    earlier_.batches.clear();
  }
  lastWrite_ = SteadyMilliseconds();
}

void BatchRecorder::Add(RecordedFile file) {
  batch_.files.push_back(std::move(file));
  dirty_ = true;
  if (SteadyMilliseconds() - lastWrite_ >= 1000)
    Write();
}

bool BatchRecorder::Finish() {
  if (dirty_)
    Write();
  return !dirty_;
}

bool BatchRecorder::Write() {
  std::vector<RecordedBatch> batches = earlier_.batches;
  batches.push_back(batch_);
  const bool written = WriteBatchRecord(folder_, std::move(batches));
  dirty_ = !written;
  lastWrite_ = SteadyMilliseconds();
  return written;
}

}  // namespace velkaro
