// The encodings a question file may come in, and the conversions between
// them and the UTF-8 the program holds in memory.
//
// Files from Windows are code page 932; older Unix files and Debian's
// Japanese dictionaries are EUC-JP; Japanese editors still offer JIS
// (ISO-2022-JP), the encoding of Japanese mail; Linux editors save UTF-8;
// Windows Notepad's "Unicode" is UTF-16 with a byte order mark, and some
// tools write UTF-16 without one. A file whose first bytes show it to be
// UTF-16 (see FindUtf16WithoutMark and CanFollowUtf16Mark) is UTF-16; one
// whose list is 7-bit text with escape sequences that read as ISO-2022-JP
// is ISO-2022-JP; any other is read in whichever 8-bit encoding its text
// reads most plausibly in (core/plausibility.h). A results file is written
// in the form of the question file it scores, so nothing is lost on the way
// round.

#ifndef TAVOSU_CORE_TEXT_ENCODING_H_
#define TAVOSU_CORE_TEXT_ENCODING_H_

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/cp932.h"
#include "core/euc_jp.h"
#include "core/iso_2022_jp.h"

namespace tavosu {

enum class TextEncoding { kCp932, kEucJp, kUtf8, kUtf16Le, kUtf16Be, kIso2022Jp };

// How the text of a file is stored: the encoding of its text, and the
// encoding that the byte order mark it begins with names, if it has one.
// The two differ where the text after a mark reads far better in another
// encoding than in the one the mark names.
struct TextForm {
  TextForm(TextEncoding text_encoding = TextEncoding::kCp932,
           std::optional<TextEncoding> mark_encoding = std::nullopt)
      : encoding(text_encoding), mark(mark_encoding) {}
  bool operator==(const TextForm&) const = default;

  TextEncoding encoding;
  std::optional<TextEncoding> mark;
};

constexpr bool IsUtf16(TextEncoding encoding) {
  return encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
}

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
// first_bytes (all of it where whole_file), if they show it to be UTF-16 in
// one byte order. Read as code units in that order, the first line ends at
// a CR or LF unit, which reads so in that order only, within first_bytes
// (little endian tried first); or, where it ends so in neither order, it
// holds no U+0000 and a space or comment sign, as every line of a list
// does, and runs to the end of the whole file or holds only units below
// U+0100. Text in any other encoding holds no NUL byte, so only a damaged
// file is weighed here.
std::optional<TextEncoding> FindUtf16WithoutMark(std::string_view first_bytes, bool whole_file);

// Whether the text after a UTF-16 byte order mark, whose first bytes are
// first_bytes, can be UTF-16: it holds a NUL byte, as the space, comment
// sign and line end of UTF-16 text do, or no byte at all.
bool CanFollowUtf16Mark(std::string_view first_bytes);

bool IsValidUtf8(std::string_view bytes);

// Copies UTF-8 bytes into out, each ill-formed sequence replaced with
// U+FFFD, and returns the end of the text; out must have room for
// MaxDecodedSize(bytes.size()) bytes.
char* RepairUtf8Into(char* out, std::string_view bytes);

// Decodes bytes of a file in an 8-bit encoding (code page 932, EUC-JP or
// UTF-8), or in ISO-2022-JP from ASCII on, into out as UTF-8 and returns the
// end of the text; out must have room for MaxDecodedSize(bytes.size())
// bytes. Each byte sequence that forms no character becomes U+FFFD.
inline char* DecodeInto(char* out, std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::kCp932) return DecodeCp932Into(out, bytes);
  if (encoding == TextEncoding::kEucJp) return DecodeEucJpInto(out, bytes);
  if (encoding == TextEncoding::kIso2022Jp) return DecodeIso2022JpInto(out, bytes);
  return RepairUtf8Into(out, bytes);
}

// The most bytes of UTF-8 that bytes bytes of a file in an 8-bit encoding
// or ISO-2022-JP decode to; UTF-8 takes no more, a byte of it becoming at
// most the three of U+FFFD.
constexpr std::size_t MaxDecodedSize(std::size_t bytes) {
  return std::max({MaxDecodedCp932Size(bytes), MaxDecodedEucJpSize(bytes),
                   MaxDecodedIso2022JpSize(bytes)});
}

// Appends UTF-16 bytes (little endian unless big_endian) to out as UTF-8.
// An unpaired surrogate, and an odd last byte, each become U+FFFD.
void AppendUtf16AsUtf8(std::string& out, std::string_view bytes, bool big_endian);

// Encodes valid UTF-8 text as the contents of a file in form: its byte
// order mark, and UTF-16 always with one, so that it reads back as UTF-16.
std::string EncodeText(std::string_view utf8, const TextForm& form);

// Appends valid UTF-8 text to out, encoded in encoding, as text that follows
// the start of a file.
void AppendEncodedText(std::string& out, std::string_view utf8, TextEncoding encoding);

// The UTF-16 code units of valid UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

// How many bytes utf8_bytes bytes of UTF-8 take at most in encoding.
std::size_t MaxEncodedSize(std::size_t utf8_bytes, TextEncoding encoding);

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_ENCODING_H_
