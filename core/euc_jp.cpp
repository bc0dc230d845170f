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
  return ThreadConverters().Decode(out, MaxDecodedEucJpSize(bytes.size()), bytes,
                                   "decoding EUC-JP");
}

std::string DecodeEucJp(std::string_view bytes) {
  std::string text(MaxDecodedEucJpSize(bytes.size()), '\0');
  text.resize(static_cast<std::size_t>(DecodeEucJpInto(text.data(), bytes) - text.data()));
  return text;
}

void AppendEncodedEucJp(std::string& out, std::string_view utf8) {
  ThreadConverters().AppendEncoded(out, MaxEncodedEucJpSize(utf8.size()), utf8,
                                   "encoding EUC-JP");
}

std::string EncodeEucJp(std::string_view utf8) {
  std::string bytes;
  AppendEncodedEucJp(bytes, utf8);
  return bytes;
}

}  // namespace tavosu
