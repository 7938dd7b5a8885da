// ReadWholeFile into FileBytes and ReadFileRecords: the same on every
// platform over the platform's ReadFileStart.
#include "support/FileIO.h"

#include <cstdint>

namespace velkaro {

bool ReadWholeFile(const std::u16string &path, FileBytes &out) {
  std::uint64_t size = 0;
  return ReadFileStart(path, SIZE_MAX, out, size);
}

bool ReadFileRecords(const std::u16string &path, FileBytes &bytes,
                     const std::function<RecordsRead(std::span<const std::uint8_t>)> &read,
                     RecordsRead &result, std::uint64_t &trailing, std::size_t firstPart) {
  trailing = 0;
  std::uint64_t size = 0;
  if (!ReadFileStart(path, firstPart, bytes, size))
    return false;
  // Below firstPart the part is the whole file, grown meanwhile or not.
  bool whole = bytes.size() < firstPart;
  result = read(bytes);
  // A reading that stayed inside the part, never touching its end, saw
  // exactly what it would have seen in the whole file.
  if (!whole && (!result.ok || result.wantedMore || result.used >= bytes.size())) {
    if (!ReadWholeFile(path, bytes))
      return false;
    size = bytes.size();
    whole = true;
    result = read(bytes);
  }
  const std::uint64_t end = whole ? bytes.size() : size;
  if (result.ok && result.used < end)
    trailing = end - result.used;
  return true;
}

}  // namespace velkaro
