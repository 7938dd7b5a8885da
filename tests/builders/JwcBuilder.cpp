// JwcBuilder: JWC, JWK and JWS bytes laid out from the layout tables.
#include "builders/JwcBuilder.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace velkaro::testing {

void PutU16(ByteVec &out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(ByteVec &out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>((v >> (8 * k)) & 0xFF));
}

void PutF32(ByteVec &out, float v) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &v, 4);
  PutU32(out, bits);
}

void PutF64(ByteVec &out, double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, 8);
  PutU32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
  PutU32(out, static_cast<std::uint32_t>(bits >> 32));
}

void PutField(ByteVec &out, const std::string &bytes, std::size_t width) {
  for (std::size_t k = 0; k < width; ++k) {
    out.push_back(k < bytes.size() ? static_cast<std::uint8_t>(bytes[k]) : 0);
  }
}

ByteVec ValueBlock(const std::vector<std::string> &values) {
  std::string text;
  for (std::size_t j = 0; j < values.size(); ++j) {
    if (j > 0) text += ',';
    text += values[j];
  }
  text += '\0';
  if (text.size() > 199) throw std::length_error("value block text longer than 199 bytes");
  text.resize(199, ' ');
  text += '\n';
  return ByteVec(text.begin(), text.end());
}

std::string AddressText(std::uint32_t segment, std::uint32_t offset) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04X:%04X", segment, offset);
  return buf;
}

