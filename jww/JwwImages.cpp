// JwwImages: the bound images of a JWW file of version 700 and above: the
// image section read (extracting the files into BindImageFolder) and written
// (embedding the files the drawing's image texts still reference), and the
// deletion of the extracted files.
//
// An image name from a file is used only when it is a plain file name: no
// separator, drive, "..", device name or character a file name cannot hold.
// Any other name is never created, read, written or deleted anywhere; its
// content is skipped and the image is not embedded again. Nothing is ever
// written outside BindImageFolder; with no folder set, images are only listed.
#include <limits>

#include "jww/JwwInternal.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

const std::u16string kTempImagePrefix = u"^@BM%temp%";

bool IsReservedDeviceName(const std::u16string &name) {
  // Windows opens a device for these, whatever the extension.
  std::u16string base = LocaleUpperCase(name.substr(0, name.find(u'.')));
  while (!base.empty() && base.back() == u' ')
    base.pop_back();
  static const char16_t *const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$",
                                             u"CONOUT$"};
  for (const char16_t *device : kDevices)
    if (base == device)
      return true;
  if (base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0))
    return base[3] >= u'0' && base[3] <= u'9';
  return false;
}

// Whether `name` names a file directly inside a folder on every platform.
bool IsPlainFileName(const std::u16string &name) {
  if (name.empty() || name.find(u"..") != std::u16string::npos)
    return false;
  for (const char16_t c : name) {
    if (c < 0x20)
      return false;
    switch (c) {
      case u'\\': case u'/': case u':': case u'*': case u'?': case u'"': case u'<':
      case u'>': case u'|':
        return false;
      default:
        break;
    }
  }
  // Windows drops trailing dots and spaces, which would alias another name.
  if (name.back() == u'.' || name.back() == u' ')
    return false;
  return !IsReservedDeviceName(name);
}

bool HasGzExtension(const std::u16string &name) {
  try {
    return FileExtLower(name) == u".gz";
  } catch (...) {
    return false;  // not a usable name in the first place
  }
}

