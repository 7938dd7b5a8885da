// The code-page seam: the only place that knows how the legacy multibyte
// code page is converted. On POSIX it is code page 932 through ICU's
// windows-31j converter; on Windows, the system's own converter for 932.
//
// Both directions are total: a character the code page cannot hold becomes
// "?" (0x3F), and bytes that do not decode become U+FFFD.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::codepage {

// False when the code page cannot be used at all (ICU's data missing): every
// text would then come out as U+FFFD or "?", so a program should refuse to
// convert drawings.
bool LegacyCodepageAvailable();

std::u16string LegacyDecode(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> LegacyEncode(std::u16string_view text);

// The converter alone, without the shortcut LegacyDecode and LegacyEncode
// take for texts made only of characters below 0x80 (for the tests that
// hold the shortcut to the converter's results).
std::u16string ConverterDecode(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> ConverterEncode(std::u16string_view text);

}  // namespace velkaro::codepage
