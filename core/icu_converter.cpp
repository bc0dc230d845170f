#include "core/icu_converter.h"

#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <stdexcept>
#include <string>

namespace tavosu {

namespace {

constexpr UChar kReplacementCharacter = 0xFFFD;
constexpr char kQuestionMark = '?';

bool IsConversionError(UConverterCallbackReason reason) {
  return reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR;
}

void U_CALLCONV ReplaceUndecodable(const void* /*context*/, UConverterToUnicodeArgs* args,
                                   const char* code_units, int32_t length,
                                   UConverterCallbackReason reason, UErrorCode* status) {
  if (!IsConversionError(reason)) return;
  *status = U_ZERO_ERROR;
  UChar replacement[2] = {kReplacementCharacter, 0};
  int32_t count = 1;
  if (length == 2 && static_cast<unsigned char>(code_units[1]) < 0x80 &&
      ucnv_getType(args->converter) != UCNV_ISO_2022) {
    replacement[count++] = static_cast<UChar>(code_units[1]);
  }
  ucnv_cbToUWriteUChars(args, replacement, count, 0, status);
}

void U_CALLCONV WriteQuestionMark(const void* /*context*/, UConverterFromUnicodeArgs* args,
                                  const UChar* /*code_units*/, int32_t /*length*/,
                                  UChar32 /*code_point*/, UConverterCallbackReason reason,
                                  UErrorCode* status) {
  if (!IsConversionError(reason)) return;
  *status = U_ZERO_ERROR;
  // An ISO-2022 converter writes its substitution, the question mark, in a
  // set that holds it, switching to one where needed.
  if (ucnv_getType(args->converter) == UCNV_ISO_2022) {
    ucnv_cbFromUWriteSub(args, 0, status);
  } else {
    ucnv_cbFromUWriteBytes(args, &kQuestionMark, 1, 0, status);
  }
}

// Converts all of source through from to, both reset first, into target,
// which must have room for it, and returns the end of what was written.
char* Convert(UConverter* to, UConverter* from, char* target, std::size_t room,
              std::string_view source, const char* what) {
  if (source.empty()) return target;  // ICU refuses a source without data
  UErrorCode status = U_ZERO_ERROR;
  const char* source_at = source.data();
  ucnv_convertEx(to, from, &target, target + room, &source_at, source.data() + source.size(),
                 nullptr, nullptr, nullptr, nullptr, true, true, &status);
  ThrowIfFailed(status, what);
  return target;
}

}  // namespace

UniqueConverter OpenConverter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  UniqueConverter converter(ucnv_open(name, &status));
  ThrowIfFailed(status, name);
  ucnv_setFallback(converter.get(), false);
  ucnv_setSubstChars(converter.get(), &kQuestionMark, 1, &status);
  ucnv_setToUCallBack(converter.get(), ReplaceUndecodable, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), WriteQuestionMark, nullptr, nullptr, nullptr, &status);
  ThrowIfFailed(status, "setting converter callbacks");
  return converter;
}

char* Utf8ConverterPair::Decode(char* out, std::size_t room, std::string_view bytes,
                               const char* what) {
  return Convert(utf8.get(), encoding.get(), out, room, bytes, what);
}

void Utf8ConverterPair::AppendEncoded(std::string& out, std::size_t room, std::string_view text,
                                      const char* what) {
  const std::size_t start = out.size();
  out.resize(start + room);
  const char* end = Convert(encoding.get(), utf8.get(), out.data() + start, room, text, what);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

void ThrowIfFailed(UErrorCode status, const char* what) {
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string(what) + ": " + u_errorName(status));
  }
}

}  // namespace tavosu
