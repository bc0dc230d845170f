#include "core/text_encoding.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>

#include "core/cp932.h"

namespace tavosu {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr UChar32 kReplacementCharacter = 0xFFFD;

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

void AppendUtf8(std::string& out, UChar32 c) {
  char units[U8_MAX_LENGTH];
  std::int32_t length = 0;
  U8_APPEND_UNSAFE(units, length, c);
  out.append(units, static_cast<std::size_t>(length));
}

void AppendUtf16Unit(std::string& out, UChar unit, bool big_endian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  out += big_endian ? high : low;
  out += big_endian ? low : high;
}

}  // namespace

std::optional<ByteOrderMark> FindByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return ByteOrderMark{TextEncoding::kUtf8, kUtf8Mark.size()};
  if (bytes.starts_with(kUtf16LeMark)) {
    return ByteOrderMark{TextEncoding::kUtf16Le, kUtf16LeMark.size()};
  }
  if (bytes.starts_with(kUtf16BeMark)) {
    return ByteOrderMark{TextEncoding::kUtf16Be, kUtf16BeMark.size()};
  }
  return std::nullopt;
}

std::optional<TextEncoding> FindUtf16WithoutMark(std::string_view first_bytes) {
  auto first_line_fits = [first_bytes](bool big_endian) {
    bool ascii = false;
    bool latin = true;
    for (std::size_t i = 0; i + 1 < first_bytes.size(); i += 2) {
      const auto low = static_cast<std::uint8_t>(first_bytes[i + (big_endian ? 1 : 0)]);
      const auto high = static_cast<std::uint8_t>(first_bytes[i + (big_endian ? 0 : 1)]);
      if (high == 0 && (low == '\r' || low == '\n')) return ascii;
      if (high == 0 && low == 0) return false;
      ascii = ascii || (high == 0 && low < 0x80);
      latin = latin && high == 0;
    }
    return ascii && latin;
  };
  if (first_bytes.find('\0') == std::string_view::npos) return std::nullopt;
  if (first_line_fits(false)) return TextEncoding::kUtf16Le;
  if (first_line_fits(true)) return TextEncoding::kUtf16Be;
  return std::nullopt;
}

Utf8Count CountUtf8(std::string_view bytes) {
  const std::uint8_t* s = Bytes(bytes);
  const auto length = static_cast<std::int32_t>(bytes.size());
  Utf8Count count;
  for (std::int32_t i = 0; i < length;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      ++count.ill_formed;
    } else if (i - start >= 3) {
      ++count.wide;
    }
  }
  return count;
}

bool ReadsAsUtf8(const Utf8Count& utf8, std::size_t cp932_errors) {
  return utf8.wide > 0 && 4 * utf8.ill_formed <= utf8.wide && utf8.ill_formed < cp932_errors;
}

void AppendRepairedUtf8(std::string& out, std::string_view bytes) {
  const std::uint8_t* s = Bytes(bytes);
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      out.append(bytes.data() + start, static_cast<std::size_t>(i - start));
    }
  }
}

void AppendUtf16AsUtf8(std::string& out, std::string_view bytes, bool big_endian) {
  const std::uint8_t* s = Bytes(bytes);
  const std::size_t count = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> UChar {
    const std::uint8_t first = s[2 * i];
    const std::uint8_t second = s[2 * i + 1];
    return static_cast<UChar>(big_endian ? (first << 8) | second : (second << 8) | first);
  };
  for (std::size_t i = 0; i < count; ++i) {
    UChar32 c = unit(i);
    if (U16_IS_LEAD(c) && i + 1 < count && U16_IS_TRAIL(unit(i + 1))) {
      c = U16_GET_SUPPLEMENTARY(c, unit(i + 1));
      ++i;
    } else if (U16_IS_SURROGATE(c)) {
      c = kReplacementCharacter;
    }
    AppendUtf8(out, c);
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacementCharacter);
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
  std::string out;
  if (encoding == TextEncoding::kUtf16Le) out = kUtf16LeMark;
  if (encoding == TextEncoding::kUtf16Be) out = kUtf16BeMark;
  out.reserve(out.size() + MaxEncodedSize(utf8.size(), encoding));
  AppendEncodedText(out, utf8, encoding);
  return out;
}

void AppendEncodedText(std::string& out, std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kCp932:
      AppendEncodedCp932(out, utf8);
      return;
    case TextEncoding::kUtf8:
      out += utf8;
      return;
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      break;
  }
  const bool big_endian = encoding == TextEncoding::kUtf16Be;
  const std::uint8_t* s = Bytes(utf8);
  const std::size_t length = utf8.size();
  for (std::size_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) c = kReplacementCharacter;
    if (U_IS_BMP(c)) {
      AppendUtf16Unit(out, static_cast<UChar>(c), big_endian);
    } else {
      AppendUtf16Unit(out, U16_LEAD(c), big_endian);
      AppendUtf16Unit(out, U16_TRAIL(c), big_endian);
    }
  }
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char byte : utf8) {
    const auto b = static_cast<std::uint8_t>(byte);
    units += ((b & 0xC0) != 0x80) + (b >= 0xF0);
  }
  return units;
}

std::size_t MaxEncodedSize(std::size_t utf8_bytes, TextEncoding encoding) {
  // Each UTF-8 byte takes at most two bytes of UTF-16 (ASCII), and at most
  // one byte of code page 932.
  const bool utf16 = encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
  return utf16 ? 2 * utf8_bytes : utf8_bytes;
}

}  // namespace tavosu