JwcBuilder::JwcBuilder() {
  block1Tail = std::string(95, ' ') + "\n";
  // A reset document's header as the writer writes it, psize 3 on a
  // 420-unit paper so that one drawing unit is one millimetre.
  block2 = {"0", "0", "0", "0", "0", "1", "1", "1", "1", "1", "0", "3", "2", "1", "0", "0",
            "5", "10", "0", "0", "0", "0", "0", "0", "0", "5", "5", "0", "0", "0", "420", "0"};
  block3 = {"0", "0", "3", "15", "0", "0", "0", "0", "0", "1", "0", "0", "0", "0",
            "0", "0", "0", "0", "0", "100", "100", "100", "100", "100", "100", "0", "0", "1"};
  block4 = {"6000:0000", "6000:0000", "0", "0", "0", "0", "0", "0", "0", "0", "0",
            "0",         "0",         "0", "0", "0", "0", "0", "0", "0", "0", "0"};
  const std::array<std::uint16_t, 11> sizes{0, 20, 25, 30, 40, 50, 60, 70, 80, 90, 100};
  const std::array<std::uint16_t, 11> spacing{0, 0, 5, 5, 5, 10, 10, 10, 10, 10, 10};
  const std::array<std::uint16_t, 11> pens{1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
  penNo = pens;
  width = sizes;
  height = sizes;
  dist = spacing;
  scale.fill(1.0f);
  scale16.fill(1);
  for (std::size_t g = 0; g < 16; ++g) groupWLay[g] = static_cast<std::uint8_t>(g * 16);
  groupSrchF.fill(1);
  groupDispF.fill(1);
  layerSrchF.fill(1);
  layerDispF.fill(1);
}

void JwcBuilder::addLine(const JwcLineRec &rec) {
  lines.push_back(rec);
  block2[0] = std::to_string(lines.size());
}

void JwcBuilder::addArc(const JwcArcRec &rec) {
  arcs.push_back(rec);
  block2[1] = std::to_string(arcs.size());
}

void JwcBuilder::addTextRecord(const JwcTextRec &rec) {
  texts.push_back(rec);
  block2[2] = std::to_string(texts.size());
}

void JwcBuilder::addText(JwcTextRec rec, const std::string &bytes) {
  rec.segment = static_cast<std::uint16_t>(areaStart_ / 16);
  rec.offset = static_cast<std::uint16_t>(areaStart_ % 16 + stringArea.size());
  stringArea += bytes;
  stringArea += '\0';
  addTextRecord(rec);
  setAddresses(areaStart_, areaStart_ + static_cast<std::uint32_t>(stringArea.size()));
}

void JwcBuilder::addPoint(const JwcPointRec &rec) {
  points.push_back(rec);
  block2[3] = std::to_string(points.size());
}

void JwcBuilder::setAddresses(std::uint32_t sBufAdr1, std::uint32_t sBufAdr2) {
  areaStart_ = sBufAdr1;
  const std::uint32_t segment = sBufAdr1 / 16;
  block4[0] = AddressText(segment, sBufAdr1 % 16);
  block4[1] = AddressText(segment, sBufAdr2 - segment * 16);
}

ByteVec JwcBuilder::build() const {
  ByteVec out;
  PutField(out, jwID, 40);
  PutField(out, comment1, 32);
  PutField(out, comment2, 32);
  PutField(out, block1Tail, 96);

  const std::vector<std::string> *blocks[3] = {&block2, &block3, &block4};
  for (int b = 0; b < 3; ++b) {
    if (rawBlock[b]) {
      PutField(out, *rawBlock[b], 200);
    } else {
      const ByteVec block = ValueBlock(*blocks[b]);
      out.insert(out.end(), block.begin(), block.end());
    }
  }

  for (float v : vtenX) PutF32(out, v);
  for (float v : vtenY) PutF32(out, v);
  out.insert(out.end(), vtenLay.begin(), vtenLay.end());
  for (auto v : penNo) PutU16(out, v);
  for (auto v : width) PutU16(out, v);
  for (auto v : height) PutU16(out, v);
  for (auto v : dist) PutU16(out, v);
  if (floatScales) {
    for (float v : scale) PutF32(out, v);
  } else {
    for (auto v : scale16) PutU16(out, v);
  }
  out.insert(out.end(), groupSrchF.begin(), groupSrchF.end());
  out.insert(out.end(), layerSrchF.begin(), layerSrchF.end());
  out.insert(out.end(), groupDispF.begin(), groupDispF.end());
  out.insert(out.end(), layerDispF.begin(), layerDispF.end());
  out.insert(out.end(), groupWLay.begin(), groupWLay.end());

  for (const auto &e : lines) {
    PutF32(out, e.x1), PutF32(out, e.y1), PutF32(out, e.x2), PutF32(out, e.y2);
    out.insert(out.end(), {e.typ, e.col, e.lay, e.flg1, e.flg2, e.flg3});
  }
  for (const auto &e : arcs) {
    PutF32(out, e.x), PutF32(out, e.y), PutF32(out, e.r);
    PutU16(out, e.h);
    PutU32(out, static_cast<std::uint32_t>(e.st));
    PutU32(out, static_cast<std::uint32_t>(e.et));
    PutU32(out, static_cast<std::uint32_t>(e.tt));
    out.insert(out.end(), {e.typ, e.col, e.lay, e.flg1, e.flg2, e.flg3});
  }
  for (const auto &e : texts) {
    PutF32(out, e.x1), PutF32(out, e.y1), PutF32(out, e.x2), PutF32(out, e.y2);
    PutU16(out, e.offset);
    PutU16(out, e.segment);
    out.insert(out.end(), {e.no, e.lay, e.flg1, e.flg2});
  }
  out.insert(out.end(), stringArea.begin(), stringArea.end());
  for (const auto &e : points) {
    PutF32(out, e.x), PutF32(out, e.y);
    out.insert(out.end(), {e.lay, e.col, e.flg1, e.flg2});
  }
  for (const auto &name : layerNames) PutField(out, name, 8);
  for (const auto &name : groupNames) PutField(out, name, 16);
  out.insert(out.end(), trailer.begin(), trailer.end());
  return out;
}

JwcBuilder JwcRichDrawing() {
  const std::string zumen = "\x90\x7D\x96\xCA";             // 図面
  const std::string aiue = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6";  // あいうえ
  const std::string moji = "\x95\xB6\x8E\x9A";              // 文字
  const std::string kanji = "\x8A\xBF\x8E\x9A";             // 漢字
  JwcBuilder b;
  b.comment1 = "plan " + zumen;
  b.comment2 = std::string(16, 'x') + aiue + aiue;  // fills all 32 bytes
  b.block2[9] = "0.100000001490116";        // wLayScale 0.1f
  b.block2[14] = "-3";                      // plotOrgX
  b.block2[25] = "2.5";                     // gridX
  b.block3[27] = "1.00000002004088E20";     // svScrnScl 1e20f
  b.block4[16] = "9.99999974737875E-6";     // subZm4S 0.00001f
  b.block4[21] = "-7";
  for (std::size_t k = 0; k < 101; ++k) {
    b.vtenX[k] = static_cast<float>(k) * 1.5f;
    b.vtenY[k] = -static_cast<float>(k);
    b.vtenLay[k] = static_cast<std::uint8_t>(k);
  }
  b.vtenX[0] = 0.1f;
  b.scale[3] = 0.5f;
  b.scale[4] = 1e-7f;
  b.addLine(JwcLineRec{0.1f, -2.5f, 1e6f, 3.4e38f, 11, 6, 200, 1, 2, 3});
  b.addLine(JwcLineRec{1, 2, 3, 4, 18, 1, 0, 0xFF, 0, 0x80});
  b.addArc(JwcArcRec{1, 2, 3, 10000, 90 * 65536, -45 * 65536, 123, 1, 2, 3, 4, 5, 6});
  b.addArc(JwcArcRec{-1, -2, 0.25f, 1, -(1 << 24), 1 << 24, -1, 9, 5, 255, 0, 0, 0});
  b.addText(JwcTextRec{1, 2, 3, 4, 0, 0, 3, 16, 0x20, 1}, moji + "ABC");
  b.addText(JwcTextRec{5, 6, 7, 8, 0, 0, 0, 0, 0, 0}, "");
  b.addText(JwcTextRec{9, 10, 11, 12, 0, 0, 11, 1, 2, 3}, "^@BMpicture.bmp,10,20");
  b.addPoint(JwcPointRec{1.25f, -1.25f, 3, 6, 7, 8});
  b.layerNames[0] = "ABCDEFGH";
  b.layerNames[1] = aiue;
  b.layerNames[255] = "last";
  b.groupNames[0] = "0123456789ABCDEF";
  b.groupNames[7] = kanji + "-7";
  return b;
}

ByteVec JwkBuilder::build() const {
  ByteVec out;
  PutField(out, jwID, 40);
  PutField(out, comment1, 32);
  PutField(out, comment2, 32);
  PutField(out, std::string(95, ' ') + "\n", 96);
  const ByteVec block = ValueBlock(values);
  out.insert(out.end(), block.begin(), block.end());
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

ByteVec JwsBuilder::build() const {
  ByteVec out;
  PutField(out, signature, 7);
  PutField(out, std::string(), 193);
  PutU32(out, static_cast<std::uint32_t>(jwVer));
  PutF64(out, basePointX);
  PutF64(out, basePointY);
  for (double v : groupScale) PutF64(out, v);
  for (std::int32_t v : dmyInt) PutU32(out, static_cast<std::uint32_t>(v));
  for (double v : dmyReal) PutF64(out, v);
  PutF64(out, mx1), PutF64(out, my1), PutF64(out, mx2), PutF64(out, my2);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace velkaro::testing
