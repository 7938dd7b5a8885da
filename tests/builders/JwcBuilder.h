// JwcBuilder: test-side byte builders for JWC drawings and JWK and JWS figure
// headers. They lay the bytes out as the formats' layout tables say, field by
// field, and never call the writer under test, so reader and writer cannot
// agree on a mistake. Texts are given as raw legacy (code page 932) bytes.
//
// A default JwcBuilder is an empty drawing in the writer's canonical form:
// the header values of a reset document written as the writer writes them,
// psize 3 with drawWidth 420 (dataUnit exactly 1.0), valid attributes, and
// the string area laid out in record order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::testing {

using ByteVec = std::vector<std::uint8_t>;

struct JwcLineRec {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint8_t typ = 1, col = 1, lay = 0, flg1 = 0, flg2 = 0, flg3 = 0;
};

// Fields as stored: h times 10000, angles times 65536.
struct JwcArcRec {
  float x = 0, y = 0, r = 0;
  std::uint16_t h = 10000;
  std::int32_t st = 0, et = 0, tt = 0;
  std::uint8_t typ = 1, col = 1, lay = 0, flg1 = 0, flg2 = 0, flg3 = 0;
};

struct JwcTextRec {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint16_t offset = 0, segment = 0x6000;
  std::uint8_t no = 1, lay = 0, flg1 = 0, flg2 = 0;
};

struct JwcPointRec {
  float x = 0, y = 0;
  std::uint8_t lay = 0, col = 1, flg1 = 0, flg2 = 0;
};

class JwcBuilder {
 public:
  JwcBuilder();

  // Block 1: raw bytes, each zero-padded to its field (40, 32, 32) and cut
  // there; the tail is the 96 bytes the reader skips.
  // The 23rd character "f" says the group scales are stored as floats.
  std::string jwID = "jw_cad(c)data.......V2f";
  std::string comment1, comment2;
  std::string block1Tail;

  // Blocks 2, 3 and 4 as value texts (32, 28 and 22 of them by default).
  // Each block is laid out as the values joined by ",", a zero byte, spaces
  // up to byte 198 and a line feed.
  std::vector<std::string> block2, block3, block4;
  // When set, the exact bytes of block 2, 3 or 4 (index 0, 1, 2), zero-padded
  // (or cut) to 200 bytes.
  std::array<std::optional<std::string>, 3> rawBlock;

  // The fixed part. floatScales chooses the layout of the scale column; the
  // reader decides by the 23rd character of jwID ("f": floats).
  bool floatScales = true;
  std::array<float, 101> vtenX{}, vtenY{};
  std::array<std::uint8_t, 101> vtenLay{};
  std::array<std::uint16_t, 11> penNo{}, width{}, height{}, dist{};
  std::array<float, 16> scale{};
  std::array<std::uint16_t, 16> scale16{};
  std::array<std::uint8_t, 16> groupSrchF{}, groupDispF{}, groupWLay{};
  std::array<std::uint8_t, 256> layerSrchF{}, layerDispF{};

  std::vector<JwcLineRec> lines;
  std::vector<JwcArcRec> arcs;
  std::vector<JwcTextRec> texts;
  std::string stringArea;
  std::vector<JwcPointRec> points;
  // Raw bytes, zero-padded to 8 and 16 bytes and cut there.
  std::array<std::string, 256> layerNames;
  std::array<std::string, 16> groupNames;
  std::string trailer;  // bytes after the group names

  // The add functions keep the counts of block 2 (and for texts the end
  // address of block 4) in step; set the values afterwards to make them lie.
  void addLine(const JwcLineRec &rec);
  void addArc(const JwcArcRec &rec);
  void addPoint(const JwcPointRec &rec);
  // Appends `bytes` and a zero byte to the string area and points the record
  // at them, as the writer lays the area out (segment 0x6000).
  void addText(JwcTextRec rec, const std::string &bytes);
  // A record pointing at an address of the caller's choice; the area is untouched.
  void addTextRecord(const JwcTextRec &rec);

  // Block 4's two addresses as "SSSS:OOOO" texts.
  void setAddresses(std::uint32_t sBufAdr1, std::uint32_t sBufAdr2);

  ByteVec build() const;

  // Offsets in the built file.
  std::size_t fixedPartSize() const { return floatScales ? 1621 : 1589; }
  std::size_t linesOffset() const { return 800 + fixedPartSize(); }
  std::size_t arcsOffset() const { return linesOffset() + 22 * lines.size(); }
  std::size_t textsOffset() const { return arcsOffset() + 32 * arcs.size(); }
  std::size_t stringAreaOffset() const { return textsOffset() + 24 * texts.size(); }
  std::size_t pointsOffset() const { return stringAreaOffset() + stringArea.size(); }
  std::size_t layerNamesOffset() const { return pointsOffset() + 12 * points.size(); }
  std::size_t groupNamesOffset() const { return layerNamesOffset() + 8 * 256; }
  std::size_t endOffset() const { return groupNamesOffset() + 16 * 16; }

 private:
  std::uint32_t areaStart_ = 0x60000;
};

// A canonical drawing that uses every section: header reals in the writer's
// forms, every record kind, Japanese texts and names, names filling fields.
JwcBuilder JwcRichDrawing();

// A 200-byte value block from value texts (zero byte, spaces, line feed).
ByteVec ValueBlock(const std::vector<std::string> &values);
// "SSSS:OOOO", upper-case hexadecimal.
std::string AddressText(std::uint32_t segment, std::uint32_t offset);

class JwkBuilder {
 public:
  std::string jwID = "jw_cad(c)sym........";
  std::string comment1, comment2;
  // lineCount, arcCount, tenCount, mojiCount, org_x, org_y, dispScale, strSpace, scale
  std::vector<std::string> values{"0", "0", "0", "0", "0", "0", "1", "0", "1"};
  std::string body;  // whatever follows the 400-byte header
  ByteVec build() const;
};

class JwsBuilder {
 public:
  std::string signature = "JwsData";  // zero-padded or cut to 7 bytes
  std::int32_t jwVer = 600;
  double basePointX = 0, basePointY = 0;
  std::array<double, 16> groupScale{};
  std::array<std::int32_t, 6> dmyInt{};
  std::array<double, 6> dmyReal{};
  double mx1 = 0, my1 = 0, mx2 = 0, my2 = 0;
  std::string body;  // whatever follows the 452-byte header
  ByteVec build() const;
};

// Little-endian field writers of the builders, for tests that patch bytes.
void PutU16(ByteVec &out, std::uint16_t v);
void PutU32(ByteVec &out, std::uint32_t v);
void PutF32(ByteVec &out, float v);
void PutF64(ByteVec &out, double v);
void PutField(ByteVec &out, const std::string &bytes, std::size_t width);

}  // namespace velkaro::testing
