// JwwEntities: the entity list of a JWW file, walked once for every purpose,
// and the readers and the writer of the entity bodies that JwwLayouts.h
// describes. The same code serves the drawing's own list and the member lists
// of block definitions (an EntityLists view of either).
//
// Fixed parts are taken in one piece and decoded field by field where they
// lie (a copy only for one cut short); the few short reads that decide
// whether a body was read are those the descriptions name, all other reads
// are taken as they come.
#include <algorithm>
#include <limits>
#include <tuple>
#include <type_traits>

#include "jww/JwwInternal.h"
#include "support/Func_2.h"

namespace velkaro {

using jww::FieldDecoder;
using jww::FieldEncoder;

namespace {

template <typename T>
std::int32_t Append(jww::EntityLists::Slot<T> slot, T &&entity) {
  slot.array.push_back(std::move(entity));
  slot.count = static_cast<std::int32_t>(slot.array.size());
  return slot.count - 1;
}

// What the strings a pass over a body saw, as the decoding reader would
// have told.
struct SkippedStrings {
  bool utf16 = false;  // one was stored as UTF-16 (the document's MojiEncode)
  bool caret = false;  // one holds the byte 0x5E, the only one that gives "^"
};

// The pen style and colour of an attribute, the rest passed over.
struct PenFields {
  FieldDecoder &d;
  std::int32_t ver;
  TEntJwwAttr &a;

  template <class... T>
  [[gnu::always_inline]] void operator()(T &...v) { (field(v), ...); }
  template <class T>
  [[gnu::always_inline]] void field(T &v) {
    if (static_cast<void *>(&v) == &a.nPenStyle || static_cast<void *>(&v) == &a.nPenColor)
      d.get(v);
    else
      d.skip(sizeof v);
  }
};

// The fields a pass over a body needs: the pen style and colour, which
// decide the extras, and the number a block reference places.
struct FieldsPassed {
  FieldDecoder &d;
  std::int32_t ver;

  template <class... T>
  void operator()(const T &...) { d.skip((sizeof(T) + ...)); }
  [[gnu::always_inline]] void attr(std::int32_t, TEntJwwAttr &a) {
    PenFields pen{d, ver, a};
    jww::AttrFields(pen, a);
  }
  void textSize(const double &v) { (*this)(v); }
  void spacing(const double &v) { (*this)(v); }
  void blockNumber(std::uint32_t &n) { d.get(n); }
};

// Reads a body as its description lays it out. A decoding reader
// (kPassOver false) stores every field; one that passes over it decodes only
// what FieldsPassed needs and notes what its strings hold. complete() says
// whether every part of the body was there.
template <bool kPassOver>
class BodyReader {
 public:
  static constexpr bool kReads = true;
  const std::int32_t ver;

  BodyReader(TJwwData &doc, ByteReader &s) : ver(doc.Enthd.jwVer), doc_(doc), s_(s) {}

  template <class Fields>
  [[gnu::always_inline]] bool part(Fields &&fields) {
    const std::size_t n = jww::PartSize(ver, fields);
    const jww::FixedPart part(s_, n);
    FieldDecoder d = part.decoder();
    std::conditional_t<kPassOver, FieldsPassed, jww::FieldsIn> in{d, ver};
    fields(in);
    complete_ = complete_ && part.got() == n;
    return part.got() > 0;
  }
  void string(std::u16string &text, bool) {
    if constexpr (kPassOver) {
      const jww::ArchiveString t = jww::TakeString(s_);
      complete_ = complete_ && t.complete;
      seen_.utf16 = seen_.utf16 || t.utf16;
      if (std::find(t.bytes.begin(), t.bytes.end(), std::uint8_t{0x5E}) != t.bytes.end())
        seen_.caret = true;
    } else {
      text = doc_.ReadCStringPlain(s_);
    }
  }

  bool complete() const { return complete_; }
  const SkippedStrings &seen() const { return seen_; }

 private:
  TJwwData &doc_;
  ByteReader &s_;
  bool complete_ = true;
  SkippedStrings seen_;
};

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

// Writes a body as its description lays it out, for the target version.
class BodyWriter {
 public:
  static constexpr bool kReads = false;
  const std::int32_t ver;

  BodyWriter(const TJwwData &doc, jww::WriteContext &ctx) : ver(ctx.ver), doc_(doc), ctx_(ctx) {}

