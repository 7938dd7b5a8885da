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
// Reading works on the whole file's bytes through one ByteReader; writing
// lays the file out with one ByteWriter, a megabyte at a time, into an
// AtomicFileWriter, so a failed write never leaves a partial drawing under
// the destination name (an existing destination stays as it was).
//
// Counts read from a file are trusted only as far as the bytes left can back
// them, so a hostile count never allocates ahead:
//  - Enthd.n1 and Enthd.n2 keep the counts the file declares.
//  - EntNo (and a definition's mNo) gets the declared number of entries,
//    trailing ones empty when the list ended early, as long as that number is
//    at most 65,536 or the bytes left at the start of the list could hold one
//    2-byte tag per entry. A larger count cannot belong to a readable file
//    (the read always ends with false); the list then holds only that many
//    entries.
//  - EntBlockDef gets at most one entry per smallest possible definition
//    record left in the file, and BindImage one per smallest image entry;
//    EntBlockDefN, N and BindImageN always equal the lengths of their arrays.
//  A count above the largest int32 fails the read at once.
//
// MakeBlockTree marks and numbers the referenced definitions through a
// reachability pass over the definitions, independent of the tree; the tree
// itself lists every top-level placement and at most
// kMaxNestedBlockPlacements nested ones, and never expands a definition that
// already lies on a placement's chain of parents (a cycle).
//
// The implementation is split by section: JwwUnit.cpp (lifecycle, FileIn),
// JwwArchive.cpp (strings, counts, class tags, attributes), JwwHeader.cpp,
// JwwEntities.cpp, JwwBlocks.cpp, JwwImages.cpp and JwwWriter.cpp; the pieces
// they share live in JwwInternal.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jww/jwwtype.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"

namespace velkaro {

class AtomicFileWriter;
class FileBytes;
struct RecordsRead;

// Document-library defaults used when a pen style or colour is replaced while
// writing. Set once at start-up and only read afterwards, so they are safe to
// share between converting threads.
extern std::uint8_t DefaultPenStyle;
extern std::uint16_t DefaultPenColor;

// FileOutOpt bits.
inline constexpr std::int32_t kFileOutUtf16 = 0x20;
inline constexpr std::int32_t kFileOutStripTempPrefix = 0x08;
inline constexpr std::int32_t kFileOutImageNameOnly = 0x01;

// The longest class name a new-class record may carry.
inline constexpr std::size_t kMaxClassNameBytes = 2048;
// Nested placements MakeBlockTree lists at most (a DAG of definitions can
// place blocks exponentially often).
inline constexpr std::size_t kMaxNestedBlockPlacements = 2'000'000;

// The map-index counter and the class slots of one read or one write of one
// file, shared by the entity list and the block definitions.
struct JwwArchiveState {
  std::uint32_t counter = 1;
  // classSlot[kind] for kinds 1..8 (8 = CDataList); 0 while the class has not
  // been announced in this file.
  std::array<std::uint32_t, 9> classSlot{};

  // The kind 1..7 whose class has map index i, or 0.
  std::int32_t EntityKindOf(std::int64_t mapIndex) const;
};

// What ReadClassTag found at the start of an object.
struct JwwClassTag {
  bool delivered = false;   // the tag's first read delivered a byte
  bool newClass = false;    // a new-class record (tag 0xFFFF) was read
  std::u16string className; // its name, decoded from the legacy code page
  std::int64_t mapIndex = -1;  // the class's map index; negative for none
};

// The entity kind of an archive class name (1..8), or 0 when unknown.
std::int32_t JwwKindOfClassName(std::u16string_view name);
// The class name of entity kind 1..8.
std::string_view JwwClassNameOfKind(std::int32_t kind);

namespace jww {
struct EntityLists;
struct WriteContext;
struct RewriteSource;
}  // namespace jww

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
  // FileIn and FileHeaderIn over a file's bytes already in memory (fuzzing,
  // benchmarks); images are still extracted into BindImageFolder.
  bool FileInFromBytes(std::span<const std::uint8_t> data);
  bool FileHeaderInFromBytes(std::span<const std::uint8_t> data);
  void SetFileOutOption(std::int32_t n);
  bool FileOut(const std::u16string &FName, std::int32_t Ver);
  // FileOut into a writer the caller set up (a file of an open folder, its
  // permission bits). The whole file is written when it returns true; the
  // caller commits it (or lets it go, and nothing is left).
  bool FileOut(AtomicFileWriter &out, std::int32_t Ver);

  // The conversion's way through a drawing, in little more memory than the
  // file's size however many entities it holds. FileInForRewrite reads and
  // checks the whole drawing exactly as FileIn does, but leaves the drawing's
  // own entity list in the file's bytes, which it keeps: EntNo, the entity
  // arrays and the block tree stay empty; the header, its tables, the block
  // definitions (marked and numbered as MakeBlockTree would) and the bound
  // images are read as usual and may be changed before RewriteOut. RewriteOut
  // writes the drawing at its own version as FileOut would, reading the list
  // a second time one entity at a time; each text and dimension text of the
  // list passes through `editText` on its way out. Like FileOut into a
  // writer, it leaves the commit to the caller.
  // `bytes` receives the file and must outlive RewriteOut; one buffer
  // passed for file after file keeps its memory.
  using TextEdit = std::function<void(TEntJwwMoji &)>;
  bool FileInForRewrite(const std::u16string &FName, FileBytes &bytes);
  bool RewriteOut(AtomicFileWriter &out, const TextEdit &editText);

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
  // Reads a class tag or new-class record; a new class takes the counter as
  // its map index. Throws StreamError when a class name is longer than
  // kMaxClassNameBytes.
  static JwwClassTag ReadClassTag(ByteReader &s, JwwArchiveState &state);
  static void WriteClassTag(ByteWriter &s, std::uint32_t mapIndex);
  // A new-class record: 0xFFFF, the schema (low 16 bits of Ver), the name.
  static void WriteClassRecord(ByteWriter &s, std::int32_t Ver, std::string_view className);
  TEntJwwAttr ReadAttr(ByteReader &s) const;
  static void WriteAttr(ByteWriter &s, std::int32_t Ver, std::int32_t kind, const TEntJwwAttr &attr);
  // The attribute as WriteAttr stores it for target Ver and entity kind.
  static TEntJwwAttr AttrForTarget(std::int32_t Ver, std::int32_t kind, const TEntJwwAttr &attr);
  static void CopyAttr(const TEntJwwAttr &source, TEntJwwAttr &dest);

