#include "core/cp932.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace tavosu {
namespace {

// ICU's windows-31j table is IBM's code page 943, which rotates three control
// codes: it reads byte 0x1A as U+001C, 0x1C as U+007F and 0x7F as U+001A, and
// writes them back the same way. Windows maps each of these bytes to the code
// point of the same value. Nothing else in ICU's output is one of these three
// code points: invalid input never becomes U+001A, since the callbacks below
// replace it.
UChar WindowsFromIcuControl(UChar c) {
  switch (c) {
    case 0x1C: return 0x1A;
    case 0x7F: return 0x1C;
    case 0x1A: return 0x7F;
    default: return c;
  }
}

UChar IcuFromWindowsControl(UChar c) {
  switch (c) {
    case 0x1A: return 0x1C;
    case 0x1C: return 0x7F;
    case 0x7F: return 0x1A;
    default: return c;
  }
}

// ICU always applies its fallback mappings for private-use code points, and
// the table has one: U+F86F to 0x8782 (the numero sign). Windows has no
// mapping for U+F86F.
constexpr UChar kPrivateUseWithIcuFallback = 0xF86F;

constexpr UChar kReplacementCharacter = 0xFFFD;
constexpr UChar kQuestionMark = u'?';

bool IsConversionError(UConverterCallbackReason reason) {
  return reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR;
}

// Code page 932 to UTF-16: one U+FFFD per byte sequence that forms no
// character. ICU hands over a lead byte alone when the next byte cannot be a
// trail byte (that byte is then read again), and a lead byte with its trail
// byte when the pair is well formed but unassigned. In the second case a
// trail byte in the ASCII range (0x40-0x7E) is kept as its ASCII character,
// so that no ASCII character is ever lost to a stray lead byte.
void U_CALLCONV ReplaceUndecodable(const void* /*context*/, UConverterToUnicodeArgs* args,
                                   const char* code_units, int32_t length,
                                   UConverterCallbackReason reason, UErrorCode* status) {
  if (!IsConversionError(reason)) return;
  *status = U_ZERO_ERROR;
  UChar replacement[2] = {kReplacementCharacter, 0};
  int32_t count = 1;
  if (length == 2 && static_cast<unsigned char>(code_units[1]) < 0x80) {
    replacement[count++] = static_cast<UChar>(code_units[1]);
  }
  ucnv_cbToUWriteUChars(args, replacement, count, 0, status);
}

// Invalid UTF-8 to UTF-16: each invalid sequence (ICU delimits them as the
// Unicode standard recommends, by maximal subpart) becomes "?", which code
// page 932 then writes as itself.
void U_CALLCONV ReplaceInvalidUtf8(const void* /*context*/, UConverterToUnicodeArgs* args,
                                   const char* /*code_units*/, int32_t /*length*/,
                                   UConverterCallbackReason reason, UErrorCode* status) {
  if (!IsConversionError(reason)) return;
  *status = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kQuestionMark, 1, 0, status);
}

// UTF-16 to code page 932: each code point without a mapping becomes "?".
void U_CALLCONV WriteQuestionMark(const void* /*context*/, UConverterFromUnicodeArgs* args,
                                  const UChar* /*code_units*/, int32_t /*length*/,
                                  UChar32 /*code_point*/, UConverterCallbackReason reason,
                                  UErrorCode* status) {
  if (!IsConversionError(reason)) return;
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, "?", 1, 0, status);
}

void ThrowIfFailed(UErrorCode status, const char* what) {
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string(what) + ": " + u_errorName(status));
  }
}

// ICU measures buffers in int32_t, so input goes in slices no larger than this.
constexpr std::size_t kMaxSlice = std::size_t{1} << 30;
// UTF-16 code units converted per round.
constexpr int32_t kPivotSize = 32 * 1024;
// Bytes of output per round; three UTF-8 bytes per UTF-16 unit at most.
constexpr int32_t kOutputSize = 3 * kPivotSize;

