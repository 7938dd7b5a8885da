// JwwUnit: the lifecycle of the JWW document and FileIn, the frame that reads
// a whole file section by section. The sections themselves live in
// JwwHeader.cpp, JwwEntities.cpp, JwwBlocks.cpp and JwwImages.cpp.
#include <algorithm>
#include <new>

#include "jww/JwwInternal.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/ResourceShortage.h"

namespace velkaro {

std::uint8_t DefaultPenStyle = 1;
std::uint16_t DefaultPenColor = 1;

namespace {

template <typename T>
void Release(std::vector<T> &v) {
  std::vector<T>().swap(v);
}

}  // namespace

TJwwData::TJwwData() { DataInit(); }

TJwwData::~TJwwData() { DataFree(); }

void TJwwData::DataInit() {
  Enthd = TEntJwwHeader{};
  Release(EntLgrp);
  Release(EntLay);
  Release(EntCol);
  Release(EntLtp1);
  Release(EntLtp2);
  Release(EntLtp3);
  Release(EntColS);
  Release(EntLtpS);
  Release(EntMoj);
  Release(EntNo);
  Release(EntLine);
  Release(EntEnko);
  Release(EntTen);
  Release(EntMoji);
  Release(EntSunpo);
  Release(EntSolid);
  Release(EntBlock);
  Release(EntBlockDef);
  Release(EntBlockTree);
  EntLineN = EntEnkoN = EntTenN = EntMojiN = EntSunpoN = EntSolidN = EntBlockN = 0;
  EntBlockDefN = EntBlockTreeN = 0;
  EntBlockNum = 0;
  FileOutOpt = 0;
  Release(FontNames);
  FontNameN = 0;
  MojiEncode = false;
  trailingBytes_ = 0;
  myMinWx = myMinWy = myMaxWx = myMaxWy = 0;
  rewrite_.reset();
  BindImageInit();
}

void TJwwData::DataFree() {
  for (auto &def : EntBlockDef) {
    Release(def.mNo);
    Release(def.mLine);
    Release(def.mEnko);
    Release(def.mTen);
    Release(def.mMoji);
    Release(def.mSunpo);
    Release(def.mSolid);
    Release(def.mBlock);
    def.N = def.mLineN = def.mEnkoN = def.mTenN = def.mMojiN = def.mSunpoN = def.mSolidN =
        def.mBlockN = 0;
  }
  DataInit();
}

bool TJwwData::FileIn(const std::u16string &FName) {
  FileBytes bytes;
  return ReadDrawingFile(FName, bytes, false);
}

bool TJwwData::FileInForRewrite(const std::u16string &FName, FileBytes &bytes) {
  return ReadDrawingFile(FName, bytes, true);
}

bool TJwwData::ReadDrawingFile(const std::u16string &FName, FileBytes &bytes, bool forRewrite) {
  lastError_.clear();
  bool tried = false;
  const auto read = [&](std::span<const std::uint8_t> data) {
    // A reading over the file's first part that wanted more is done again
    // over the whole file: the images it extracted go first.
    if (tried) {
      BindImageDeleteGzFile();
      BindImageDeleteNonGzFile();
    }
    tried = true;
    lastError_.clear();
    DataInit();
    if (forRewrite) {
      rewrite_ = std::make_unique<jww::RewriteSource>();
      rewrite_->bytes = data;
    }
    RecordsRead how;
    how.ok = ReadDrawing(data, &how);
    return how;
  };
  try {
    RecordsRead result;
    std::uint64_t trailing = 0;
    if (!ReadFileRecords(FName, bytes, read, result, trailing)) {
      DataInit();
      lastError_ = "File I/O Error: cannot read " + ToUtf8(FName);
      return false;
    }
    if (result.ok) {
      trailingBytes_ = trailing;
      return true;
    }
  } catch (const std::bad_alloc &) {
    NoteResourceShortage(ResourceShortage::Memory);
    lastError_ = "File I/O Error: out of memory while reading";
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while reading";
  }
  rewrite_.reset();
  return false;
}

bool TJwwData::FileInFromBytes(std::span<const std::uint8_t> data) {
  lastError_.clear();
  try {
    DataInit();
    return ReadDrawing(data);
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while reading";
  }
  return false;
}

// The sections in file order over the whole file's bytes. For a rewrite the
// drawing's own list passes by: only what RewriteOut needs of it is kept.
bool TJwwData::ReadDrawing(std::span<const std::uint8_t> data, RecordsRead *how) {
  bool headerRead = false;
  bool ok = false;
  ByteReader s(data);
  // How far the reading went, whichever way it ends.
  struct Tell {
    const ByteReader &s;
    RecordsRead *how;
    ~Tell() {
      if (how) {
        how->used = s.offset();
        how->wantedMore = s.hitEnd();
      }
    }
  } tell{s, how};
  try {
    if (!ReadHeader(s))
      return false;  // the header is not a drawing's; no tree either
    headerRead = true;
    JwwArchiveState state;
    if (rewrite_)
      ReadEntityListForRewrite(s, state);
    else
      ReadEntityList(s, state);
    ReadBlockDefinitions(s, state);
    if (Enthd.jwVer >= 700)
      ReadBindImages(s);
    ok = true;
  } catch (const StreamError &e) {
    lastError_ = jww::Describe(e);
  } catch (const std::bad_alloc &) {
    NoteResourceShortage(ResourceShortage::Memory);
    lastError_ = "File I/O Error: out of memory while reading";
  } catch (const std::exception &e) {
    lastError_ = std::string("File I/O Error: ") + e.what();
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while reading";
  }
  // The tree is built from whatever was read, also after a failure.
  if (headerRead) {
    try {
      if (rewrite_)
        MarkReferencedDefinitions({rewrite_->placed.begin(), rewrite_->placed.end()});
      else
        MakeBlockTree();
    } catch (...) {
      NoteResourceShortage(ResourceShortage::Memory);
      if (ok)
        lastError_ = "File I/O Error: out of memory while building the block tree";
      ok = false;
    }
  }
  return ok;
}

std::size_t TJwwData::EntitiesRead() const {
  if (rewrite_)
    return static_cast<std::size_t>(rewrite_->objects);
  return static_cast<std::size_t>(
      std::count_if(EntNo.begin(), EntNo.end(), [](const TEntJwwNo &e) { return e.EntType != 0; }));
}

namespace jww {

EntityLists EntityLists::Of(TJwwData &doc) {
  return {doc.EntNo,    doc.EntLine,  doc.EntLineN,  doc.EntEnko,  doc.EntEnkoN,
          doc.EntTen,   doc.EntTenN,  doc.EntMoji,   doc.EntMojiN, doc.EntSunpo,
          doc.EntSunpoN, doc.EntSolid, doc.EntSolidN, doc.EntBlock, doc.EntBlockN};
}

EntityLists EntityLists::Of(TEntJwwBlockDef &def) {
  return {def.mNo,    def.mLine,  def.mLineN,  def.mEnko,  def.mEnkoN,
          def.mTen,   def.mTenN,  def.mMoji,   def.mMojiN, def.mSunpo,
          def.mSunpoN, def.mSolid, def.mSolidN, def.mBlock, def.mBlockN};
}

}  // namespace jww

}  // namespace velkaro
