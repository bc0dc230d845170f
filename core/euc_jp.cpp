#include "core/euc_jp.h"

#include "core/icu_converter.h"

namespace tavosu {

namespace {

// The converters of the calling thread: EUC-JP and UTF-8, between which
// ICU converts through UTF-16 in pieces.
struct Converters {
  UniqueConverter euc_jp = OpenConverter("ibm-954");
  UniqueConverter utf8 = OpenConverter("UTF-8");
};

Converters& ThreadConverters() {
  thread_local Converters converters;
  return converters;
}

// Converts all of source through from to into target, which must have room
// for it, and returns the end of what was written.
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

char* DecodeEucJpInto(char* out, std::string_view bytes) {
  Converters& converters = ThreadConverters();
  return Convert(converters.utf8.get(), converters.euc_jp.get(), out,
                 MaxDecodedEucJpSize(bytes.size()), bytes, "decoding EUC-JP");
}

std::string DecodeEucJp(std::string_view bytes) {
  std::string text(MaxDecodedEucJpSize(bytes.size()), '\0');
  text.resize(static_cast<std::size_t>(DecodeEucJpInto(text.data(), bytes) - text.data()));
  return text;
}

void AppendEncodedEucJp(std::string& out, std::string_view utf8) {
  const std::size_t start = out.size();
  const std::size_t room = MaxEncodedEucJpSize(utf8.size());
  out.resize(start + room);
  Converters& converters = ThreadConverters();
  const char* end = Convert(converters.euc_jp.get(), converters.utf8.get(), out.data() + start,
                            room, utf8, "encoding EUC-JP");
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string EncodeEucJp(std::string_view utf8) {
  std::string bytes;
  AppendEncodedEucJp(bytes, utf8);
  return bytes;
}

}  // namespace tavosu
