// DrawingOpener: deciding what a file is and opening it.
#include "convert/DrawingOpener.h"

#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"

namespace velkaro {

OpenedFile::OpenedFile() = default;
OpenedFile::OpenedFile(OpenedFile &&) noexcept = default;
OpenedFile::~OpenedFile() = default;

JwFormat FormatOfExtension(const std::u16string &e) {
  if (e == u".jww" || e == u".bak" || e == u".jw$" || (e >= u".bk1" && e <= u".bk9"))
    return JwFormat::Jww;
  if (e == u".jws")
    return JwFormat::Jws;
  if (e == u".jwc")
    return JwFormat::Jwc;
  if (e == u".jwk")
    return JwFormat::Jwk;
  return JwFormat::None;
}

JwFormat ConvertibleFormatOfExtension(const std::u16string &e) {
  return e == u".jww" || e == u".jwc" ? FormatOfExtension(e) : JwFormat::None;
}

JwFormat FormatOfContent(const std::u16string &path) {
  // Each check reads only the few bytes its signature needs.
  if (TJwwData().FileCheck(path))
    return JwFormat::Jww;
  if (TJwcData().FileCheck(path))
    return JwFormat::Jwc;
  if (TJwsData().FileCheck(path))
    return JwFormat::Jws;
  if (TJwkData().FileCheck(path))
    return JwFormat::Jwk;
  return JwFormat::None;
}

bool OpenHeader(JwFormat format, const std::u16string &path, const JwDocuments &docs) {
  const auto open = [&](auto &doc) { return doc.FileCheck(path) && doc.FileHeaderIn(path); };
  switch (format) {
    case JwFormat::Jww: return open(docs.JWW);
    case JwFormat::Jws: return open(docs.JWS);
    case JwFormat::Jwc: return open(docs.JWC);
    case JwFormat::Jwk: return open(docs.JWK);
    case JwFormat::None: break;
  }
  return false;
}

namespace {

// The whole drawing into a document of its own; false with the reason.
template <typename Doc>
bool ReadDrawing(std::unique_ptr<Doc> &doc, const std::u16string &path, OpenedFile &file) {
  if (!doc)
    doc = std::make_unique<Doc>();
  if (doc->FileIn(path))
    return true;
  file.detail = doc->LastError();
  return false;
}

template <typename Doc>
bool ReadFigureHeader(std::unique_ptr<Doc> &doc, const std::u16string &path) {
  doc = std::make_unique<Doc>();
  return doc->FileHeaderIn(path);
}

}  // namespace

OpenedFile OpenByContent(const std::u16string &path, const OpenOptions &options) {
  OpenedFile file;
  file.format = FormatOfContent(path);
  switch (file.format) {
    case JwFormat::Jww:
      file.JWW = std::make_unique<TJwwData>();
      file.JWW->BindImageExp = false;  // images are never extracted here
      file.JWW->BindImageExr = options.listImages;
      if (!ReadDrawing(file.JWW, path, file))
        file.error = "a JWW file that could not be read";
      break;
    case JwFormat::Jwc:
      if (!ReadDrawing(file.JWC, path, file))
        file.error = "a JWC file that could not be read";
      break;
    case JwFormat::Jws:
      if (options.figureHeaders && !ReadFigureHeader(file.JWS, path))
        file.error = "a JWS file whose header could not be read";
      break;
    case JwFormat::Jwk:
      if (options.figureHeaders && !ReadFigureHeader(file.JWK, path))
        file.error = "a JWK file whose header could not be read";
      break;
    case JwFormat::None:
      file.error = kNotJwCadFile;
      break;
  }
  return file;
}

}  // namespace velkaro
