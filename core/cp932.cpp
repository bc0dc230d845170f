#include "core/cp932.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/icu_converter.h"

namespace tavosu {
namespace {

// The conversions are table lookups. The tables are built once, on first
// use, by running every byte, every pair of a lead and a trail byte and
// every BMP code point through ICU's windows-31j converter, corrected below
// to convert exactly as Windows does.

// ICU's windows-31j table is IBM's code page 943, which rotates three control
// codes: it reads byte 0x1A as U+001C, 0x1C as U+007F and 0x7F as U+001A, and
// writes them back the same way. Windows maps each of these bytes to the code
// point of the same value. Nothing else in ICU's output is one of these three
// code points: invalid input never becomes U+001A, since the converter's
// callbacks (OpenConverter) replace it.
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
constexpr std::string_view kReplacementInUtf8 = "\xEF\xBF\xBD";
constexpr char kQuestionMark = '?';

// The single bytes that ICU's table leaves out and Windows reads, as its
// code page 932 table lists them, as U+0080 and four private-use code
// points, and writes back as the same bytes.
struct SingleByte {
  unsigned byte;
  char16_t code_point;
};
constexpr SingleByte kWindowsOnlySingles[] = {
    {0x80, u'\u0080'}, {0xA0, u'\uF8F0'}, {0xFD, u'\uF8F1'}, {0xFE, u'\uF8F2'}, {0xFF, u'\uF8F3'}};

constexpr char kWindows31J[] = "windows-31j";

// Decodes bytes through ICU, corrected as above. bytes must be small enough
// for one call.
std::u16string IcuDecode(UConverter* converter, const std::string& bytes) {
  std::u16string text(2 * bytes.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()), bytes.data(),
                    static_cast<int32_t>(bytes.size()), &status);
  ThrowIfFailed(status, "decoding code page 932");
  text.resize(static_cast<std::size_t>(length));
  for (char16_t& unit : text) unit = WindowsFromIcuControl(unit);
  return text;
}

// Encodes UTF-16 text through ICU, corrected as above.
std::string IcuEncode(UConverter* converter, std::u16string text) {
  for (char16_t& unit : text) {
    unit = unit == kPrivateUseWithIcuFallback ? kQuestionMark : IcuFromWindowsControl(unit);
  }
  std::string bytes(2 * text.size(), '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()), text.data(),
                      static_cast<int32_t>(text.size()), &status);
  ThrowIfFailed(status, "encoding code page 932");
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

// Calls take(segment) for each piece of text between separators.
template <typename String, typename Take>
void ForEachSegment(const String& text, typename String::value_type separator, Take take) {
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != String::npos; start = end + 1) {
    take(text.substr(start, end - start));
  }
}

bool IsLeadByte(unsigned byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFC;
constexpr unsigned kTrailCount = kLastTrail - kFirstTrail + 1;

// Where the pair of a byte of 0x80 and above and a trail byte is kept.
constexpr unsigned PairIndex(unsigned lead, unsigned trail) {
  return (lead - 0x80) * kTrailCount + trail - kFirstTrail;
}

// What one byte, or one pair of bytes, decodes to: up to four bytes of
// UTF-8 (a replacement character and a kept ASCII trail byte at most).
struct Decoded {
  char utf8[4] = {};
  std::uint8_t length = 0;  // 0 in a pair: the lead byte is read alone
};

void AppendUtf8(Decoded& decoded, UChar32 c) {
  int32_t length = decoded.length;
  U8_APPEND_UNSAFE(decoded.utf8, length, c);
  decoded.length = static_cast<std::uint8_t>(length);
}

struct DecodeTable {
  std::array<Decoded, 256> single;  // each byte alone; a lead byte alone is U+FFFD
  std::array<Decoded, 0x80 * kTrailCount> pair;  // unused, but for lead bytes
};

Decoded FromUtf16(std::u16string_view text) {
  Decoded decoded;
  for (std::size_t i = 0; i < text.size();) {
    UChar32 c;
    U16_NEXT(text.data(), i, text.size(), c);
    AppendUtf8(decoded, c);
  }
  return decoded;
}

// Each byte and each pair is decoded with a line feed after it, which no
// byte sequence swallows and no other byte decodes to.
std::unique_ptr<const DecodeTable> BuildDecodeTable() {
  auto table = std::make_unique<DecodeTable>();
  const auto converter = OpenConverter(kWindows31J);

  std::string singles;
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (byte != '\n') singles += {static_cast<char>(byte), '\n'};
  }
  unsigned byte = 0;
  ForEachSegment(IcuDecode(converter.get(), singles), u'\n', [&](std::u16string_view segment) {
    if (byte == '\n') ++byte;
    table->single[byte++] = FromUtf16(segment);
  });
  table->single['\n'] = FromUtf16(u"\n");

  std::string pairs;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      pairs += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
    }
  }
  std::size_t at = 0;
  ForEachSegment(IcuDecode(converter.get(), pairs), u'\n', [&](std::u16string_view segment) {
    const unsigned lead = static_cast<unsigned char>(pairs[at]);
    const unsigned trail = static_cast<unsigned char>(pairs[at + 1]);
    at += 3;
    const Decoded decoded = FromUtf16(segment);
    // Where ICU read the lead byte alone and then the trail byte on its own,
    // the pair stays unused, for the trail byte may begin a pair of its own.
    // An ASCII trail byte reads the same either way.
    const Decoded& lead_alone = table->single[lead];
    const Decoded& trail_alone = table->single[trail];
    const bool read_apart =
        trail >= 0x80 && decoded.length == lead_alone.length + trail_alone.length &&
        std::memcmp(decoded.utf8, lead_alone.utf8, lead_alone.length) == 0 &&
        std::memcmp(decoded.utf8 + lead_alone.length, trail_alone.utf8, trail_alone.length) == 0;
    if (!read_apart) table->pair[PairIndex(lead, trail)] = decoded;
  });
  // Set only now: a lead byte before one of these is read alone, as before.
  for (const SingleByte& single : kWindowsOnlySingles) {
    const char16_t code_point[] = {single.code_point};
    table->single[single.byte] = FromUtf16(std::u16string_view(code_point, 1));
  }
  return table;
}

