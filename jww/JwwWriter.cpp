// JwwWriter: FileOut and RewriteOut, the frame that lays out a whole JWW file for a target
// version (header, entity list, block definitions, bound images), and the
// file-out options.
//
// The file goes to a temporary file beside FName that replaces FName only
// once everything was written, flushed and closed: a failure at any point
// leaves no file under FName (an existing FName stays as it was). The
// overloads that take a writer leave that last step, the commit, to their
// caller.
#include <new>

#include "jww/JwwInternal.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/ResourceShortage.h"

namespace velkaro {

void TJwwData::SetFileOutOption(std::int32_t n) { FileOutOpt = (n >= 0 && n <= 63) ? n : 0; }

bool TJwwData::FileOut(const std::u16string &FName, std::int32_t Ver) {
  AtomicFileWriter out(FName);
  if (!FileOut(out, Ver))
    return false;
  if (!out.commit()) {
    lastError_ = "File I/O Error: cannot complete the file";
    return false;
  }
  return true;
}

bool TJwwData::FileOut(AtomicFileWriter &out, std::int32_t Ver) {
  return WriteDrawing(out, Ver, [this](jww::WriteContext &ctx) {
    const jww::EntityLists lists = jww::EntityLists::Of(*this);
    const std::size_t entries = jww::Usable(Enthd.n1, EntNo.size());
    const std::uint64_t objects = jww::CountObjects(ctx, lists, entries);
    if (objects > 0xFFFFFFFFu)
      jww::Fail(jww::kFileIOError, "the drawing has more entities than a count can hold");
    WriteCount(ctx.w, static_cast<std::uint32_t>(objects));
    WriteEntityObjects(ctx, lists, entries);
  });
}

bool TJwwData::RewriteOut(AtomicFileWriter &out, const TextEdit &editText) {
  if (!rewrite_) {
    lastError_ = "File I/O Error: no drawing was read for rewriting";
    return false;
  }
  return WriteDrawing(out, Enthd.jwVer, [&](jww::WriteContext &ctx) {
    // At the drawing's own version no dimension is split up: one object
    // goes out for each one read.
    if (rewrite_->objects > 0xFFFFFFFFu)
      jww::Fail(jww::kFileIOError, "the drawing has more entities than a count can hold");
    WriteCount(ctx.w, static_cast<std::uint32_t>(rewrite_->objects));
    ByteReader s(rewrite_->bytes);
    s.skip(rewrite_->listAt);
    std::uint64_t written = 0;
    const EntityPass rewrite = [&](std::int32_t kind, std::int32_t index, jww::EntityLists &one) {
      if (kind == kJwwMoji)
        editText(one.moji[index]);
      else if (kind == kJwwSunpo)
        editText(one.sunpo[index].Moji);
      else if (kind == kJwwBlock && !rewrite_->placed.contains(one.block[index].nNumber))
        jww::Fail(jww::kFileIOError, "a block reference the first reading did not see");
      WriteEntityBody(ctx, kind, index, one);
      ++written;
    };
    // The list as the first reading found it: same bytes, the decoding
    // reader. The first reading may have only walked it; what it counted
    // must be what is written, or the count above would lie.
    JwwArchiveState state;
    ReadEntitiesInPassing(s, state, ReadCount(s), rewrite);
    if (written != rewrite_->objects)
      jww::Fail(jww::kFileIOError, "the list gave " + std::to_string(written) +
                                       " objects, its first reading " +
                                       std::to_string(rewrite_->objects));
  });
}

bool TJwwData::WriteDrawing(AtomicFileWriter &out, std::int32_t Ver,
                            const std::function<void(jww::WriteContext &)> &writeEntityList) {
  lastError_.clear();
  try {
    Enthd.jwID = u"JwwData.";
    std::vector<std::vector<std::uint8_t>> images;
    if (Ver >= 700) {
      MarkImagesToEmbed();
      images = ReadImagesToEmbed();
    }
    // The file is laid out straight into a temporary file beside the target,
    // a megabyte at a time, and replaces the target only once it is complete.
    if (!out.open()) {
      lastError_ = "File I/O Error: cannot create the temporary file";
      return false;
    }
    ByteWriter w([&out](std::span<const std::uint8_t> bytes) { out.write(bytes); });
    WriteHeader(w, Ver);

    const jww::BlockNumberMap numbers(*this);
    jww::WriteContext ctx{w, Ver, Enthd.jwVer, FileOutOpt, numbers, JwwArchiveState{}};
    writeEntityList(ctx);
    WriteBlockDefinitions(ctx);
    if (Ver >= 700)
      WriteBindImages(w, images);
    w.finish();
    return true;
  } catch (const StreamError &e) {
    lastError_ = jww::Describe(e);
  } catch (const std::bad_alloc &) {
    NoteResourceShortage(ResourceShortage::Memory);
    lastError_ = "File I/O Error: out of memory while writing";
  } catch (const std::exception &e) {
    lastError_ = std::string("File I/O Error: ") + e.what();
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while writing";
  }
  return false;
}

}  // namespace velkaro