// The converters and buffers of one thread. ICU converters hold conversion
// state, so each thread gets its own set; they are reset at the start of
// every conversion.
class Converters {
 public:
  Converters()
      : cp932_(Open("windows-31j")),
        utf8_(Open("UTF-8")),
        pivot_(std::make_unique<UChar[]>(kPivotSize)),
        output_(std::make_unique<char[]>(kOutputSize)) {
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFallback(cp932_.get(), false);
    ucnv_setToUCallBack(cp932_.get(), ReplaceUndecodable, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(cp932_.get(), WriteQuestionMark, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(utf8_.get(), ReplaceInvalidUtf8, nullptr, nullptr, nullptr, &status);
    ThrowIfFailed(status, "setting converter callbacks");
  }

  UConverter* cp932() const { return cp932_.get(); }
  UConverter* utf8() const { return utf8_.get(); }
  UChar* pivot() const { return pivot_.get(); }
  char* output() const { return output_.get(); }

 private:
  struct Closer {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
  };
  using ConverterPtr = std::unique_ptr<UConverter, Closer>;

  static ConverterPtr Open(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    ThrowIfFailed(status, name);
    return converter;
  }

  ConverterPtr cp932_;
  ConverterPtr utf8_;
  std::unique_ptr<UChar[]> pivot_;
  std::unique_ptr<char[]> output_;
};

Converters& ThreadConverters() {
  thread_local Converters converters;
  return converters;
}

}  // namespace

std::string DecodeCp932(std::string_view bytes) {
  std::string result;
  if (bytes.empty()) return result;
  // Most question text is double-byte, which grows by half in UTF-8.
  result.reserve(bytes.size() + bytes.size() / 2);

  Converters& converters = ThreadConverters();
  UConverter* cp932 = converters.cp932();
  ucnv_resetToUnicode(cp932);
  UChar* const pivot = converters.pivot();
  char* const output = converters.output();

  const char* source = bytes.data();
  const char* const source_end = source + bytes.size();
  while (true) {
    const char* const slice_end =
        source + std::min(static_cast<std::size_t>(source_end - source), kMaxSlice);
    const bool flush = slice_end == source_end;
    UErrorCode status = U_ZERO_ERROR;
    UChar* pivot_end = pivot;
    ucnv_toUnicode(cp932, &pivot_end, pivot + kPivotSize, &source, slice_end, nullptr, flush,
                   &status);
    const bool pivot_full = status == U_BUFFER_OVERFLOW_ERROR;
    if (!pivot_full) ThrowIfFailed(status, "decoding code page 932");

    std::transform(pivot, pivot_end, pivot, WindowsFromIcuControl);
    UErrorCode utf8_status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF8(output, kOutputSize, &length, pivot, static_cast<int32_t>(pivot_end - pivot),
                &utf8_status);
    ThrowIfFailed(utf8_status, "writing UTF-8");
    result.append(output, static_cast<std::size_t>(length));

    if (flush && !pivot_full) return result;
  }
}

std::string EncodeCp932(std::string_view utf8) {
  std::string result;
  if (utf8.empty()) return result;
  // Every character takes at most as many bytes in code page 932 as in UTF-8.
  result.reserve(utf8.size());

  Converters& converters = ThreadConverters();
  UConverter* const from_utf8 = converters.utf8();
  UConverter* const cp932 = converters.cp932();
  ucnv_resetToUnicode(from_utf8);
  ucnv_resetFromUnicode(cp932);
  UChar* const pivot = converters.pivot();
  char* const output = converters.output();

  const char* source = utf8.data();
  const char* const source_end = source + utf8.size();
  while (true) {
    const char* const slice_end =
        source + std::min(static_cast<std::size_t>(source_end - source), kMaxSlice);
    const bool flush_utf8 = slice_end == source_end;
    UErrorCode status = U_ZERO_ERROR;
    UChar* pivot_end = pivot;
    ucnv_toUnicode(from_utf8, &pivot_end, pivot + kPivotSize, &source, slice_end, nullptr,
                   flush_utf8, &status);
    const bool pivot_full = status == U_BUFFER_OVERFLOW_ERROR;
    if (!pivot_full) ThrowIfFailed(status, "reading UTF-8");

    for (UChar* unit = pivot; unit != pivot_end; ++unit) {
      *unit = *unit == kPrivateUseWithIcuFallback ? kQuestionMark : IcuFromWindowsControl(*unit);
    }
    // A surrogate pair split between two rounds stays inside the converter
    // until its second half arrives, so only the last round flushes.
    const bool last = flush_utf8 && !pivot_full;
    const UChar* pivot_source = pivot;
    UErrorCode cp932_status;
    do {
      cp932_status = U_ZERO_ERROR;
      char* output_end = output;
      ucnv_fromUnicode(cp932, &output_end, output + kOutputSize, &pivot_source, pivot_end,
                       nullptr, last, &cp932_status);
      if (cp932_status != U_BUFFER_OVERFLOW_ERROR) {
        ThrowIfFailed(cp932_status, "encoding code page 932");
      }
      result.append(output, static_cast<std::size_t>(output_end - output));
    } while (cp932_status == U_BUFFER_OVERFLOW_ERROR);

    if (last) return result;
  }
}

}  // namespace tavosu
