// ICU converters set up to convert as the program's file encodings do: each
// byte sequence that forms no character reads as one U+FFFD, and each
// character without a mapping is written as "?".

#ifndef TAVOSU_CORE_ICU_CONVERTER_H_
#define TAVOSU_CORE_ICU_CONVERTER_H_

#include <unicode/ucnv.h>

#include <memory>

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
// lead byte. Throws std::runtime_error if ICU lacks the converter.
UniqueConverter OpenConverter(const char* name);

// Throws std::runtime_error, naming what failed, if status is a failure.
void ThrowIfFailed(UErrorCode status, const char* what);

}  // namespace tavosu

#endif  // TAVOSU_CORE_ICU_CONVERTER_H_
