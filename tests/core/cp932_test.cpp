#include "core/cp932.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "glibc_iconv.h"

namespace tavosu {
namespace {

using testing::GlibcIconv;

// "81 9B" -> the two bytes 0x81 0x9B.
std::string FromHex(std::string_view hex) {
  std::string bytes;
  std::istringstream in{std::string(hex)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char byte : bytes) {
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

std::string Utf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool IsLeadByte(int byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool IsTrailByte(int byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

struct Mapping {
  std::string_view cp932;
  std::u32string_view text;
};

// Pairs that Windows converts both ways.
constexpr Mapping kWindowsMappings[] = {
    {"5C", U"\\"},            // backslash, not the yen sign
    {"7E", U"~"},             // tilde, not the overline
    {"81 5C", U"\u2015"},     // horizontal bar
    {"81 5F", U"\uFF3C"},     // fullwidth reverse solidus
    {"81 60", U"\uFF5E"},     // fullwidth tilde, not the wave dash
    {"81 61", U"\u2225"},     // parallel to, not the double vertical line
    {"81 7C", U"\uFF0D"},     // fullwidth hyphen-minus, not the minus sign
    {"81 7E", U"\u00D7"},     // ×
    {"81 91", U"\uFFE0"},     // fullwidth cent sign
    {"81 92", U"\uFFE1"},     // fullwidth pound sign
    {"81 9B", U"\u25CB"},     // ○
    {"81 CA", U"\uFFE2"},     // fullwidth not sign
    {"81 E0", U"\u2252"},     // ≒
    {"82 A0", U"\u3042"},     // あ
    {"88 9F", U"\u4E9C"},     // 亜
    {"83 5C", U"\u30BD"},     // ソ, whose trail byte is 0x5C
    {"87 40", U"\u2460"},     // ①, NEC row 13
    {"87 54", U"\u2160"},     // Ⅰ, NEC row 13
    {"87 82", U"\u2116"},     // №, NEC row 13
    {"FA 40", U"\u2170"},     // ⅰ, IBM extension
    {"FA 5C", U"\u7E8A"},     // 纊, IBM extension
    {"FB FC", U"\u9AD9"},     // 髙, IBM extension
    {"F0 40", U"\uE000"},     // first user-defined character
    {"F9 FC", U"\uE757"},     // last user-defined character
    {"A1", U"\uFF61"},        // first half-width katakana
    {"B1", U"\uFF71"},        // ｱ
    {"DF", U"\uFF9F"},        // last half-width katakana
    {"80", U"\u0080"},        // the single bytes Windows alone maps
    {"A0", U"\uF8F0"},
    {"FD", U"\uF8F1"},
    {"FE", U"\uF8F2"},
    {"FF", U"\uF8F3"},
};

// The single bytes that glibc, unlike Windows, leaves unmapped.
bool WindowsOnlySingle(int byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

TEST(Cp932Test, DecodesWindowsMappings) {
  for (const Mapping& m : kWindowsMappings) {
    SCOPED_TRACE(m.cp932);
    EXPECT_EQ(DecodeCp932(FromHex(m.cp932)), Utf8(m.text));
  }
}

TEST(Cp932Test, EncodesWindowsMappings) {
  for (const Mapping& m : kWindowsMappings) {
    SCOPED_TRACE(m.cp932);
    EXPECT_EQ(ToHex(EncodeCp932(Utf8(m.text))), m.cp932);
  }
}

struct Duplicate {
  std::string_view cp932;
  std::u32string_view text;
  std::string_view windows_writes;
};

// Characters with more than one code: NEC row 13 (0x87), the NEC-selected
// IBM extensions (0xED-0xEE) and the IBM extensions (0xFA-0xFC). All codes
// read as the same character; Windows writes the one shown.
constexpr Duplicate kDuplicates[] = {
    {"87 90", U"\u2252", "81 E0"},  // ≒: NEC row 13 reads as the JIS character
    {"87 9A", U"\u2235", "81 E6"},  // ∵
    {"FA 5B", U"\u2235", "81 E6"},
    {"FA 4A", U"\u2160", "87 54"},  // Ⅰ: NEC row 13 over IBM
    {"FA 59", U"\u2116", "87 82"},  // №
    {"FA 58", U"\u3231", "87 8A"},  // ㈱
    {"EE F9", U"\uFFE2", "81 CA"},  // ¬
    {"FA 54", U"\uFFE2", "81 CA"},
    {"EE EF", U"\u2170", "FA 40"},  // ⅰ: IBM over NEC-selected
    {"ED 40", U"\u7E8A", "FA 5C"},  // 纊
    {"EE E0", U"\u9AD9", "FB FC"},  // 髙
};

TEST(Cp932Test, DecodesEveryDuplicateCodeToTheSameCharacter) {
  for (const Duplicate& d : kDuplicates) {
    SCOPED_TRACE(d.cp932);
    EXPECT_EQ(DecodeCp932(FromHex(d.cp932)), Utf8(d.text));
  }
}

TEST(Cp932Test, EncodesDuplicatedCharactersAsWindowsDoes) {
  for (const Duplicate& d : kDuplicates) {
    SCOPED_TRACE(d.cp932);
    EXPECT_EQ(ToHex(EncodeCp932(Utf8(d.text))), d.windows_writes);
  }
}

TEST(Cp932Test, MapsEveryControlByteToTheSameCodePoint) {
  std::vector<int> controls;
  for (int byte = 0x00; byte < 0x20; ++byte) controls.push_back(byte);
  controls.push_back(0x7F);
  for (int byte : controls) {
    SCOPED_TRACE(byte);
    const std::string one_byte(1, static_cast<char>(byte));
    EXPECT_EQ(ToHex(DecodeCp932(one_byte)), ToHex(one_byte));
    EXPECT_EQ(ToHex(EncodeCp932(one_byte)), ToHex(one_byte));
  }
  EXPECT_EQ(DecodeCp932(FromHex("41 1A 1C 7F 42")), "A\x1A\x1C\x7F" "B");
  EXPECT_EQ(ToHex(EncodeCp932("A\x1A\x1C\x7F" "B")), "41 1A 1C 7F 42");
}

constexpr Mapping kUndecodable[] = {
    // A lead byte followed by a byte that cannot be a trail byte: the lead
    // byte alone is replaced and the next byte is read on its own.
    {"41 81 0A 42", U"A\uFFFD\nB"},
    {"81 0D 0A", U"\uFFFD\r\n"},
    {"9F 09", U"\uFFFD\t"},
    {"E0 20", U"\uFFFD "},
    {"FC 7F", U"\uFFFD\u007F"},
    {"81 FD", U"\uFFFD\uF8F1"},
    {"FC FF A0", U"\uFFFD\uF8F3\uF8F0"},
    {"81 81 81 0A", U"\uFF1D\uFFFD\n"},
    // A well-formed pair with no character: one replacement, but an ASCII
    // trail byte is kept.
    {"85 40", U"\uFFFD@"},
    {"EB 7E 0A", U"\uFFFD~\n"},
    {"85 80", U"\uFFFD"},
    {"81 AD", U"\uFFFD"},
    {"EF B1", U"\uFFFD"},
    // A lead byte cut off at the end.
    {"82", U"\uFFFD"},
    {"82 A0 82", U"\u3042\uFFFD"},
    {"61 62 FC", U"ab\uFFFD"},
};

TEST(Cp932Test, ReplacesEachUndecodableSequenceAndKeepsNeighbouringAscii) {
  for (const Mapping& m : kUndecodable) {
    SCOPED_TRACE(m.cp932);
    EXPECT_EQ(DecodeCp932(FromHex(m.cp932)), Utf8(m.text));
  }
}

TEST(Cp932Test, KeepsLineBreaksAfterEveryStrayLeadByte) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    SCOPED_TRACE(lead);
    const std::string input = std::string("a") + static_cast<char>(lead) + "\r\nb";
    EXPECT_EQ(DecodeCp932(input), "a\uFFFD\r\nb");
  }
}

struct Unencodable {
  std::u32string_view text;
  std::string_view cp932;
};

constexpr Unencodable kUnencodable[] = {
    {U"\U00020BB7", "3F"},  // 𠮷, outside the BMP
    {U"\U0001F600", "3F"},  // 😀
    {U"\u32FF", "3F"},      // ㋿, newer than the code page
    {U"\u00E9", "3F"},      // é, which Windows' best fit would write as e
    {U"\u00A5", "3F"},      // ¥, which best fit would write as 0x5C
    {U"\u00A2", "3F"},      // ¢, which best fit would write as 0x8191
    {U"\u2014", "3F"},      // em dash, which best fit would write as 0x815C
    {U"\u301C", "3F"},      // wave dash, which best fit would write as 0x8160
    {U"\u00AD", "3F"},      // soft hyphen, which is not dropped either
    {U"\uF86F", "3F"},      // private use, no Windows mapping
    {U"\uFFFD", "3F"},
    {U"a\U00020BB7b\u00E9", "61 3F 62 3F"},
};

TEST(Cp932Test, WritesQuestionMarkForEachCharacterWindowsCannotWrite) {
  for (const Unencodable& u : kUnencodable) {
    SCOPED_TRACE(Utf8(u.text));
    EXPECT_EQ(ToHex(EncodeCp932(Utf8(u.text))), u.cp932);
  }
}

struct InvalidUtf8 {
  std::string_view utf8;
  std::string_view cp932;
};

// Each maximal invalid subsequence becomes one "?".
constexpr InvalidUtf8 kInvalidUtf8[] = {
    {"\xFF", "?"},
    {"\x80", "?"},
    {"a\xC3", "a?"},
    {"\xE3\x81" "A", "?A"},
    {"\xE3\x81\n", "?\n"},
    {"\xC0\x80", "??"},          // overlong
    {"\xED\xA0\x80", "???"},     // surrogate
    {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
    {"\xF0\x9F\x98", "?"},       // truncated four-byte sequence
    {"\xE3\x81\x82\xFF\xE3\x81\x82", "\x82\xA0?\x82\xA0"},
};

TEST(Cp932Test, WritesQuestionMarkForEachInvalidUtf8Sequence) {
  for (const InvalidUtf8& u : kInvalidUtf8) {
    SCOPED_TRACE(ToHex(u.utf8));
    EXPECT_EQ(ToHex(EncodeCp932(u.utf8)), ToHex(u.cp932));
  }
}

TEST(Cp932Test, ConvertsEmptyInputToEmptyOutput) {
  EXPECT_EQ(DecodeCp932(""), "");
  EXPECT_EQ(EncodeCp932(""), "");
}

TEST(Cp932Test, RoundTripsAJapaneseQuestionLine) {
  const std::string line = Utf8(
      U"問３：「髙橋」の読みは？　○たかはし　×こうはし　ﾀｶﾊｼ (10点) ソ表\r\n");
  const std::string bytes = FromHex(
      "96 E2 82 52 81 46 81 75 FB FC 8B B4 81 76 82 CC 93 C7 82 DD 82 CD 81 48 81 40 "
      "81 9B 82 BD 82 A9 82 CD 82 B5 81 40 81 7E 82 B1 82 A4 82 CD 82 B5 81 40 "
      "C0 B6 CA BC 20 28 31 30 93 5F 29 20 83 5C 95 5C 0D 0A");
  EXPECT_EQ(ToHex(EncodeCp932(line)), ToHex(bytes));
  EXPECT_EQ(DecodeCp932(bytes), line);
}

// Pieces that convert the same wherever they stand, mixed in a long text so
// that every kind of piece meets every internal buffer boundary.
std::vector<std::string> Shuffled(const std::vector<std::string>& pieces, std::size_t count) {
  std::vector<std::string> text;
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    text.push_back(pieces[(state >> 16) % pieces.size()]);
  }
  return text;
}

TEST(Cp932Test, DecodesLongTextLikeItsPiecesOneByOne) {
  const std::vector<std::string> pieces = {
      "a", "\r\n", "\x82\xA0", "\xB1", "\x81\x0A", "\x85\x40", "\x85\x80", "\x80", "\xFB\xFC"};
  std::string text;
  std::string expected;
  for (const std::string& piece : Shuffled(pieces, 300000)) {
    text += piece;
    expected += DecodeCp932(piece);
  }
  text += "\x82";
  expected += "\uFFFD";
  EXPECT_EQ(DecodeCp932(text), expected);
}

TEST(Cp932Test, EncodesLongTextLikeItsPiecesOneByOne) {
  const std::vector<std::string> pieces = {
      "a",      "\r\n", "\u3042",   "\uFF71", "\U00020BB7",
      "\u00E9", "\xFF", "\xE3\x81", "\x1A",   "\u9AD9"};
  std::string text;
  std::string expected;
  for (const std::string& piece : Shuffled(pieces, 300000)) {
    text += piece;
    expected += EncodeCp932(piece);
  }
  text += "\xF0\x9F";
  expected += "?";
  EXPECT_EQ(EncodeCp932(text), expected);
}

// Every single byte and every pair of a lead and a trail byte, against glibc.
// Where glibc finds no character, the decoder must replace the pair and keep
// an ASCII trail byte.
TEST(Cp932Test, DecodesEveryByteAndPairAsGlibcDoes) {
  GlibcIconv glibc("UTF-8", "CP932");
  ASSERT_TRUE(glibc.ok());
  std::vector<std::string> mismatches;
  int decoded_pairs = 0;
  auto check = [&](const std::string& bytes, const std::string& expected) {
    const std::string actual = DecodeCp932(bytes);
    if (actual != expected) {
      mismatches.push_back(ToHex(bytes) + " -> " + ToHex(actual) + ", expected " + ToHex(expected));
    }
  };
  for (int byte = 0; byte < 0x100; ++byte) {
    if (IsLeadByte(byte) || WindowsOnlySingle(byte)) continue;
    const std::string bytes(1, static_cast<char>(byte));
    check(bytes, glibc.Convert(bytes).value_or("\uFFFD"));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(trail)) continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::optional<std::string> glibc_text = glibc.Convert(bytes);
      if (glibc_text) {
        ++decoded_pairs;
        check(bytes, *glibc_text);
      } else {
        check(bytes, trail < 0x80 ? "\uFFFD" + std::string(1, static_cast<char>(trail)) : "\uFFFD");
      }
    }
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " mismatches, first "
                                  << mismatches.front();
  // JIS X 0208 with the NEC and IBM extensions, and the user-defined area.
  EXPECT_EQ(decoded_pairs, 7724 + 1880);
}

// Every code point, against glibc. Where the two differ, Windows sides with
// this encoder: glibc adds nine one-way mappings that Windows' table lacks
// (Windows reaches them only through best fit, which this encoder does not
// do), and glibc drops the tag characters U+E0000-U+E007F, which Windows
// cannot write either. Both become "?".
TEST(Cp932Test, EncodesEveryCodePointAsGlibcDoesExceptWhereWindowsDiffers) {
  const std::set<char32_t> glibc_one_way = {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014,
                                            0x2016, 0x203E, 0x2212, 0x301C};
  auto windows_lacks = [&](char32_t c) {
    return glibc_one_way.contains(c) || (c >= 0xE0000 && c <= 0xE007F);
  };
  const std::map<char32_t, std::string> windows_only = {
      {0x0080, "\x80"}, {0xF8F0, "\xA0"}, {0xF8F1, "\xFD"}, {0xF8F2, "\xFE"}, {0xF8F3, "\xFF"}};
  GlibcIconv glibc("CP932", "UTF-8");
  ASSERT_TRUE(glibc.ok());
  std::vector<std::string> mismatches;
  int encodable = 0;
  constexpr char32_t kBlock = 0x1000;
  // The bytes Windows writes for c, or nothing if it writes "?".
  auto windows_bytes = [&](char32_t c) -> std::optional<std::string> {
    if (windows_only.contains(c)) return windows_only.at(c);
    if (windows_lacks(c)) return std::nullopt;
    return glibc.Convert(Utf8(std::u32string(1, c)));
  };
  auto is_surrogate = [](char32_t c) { return c >= 0xD800 && c <= 0xDFFF; };
  // Whole blocks at a time, which is fast; one by one only to report.
  for (char32_t first = 0; first <= 0x10FFFF; first += kBlock) {
    std::string block_text;
    std::string block_expected;
    for (char32_t c = first; c < first + kBlock; ++c) {
      if (is_surrogate(c)) continue;
      const std::optional<std::string> expected = windows_bytes(c);
      if (expected) ++encodable;
      block_text += Utf8(std::u32string(1, c));
      block_expected += expected.value_or("?");
    }
    if (EncodeCp932(block_text) == block_expected) continue;
    for (char32_t c = first; c < first + kBlock; ++c) {
      if (is_surrogate(c)) continue;
      const std::string expected = windows_bytes(c).value_or("?");
      const std::string actual = EncodeCp932(Utf8(std::u32string(1, c)));
      if (actual != expected) {
        std::ostringstream m;
        m << "U+" << std::hex << static_cast<std::uint32_t>(c) << " -> " << ToHex(actual)
          << ", expected " << ToHex(expected);
        mismatches.push_back(m.str());
      }
    }
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " mismatches, first "
                                  << mismatches.front();
  // Every decodable single byte (the five Windows alone maps among them) and
  // pair, less the 398 codes of characters that have two or three.
  EXPECT_EQ(encodable, 128 + 63 + 5 + 7724 + 1880 - 398);
}

}  // namespace
}  // namespace tavosu
