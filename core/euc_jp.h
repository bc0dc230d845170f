// EUC-JP at the file boundary, as Unix systems in Japan and Debian's
// Japanese dictionaries write it: ASCII in one byte, JIS X 0208 in two bytes
// of A1-FE, half-width katakana as 8E and one byte, and JIS X 0212 as 8F and
// two bytes.
//
// The conversion is ICU's ibm-954 table, which holds besides these the IBM
// and NEC extensions and the user-defined area. Every sequence it reads is
// written back as the same bytes but three: 8E E3 and 8E E4, read as "\" and
// "~" (written as the ASCII bytes), and 8F F3 B8, read as the numero sign
// (written as 8F A2 F1). Every function may be called from several threads
// at once.

#ifndef TAVOSU_CORE_EUC_JP_H_
#define TAVOSU_CORE_EUC_JP_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tavosu {

// Decodes EUC-JP bytes into out as UTF-8, and returns the end of the text;
// out must have room for MaxDecodedEucJpSize(bytes.size()) bytes. Each byte
// sequence that forms no character becomes U+FFFD; a byte that cannot
// follow the bytes before it is read again on its own, so that no ASCII
// character is lost.
char* DecodeEucJpInto(char* out, std::string_view bytes);
std::string DecodeEucJp(std::string_view bytes);
constexpr std::size_t MaxDecodedEucJpSize(std::size_t bytes) { return 3 * bytes; }

// Appends valid UTF-8 text to out, encoded as EUC-JP. Each character that
// EUC-JP cannot hold becomes "?" (0x3F).
void AppendEncodedEucJp(std::string& out, std::string_view utf8);
std::string EncodeEucJp(std::string_view utf8);

// How many bytes utf8_bytes bytes of UTF-8 take at most in EUC-JP: two
// bytes of UTF-8 may take three (é is 8F AB B1).
constexpr std::size_t MaxEncodedEucJpSize(std::size_t utf8_bytes) {
  return utf8_bytes + (utf8_bytes + 1) / 2;
}

}  // namespace tavosu

#endif  // TAVOSU_CORE_EUC_JP_H_
