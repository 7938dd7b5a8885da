// libFuzzer target for TJwcData::FileIn and FileOut over arbitrary bytes.
//
// Besides "no crash, no sanitizer report, no runaway allocation", it checks
// what must hold for every input: a drawing that reads keeps its counters,
// header counts and arrays in step; a drawing the writer accepts reads back
// with the same counts; and with one millimetre per drawing unit, a second
// write of what the first wrote gives the same bytes (the first write has
// settled every repair and cleaning).
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "jwc/JwcUnit.h"

using namespace velkaro;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckLoaded(const TJwcData &d) {
  Check(d.lineN == d.Enthd.lineCount && d.EntLine.size() == static_cast<std::size_t>(d.lineN));
  Check(d.arcN == d.Enthd.arcCount && d.EntArc.size() == static_cast<std::size_t>(d.arcN));
  Check(d.mojiN == d.Enthd.mojiCount && d.EntMoji.size() == static_cast<std::size_t>(d.mojiN));
  Check(d.tenN == d.Enthd.tenCount && d.EntTen.size() == static_cast<std::size_t>(d.tenN));
  Check(d.EntVten.size() == 101 && d.EntMjtp.size() == 12);
  Check(d.EntLgrp.size() == 16 && d.EntLay.size() == 256);
  Check(d.Enthd.para.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TJwcData doc;
  if (!doc.FileInFromBytes(std::span<const std::uint8_t>(data, size))) return 0;
  CheckLoaded(doc);
  std::vector<std::uint8_t> first;
  if (!doc.FileOutToBytes(first)) {
    Check(first.empty());
    return 0;
  }
  TJwcData again;
  Check(again.FileInFromBytes(first));
  CheckLoaded(again);
  Check(again.lineN == doc.lineN && again.arcN == doc.arcN && again.mojiN == doc.mojiN &&
        again.tenN == doc.tenN);
  std::vector<std::uint8_t> second;
  Check(again.FileOutToBytes(second));
  if (doc.Enthd.dataUnit == 1.0f) Check(second == first);
  return 0;
}
