// The encodings a question file may come in, and the conversions between
// them and the UTF-8 the program holds in memory.
//
// Files from Windows are code page 932; Linux editors save UTF-8; Windows
// Notepad's "Unicode" is UTF-16 with a byte order mark. A file that begins
// with a byte order mark is in the encoding the mark names. Otherwise its
// question list is UTF-8 when it is valid UTF-8 holding at least one
// character of three or four bytes (every kana and kanji is one), and code
// page 932 in every other case: half-width katakana in code page 932 can
// pass for two-byte UTF-8, and pure ASCII reads the same either way. A
// results file is written in the encoding of the question file it scores,
// so nothing is lost on the way round.

#ifndef TAVOSU_CORE_TEXT_ENCODING_H_
#define TAVOSU_CORE_TEXT_ENCODING_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavosu {

enum class TextEncoding { kCp932, kUtf8, kUtf16Le, kUtf16Be };

// The encoding named by the byte order mark at the start of bytes, and the
// mark's length.
struct ByteOrderMark {
  TextEncoding encoding;
  std::size_t length;
};

// The byte order mark that bytes, the first bytes of a file, begin with
// (UTF-8, UTF-16 little endian or UTF-16 big endian), or nullopt. Needs the
// first three bytes of the file, or all of a shorter file.
std::optional<ByteOrderMark> FindByteOrderMark(std::string_view bytes);

// The length in bytes of the longest character in bytes, 1 to 4 (1 also for
// empty bytes); 0 when bytes are not well-formed UTF-8 (surrogates and
// overlong forms are not).
int WidestUtf8Character(std::string_view bytes);

inline bool IsValidUtf8(std::string_view bytes) { return WidestUtf8Character(bytes) != 0; }

// Appends bytes to out, each ill-formed UTF-8 sequence replaced with U+FFFD.
void AppendRepairedUtf8(std::string& out, std::string_view bytes);

// Appends UTF-16 bytes (little endian unless big_endian) to out as UTF-8.
// An unpaired surrogate, and an odd last byte, each become U+FFFD.
void AppendUtf16AsUtf8(std::string& out, std::string_view bytes, bool big_endian);

// Encodes valid UTF-8 text as the contents of a file in encoding: UTF-16
// begins with its byte order mark, so that it reads back as UTF-16.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// Appends valid UTF-8 text to out, encoded in encoding, as text that follows
// the start of a file.
void AppendEncodedText(std::string& out, std::string_view utf8, TextEncoding encoding);

// How many bytes utf8_bytes bytes of UTF-8 take at most in encoding.
std::size_t MaxEncodedSize(std::size_t utf8_bytes, TextEncoding encoding);

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_ENCODING_H_
