// UTF-8 <-> UTF-16 transforms shared by the codec, the program-text
// conversions and the POSIX path seam. Each variant differs only in what it
// does with input that is not well formed:
//   strict   - refuses the whole input (the codec's Utf8BytesToString);
//   lenient  - U+FFFD for each maximal ill-formed subpart (program text);
//   escaped  - each ill-formed byte b becomes the lone surrogate U+DC00 + b
//              (file names on POSIX), and back.
// Unpaired surrogates in UTF-16 input are written as U+FFFD (EF BF BD),
// except by the escaped variant, which turns U+DC80..U+DCFF back into the
// byte they carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro::utf8 {

std::string FromUtf16(std::u16string_view s);
std::optional<std::u16string> ToUtf16Strict(std::string_view s);
std::u16string ToUtf16Lenient(std::string_view s);

std::string FromUtf16Escaped(std::u16string_view s);
std::u16string ToUtf16Escaped(std::string_view s);

}  // namespace velkaro::utf8
