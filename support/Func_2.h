// Func_2: the legacy text codec and the file, folder, number and text helpers
// that every other unit builds on.
//
// Strings are UTF-16 (std::u16string) as in the drawing model. Paths are
// std::u16string too; support/Platform.h turns them into file-system paths
// (losslessly, also for names that are not valid UTF-8 on POSIX).
//
// No routine here throws, with one exception: FileExtLower refuses a path that
// holds a character no path may hold on this platform.
//
// Every routine is safe to call from several threads at once, except
// ListFiles/ClearFoundFiles, which work on the FoundFiles globals; threads use
// ListFolderFiles instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

using Bytes = std::vector<std::uint8_t>;

// ---- Legacy text codec ----------------------------------------------------

// The legacy code page is 932 (support/Codepage.h). Undecodable bytes become
// U+FFFD; characters it cannot hold are written as "?" (no best-fit
// mapping). Of its duplicate codes (NEC row 13, NEC-selected IBM
// extensions) each encodes to the one code Windows writes.

// Decodes legacy code page bytes; the result ends before its first U+0000.
std::u16string LegacyBytesToString(std::span<const std::uint8_t> bytes);
// Encodes in the legacy code page, no terminator; unrepresentable characters
// become "?" and U+0000 becomes a zero byte.
Bytes StringToLegacyBytes(const std::u16string &s);
// Bytes of the legacy encoding up to (not including) the first zero byte.
std::size_t LegacyByteLength(const std::u16string &s);
// Whether byte b starts a two-byte character of code page 932.
bool IsLegacyLeadByte(std::uint8_t b);

// Write the string into the first n bytes of buf (buf.size() >= n), zero- or
// space-filled, never splitting a two-byte character. Return those n bytes.
std::span<std::uint8_t> StringToFixedBytes(const std::u16string &s, std::size_t n,
                                           std::span<std::uint8_t> buf);
std::span<std::uint8_t> StringToFixedBytesSpaced(const std::u16string &s, std::size_t n,
                                                 std::span<std::uint8_t> buf);
std::span<std::uint8_t> FillBytes(std::uint8_t value, std::size_t n, std::span<std::uint8_t> buf);

Bytes StringToUtf16Bytes(const std::u16string &s);
std::u16string Utf16BytesToString(std::span<const std::uint8_t> bytes);
// Unpaired surrogates are written as U+FFFD, so the bytes are always
// well-formed UTF-8.
Bytes StringToUtf8Bytes(const std::u16string &s);
// Input that is not well-formed UTF-8 as a whole (overlong forms and encoded
// surrogates included) gives the empty string.
std::u16string Utf8BytesToString(std::span<const std::uint8_t> bytes);
std::u16string BytesToHex(std::span<const std::uint8_t> bytes);
Bytes HexToBytes(const std::u16string &hex);
std::u16string RemoveControlChars(const std::u16string &s);

// Plain conversions for program text (messages, paths, CLI output).
// ToUtf8 turns the escaped file-name bytes U+DC80..U+DCFF of a path (see
// support/Platform.h) back into their raw byte, so a listed name prints as
// the file system holds it; other unpaired surrogates become U+FFFD.
// FromUtf8 never fails: ill-formed sequences become U+FFFD.
std::string ToUtf8(const std::u16string &s);
std::u16string FromUtf8(std::string_view s);

// ---- Paths and folders ----------------------------------------------------

// One entry of a folder listing.
struct TFileField {
  std::u16string name;
  std::int32_t size = 0;   // low 32 bits of the size, as a signed number
  std::uint64_t fullSize = 0;  // the whole size, for what the user is shown
  std::u16string date;     // "yyyy/mm/dd", local time
  std::u16string time;     // "hh:nn:ss", local time
  bool dirf = false;       // always false: folders are never listed
};

extern std::vector<TFileField> FoundFiles;
extern std::int32_t FoundFileCount;

char16_t PathSeparator();
bool IsFile(const std::u16string &path);
bool IsFolder(const std::u16string &path);
bool CreateFolder(const std::u16string &path);
bool RemoveFolder(const std::u16string &path);
bool RemoveFile(const std::u16string &path);
std::u16string ExtractName(const std::u16string &path);
// Throws std::invalid_argument for a path that holds a character no path may
// hold on this platform (U+0000 on POSIX; also < U+0020, '"', '<', '>', '|' on
// Windows).
std::u16string FileExtLower(const std::u16string &path);
std::u16string ReplaceExt(const std::u16string &path, const std::u16string &ext);
// FileExtLower for a name from the file system or the user: a name no path
// may hold has no extension instead of raising.
std::u16string ExtensionOfName(const std::u16string &name);
// folder + separator + name, without doubling a separator folder ends with.
std::u16string JoinPath(const std::u16string &folder, const std::u16string &name);
// Copies source to dest with its access and modification times and its
// permission bits. Whether the copy is complete under dest: false when
// source could not be read or dest not written, in which case dest is as it
// was before.
bool CopyFileWithTimes(const std::u16string &source, const std::u16string &dest);
// Fills FoundFiles/FoundFileCount. `folder` ends with the separator.
void ListFiles(const std::u16string &folder, const std::u16string &mask);
void ClearFoundFiles();
// The same enumeration without the globals.
// `complete` (when given) tells whether the folder could be read to its end.
std::vector<TFileField> ListFolderFiles(const std::u16string &folder, const std::u16string &mask,
                                        bool *complete = nullptr);
// "*" and "?" wildcard match, ignoring case as Windows does (Unicode simple
// case folding, per code point). "?" is exactly one character; there are no
// short 8.3 names to match.
bool MatchesMask(const std::u16string &name, const std::u16string &mask);

// ---- Texts and numbers ----------------------------------------------------

std::u16string LocaleUpperCase(const std::u16string &s);
std::u16string LocaleLowerCase(const std::u16string &s);
int IndexOfText(const std::u16string &sub, const std::u16string &text);
std::u16string TextFrom(const std::u16string &text, int i);
std::u16string SubText(const std::u16string &text, int i, int n);
std::u16string RepeatText(const std::u16string &text, int n);
// Leading spaces, a sign, then decimal digits or hex digits after "$", "x",
// "X", "0x" or "0X"; anything else, or a value outside int32, gives 0.
std::int32_t StringToInt(const std::u16string &s);
std::u16string IntToString(std::int64_t v);
// 0 to 99 as two digits ("07"): the times of the listing and of undo.
std::u16string TwoDigits(int v);
// Leading spaces, a sign, digits with an optional "." and fraction, an
// optional exponent; "." whatever the locale. Anything else gives 0, and so
// does a value beyond the range of a double.
double StringToReal(const std::u16string &s);
// 15 significant digits: fixed notation for 0 and for values whose rounded
// decimal exponent is -5 to 14, else "1.5E20" / "-2.5E-7". NaN and the
// infinities give "NAN", "INF" and "-INF".
std::u16string RealToString(double v);
bool IsFiniteReal(double v);
std::u16string StringToUtf8Hex(const std::u16string &s);
std::u16string Utf8HexToString(const std::u16string &s);
std::u16string RemoveBlanks(const std::u16string &s);
std::u16string SanitizeText(const std::u16string &s);
// Whether SanitizeText(s) would give s back unchanged.
bool IsSanitizedText(std::u16string_view s);

}  // namespace velkaro
