// ISO-2022-JP ("JIS") at the file boundary, as Japanese mail and editors
// write it: 7-bit text in which escape sequences switch between ASCII
// (ESC ( B), JIS-Roman (ESC ( J: ASCII with ¥ and ‾ for \ and ~), JIS X 0208
// in pairs of bytes (ESC $ B, or ESC $ @ for its 1978 edition) and
// half-width katakana (ESC ( I).
//
// The conversion is ICU's ISO-2022-JP converter, which besides these reads
// the NEC special characters of row 13 (①, ㈱) and writes back every
// character it reads; ICU writes no half-width katakana, which are written
// here through ESC ( I. Every function may be called from several threads
// at once.

#ifndef TAVOSU_CORE_ISO_2022_JP_H_
#define TAVOSU_CORE_ISO_2022_JP_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tavosu {

// Decodes ISO-2022-JP bytes that begin in ASCII into out as UTF-8, and
// returns the end of the text; out must have room for
// MaxDecodedIso2022JpSize(bytes.size()) bytes. Each byte sequence that forms
// no character becomes U+FFFD: a byte of 0x80 and above, an escape sequence
// of no set, one right after another, and a pair of no character.
char* DecodeIso2022JpInto(char* out, std::string_view bytes);
std::string DecodeIso2022Jp(std::string_view bytes);
constexpr std::size_t MaxDecodedIso2022JpSize(std::size_t bytes) { return 3 * bytes; }

// Decodes the lines of a file in ISO-2022-JP, each without its line end, in
// turn: a line begins in ASCII, or in JIS-Roman where the line before it
// ended in JIS-Roman, as a line may; any other set ends with its line.
class Iso2022JpLines {
 public:
  // The next line as UTF-8, valid until the next call.
  std::string_view Decode(std::string_view line);

 private:
  bool roman_ = false;  // the line before ended in JIS-Roman
  std::string bytes_;
  std::string text_;
};

// Appends valid UTF-8 text to out, encoded as ISO-2022-JP that begins and
// ends in ASCII, and switches back to ASCII before each line end (CR or
// LF). Each character that ISO-2022-JP cannot hold becomes "?" (0x3F).
void AppendEncodedIso2022Jp(std::string& out, std::string_view utf8);
std::string EncodeIso2022Jp(std::string_view utf8);

// How many bytes utf8_bytes bytes of UTF-8 take at most in ISO-2022-JP: a
// character of two bytes of UTF-8 and an ASCII one after it may take eight
// (¥a is ESC ( J \ ESC ( B a), and the text ends in ASCII.
constexpr std::size_t MaxEncodedIso2022JpSize(std::size_t utf8_bytes) {
  return 3 * utf8_bytes + 3;
}

}  // namespace tavosu

#endif  // TAVOSU_CORE_ISO_2022_JP_H_