  // Why the last public operation returned false, for --verbose and tests.
  const std::string &LastError() const { return lastError_; }
  // After a successful FileIn or FileInForRewrite: how many bytes of the file
  // follow its last section. The format ignores them, so a drawing written
  // from this one does not carry them.
  std::uint64_t TrailingBytes() const { return trailingBytes_; }

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
  // Called with each object of a list read one at a time: its kind and its
  // index in the one-entity lists.
  using EntityPass = std::function<void(std::int32_t kind, std::int32_t index, jww::EntityLists &one)>;

  // Reading (JwwHeader.cpp, JwwEntities.cpp, JwwBlocks.cpp, JwwImages.cpp).
  bool ReadDrawing(std::span<const std::uint8_t> data, RecordsRead *how = nullptr);
  // FileIn and FileInForRewrite: the file's bytes, as many as the drawing's
  // records need, into `bytes`.
  bool ReadDrawingFile(const std::u16string &FName, FileBytes &bytes, bool forRewrite);
  bool ReadHeader(ByteReader &s);
  void ReadHeaderFields(ByteReader &s);
  // The drawing's own list into the document.
  void ReadEntityList(ByteReader &s, JwwArchiveState &state);
  // The first reading of a rewrite: what RewriteOut needs of the list, kept
  // in rewrite_. A walk over the bodies finds it when it can; the decoding
  // reader, as ReadEntitiesInPassing, when the walk meets anything else.
  void ReadEntityListForRewrite(ByteReader &s, JwwArchiveState &state);
  bool SkimEntityList(ByteReader &s, JwwArchiveState &state, std::size_t count);
  // The list's count, checked, with the document's counts it resets.
  std::uint32_t ReadEntityListCount(ByteReader &s, JwwArchiveState &state);
  void ReadEntityObjects(ByteReader &s, JwwArchiveState &state, jww::EntityLists &lists,
                         std::size_t declared, const char *listName,
                         const EntityPass *pass = nullptr);
  // The drawing's own list of `count` objects, each through `pass`.
  void ReadEntitiesInPassing(ByteReader &s, JwwArchiveState &state, std::size_t count,
                             const EntityPass &pass);
  // How many objects of the drawing's own list had their bodies read.
  std::size_t EntitiesRead() const;
  // The index of the new entity in its array, or -1 when the body was not read.
  std::int32_t ReadEntityBody(ByteReader &s, std::int32_t kind, jww::EntityLists &lists);
  void ReadBlockDefinitions(ByteReader &s, JwwArchiveState &state);
  void ReadBlockDefinition(ByteReader &s, JwwArchiveState &state, std::size_t i);
  void ReadBindImages(ByteReader &s);
  void ExtractBindImage(ByteReader &s, const TBindImageType &image);

  // Writing (JwwHeader.cpp, JwwEntities.cpp, JwwBlocks.cpp, JwwImages.cpp,
  // JwwWriter.cpp).
  void WriteHeader(ByteWriter &w, std::int32_t Ver) const;
  void WriteEntityObjects(jww::WriteContext &ctx, const jww::EntityLists &lists,
                          std::size_t entries) const;
  void WriteEntityBody(jww::WriteContext &ctx, std::int32_t kind, std::int32_t index,
                       const jww::EntityLists &lists) const;
  // A dimension, and for an older target the objects its SXF part becomes.
  void WriteSunpoObjects(jww::WriteContext &ctx, const TEntJwwSunpo &sunpo) const;
  void WriteBlockDefinitions(jww::WriteContext &ctx);
  // The frame of FileOut and RewriteOut: `writeEntityList` lays out the
  // drawing's own list, count first.
  bool WriteDrawing(AtomicFileWriter &out, std::int32_t Ver,
                    const std::function<void(jww::WriteContext &)> &writeEntityList);
  // Marks and numbers the definitions reachable from the numbers the
  // drawing's own block references place (MakeBlockTree without the tree).
  void MarkReferencedDefinitions(const std::vector<std::uint32_t> &placed);
  void MarkImagesToEmbed();
  std::vector<std::vector<std::uint8_t>> ReadImagesToEmbed();
  void WriteBindImages(ByteWriter &w, const std::vector<std::vector<std::uint8_t>> &contents) const;

  // The file a bound image of this name lives in, or empty when the name is
  // not a plain file name or there is no folder.
  std::u16string BindImagePath(const std::u16string &name) const;

  std::string lastError_;
  std::uint64_t trailingBytes_ = 0;
  // Set by FileInForRewrite, for RewriteOut.
  std::unique_ptr<jww::RewriteSource> rewrite_;
};

}  // namespace velkaro
