#include "core/euc_jp.h"

#include "core/icu_converter.h"

namespace tavosu {

namespace {

// The converters of the calling thread.
Utf8ConverterPair& ThreadConverters() {
  thread_local Utf8ConverterPair converters("ibm-954");
  return converters;
}

}  // namespace

char* DecodeEucJpInto(char* out, std::string_view bytes) {
  Utf8ConverterPair& converters = ThreadConverters();
  return Convert(converters.utf8.get(), converters.encoding.get(), out,
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
  Utf8ConverterPair& converters = ThreadConverters();
  const char* end = Convert(converters.encoding.get(), converters.utf8.get(), out.data() + start,
                            room, utf8, "encoding EUC-JP");
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string EncodeEucJp(std::string_view utf8) {
  std::string bytes;
  AppendEncodedEucJp(bytes, utf8);
  return bytes;
}

}  // namespace tavosu
