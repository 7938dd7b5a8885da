// JwwEntities: the entity list of a JWW file and the bodies of the seven
// entity kinds, read and written. The same code serves the drawing's own list
// and the member lists of block definitions (an EntityLists view of either).
//
// Fixed parts are taken in one piece and decoded field by field where they
// lie (a copy only for one cut short); the few short reads that decide
// whether a body was read are those of the fixed parts, all other reads are
// taken as they come.
#include <algorithm>
#include <cmath>
#include <limits>

#include "jww/JwwInternal.h"
#include "support/Func_2.h"

namespace velkaro {

using jww::FieldDecoder;
using jww::FieldEncoder;

namespace {

std::size_t ReadLineFixed(ByteReader &s, std::int32_t v, TEntJwwLine &e) {
  const jww::FixedPart part(s, jww::LineFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.start_x = d.f64();
  e.start_y = d.f64();
  e.end_x = d.f64();
  e.end_y = d.f64();
  return part.got();
}

std::size_t ReadEnkoFixed(ByteReader &s, std::int32_t v, TEntJwwEnko &e) {
  const jww::FixedPart part(s, jww::EnkoFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.start_x = d.f64();
  e.start_y = d.f64();
  e.dHankei = d.f64();
  e.radKaishiKaku = d.f64();
  e.radEnkoKaku = d.f64();
  e.radKatamukiKaku = d.f64();
  e.dHenpeiRitsu = d.f64();
  e.bZenEnFlg = d.u32();
  return part.got();
}

// The fixed part of a point, then its code, rotation and scale when its pen
// style marks a special point.
std::size_t ReadTen(ByteReader &s, std::int32_t v, TEntJwwTen &e) {
  const jww::FixedPart part(s, jww::TenFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.start_x = d.f64();
  e.start_y = d.f64();
  e.bKariten = d.u32();
  if (e.att.nPenStyle == 100) {
    const jww::FixedPart extra(s, jww::TenExtraSize);
    FieldDecoder x = extra.decoder();
    e.nCode = x.u32();
    e.radKaitenKaku = x.f64();
    e.dBairitsu = x.f64();
  }
  return part.got();
}

std::size_t ReadMojiFixed(ByteReader &s, std::int32_t v, TEntJwwMoji &e) {
  const jww::FixedPart part(s, jww::MojiFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.start_x = d.f64();
  e.start_y = d.f64();
  e.end_x = d.f64();
  e.end_y = d.f64();
  e.nMojiShu = d.u32();
  e.dSizeX = d.f64();
  e.dSizeY = d.f64();
  e.dKankaku = d.f64();
  e.degKakudo = d.f64();
  return part.got();
}

std::size_t ReadSolidFixed(ByteReader &s, std::int32_t v, TEntJwwSolid &e) {
  const jww::FixedPart part(s, jww::SolidFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.start_x = d.f64();
  e.start_y = d.f64();
  e.end_x = d.f64();
  e.end_y = d.f64();
  e.DPoint2_x = d.f64();
  e.DPoint2_y = d.f64();
  e.DPoint3_x = d.f64();
  e.DPoint3_y = d.f64();
  return part.got();
}

std::size_t ReadBlockFixed(ByteReader &s, std::int32_t v, TEntJwwBlock &e) {
  const jww::FixedPart part(s, jww::BlockFixedSize(v));
  FieldDecoder d = part.decoder();
  jww::DecodeAttr(d, jww::HasPenWidth(v), e.att);
  e.DPKijunTen_x = d.f64();
  e.DPKijunTen_y = d.f64();
  e.dBairitsuX = d.f64();
  e.dBairitsuY = d.f64();
  e.radKaitenKaku = d.f64();
  e.nNumber = d.u32();
  return part.got();
}

template <typename T>
std::int32_t Append(std::vector<T> &array, std::int32_t &count, T &&entity) {
  array.push_back(std::move(entity));
  count = static_cast<std::int32_t>(array.size());
  return count - 1;
}

void FiniteOr(double &v, double fallback) {
  if (!std::isfinite(v))
    v = fallback;
}

// ---- Counting pass ------------------------------------------------------------

bool SkipBytes(ByteReader &s, std::size_t n) { return s.skip(n) == n; }

// What the strings a skip passed over would have told the decoding reader.
struct SkippedStrings {
  bool utf16 = false;  // one was stored as UTF-16 (the document's MojiEncode)
  bool caret = false;  // one holds the byte 0x5E, the only one that gives "^"
};

bool SkipStringBytes(ByteReader &s, std::size_t n, SkippedStrings *seen) {
  const auto bytes = s.take(n);
  if (seen && std::find(bytes.begin(), bytes.end(), std::uint8_t{0x5E}) != bytes.end())
    seen->caret = true;
  return bytes.size() == n;
}

// The string forms of TJwwData::ReadCString, passed over.
bool SkipString(ByteReader &s, SkippedStrings *seen = nullptr) {
  std::uint8_t b = 0;
  if (s.readU8(b) != 1)
    return false;
  if (b != 0xFF)
    return SkipStringBytes(s, b, seen);
  std::uint16_t w = 0;
  if (s.readU16(w) != 2)
    return false;
  if (w != 0xFFFE)
    return SkipStringBytes(s, w, seen);
  if (seen)
    seen->utf16 = true;
  std::uint8_t c = 0;
  if (s.readU8(c) != 1)
    return false;
  std::size_t n = c;
  if (c == 0xFF) {
    std::uint16_t n16 = 0;
    if (s.readU16(n16) != 2)
      return false;
    n = n16;
  }
  return SkipStringBytes(s, 2 * n, seen);
}

// The attribute's pen style and colour at the start of a fixed part.
struct PenOfFixedPart {
  bool complete = false;
  std::uint8_t style = 0;
  std::uint16_t color = 0;
};

PenOfFixedPart SkipFixedPart(ByteReader &s, std::size_t n) {
  const auto bytes = s.take(n);
  PenOfFixedPart pen;
  pen.complete = bytes.size() == n;
  FieldDecoder d(bytes);
  d.u32();  // lGroup
  pen.style = d.u8();
  pen.color = d.u16();
  return pen;
}

bool SkipTen(ByteReader &s, std::int32_t v) {
  const PenOfFixedPart pen = SkipFixedPart(s, jww::TenFixedSize(v));
  return pen.complete && (pen.style != 100 || SkipBytes(s, jww::TenExtraSize));
}

bool SkipMoji(ByteReader &s, std::int32_t v, SkippedStrings *seen) {
  return SkipFixedPart(s, jww::MojiFixedSize(v)).complete && SkipString(s, seen) &&
         SkipString(s, seen);
}

// Passes over a body as ReadEntityBody reads it; false when it is not
// complete.
bool SkipBody(ByteReader &s, std::int32_t kind, std::int32_t v, SkippedStrings *seen = nullptr) {
  switch (kind) {
    case kJwwLine: return SkipFixedPart(s, jww::LineFixedSize(v)).complete;
    case kJwwEnko: return SkipFixedPart(s, jww::EnkoFixedSize(v)).complete;
    case kJwwTen: return SkipTen(s, v);
    case kJwwMoji: return SkipMoji(s, v, seen);
    case kJwwSunpo: {
      if (!SkipBytes(s, jww::AttrSize(v)) || !SkipFixedPart(s, jww::LineFixedSize(v)).complete ||
          !SkipMoji(s, v, seen))
        return false;
      if (v < 420)
        return true;
      return SkipBytes(s, 2) && SkipFixedPart(s, jww::LineFixedSize(v)).complete &&
             SkipFixedPart(s, jww::LineFixedSize(v)).complete && SkipTen(s, v) &&
             SkipTen(s, v) && SkipTen(s, v) && SkipTen(s, v);
    }
    case kJwwSolid: {
      const PenOfFixedPart pen = SkipFixedPart(s, jww::SolidFixedSize(v));
      return pen.complete && (pen.color != 10 || SkipBytes(s, 4));
    }
    case kJwwBlock: return SkipFixedPart(s, jww::BlockFixedSize(v)).complete;
    default: return false;
  }
}

// How many objects of each kind the list holds, found without decoding
// them, so each array is sized once. It stops at the first thing it does not
// expect; the counts only size the arrays, the real read decides the rest.
std::array<std::size_t, 8> CountKinds(ByteReader s, JwwArchiveState state, std::size_t declared,
                                      std::int32_t v) {
  std::array<std::size_t, 8> counts{};
  try {
    for (std::size_t k = 0; k < declared;) {
      const JwwClassTag tag = TJwwData::ReadClassTag(s, state);
      if (!tag.delivered)
        break;
      std::int32_t kind = 0;
      if (tag.newClass) {
        kind = JwwKindOfClassName(tag.className);
        if (kind < kJwwLine || kind > kJwwBlock)
          break;
        state.classSlot[kind] = static_cast<std::uint32_t>(tag.mapIndex);
      } else {
        kind = state.EntityKindOf(tag.mapIndex);
      }
      if (kind == 0)
        continue;
      if (!SkipBody(s, kind, v))
        break;
      ++counts[kind];
      ++k;
      ++state.counter;
    }
  } catch (const StreamError &) {
    // an over-long class name: the real read reports it
  }
  return counts;
}

// Lists shorter than this grow as they are read; the counting pass pays
// off for long ones.
constexpr std::size_t kCountedListLength = 256;

void ReserveKinds(jww::EntityLists &lists, const std::array<std::size_t, 8> &counts) {
  lists.line.reserve(counts[kJwwLine]);
  lists.enko.reserve(counts[kJwwEnko]);
  lists.ten.reserve(counts[kJwwTen]);
  lists.moji.reserve(counts[kJwwMoji]);
  lists.sunpo.reserve(counts[kJwwSunpo]);
  lists.solid.reserve(counts[kJwwSolid]);
  lists.block.reserve(counts[kJwwBlock]);
}

}  // namespace

// ---- Reading ----------------------------------------------------------------

std::uint32_t TJwwData::ReadEntityListCount(ByteReader &s, JwwArchiveState &state) {
  const std::size_t at = s.offset();
  bool delivered = false;
  const std::uint32_t count = ReadCount(s, &delivered);
  if (!delivered)
    jww::FailAt(jww::kFileIOError, s, "the file ends before the entity count");
  if (count > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    jww::Fail(jww::kFileIOError, "entity count " + std::to_string(count) + " at offset " +
                                     jww::Hex(at) + " exceeds the largest count a drawing holds");
  Enthd.n1 = static_cast<std::int32_t>(count);
  Enthd.n2 = 0;
  EntBlockDefN = 0;
  state = JwwArchiveState{};
  return count;
}

void TJwwData::ReadEntityList(ByteReader &s, JwwArchiveState &state) {
  const std::uint32_t count = ReadEntityListCount(s, state);
  jww::EntityLists lists = jww::EntityLists::Of(*this);
  ReadEntityObjects(s, state, lists, count, "entity");
}

void TJwwData::ReadEntityListForRewrite(ByteReader &s, JwwArchiveState &state) {
  rewrite_->listAt = s.offset();
  const std::uint32_t count = ReadEntityListCount(s, state);
  const ByteReader start = s;
  try {
    if (SkimEntityList(s, state, count))
      return;
  } catch (const StreamError &) {
    // the decoding reader below meets the same fault and says so
  }
  // Anything the walk does not expect is read by the same code as FileIn,
  // from the list's start, so the verdict and what is kept are FileIn's.
  s = start;
  state = JwwArchiveState{};
  rewrite_->objects = 0;
  rewrite_->placed.clear();
  rewrite_->imageTexts.clear();
  const EntityPass keep = [this](std::int32_t kind, std::int32_t index, jww::EntityLists &one) {
    ++rewrite_->objects;
    if (kind == kJwwBlock)
      rewrite_->placed.insert(one.block[index].nNumber);
    else if (kind == kJwwMoji && jww::IsTemporaryImageText(one.moji[index].str))
      rewrite_->imageTexts.push_back(one.moji[index].str);
  };
  ReadEntitiesInPassing(s, state, count, keep);
}

// Most of a list needs no decoding for a rewrite: the walk keeps the count,
// the numbers block references place and whether a string is UTF-16, and
// decodes only a text that may name an extracted image (its bytes hold a
// "^"). It gives up (false) at a body that is not complete, where the
// decoding reader's partial reads decide.
bool TJwwData::SkimEntityList(ByteReader &s, JwwArchiveState &state, std::size_t count) {
  const std::int32_t v = Enthd.jwVer;
  for (std::size_t k = 0; k < count;) {
    const JwwClassTag tag = ReadClassTag(s, state);
    if (!tag.delivered)
      return false;
    const std::int32_t kind = KindOfObject(tag, state, s, "entity");
    if (kind == 0)
      continue;
    const ByteReader body = s;
    SkippedStrings seen;
    if (kind == kJwwBlock) {
      TEntJwwBlock block;
      if (ReadBlockFixed(s, v, block) != jww::BlockFixedSize(v))
        return false;
      rewrite_->placed.insert(block.nNumber);
    } else if (!SkipBody(s, kind, v, &seen)) {
      return false;
    }
    if (seen.utf16)
      MojiEncode = true;  // as ReadCString would have set it
    if (kind == kJwwMoji && seen.caret) {
      ByteReader again = body;
      TEntJwwMoji text;
      if (!ReadMojiBody(again, text) || again.offset() != s.offset())
        return false;
      if (jww::IsTemporaryImageText(text.str))
        rewrite_->imageTexts.push_back(std::move(text.str));
    }
    ++rewrite_->objects;
    ++k;
    ++state.counter;
  }
  return true;
}

std::int32_t TJwwData::KindOfObject(const JwwClassTag &tag, JwwArchiveState &state,
                                    const ByteReader &s, const char *listName) {
  if (!tag.newClass)
    return state.EntityKindOf(tag.mapIndex);
  const std::int32_t kind = JwwKindOfClassName(tag.className);
  if (kind < kJwwLine || kind > kJwwBlock)
    jww::FailAt(jww::kFileIOError, s,
                "unknown class name \"" + ToUtf8(tag.className) + "\" in the " + listName +
                    " list");
  state.classSlot[kind] = static_cast<std::uint32_t>(tag.mapIndex);
  return kind;
}

void TJwwData::ReadEntitiesInPassing(ByteReader &s, JwwArchiveState &state, std::size_t count,
                                     const EntityPass &pass) {
  // A definition's member arrays hold the one entity in passing.
  TEntJwwBlockDef one;
  jww::EntityLists lists = jww::EntityLists::Of(one);
  ReadEntityObjects(s, state, lists, count, "entity", &pass);
}

void TJwwData::ReadEntityObjects(ByteReader &s, JwwArchiveState &state, jww::EntityLists &lists,
                                 std::size_t declared, const char *listName,
                                 const EntityPass *pass) {
  // Order entries the list keeps, empty ones at the end when it ends early.
  // A count beyond both a small fixed number and one 2-byte tag per byte
  // pair left cannot be a readable list; it is not materialised in full.
  // A list read in passing keeps nothing.
  const std::size_t orderLength =
      pass ? 0
           : std::min(declared,
                      std::max(jww::kAlwaysMaterialisedEntries, jww::EntriesBackedBy(s, 2)));
  lists.order.clear();
  if (!pass) {
    lists.order.reserve(std::min(declared, jww::EntriesBackedBy(s, jww::kSmallestEntityObject)));
    if (declared >= kCountedListLength)
      ReserveKinds(lists, CountKinds(s, state, declared, Enthd.jwVer));
  }
  const auto padOrder = [&] {
    if (lists.order.size() < orderLength)
      lists.order.resize(orderLength);
  };
  try {
    std::size_t k = 0;
    while (k < declared) {
      const JwwClassTag tag = ReadClassTag(s, state);
      if (!tag.delivered)
        break;  // the file has ended: the rest of the list is lost
      const std::int32_t kind = KindOfObject(tag, state, s, listName);
      if (kind == 0)
        continue;  // a tag naming no class: nothing follows it
      const std::int32_t index = ReadEntityBody(s, kind, lists);
      if (index >= 0 && pass) {
        (*pass)(kind, index, lists);
        jww::ClearEntities(lists, kind);
      } else if (index >= 0) {
        lists.order.push_back({kind, index});
      }
      ++k;
      ++state.counter;
    }
  } catch (...) {
    padOrder();
    throw;
  }
  padOrder();
}

std::int32_t TJwwData::ReadEntityBody(ByteReader &s, std::int32_t kind, jww::EntityLists &c) {
  const std::int32_t v = Enthd.jwVer;
  switch (kind) {
    case kJwwLine: {
      TEntJwwLine e;
      if (ReadLineFixed(s, v, e) == 0)
        return -1;
      return Append(c.line, c.lineN, std::move(e));
    }
    case kJwwEnko: {
      TEntJwwEnko e;
      if (ReadEnkoFixed(s, v, e) == 0)
        return -1;
      return Append(c.enko, c.enkoN, std::move(e));
    }
    case kJwwTen: {
      TEntJwwTen e;
      if (ReadTen(s, v, e) == 0)
        return -1;
      return Append(c.ten, c.tenN, std::move(e));
    }
    case kJwwMoji: {
      TEntJwwMoji e;
      if (!ReadMojiBody(s, e))
        return -1;
      return Append(c.moji, c.mojiN, std::move(e));
    }
    case kJwwSunpo: {
      TEntJwwSunpo e;
      if (!ReadSunpoBody(s, e))
        return -1;
      return Append(c.sunpo, c.sunpoN, std::move(e));
    }
    case kJwwSolid: {
      TEntJwwSolid e;
      if (ReadSolidFixed(s, v, e) == 0)
        return -1;
      if (e.att.nPenColor == 10)
        s.readU32(e.Color);
      return Append(c.solid, c.solidN, std::move(e));
    }
    case kJwwBlock: {
      TEntJwwBlock e;
      if (ReadBlockFixed(s, v, e) == 0)
        return -1;
      return Append(c.block, c.blockN, std::move(e));
    }
    default:
      return -1;
  }
}

bool TJwwData::ReadMojiBody(ByteReader &s, TEntJwwMoji &moji) {
  const bool read = ReadMojiFixed(s, Enthd.jwVer, moji) > 0;
  moji.strFontName = ReadCStringPlain(s);
  moji.str = ReadCStringPlain(s);
  FiniteOr(moji.dSizeX, 3.0);
  FiniteOr(moji.dSizeY, 3.0);
  FiniteOr(moji.dKankaku, 0.0);
  return read;
}

bool TJwwData::ReadSunpoBody(ByteReader &s, TEntJwwSunpo &e) {
  const std::int32_t v = Enthd.jwVer;
  e.att = ReadAttr(s);
  ReadLineFixed(s, v, e.Sen);
  bool read = ReadMojiBody(s, e.Moji);
  if (v >= 420) {
    s.readU16(e.bSxfMode);
    ReadLineFixed(s, v, e.Ho1);
    ReadLineFixed(s, v, e.Ho2);
    ReadTen(s, v, e.Te1);
    ReadTen(s, v, e.Te2);
    ReadTen(s, v, e.Kt1);
    if (ReadTen(s, v, e.Kt2) == 0)
      read = false;
  } else {
    // Older dimensions have no SXF part: the auxiliary parts take the
    // dimension's attribute, the points with no pen style.
    e.bSxfMode = 0;
    for (TEntJwwLine *line : {&e.Ho1, &e.Ho2})
      CopyAttr(e.att, line->att);
    for (TEntJwwTen *point : {&e.Te1, &e.Te2, &e.Kt1, &e.Kt2}) {
      CopyAttr(e.att, point->att);
      point->att.nPenStyle = 0;
    }
  }
  return read;
}

// ---- Writing ----------------------------------------------------------------

namespace {

bool IsSplitForTarget(const jww::WriteContext &ctx, const TEntJwwSunpo &sunpo) {
  return ctx.ver < 420 && ctx.drawingVer >= 420 && sunpo.bSxfMode != 0;
}

void EncodeAttrFor(FieldEncoder &e, const jww::WriteContext &ctx, std::int32_t kind,
                   const TEntJwwAttr &att) {
  jww::EncodeAttr(e, jww::HasPenWidth(ctx.ver), TJwwData::AttrForTarget(ctx.ver, kind, att));
}

void WriteLineFixed(jww::WriteContext &ctx, const TEntJwwLine &line) {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwLine, line.att);
  e.f64(line.start_x);
  e.f64(line.start_y);
  e.f64(line.end_x);
  e.f64(line.end_y);
  e.flushTo(ctx.w);
}

// The choice of the extra fields looks at the pen style held in the
// document; WriteAttr keeps style 100 for points, so the two agree.
void WriteTen(jww::WriteContext &ctx, const TEntJwwTen &ten, std::uint32_t bKariten) {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwTen, ten.att);
  e.f64(ten.start_x);
  e.f64(ten.start_y);
  e.u32(bKariten);
  if (ten.att.nPenStyle == 100) {
    e.u32(ten.nCode);
    e.f64(ten.radKaitenKaku);
    e.f64(ten.dBairitsu);
  }
  e.flushTo(ctx.w);
}

void WriteEnko(jww::WriteContext &ctx, const TEntJwwEnko &enko) {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwEnko, enko.att);
  for (double f : {enko.start_x, enko.start_y, enko.dHankei, enko.radKaishiKaku,
                   enko.radEnkoKaku, enko.radKatamukiKaku, enko.dHenpeiRitsu})
    e.f64(f);
  e.u32(enko.bZenEnFlg);
  e.flushTo(ctx.w);
}

void WriteSolid(jww::WriteContext &ctx, const TEntJwwSolid &solid) {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwSolid, solid.att);
  for (double f : {solid.start_x, solid.start_y, solid.end_x, solid.end_y, solid.DPoint2_x,
                   solid.DPoint2_y, solid.DPoint3_x, solid.DPoint3_y})
    e.f64(f);
  if (solid.att.nPenColor == 10)
    e.u32(solid.Color);
  e.flushTo(ctx.w);
}

void WriteBlock(jww::WriteContext &ctx, const TEntJwwBlock &block) {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwBlock, block.att);
  for (double f : {block.DPKijunTen_x, block.DPKijunTen_y, block.dBairitsuX, block.dBairitsuY,
                   block.radKaitenKaku})
    e.f64(f);
  e.u32(ctx.numbers.Written(block.nNumber));
  e.flushTo(ctx.w);
}

// SanitizeText(s), without a copy when there is nothing to clean (almost
// every text); `cleaned` holds the result otherwise.
const std::u16string &Sanitized(const std::u16string &s, std::u16string &cleaned) {
  if (IsSanitizedText(s))
    return s;
  cleaned = SanitizeText(s);
  return cleaned;
}

const std::u16string kImagePrefix = u"^@BM";
const std::u16string kTempImagePrefix = u"^@BM%temp%";

bool StartsWith(const std::u16string &s, const std::u16string &prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Image references: "^@BM" + file + "," + parameters.
std::u16string ApplyImageOptions(std::u16string s, std::int32_t options) {
  if ((options & kFileOutStripTempPrefix) && StartsWith(s, kTempImagePrefix))
    s = kImagePrefix + s.substr(kTempImagePrefix.size());
  if ((options & kFileOutImageNameOnly) && StartsWith(s, kImagePrefix)) {
    const std::size_t comma = s.find(u',');
    if (comma != std::u16string::npos)
      s = kImagePrefix + ExtractName(s.substr(kImagePrefix.size(), comma - kImagePrefix.size())) +
          s.substr(comma);
  }
  return s;
}

}  // namespace

namespace jww {

void WriteContext::BeginObject(std::int32_t kind) {
  if (state.classSlot[kind] == 0) {
    TJwwData::WriteClassRecord(w, ver, JwwClassNameOfKind(kind));
    state.classSlot[kind] = state.counter++;
  } else {
    TJwwData::WriteClassTag(w, state.classSlot[kind]);
  }
}

std::uint64_t CountObjects(const WriteContext &ctx, const EntityLists &lists, std::size_t entries) {
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < entries; ++i) {
    const TEntJwwNo &entry = lists.order[i];
    if (!lists.IsWritable(entry))
      continue;
    ++count;
    if (entry.EntType == kJwwSunpo && IsSplitForTarget(ctx, lists.sunpo[entry.EntNo]))
      count += 6;
  }
  return count;
}

void ClearEntities(EntityLists &c, std::int32_t kind) {
  const auto clear = [](auto &array, std::int32_t &count) {
    array.clear();
    count = 0;
  };
  switch (kind) {
    case kJwwLine: clear(c.line, c.lineN); break;
    case kJwwEnko: clear(c.enko, c.enkoN); break;
    case kJwwTen: clear(c.ten, c.tenN); break;
    case kJwwMoji: clear(c.moji, c.mojiN); break;
    case kJwwSunpo: clear(c.sunpo, c.sunpoN); break;
    case kJwwSolid: clear(c.solid, c.solidN); break;
    case kJwwBlock: clear(c.block, c.blockN); break;
    default: break;
  }
}

}  // namespace jww

void TJwwData::WriteEntityObjects(jww::WriteContext &ctx, const jww::EntityLists &lists,
                                  std::size_t entries) const {
  for (std::size_t i = 0; i < entries; ++i) {
    const TEntJwwNo &entry = lists.order[i];
    if (lists.IsWritable(entry))
      WriteEntityBody(ctx, entry.EntType, entry.EntNo, lists);
  }
}

void TJwwData::WriteEntityBody(jww::WriteContext &ctx, std::int32_t kind, std::int32_t index,
                               const jww::EntityLists &c) const {
  const auto i = static_cast<std::size_t>(index);
  ctx.BeginObject(kind);
  switch (kind) {
    case kJwwLine: WriteLineFixed(ctx, c.line[i]); break;
    case kJwwEnko: WriteEnko(ctx, c.enko[i]); break;
    case kJwwTen: WriteTen(ctx, c.ten[i], c.ten[i].bKariten); break;
    case kJwwMoji: WriteMojiBody(ctx, c.moji[i], true); break;
    case kJwwSunpo: WriteSunpoBody(ctx, c.sunpo[i]); return;  // ends its objects itself
    case kJwwSolid: WriteSolid(ctx, c.solid[i]); break;
    case kJwwBlock: WriteBlock(ctx, c.block[i]); break;
    default: break;
  }
  ctx.EndObject();
}

void TJwwData::WriteMojiBody(jww::WriteContext &ctx, const TEntJwwMoji &moji,
                             bool imageOptions) const {
  FieldEncoder e;
  EncodeAttrFor(e, ctx, kJwwMoji, moji.att);
  e.f64(moji.start_x);
  e.f64(moji.start_y);
  e.f64(moji.end_x);
  e.f64(moji.end_y);
  e.u32(moji.nMojiShu);
  e.f64(jww::LimitTextSize(moji.dSizeX));
  e.f64(jww::LimitTextSize(moji.dSizeY));
  e.f64(moji.dKankaku);
  e.f64(moji.degKakudo);
  e.flushTo(ctx.w);
  std::u16string cleaned;
  WriteCString(ctx.w, Sanitized(moji.strFontName, cleaned));
  const std::u16string &text = Sanitized(moji.str, cleaned);
  if (imageOptions && (ctx.options & (kFileOutStripTempPrefix | kFileOutImageNameOnly)))
    WriteCString(ctx.w, ApplyImageOptions(text, ctx.options));
  else
    WriteCString(ctx.w, text);
}

void TJwwData::WriteSunpoBody(jww::WriteContext &ctx, const TEntJwwSunpo &d) const {
  WriteAttr(ctx.w, ctx.ver, kJwwSunpo, d.att);
  WriteLineFixed(ctx, d.Sen);
  WriteMojiBody(ctx, d.Moji, false);
  if (ctx.ver >= 420) {
    ctx.w.writeU16(d.bSxfMode);
    WriteLineFixed(ctx, d.Ho1);
    WriteLineFixed(ctx, d.Ho2);
    for (const TEntJwwTen *point : {&d.Te1, &d.Te2, &d.Kt1, &d.Kt2})
      WriteTen(ctx, *point, point->bKariten);
  }
  ctx.EndObject();
  if (!IsSplitForTarget(ctx, d))
    return;
  // Older formats get the SXF parts as two lines and four points; the
  // points of the text base are temporary points.
  for (const TEntJwwLine *line : {&d.Ho1, &d.Ho2}) {
    ctx.BeginObject(kJwwLine);
    WriteLineFixed(ctx, *line);
    ctx.EndObject();
  }
  for (const TEntJwwTen *point : {&d.Te1, &d.Te2}) {
    ctx.BeginObject(kJwwTen);
    WriteTen(ctx, *point, point->bKariten);
    ctx.EndObject();
  }
  for (const TEntJwwTen *point : {&d.Kt1, &d.Kt2}) {
    ctx.BeginObject(kJwwTen);
    WriteTen(ctx, *point, 1);
    ctx.EndObject();
  }
}

}  // namespace velkaro