bool StartsWith(const std::u16string &s, const std::u16string &prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::u16string TJwwData::BindImagePath(const std::u16string &name) const {
  if (BindImageFolder.empty() || !IsPlainFileName(name))
    return {};
  std::u16string path = BindImageFolder;
  const char16_t last = path.back();
  if (last != u'\\' && last != u'/')
    path += PathSeparator();  // the name must land inside the folder
  return path + name;
}

void TJwwData::BindImageInit() {
  std::vector<TBindImageType>().swap(BindImage);
  BindImageN = 0;
}

void TJwwData::BindImageDeleteGzFile() {
  const std::size_t n = jww::Usable(BindImageN, BindImage.size());
  for (std::size_t i = 0; i < n; ++i) {
    try {
      const std::u16string &name = BindImage[i].Fname;
      if (!HasGzExtension(name))
        continue;
      const std::u16string path = BindImagePath(name);
      if (!path.empty() && IsFile(path))
        RemoveFile(path);
    } catch (...) {
      // a file that cannot be deleted stays; the next entry is tried
    }
  }
}

void TJwwData::BindImageDeleteNonGzFile() {
  const std::size_t n = jww::Usable(BindImageN, BindImage.size());
  for (std::size_t i = 0; i < n; ++i) {
    try {
      const std::u16string &stored = BindImage[i].Fname;
      // A compressed image may have left its uncompressed counterpart.
      const std::u16string name =
          HasGzExtension(stored) ? stored.substr(0, stored.size() - 3) : stored;
      const std::u16string path = BindImagePath(name);
      if (!path.empty() && IsFile(path))
        RemoveFile(path);
    } catch (...) {
    }
  }
}

// ---- Reading ----------------------------------------------------------------

void TJwwData::ReadBindImages(ByteReader &s) {
  BindImageInit();
  if (!BindImageExp && !BindImageExr)
    return;
  std::int32_t count = 0;
  s.readI32(count);
  if (count <= 0)
    return;
  // Entries the bytes left cannot hold would carry nothing: the list stops.
  BindImage.resize(
      std::min<std::size_t>(static_cast<std::size_t>(count),
                            jww::EntriesBackedBy(s, jww::kSmallestImageEntry)));
  BindImageN = static_cast<std::int32_t>(BindImage.size());
  for (TBindImageType &image : BindImage) {
    image.Fname = ReadCStringPlain(s);
    s.readI32(image.Fsize);
    if (image.Fname.empty() || image.Fsize == 0)
      continue;  // no content follows
    if (BindImageExp)
      ExtractBindImage(s, image);
    else
      s.skip(image.Fsize > 0 ? static_cast<std::size_t>(image.Fsize) : 0);
  }
}

void TJwwData::ExtractBindImage(ByteReader &s, const TBindImageType &image) {
  const std::size_t size = image.Fsize > 0 ? static_cast<std::size_t>(image.Fsize) : 0;
  const std::u16string path = BindImagePath(image.Fname);
  if (path.empty()) {
    s.skip(size);  // a name that would leave the folder is never created
    return;
  }
  bool written = false;
  {
    OutputFile out;
    if (!out.create(path)) {
      s.skip(size);
      return;
    }
    // An image cut short by the end of the file keeps the bytes that were there.
    const auto content = s.take(size);
    try {
      if (!content.empty())
        out.write(content);
      out.close();
      written = true;
    } catch (...) {
      // closed by the destructor, deleted below
    }
  }
  if (!written)
    RemoveFile(path);
}

// ---- Writing ----------------------------------------------------------------

namespace jww {

bool IsTemporaryImageText(const std::u16string &s) {
  return s.size() > kTempImagePrefix.size() && StartsWith(s, kTempImagePrefix);
}

}  // namespace jww

void TJwwData::MarkImagesToEmbed() {
  const std::size_t n = jww::Usable(BindImageN, BindImage.size());
  for (auto &image : BindImage)
    image.exf = false;
  if (n == 0 || (!BindImageExp && !BindImageExr))
    return;
  std::vector<std::u16string> upperNames;
  upperNames.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    upperNames.push_back(LocaleUpperCase(BindImage[i].Fname));
  const auto mark = [&](const std::u16string &s) {
    if (!jww::IsTemporaryImageText(s))
      return;
    const std::size_t comma = s.find(u',');
    if (comma == std::u16string::npos || comma <= kTempImagePrefix.size())
      return;
    const std::u16string name =
        LocaleUpperCase(s.substr(kTempImagePrefix.size(), comma - kTempImagePrefix.size()));
    for (std::size_t i = 0; i < n; ++i) {
      if (StartsWith(upperNames[i], name)) {
        BindImage[i].exf = true;
        return;
      }
    }
  };
  const std::size_t texts = jww::Usable(EntMojiN, EntMoji.size());
  for (std::size_t e = 0, entries = jww::Usable(Enthd.n1, EntNo.size()); e < entries; ++e) {
    const TEntJwwNo &entry = EntNo[e];
    if (entry.EntType == kJwwMoji && entry.EntNo >= 0 &&
        static_cast<std::size_t>(entry.EntNo) < texts)
      mark(EntMoji[entry.EntNo].str);
  }
  if (rewrite_)
    for (const std::u16string &text : rewrite_->imageTexts)
      mark(text);
  const std::size_t defs = jww::Usable(EntBlockDefN, EntBlockDef.size());
  for (std::size_t d = 0; d < defs; ++d) {
    const TEntJwwBlockDef &def = EntBlockDef[d];
    for (std::size_t m = 0, members = jww::Usable(def.mMojiN, def.mMoji.size()); m < members; ++m)
      mark(def.mMoji[m].str);
  }
}

std::vector<std::vector<std::uint8_t>> TJwwData::ReadImagesToEmbed() {
  // Every image is read before the count is written, and only those read
  // whole are counted, so the section never promises bytes it lacks.
  std::vector<std::vector<std::uint8_t>> contents;
  const std::size_t n = jww::Usable(BindImageN, BindImage.size());
  for (std::size_t i = 0; i < n; ++i) {
    TBindImageType &image = BindImage[i];
    if (!image.exf)
      continue;
    image.exf = false;
    const std::u16string path = BindImagePath(image.Fname);
    if (path.empty() || !IsFile(path))
      continue;
    std::vector<std::uint8_t> bytes;
    // An image that is there but cannot be read is a failed write, not a
    // missing image: the drawing would silently lose it.
    if (!ReadWholeFile(path, bytes))
      jww::Fail(jww::kFileIOError, "an image to embed could not be read");
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      continue;
    image.exf = true;
    contents.push_back(std::move(bytes));
  }
  return contents;
}

void TJwwData::WriteBindImages(ByteWriter &w,
                               const std::vector<std::vector<std::uint8_t>> &contents) const {
  w.writeU32(static_cast<std::uint32_t>(contents.size()));
  std::size_t next = 0;
  const std::size_t n = jww::Usable(BindImageN, BindImage.size());
  for (std::size_t i = 0; i < n && next < contents.size(); ++i) {
    if (!BindImage[i].exf)
      continue;
    const auto &bytes = contents[next++];
    WriteCString(w, BindImage[i].Fname);
    w.writeU32(static_cast<std::uint32_t>(bytes.size()));
    w.writeBytes(bytes);
  }
}

}  // namespace velkaro