const DecodeTable& Decoding() {
  static const std::unique_ptr<const DecodeTable> table = BuildDecodeTable();
  return *table;
}

// The code page 932 bytes of each BMP code point: one byte below 0x100, two
// bytes (lead byte high) above.
using EncodeTable = std::array<std::uint16_t, 0x10000>;

// Only code points that some byte or pair decodes to can be written: with
// its fallbacks off, ICU writes a character only where it also reads it
// back. Each of these is encoded with a line feed after it; no code point
// but U+000A is written as byte 0x0A.
std::unique_ptr<const EncodeTable> BuildEncodeTable() {
  auto table = std::make_unique<EncodeTable>();
  table->fill(kQuestionMark);
  std::u16string text;
  std::u16string written;
  auto add = [&](const Decoded& decoded) {
    UChar32 c;
    int32_t i = 0;
    U8_NEXT_UNSAFE(decoded.utf8, i, c);
    if (i == decoded.length && c != u'\n' && U_IS_BMP(c) && c != kReplacementCharacter) {
      written += static_cast<char16_t>(c);
      text += {static_cast<char16_t>(c), u'\n'};
    }
  };
  const DecodeTable& decoding = Decoding();
  for (const Decoded& decoded : decoding.single) add(decoded);
  for (const Decoded& decoded : decoding.pair) {
    if (decoded.length != 0) add(decoded);
  }
  std::size_t next = 0;
  ForEachSegment(IcuEncode(OpenConverter(kWindows31J).get(), text), '\n', [&](std::string_view segment) {
    const auto first = static_cast<unsigned char>(segment[0]);
    (*table)[written[next++]] = static_cast<std::uint16_t>(
        segment.size() == 1 ? first : (first << 8) | static_cast<unsigned char>(segment[1]));
  });
  (*table)[u'\n'] = '\n';
  for (const SingleByte& single : kWindowsOnlySingles) {
    (*table)[single.code_point] = static_cast<std::uint16_t>(single.byte);
  }
  return table;
}

