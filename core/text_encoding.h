// The encodings a question file may come in, and how the program tells them
// apart.
//
// Files from Windows are code page 932; Linux editors save UTF-8. A file that
// begins with the UTF-8 byte order mark, or that is valid UTF-8 and holds at
// least one byte above 0x7F, is UTF-8; any other file is code page 932. Real
// code page 932 Japanese text is practically never valid UTF-8, and pure
// ASCII reads the same either way. A results file is written in the encoding
// of the question file it scores, so nothing is lost on the way round.

#ifndef TAVOSU_CORE_TEXT_ENCODING_H_
#define TAVOSU_CORE_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace tavosu {

enum class TextEncoding { kCp932, kUtf8 };

struct DecodedText {
  std::string text;  // UTF-8, without a byte order mark
  TextEncoding encoding;
};

// True when bytes are well-formed UTF-8 (surrogates and overlong forms are
// not).
bool IsValidUtf8(std::string_view bytes);

// Chooses the encoding of bytes and decodes them to valid UTF-8; sequences
// that form no character become U+FFFD. Never fails.
DecodedText DecodeText(std::string_view bytes);

// Encodes valid UTF-8 text in encoding, without a byte order mark.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_ENCODING_H_
