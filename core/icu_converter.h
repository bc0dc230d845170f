// ICU converters set up to convert as the program's file encodings do: each
// byte sequence that forms no character reads as one U+FFFD, and each
// character without a mapping is written as "?".

#ifndef TAVOSU_CORE_ICU_CONVERTER_H_
#define TAVOSU_CORE_ICU_CONVERTER_H_

#include <unicode/ucnv.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tavosu {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using UniqueConverter = std::unique_ptr<UConverter, ConverterCloser>;

// Opens ICU's converter name with its fallback mappings off, so that it
// writes a character only where it also reads it back. Reading, a lead byte
// is handed over alone when the next byte cannot be a trail byte (that byte
// is then read again), and with its trail byte when the pair is well formed
// but unassigned; in the second case a trail byte in the ASCII range is kept
// as its ASCII character, so that no ASCII character is ever lost to a stray
// lead byte. In ISO-2022-JP, where every byte is in the ASCII range and a
// pair's bytes are no ASCII characters, nothing is kept. Throws
// std::runtime_error if ICU lacks the converter.
UniqueConverter OpenConverter(const char* name);

// The converter of a file encoding and UTF-8's, between which ICU converts
// through UTF-16 in pieces; both are reset before each conversion. what,
// below, describes the conversion in the error thrown if it fails.
struct Utf8ConverterPair {
  explicit Utf8ConverterPair(const char* name)
      : encoding(OpenConverter(name)), utf8(OpenConverter("UTF-8")) {}

  // Decodes bytes into out, which has room bytes of room for the text, as
  // UTF-8, and returns the end of the text.
  char* Decode(char* out, std::size_t room, std::string_view bytes, const char* what);

  // Appends valid UTF-8 text to out, encoded in at most room bytes.
  void AppendEncoded(std::string& out, std::size_t room, std::string_view text, const char* what);

  UniqueConverter encoding;
  UniqueConverter utf8;
};

// Throws std::runtime_error, naming what failed, if status is a failure.
void ThrowIfFailed(UErrorCode status, const char* what);

}  // namespace tavosu

#endif  // TAVOSU_CORE_ICU_CONVERTER_H_
