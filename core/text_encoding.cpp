#include "core/text_encoding.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tavosu {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr UChar32 kReplacementCharacter = 0xFFFD;

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

char* AppendUtf8(char* out, UChar32 c) {
  std::int32_t length = 0;
  U8_APPEND_UNSAFE(out, length, c);
  return out + length;
}

void AppendUtf8(std::string& out, UChar32 c) {
  char units[U8_MAX_LENGTH];
  out.append(units, static_cast<std::size_t>(AppendUtf8(units, c) - units));
}

std::string_view MarkOf(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8: return kUtf8Mark;
    case TextEncoding::kUtf16Le: return kUtf16LeMark;
    case TextEncoding::kUtf16Be: return kUtf16BeMark;
    case TextEncoding::kCp932:
    case TextEncoding::kEucJp:
    case TextEncoding::kIso2022Jp: break;
  }
  return {};
}

void AppendUtf16Unit(std::string& out, UChar unit, bool big_endian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  out += big_endian ? high : low;
  out += big_endian ? low : high;
}

}  // namespace

std::optional<ByteOrderMark> FindByteOrderMark(std::string_view bytes) {
  for (const TextEncoding encoding :
       {TextEncoding::kUtf8, TextEncoding::kUtf16Le, TextEncoding::kUtf16Be}) {
    const std::string_view mark = MarkOf(encoding);
    if (bytes.starts_with(mark)) return ByteOrderMark{encoding, mark.size()};
  }
  return std::nullopt;
}

std::optional<TextEncoding> FindUtf16WithoutMark(std::string_view first_bytes, bool whole_file) {
  // How the first line reads in one byte order.
  struct FirstLine {
    bool ends = false;  // at a CR or LF unit
    bool nul = false;
    bool sign = false;  // a space or comment sign
    bool latin = true;  // every unit below U+0100
  };
  auto read = [first_bytes](bool big_endian) {
    FirstLine line;
    for (std::size_t i = 0; i + 1 < first_bytes.size(); i += 2) {
      const auto low = static_cast<std::uint8_t>(first_bytes[i + (big_endian ? 1 : 0)]);
      const auto high = static_cast<std::uint8_t>(first_bytes[i + (big_endian ? 0 : 1)]);
      line.ends = high == 0 && (low == '\r' || low == '\n');
      line.nul = high == 0 && low == 0;
      if (line.ends || line.nul) break;
      line.sign = line.sign || (high == 0 && (low == ' ' || low == '#'));
      line.latin = line.latin && high == 0;
    }
    return line;
  };
  if (first_bytes.find('\0') == std::string_view::npos) return std::nullopt;
  const std::pair<TextEncoding, FirstLine> orders[] = {{TextEncoding::kUtf16Le, read(false)},
                                                       {TextEncoding::kUtf16Be, read(true)}};
  for (const auto& [encoding, line] : orders) {
    if (line.ends) return encoding;
  }
  for (const auto& [encoding, line] : orders) {
    if (!line.nul && line.sign && (whole_file || line.latin)) return encoding;
  }
  return std::nullopt;
}

bool CanFollowUtf16Mark(std::string_view first_bytes) {
  return first_bytes.empty() || first_bytes.find('\0') != std::string_view::npos;
}

bool IsValidUtf8(std::string_view bytes) {
  const std::uint8_t* s = Bytes(bytes);
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

char* RepairUtf8Into(char* out, std::string_view bytes) {
  const std::uint8_t* s = Bytes(bytes);
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out = AppendUtf8(out, kReplacementCharacter);
    } else {
      out = std::copy(bytes.data() + start, bytes.data() + i, out);
    }
  }
  return out;
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

std::string EncodeText(std::string_view utf8, const TextForm& form) {
  std::string out;
  if (form.mark) {
    out = MarkOf(*form.mark);
  } else if (IsUtf16(form.encoding)) {
    out = MarkOf(form.encoding);
  }
  out.reserve(out.size() + MaxEncodedSize(utf8.size(), form.encoding));
  AppendEncodedText(out, utf8, form.encoding);
  return out;
}

void AppendEncodedText(std::string& out, std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kCp932:
      AppendEncodedCp932(out, utf8);
      return;
    case TextEncoding::kEucJp:
      AppendEncodedEucJp(out, utf8);
      return;
    case TextEncoding::kIso2022Jp:
      AppendEncodedIso2022Jp(out, utf8);
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
  // one byte of code page 932 or UTF-8.
  if (encoding == TextEncoding::kEucJp) return MaxEncodedEucJpSize(utf8_bytes);
  if (encoding == TextEncoding::kIso2022Jp) return MaxEncodedIso2022JpSize(utf8_bytes);
  return IsUtf16(encoding) ? 2 * utf8_bytes : utf8_bytes;
}

}  // namespace tavosu
