// JwwExpect: what the tests compare a read JWW document with.
//
// A DrawingView holds the content of a drawing as the reader must leave it;
// it is taken either from a document (ViewOf) or, independently, from a
// builder description with the reading rules applied (ExpectedRead). Dump
// turns a view into one "field = value" line per field, so a mismatch names
// the first differing field. Doubles are printed with all their digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders/JwwBuilder.h"
#include "jww/JwwUnit.h"

namespace velkaro::testing {

struct DrawingView {
  TEntJwwHeader hd;
  std::vector<TEntJwwLayerGroup> EntLgrp;
  std::vector<TEntJwwLayer> EntLay;
  std::vector<TEntJwwColorNo> EntCol;
  std::vector<TEntJwwLineTypeNo> EntLtp1;
  std::vector<TEntJwwRandomLineNo> EntLtp2;
  std::vector<TEntJwwLineTypeNo> EntLtp3;
  std::vector<TEntJwwColorExNo> EntColS;
  std::vector<TEntJwwLineTypeExNo> EntLtpS;
  std::vector<TEntJwwMojiType> EntMoj;
  std::vector<TEntJwwNo> EntNo;
  std::vector<TEntJwwLine> EntLine;
  std::vector<TEntJwwEnko> EntEnko;
  std::vector<TEntJwwTen> EntTen;
  std::vector<TEntJwwMoji> EntMoji;
  std::vector<TEntJwwSunpo> EntSunpo;
  std::vector<TEntJwwSolid> EntSolid;
  std::vector<TEntJwwBlock> EntBlock;
  std::vector<TEntJwwBlockDef> EntBlockDef;
  std::vector<TBindImageType> BindImage;
  bool MojiEncode = false;
  // Set when a count field disagrees with its array (only from ViewOf).
  std::vector<std::string> countMismatches;
};

DrawingView ViewOf(const TJwwData &doc);
// The document the reader must make of BuildJww(plan), with the reading rules
// (version gates, 13-byte attributes, control characters removed, non-finite
// sizes, SXF parts of old dimensions, long dtime) applied independently.
DrawingView ExpectedRead(const JwwDrawingSpec &plan);

struct DumpOptions {
  bool header = true;
  bool tables = true;
  bool entities = true;
  bool blockDefs = true;
  bool images = true;
  bool blockRefs = false;  // ref_flag / ref_no of the definitions
};

std::string Dump(const DrawingView &view, DumpOptions options = {});
std::string DumpHeader(const TEntJwwHeader &hd);

// Equal dumps, or a failure naming the first differing line of each.
::testing::AssertionResult SameDump(const std::string &expected, const std::string &actual);
// Equal bytes, or a failure naming the first differing offset with both
// neighbourhoods in hex and the sizes.
::testing::AssertionResult SameBytes(const ByteVec &expected, const ByteVec &actual);

// The reader's string rules, independent of the codec: cut at U+0000, and
// for names and texts every character below U+0020 removed.
std::u16string AsRead(const std::u16string &s, bool plain = true);

// Reads a built drawing through a temporary file.
bool ReadBuilt(TJwwData &doc, const ByteVec &bytes, const std::u16string &path);

}  // namespace velkaro::testing
