// JwwWriter: FileOut, the frame that lays out a whole JWW file for a target
// version (header, entity list, block definitions, bound images) in memory
// and puts it on disk in one piece, and the file-out options.
//
// The file goes to a temporary file beside FName that replaces FName only
// once everything was written, flushed and closed: a failure at any point
// leaves no file under FName (an existing FName stays as it was).
#include <new>

#include "jww/JwwInternal.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

// Bytes a string takes at most in either form.
std::size_t StringBound(const std::u16string &s) { return 2 * s.size() + 6; }

// Bytes the objects of a list take at most, so the buffer never grows.
std::size_t ListBound(const jww::EntityLists &lists) {
  constexpr std::size_t kObject = 2 + 83 + 4;  // tag, the largest fixed part, extras
  constexpr std::size_t kSunpo = 7 * (2 + 83 + 20) + 2 + 4 * 20;  // with its split objects
  std::size_t size = 512 + lists.order.size() * kObject;  // class records, counts
  for (std::size_t i = 0, n = jww::Usable(lists.mojiN, lists.moji.size()); i < n; ++i)
    size += StringBound(lists.moji[i].strFontName) + StringBound(lists.moji[i].str);
  for (std::size_t i = 0, n = jww::Usable(lists.sunpoN, lists.sunpo.size()); i < n; ++i)
    size += kSunpo + StringBound(lists.sunpo[i].Moji.strFontName) +
            StringBound(lists.sunpo[i].Moji.str);
  return size;
}

std::size_t FileBound(TJwwData &doc, const std::vector<std::vector<std::uint8_t>> &images) {
  std::size_t size = 64 * 1024 + StringBound(doc.Enthd.strMemo);
  for (const auto &layer : doc.EntLay)
    size += StringBound(layer.aStrLayName);
  for (const auto &group : doc.EntLgrp)
    size += StringBound(group.aStrGLayName);
  for (const auto &color : doc.EntColS)
    size += StringBound(color.astrUDColorName);
  for (const auto &type : doc.EntLtpS)
    size += StringBound(type.astrUDLTypeName);
  size += ListBound(jww::EntityLists::Of(doc));
  for (auto &def : doc.EntBlockDef)
    size += 64 + StringBound(def.strName) + ListBound(jww::EntityLists::Of(def));
  for (const auto &image : doc.BindImage)
    size += StringBound(image.Fname) + 4;
  for (const auto &image : images)
    size += image.size();
  return size;
}

}  // namespace

void TJwwData::SetFileOutOption(std::int32_t n) { FileOutOpt = (n >= 0 && n <= 63) ? n : 0; }

bool TJwwData::FileOut(const std::u16string &FName, std::int32_t Ver) {
  lastError_.clear();
  try {
    Enthd.jwID = u"JwwData.";
    std::vector<std::vector<std::uint8_t>> images;
    if (Ver >= 700) {
      MarkImagesToEmbed();
      images = ReadImagesToEmbed();
    }
    ByteWriter w;
    w.reserve(FileBound(*this, images));
    WriteHeader(w, Ver);

    const jww::BlockNumberMap numbers(*this);
    jww::WriteContext ctx{w, Ver, Enthd.jwVer, FileOutOpt, numbers, JwwArchiveState{}};
    const jww::EntityLists lists = jww::EntityLists::Of(*this);
    const std::size_t entries = jww::Usable(Enthd.n1, EntNo.size());
    const std::uint64_t objects = jww::CountObjects(ctx, lists, entries);
    if (objects > 0xFFFFFFFFu)
      jww::Fail(jww::kFileIOError, "the drawing has more entities than a count can hold");
    WriteCount(w, static_cast<std::uint32_t>(objects));
    WriteEntityObjects(ctx, lists, entries);
    WriteBlockDefinitions(ctx);
    if (Ver >= 700)
      WriteBindImages(w, images);

    AtomicFileWriter out(FName);
    if (!out.open()) {
      lastError_ = "File I/O Error: cannot create a file beside " + ToUtf8(FName);
      return false;
    }
    out.write(w.bytes());
    if (!out.commit()) {
      lastError_ = "File I/O Error: cannot complete " + ToUtf8(FName);
      return false;
    }
    return true;
  } catch (const StreamError &e) {
    lastError_ = jww::Describe(e);
  } catch (const std::bad_alloc &) {
    lastError_ = "File I/O Error: out of memory while writing";
  } catch (const std::exception &e) {
    lastError_ = std::string("File I/O Error: ") + e.what();
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while writing";
  }
  return false;
}

}  // namespace velkaro