const EncodeTable& Encoding() {
  static const std::unique_ptr<const EncodeTable> table = BuildEncodeTable();
  return *table;
}

}  // namespace

char* DecodeCp932Into(char* out, std::string_view bytes) {
  const DecodeTable& table = Decoding();
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = s + bytes.size();
  // Each byte becomes at most three bytes of UTF-8, and every write below
  // stores four.
  while (s != end) {
    const unsigned byte = *s++;
    if (byte < 0x80) {
      *out++ = static_cast<char>(byte);
      continue;
    }
    const Decoded* decoded = &table.single[byte];
    if (s != end && *s >= kFirstTrail && *s <= kLastTrail) {
      const Decoded& pair = table.pair[PairIndex(byte, *s)];
      if (pair.length != 0) {
        decoded = &pair;
        ++s;
      }
    }
    std::memcpy(out, decoded->utf8, 4);
    out += decoded->length;
  }
  return out;
}

std::size_t CountCp932Errors(std::string_view bytes) {
  const DecodeTable& table = Decoding();
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = s + bytes.size();
  std::size_t errors = 0;
  while (s != end) {
    const unsigned byte = *s++;
    if (byte < 0x80) continue;
    const Decoded* decoded = &table.single[byte];
    if (s != end && *s >= kFirstTrail && *s <= kLastTrail) {
      const Decoded& pair = table.pair[PairIndex(byte, *s)];
      if (pair.length != 0) {
        decoded = &pair;
        ++s;
      }
    }
    errors += std::string_view(decoded->utf8, decoded->length).starts_with(kReplacementInUtf8);
  }
  return errors;
}

std::string DecodeCp932(std::string_view bytes) {
  std::string text(MaxDecodedCp932Size(bytes.size()), '\0');
  text.resize(static_cast<std::size_t>(DecodeCp932Into(text.data(), bytes) - text.data()));
  return text;
}

std::string EncodeCp932(std::string_view utf8) {
  std::string bytes;
  AppendEncodedCp932(bytes, utf8);
  return bytes;
}

void AppendEncodedCp932(std::string& out, std::string_view utf8) {
  const EncodeTable& table = Encoding();
  const auto* s = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const std::size_t size = utf8.size();
  const std::size_t start = out.size();
  // Every character takes at most as many bytes in code page 932 as in UTF-8.
  out.resize(start + size);
  char* put = out.data() + start;
  for (std::size_t i = 0; i < size;) {
    if (s[i] < 0x80) {
      *put++ = static_cast<char>(s[i++]);
      continue;
    }
    UChar32 c = -1;
    // Kana and kanji, well formed, take the short way.
    if (s[i] >= 0xE0 && s[i] < 0xF0 && i + 2 < size) {
      const unsigned second = s[i + 1] ^ 0x80u;
      const unsigned third = s[i + 2] ^ 0x80u;
      const auto three = static_cast<UChar32>((s[i] & 0x0Fu) << 12 | second << 6 | third);
      if ((second | third) < 0x40 && three >= 0x800 && !U_IS_SURROGATE(three)) {
        c = three;
        i += 3;
      }
    }
    // Each maximal ill-formed subsequence is one "?".
    if (c < 0) U8_NEXT(s, i, size, c);
    const std::uint16_t code = c >= 0 && c < 0x10000 ? table[c] : kQuestionMark;
    if (code > 0xFF) *put++ = static_cast<char>(code >> 8);
    *put++ = static_cast<char>(code & 0xFF);
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
}

}  // namespace tavosu
