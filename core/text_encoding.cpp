#include "core/text_encoding.h"

#include <unicode/utf8.h>

#include "core/cp932.h"

namespace tavosu {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool HasHighByte(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) > 0x7F) return true;
  }
  return false;
}

// Copies bytes, replacing each ill-formed sequence with U+FFFD.
std::string RepairUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      text += "\xEF\xBF\xBD";
    } else {
      text.append(bytes.data() + start, static_cast<std::size_t>(i - start));
    }
  }
  return text;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

DecodedText DecodeText(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) {
    bytes.remove_prefix(kByteOrderMark.size());
    return {RepairUtf8(bytes), TextEncoding::kUtf8};
  }
  if (HasHighByte(bytes) && IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::kUtf8};
  return {DecodeCp932(bytes), TextEncoding::kCp932};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
  return encoding == TextEncoding::kUtf8 ? std::string(utf8) : EncodeCp932(utf8);
}

}  // namespace tavosu