  // The whole body, its fixed parts gathered into few writes.
  template <class E>
  void body(const E &e) {
    jww::Body(*this, e);
    e_.flushTo(ctx_.w);
  }

  template <class Fields>
  [[gnu::always_inline]] bool part(Fields &&fields) {
    if (e_.room() < jww::PartSize(ver, fields))
      e_.flushTo(ctx_.w);
    jww::FieldsOut out{e_, ver, &ctx_.numbers};
    fields(out);
    return true;
  }
  // Strings go out cleaned; image references as the file-out options say.
  void string(const std::u16string &text, bool imageReference) {
    e_.flushTo(ctx_.w);
    std::u16string cleaned;
    const std::u16string &stored = Sanitized(text, cleaned);
    if (imageReference && (ctx_.options & (kFileOutStripTempPrefix | kFileOutImageNameOnly)))
      doc_.WriteCString(ctx_.w, ApplyImageOptions(stored, ctx_.options));
    else
      doc_.WriteCString(ctx_.w, stored);
  }

 private:
  const TJwwData &doc_;
  jww::WriteContext &ctx_;
  FieldEncoder e_;
};

// One record of each kind for passes over bodies, reused from body to body:
// a pass decodes afresh whatever decides a layout before looking at it.
using PassRecords = std::tuple<TEntJwwLine, TEntJwwEnko, TEntJwwTen, TEntJwwMoji, TEntJwwSunpo,
                               TEntJwwSolid, TEntJwwBlock>;

// The kind of the object a tag introduces (0: none follows); a new class
// takes its slot. Throws for a class that is no entity kind.
std::int32_t KindOfObject(const JwwClassTag &tag, JwwArchiveState &state, const ByteReader &s,
                          const char *listName) {
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

enum class ListWalk { Complete, FileEnded, Stopped };

// The one walk of an entity list: each object's class tag, then
// `object(kind)` with the reader at the object's body; its false stops the
// walk. A tag naming no class has nothing after it and takes no place.
template <class Object>
ListWalk WalkEntityList(ByteReader &s, JwwArchiveState &state, std::size_t declared,
                        const char *listName, Object &&object) {
  for (std::size_t k = 0; k < declared;) {
    const JwwClassTag tag = TJwwData::ReadClassTag(s, state);
    if (!tag.delivered)
      return ListWalk::FileEnded;
    const std::int32_t kind = KindOfObject(tag, state, s, listName);
    if (kind == 0)
      continue;
    if (!object(kind))
      return ListWalk::Stopped;
    ++k;
    ++state.counter;
  }
  return ListWalk::Complete;
}

// How many objects of each kind the list holds, found without decoding
// their strings, so each array is sized once. It stops at the first thing it
// does not expect; the counts only size the arrays, the real read decides
// the rest.
std::array<std::size_t, 8> CountKinds(TJwwData &doc, ByteReader s, JwwArchiveState state,
                                      std::size_t declared) {
  std::array<std::size_t, 8> counts{};
  PassRecords records;
  try {
    WalkEntityList(s, state, declared, "entity", [&](std::int32_t kind) {
      BodyReader<true> pass(doc, s);
      jww::WithKind(kind, [&](auto type) {
        jww::Body(pass, std::get<typename decltype(type)::type>(records));
      });
      counts[kind] += pass.complete() ? 1 : 0;
      return pass.complete();
    });
  } catch (const StreamError &) {
    // an unknown or over-long class name: the real read reports it
  }
  return counts;
}

// Lists shorter than this grow as they are read; the counting pass pays
// off for long ones.
constexpr std::size_t kCountedListLength = 256;

void ReserveKinds(jww::EntityLists &lists, const std::array<std::size_t, 8> &counts) {
  for (std::int32_t kind = kJwwLine; kind <= kJwwBlock; ++kind)
    jww::WithKind(kind, [&](auto type) {
      lists.SlotOf<typename decltype(type)::type>().array.reserve(counts[kind]);
    });
}

bool IsSplitForTarget(const jww::WriteContext &ctx, const TEntJwwSunpo &sunpo) {
  return !jww::HasSxf(ctx.ver) && jww::HasSxf(ctx.drawingVer) && sunpo.bSxfMode != 0;
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
  PassRecords records;
  const auto skim = [&](std::int32_t kind) {
    const ByteReader body = s;
    BodyReader<true> pass(*this, s);
    jww::WithKind(kind, [&](auto type) {
      jww::Body(pass, std::get<typename decltype(type)::type>(records));
    });
    if (!pass.complete())
      return false;
    if (kind == kJwwBlock)
      rewrite_->placed.insert(std::get<TEntJwwBlock>(records).nNumber);
    if (pass.seen().utf16)
      MojiEncode = true;  // as ReadCString would have set it
    if (kind == kJwwMoji && pass.seen().caret) {
      ByteReader again = body;
      BodyReader<false> in(*this, again);
      TEntJwwMoji text;
      if (!jww::Body(in, text) || again.offset() != s.offset())
        return false;
      if (jww::IsTemporaryImageText(text.str))
        rewrite_->imageTexts.push_back(std::move(text.str));
    }
    ++rewrite_->objects;
    return true;
  };
  return WalkEntityList(s, state, count, "entity", skim) == ListWalk::Complete;
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
      ReserveKinds(lists, CountKinds(*this, s, state, declared));
  }
  const auto padOrder = [&] {
    if (lists.order.size() < orderLength)
      lists.order.resize(orderLength);
  };
  const auto read = [&](std::int32_t kind) {
    const std::int32_t index = ReadEntityBody(s, kind, lists);
    if (index >= 0 && pass) {
      (*pass)(kind, index, lists);
      jww::ClearEntities(lists, kind);
    } else if (index >= 0) {
      lists.order.push_back({kind, index});
    }
    return true;  // a body not read takes its place all the same
  };
  try {
    WalkEntityList(s, state, declared, listName, read);  // a file that ends loses the rest
  } catch (...) {
    padOrder();
    throw;
  }
  padOrder();
}

[[gnu::flatten]] std::int32_t TJwwData::ReadEntityBody(ByteReader &s, std::int32_t kind,
                                                     jww::EntityLists &lists) {
  std::int32_t index = -1;
  BodyReader<false> in(*this, s);
  jww::WithKind(kind, [&](auto type) {
    using T = typename decltype(type)::type;
    T e{};
    if (jww::Body(in, e))
      index = Append(lists.SlotOf<T>(), std::move(e));
  });
  return index;
}

// ---- Writing ----------------------------------------------------------------

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

std::size_t EntityLists::CountOf(std::int32_t kind) const {
  std::size_t usable = 0;
  WithKind(kind, [&](auto type) {
    const auto slot = SlotOf<typename decltype(type)::type>();
    usable = Usable(slot.count, slot.array.size());
  });
  return usable;
}

void ClearEntities(EntityLists &c, std::int32_t kind) {
  WithKind(kind, [&](auto type) {
    using T = typename decltype(type)::type;
    const auto slot = c.SlotOf<T>();
    slot.array.clear();
    slot.count = 0;
  });
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
                               const jww::EntityLists &lists) const {
  if (kind == kJwwSunpo) {
    WriteSunpoObjects(ctx, lists.sunpo[static_cast<std::size_t>(index)]);
    return;
  }
  BodyWriter out(*this, ctx);
  ctx.BeginObject(kind);
  jww::WithKind(kind, [&](auto type) {
    out.body(lists.SlotOf<typename decltype(type)::type>().array[static_cast<std::size_t>(index)]);
  });
  ctx.EndObject();
}

void TJwwData::WriteSunpoObjects(jww::WriteContext &ctx, const TEntJwwSunpo &d) const {
  BodyWriter out(*this, ctx);
  ctx.BeginObject(kJwwSunpo);
  out.body(d);
  ctx.EndObject();
  if (!IsSplitForTarget(ctx, d))
    return;
  // Older formats get the SXF parts as two lines and four points; the
  // points of the text base are temporary points.
  const auto object = [&](std::int32_t kind, const auto &entity) {
    ctx.BeginObject(kind);
    out.body(entity);
    ctx.EndObject();
  };
  object(kJwwLine, d.Ho1);
  object(kJwwLine, d.Ho2);
  object(kJwwTen, d.Te1);
  object(kJwwTen, d.Te2);
  for (TEntJwwTen point : {d.Kt1, d.Kt2}) {
    point.bKariten = 1;
    object(kJwwTen, point);
  }
}

}  // namespace velkaro
