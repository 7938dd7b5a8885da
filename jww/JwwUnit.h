// JwwUnit: the JWW drawing document TJwwData, with its reader and writer.
//
// A document holds one JWW file: header, settings tables, entities in file
// order, block definitions with their members, the derived block tree and the
// list of bound images. It is reused for file after file; FileIn and
// FileHeaderIn start with DataInit, so nothing of one file reaches the next.
//
// The public operations never throw: failures inside are StreamError
// exceptions ("File I/O Error", "JWW-Header Error", "JWW-Version Error") that
// the operation turns into false. LastError() keeps the detail for tools.
//
// The implementation is split by section: JwwUnit.cpp (lifecycle),
// JwwArchive.cpp (strings, counts, class tags, attributes), JwwHeader.cpp,
// JwwEntities.cpp, JwwBlocks.cpp, JwwImages.cpp and JwwWriter.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jww/jwwtype.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"

namespace velkaro {

// Document-library defaults used when a pen style or colour is replaced while
// writing. Set once at start-up and only read afterwards, so they are safe to
// share between converting threads.
extern std::uint8_t DefaultPenStyle;
extern std::uint16_t DefaultPenColor;

// FileOutOpt bits.
inline constexpr std::int32_t kFileOutUtf16 = 0x20;
inline constexpr std::int32_t kFileOutStripTempPrefix = 0x08;
inline constexpr std::int32_t kFileOutImageNameOnly = 0x01;

// The map-index counter and the class slots of one read or one write of one
// file, shared by the entity list and the block definitions.
struct JwwArchiveState {
  std::uint32_t counter = 1;
  // classSlot[kind] for kinds 1..8 (8 = CDataList); 0 while the class has not
  // been announced in this file.
  std::array<std::uint32_t, 9> classSlot{};
};

class TJwwData {
 public:
  TJwwData();   // Create
  ~TJwwData();  // Destroy
  TJwwData(const TJwwData &) = delete;
  TJwwData &operator=(const TJwwData &) = delete;

  void DataInit();
  void DataFree();

  bool FileCheck(const std::u16string &FName);
  bool FileHeaderIn(const std::u16string &FName);
  bool FileIn(const std::u16string &FName);
  void SetFileOutOption(std::int32_t n);
  bool FileOut(const std::u16string &FName, std::int32_t Ver);

  void MakeBlockTree();
  std::uint32_t ChangeBlockNo(std::uint32_t n) const;

  void BindImageInit();
  void BindImageDeleteGzFile();
  void BindImageDeleteNonGzFile();

  // ---- Archive primitives (on an open stream) ----
  std::u16string ReadCString(ByteReader &s);
  std::u16string ReadCStringPlain(ByteReader &s);
  // Throws StreamError when the text has no encoding in the archive.
  void WriteCString(ByteWriter &s, const std::u16string &text) const;
  // `delivered` receives whether the first read delivered any byte.
  static std::uint32_t ReadCount(ByteReader &s, bool *delivered = nullptr);
  static void WriteCount(ByteWriter &s, std::uint32_t n);
  static void WriteClassTag(ByteWriter &s, std::uint32_t mapIndex);
  TEntJwwAttr ReadAttr(ByteReader &s) const;
  static void WriteAttr(ByteWriter &s, std::int32_t Ver, std::int32_t kind, const TEntJwwAttr &attr);
  static void CopyAttr(const TEntJwwAttr &source, TEntJwwAttr &dest);

  // Why the last public operation returned false, for --verbose and tests.
  const std::string &LastError() const { return lastError_; }

  // ---- Document fields ----
  TEntJwwHeader Enthd;
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
  std::int32_t EntLineN = 0;
  std::vector<TEntJwwEnko> EntEnko;
  std::int32_t EntEnkoN = 0;
  std::vector<TEntJwwTen> EntTen;
  std::int32_t EntTenN = 0;
  std::vector<TEntJwwMoji> EntMoji;
  std::int32_t EntMojiN = 0;
  std::vector<TEntJwwSunpo> EntSunpo;
  std::int32_t EntSunpoN = 0;
  std::vector<TEntJwwSolid> EntSolid;
  std::int32_t EntSolidN = 0;
  std::vector<TEntJwwBlock> EntBlock;
  std::int32_t EntBlockN = 0;
  std::vector<TEntJwwBlockDef> EntBlockDef;
  std::int32_t EntBlockDefN = 0;
  std::vector<TEntJwwBlockTree> EntBlockTree;
  std::int32_t EntBlockTreeN = 0;
  std::int32_t EntBlockNum = 0;
  std::u16string BindImageFolder;  // ends with a path separator
  std::vector<TBindImageType> BindImage;
  std::int32_t BindImageN = 0;
  bool BindImageExp = false;
  bool BindImageExr = false;
  std::int32_t FileOutOpt = 0;
  bool MojiEncode = false;
  // Serve the library's drawing services only; stay empty here.
  std::vector<std::u16string> FontNames;
  std::int32_t FontNameN = 0;
  double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

 private:
  bool ReadHeader(ByteReader &s);
  void ReadEntityList(ByteReader &s, JwwArchiveState &state);

  std::string lastError_;
};

}  // namespace velkaro
