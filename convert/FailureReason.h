// FailureReason: why a reader gave up on a file, told in Japanese.
//
// The readers keep an English detail for tools ("File I/O Error: the file
// ends inside the header block at offset 0x2CEB"). The window shows a drafter
// the same fact in Japanese, with the place where the file went wrong, so a
// damaged drawing is told apart from a folder or permission problem.
#pragma once

#include <string>

namespace velkaro {

// "ファイルが途中で切れています（ヘッダー部、位置 0x2CEB）" for the detail above.
// An empty detail gives the empty text.
std::u16string ReadFailureDetailText(const std::string &detail);

}  // namespace velkaro
