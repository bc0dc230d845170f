// The encodings a question file may come in, and the conversions between
// them and the UTF-8 the program holds in memory.
//
// Files from Windows are code page 932; Linux editors save UTF-8; Windows
// Notepad's "Unicode" is UTF-16 with a byte order mark, and some tools write
// UTF-16 without one. A file that begins with a byte order mark is in the
// encoding the mark names; one whose first line reads as UTF-16 in one byte
// order (see FindUtf16WithoutMark) is UTF-16 in that order. Otherwise the
// question list weighs its bytes read both ways (see ReadsAsUtf8). A results
// file is written in the encoding of the question file it scores, so
// nothing is lost on the way round.

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

// The encoding of a file without a byte order mark whose first bytes are
// first_bytes, if they show it to be UTF-16 in one byte order, little
// endian tried first. Read as code units in that order, the first line (the
// units before the first CR or LF) holds an ASCII character, as the space or
// comment sign of every line of a list is, and no U+0000; and it ends within
// first_bytes, or else every one of its units is below U+0100. Text in any
// other encoding holds no NUL byte, so only a damaged file is weighed here.
std::optional<TextEncoding> FindUtf16WithoutMark(std::string_view first_bytes);

// What bytes hold, read as UTF-8: characters of three or four bytes (every
// kana and kanji is one), and maximal ill-formed sequences (surrogates and
// overlong forms are ill-formed).
struct Utf8Count {
  std::size_t wide = 0;
  std::size_t ill_formed = 0;
  Utf8Count& operator+=(const Utf8Count& other) {
    wide += other.wide;
    ill_formed += other.ill_formed;
    return *this;
  }
};
Utf8Count CountUtf8(std::string_view bytes);

inline bool IsValidUtf8(std::string_view bytes) { return CountUtf8(bytes).ill_formed == 0; }

// Whether bytes without a byte order mark read as UTF-8 rather than code page
// 932, given what they hold as UTF-8 and how many of their sequences form no
// code page 932 character: when there is a wide character, at most one
// ill-formed sequence to four of them, and fewer ill-formed sequences than
// code page 932 finds. A stray byte in a UTF-8 file does not overturn it;
// code page 932 text, even where it happens to be well-formed UTF-8, and
// ASCII and half-width katakana (which pass for two-byte UTF-8) stay code
// page 932.
bool ReadsAsUtf8(const Utf8Count& utf8, std::size_t cp932_errors);

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

// The UTF-16 code units of valid UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

// How many bytes utf8_bytes bytes of UTF-8 take at most in encoding.
std::size_t MaxEncodedSize(std::size_t utf8_bytes, TextEncoding encoding);

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_ENCODING_H_
