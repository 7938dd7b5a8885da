// AtomicFileWriter: a new file written beside its target and renamed over
// it, and the removal of what killed writers left. The same on every
// platform; the platform's part is in OutputFile and FolderHandle.
#include "support/FileIO.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#include "support/Interrupt.h"

namespace velkaro {

// ---- AtomicFileWriter ------------------------------------------------------

namespace {

// 16 lower-case hexadecimal digits, different at every call: a per-thread
// generator seeded from the system and the clock, and a shared counter.
std::string RandomTemporarySuffix() {
  static std::atomic<std::uint64_t> counter{0};
  thread_local std::mt19937_64 rng{
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  const std::uint64_t value = rng() ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(value));
  return buf;
}

constexpr char16_t kTempPrefix[] = u".velkaro-";
constexpr char16_t kTempSuffix[] = u".tmp";

bool IsTemporaryFileName(const std::u16string &name) {
  const std::u16string prefix = kTempPrefix, suffix = kTempSuffix;
  if (name.size() != prefix.size() + 16 + suffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (std::size_t i = prefix.size(); i < prefix.size() + 16; ++i) {
    const char16_t c = name[i];
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
  }
  return true;
}

}  // namespace

bool MakeTemporaryFolder(const FolderHandle &folder, MarkedFolder &staging) {
  // A fresh random name: never reuse someone else's folder, and several
  // writers into one folder cannot collide.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::u16string name = kTempPrefix + FromFsPath(RandomTemporarySuffix()) + kTempSuffix;
    const MarkedFolder::Made made = staging.create(folder, name);
    if (made != MarkedFolder::Made::NameTaken) return made == MarkedFolder::Made::Yes;
  }
  return false;
}

AtomicFileWriter::AtomicFileWriter(std::u16string target) : target_(std::move(target)) {}

AtomicFileWriter::AtomicFileWriter(const FolderHandle &folder, std::u16string name,
                                   const MarkedFolder *staging)
    : borrowed_(&folder), name_(std::move(name)), sharedStaging_(staging) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

bool AtomicFileWriter::open() {
  discard();
  if (!borrowed_ && !own_.isOpen() && !own_.openParentOf(target_, name_)) return false;
  if (!folder().isOpen() || !IsPlainEntryName(name_)) return false;
  if (!staging().isOpen() && !MakeTemporaryFolder(folder(), ownStaging_)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::u16string temp = kTempPrefix + FromFsPath(RandomTemporarySuffix()) + kTempSuffix;
    if (out_.createNewLockedIn(staging().folder(), temp)) {
      tempName_ = temp;
      return true;
    }
    if (!out_.alreadyExists()) break;
  }
  ownStaging_.remove();
  return false;
}

void AtomicFileWriter::write(std::span<const std::uint8_t> bytes) { out_.write(bytes); }

bool AtomicFileWriter::applyMode() {
  if (hasMode_) return out_.setMode(mode_);
  FileStatus replaced;
  if (folder().status(name_, replaced) && replaced.regular) return out_.setMode(replaced.mode);
  return out_.setMode(DefaultNewFileMode());  // what any new file of the user gets
}

bool AtomicFileWriter::commit() {
  if (tempName_.empty() || !out_.isOpen()) return false;
  try {
    // Times last: nothing written after them moves them again. A file
    // whose times could not be set is still a complete copy.
    if (StopRequested() || !applyMode()) {
      discard();
      return false;
    }
    if (hasTimes_) out_.setTimes(times_);
    out_.close();
  } catch (...) {
    discard();
    return false;
  }
  if (!staging().folder().renameInto(tempName_, folder(), name_)) {
    discard();
    return false;
  }
  tempName_.clear();
  ownStaging_.remove();
  folder().sync();  // makes the rename itself durable; best effort
  return true;
}

void AtomicFileWriter::discard() {
  out_.abandon();
  if (!tempName_.empty() && staging().isOpen()) staging().folder().remove(tempName_);
  tempName_.clear();
  ownStaging_.remove();
}

void AtomicFileWriter::abandonForTesting() {
  out_.abandon();
  tempName_.clear();
  ownStaging_.abandonForTesting();
}

int RemoveStaleTemporaryFiles(const FolderHandle &folder) {
  if (!folder.isOpen()) return 0;
  int removed = 0;
  for (const std::u16string &name : folder.entryNames())
    if (IsTemporaryFileName(name) && RemoveAbandonedFolder(folder, name)) ++removed;
  return removed;
}

int RemoveStaleTemporaryFilesBeside(const std::u16string &target) {
  FolderHandle folder;
  std::u16string name;
  return folder.openParentOf(target, name) ? RemoveStaleTemporaryFiles(folder) : 0;
}

bool WriteFileAtomically(const std::u16string &target, std::span<const std::uint8_t> bytes) {
  AtomicFileWriter writer(target);
  if (!writer.open()) return false;
  try {
    // In blocks, so that a stop request ends a long write soon.
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    for (std::size_t at = 0; at < bytes.size(); at += kBlock)
      writer.write(bytes.subspan(at, std::min(kBlock, bytes.size() - at)));
  } catch (const StreamError &) {
    return false;  // the destructor removes the temporary file
  }
  return writer.commit();
}

}  // namespace velkaro
