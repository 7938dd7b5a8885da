// DrawingOpener: the one place that says what a Jw_cad file is and opens it.
//
// The listing and the batch go by the extension, as the user names the file;
// the preview and the drawing facts go by the content, because they show
// whatever a file holds. Either way the document's own FileCheck decides
// whether the file really is of its format before its header or its whole
// drawing is read.
#pragma once

#include <memory>
#include <string>

namespace velkaro {

class TJwwData;
class TJwsData;
class TJwcData;
class TJwkData;

enum class JwFormat { None, Jww, Jws, Jwc, Jwk };

// The format an extension (FileExtLower form) stands for in the listing:
// JWW backups (.bak, .bk1 to .bk9 and longer ones such as .bk10 that sort
// between them, .jw$) are JWW files too.
JwFormat FormatOfExtension(const std::u16string &e);
// The format the batch converts a file of this extension as: only .jww and
// .jwc, never a backup or a figure.
JwFormat ConvertibleFormatOfExtension(const std::u16string &e);
// The first format whose FileCheck the file passes, in the order JWW, JWC,
// JWS, JWK.
JwFormat FormatOfContent(const std::u16string &path);

// The four documents a caller reuses file after file (the window's).
struct JwDocuments {
  TJwwData &JWW;
  TJwsData &JWS;
  TJwcData &JWC;
  TJwkData &JWK;
};

// FileCheck, then FileHeaderIn, with the document of `format`; false for
// None, whose files are not opened at all.
bool OpenHeader(JwFormat format, const std::u16string &path, const JwDocuments &docs);

struct OpenOptions {
  bool listImages = false;     // keep the bound images' names and sizes (never extracted)
  bool figureHeaders = false;  // read a figure's header, not only recognise it
};

// A file opened by its content into documents of its own: the whole drawing
// of a JWW or JWC file, the header of a figure when asked for.
struct OpenedFile {
  JwFormat format = JwFormat::None;
  std::unique_ptr<TJwwData> JWW;
  std::unique_ptr<TJwcData> JWC;
  std::unique_ptr<TJwsData> JWS;
  std::unique_ptr<TJwkData> JWK;
  std::string error;   // why it could not be opened; empty when it was
  std::string detail;  // where the reader of a drawing gave up

  OpenedFile();
  OpenedFile(OpenedFile &&) noexcept;
  ~OpenedFile();
};

inline constexpr char kNotJwCadFile[] = "not a Jw_cad file (JWW, JWC, JWS or JWK)";

OpenedFile OpenByContent(const std::u16string &path, const OpenOptions &options = {});

}  // namespace velkaro
