#include "core/iso_2022_jp.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "glibc_iconv.h"

namespace tavosu {
namespace {

constexpr char kToJisX0208[] = "\x1B$B";
constexpr char kToAscii[] = "\x1B(B";

// Every pair of JIS X 0208 and its extensions reads as glibc's CP932 reads
// the pair's Shift_JIS bytes (7,336, the NEC and IBM extensions included),
// and nothing else reads; each is written back as the same bytes, but for
// ten characters that also have a place in JIS X 0208 proper, which are
// written there.
TEST(Iso2022Jp, ReadsEveryPairAsGlibcsCodePage932AndWritesItBack) {
  const std::map<std::string, std::string> written_elsewhere = {
      {"-p", "\"b"}, {"-q", "\"a"}, {"-r", "\"i"}, {"-u", "\"e"}, {"-v", "\"]"},
      {"-w", "\"\\"}, {"-z", "\"h"}, {"-{", "\"A"}, {"-|", "\"@"}, {"|{", "\"L"}};
  testing::GlibcIconv glibc("UTF-8", "CP932");
  int read = 0;
  for (int row = 0; row < 94; ++row) {
    for (int cell = 0; cell < 94; ++cell) {
      const std::string pair{static_cast<char>(0x21 + row), static_cast<char>(0x21 + cell)};
      const std::string shift_jis{static_cast<char>(row / 2 + (row < 62 ? 0x81 : 0xC1)),
                                  static_cast<char>(row % 2 == 0 ? cell + (cell < 63 ? 0x40 : 0x41)
                                                                 : cell + 0x9F)};
      const std::string bytes = kToJisX0208 + pair + kToAscii;
      const std::string text = DecodeIso2022Jp(bytes);
      const std::optional<std::string> expected = glibc.Convert(shift_jis);
      EXPECT_EQ(text, expected.value_or("\uFFFD")) << pair;
      if (!expected) continue;
      ++read;
      const auto elsewhere = written_elsewhere.find(pair);
      EXPECT_EQ(EncodeIso2022Jp(text),
                kToJisX0208 + (elsewhere == written_elsewhere.end() ? pair : elsewhere->second) +
                    kToAscii)
          << pair;
    }
  }
  EXPECT_EQ(read, 7336);
}

// Half-width katakana after ESC ( I and JIS-Roman after ESC ( J read as
// glibc's ISO-2022-JP-3 reads them and are written back the same way; the
// characters JIS-Roman shares with ASCII are written as ASCII.
TEST(Iso2022Jp, ReadsAndWritesBackHalfWidthKatakanaAndJisRoman) {
  testing::GlibcIconv glibc("UTF-8", "ISO-2022-JP-3");
  for (const auto& [escape, last] : {std::pair("\x1B(I", 0x5F), std::pair("\x1B(J", 0x7E)}) {
    for (int byte = 0x21; byte <= last; ++byte) {
      const std::string bytes = escape + std::string(1, static_cast<char>(byte)) + kToAscii;
      const std::string text = DecodeIso2022Jp(bytes);
      EXPECT_EQ(text, glibc.Convert(bytes).value()) << bytes;
      const bool ascii = text.size() == 1;
      EXPECT_EQ(EncodeIso2022Jp(text), ascii ? text : bytes) << bytes;
    }
  }
}

TEST(Iso2022Jp, ReadsWhatFormsNoCharacterAsReplacements) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\xB1 b", "a\uFFFD b"},                       // a byte above 0x7F
      {"\x1B$B/!4A\x1B(B", "\uFFFD漢"},             // a pair of no character, no ASCII kept
      {"\x1B$B4\x1B(Ba", "\uFFFDa"},                 // half a pair
      {"\x1B[1mx", "\uFFFD[1mx"},                    // an escape sequence of no set
      {"\x1B$B4A\x1B(B\x1B(I1\x1B(B", "漢\uFFFDｱ"},  // one right after another
      {"\x1B$(D0!", "\uFFFD0!"},                     // JIS X 0212
      {"a\x0E" "1\x0F", "a\uFFFD1\uFFFD"},           // shifts of another form of JIS
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(DecodeIso2022Jp(bytes), text) << ::testing::PrintToString(bytes);
  }
}

// Each line ends in ASCII, each run of characters of one set is switched to
// once, and no escape sequence follows another.
TEST(Iso2022Jp, WritesEachLineBackToAscii) {
  EXPECT_EQ(EncodeIso2022Jp("¥ a\r\n漢ｱｲ纊髙字\n①𠮷é\r"),
            "\x1B(J\\ a\x1B(B\r\n\x1B$B4A\x1B(I12\x1B$By!|b;z\x1B(B\n\x1B$B-!\x1B(B??\r");
}

// A line begins in JIS-Roman where the line before it ended in it, as
// another encoder may leave it; any other set ends with its line.
TEST(Iso2022Jp, LinesCarryJisRomanOnly) {
  Iso2022JpLines lines;
  std::vector<std::string> texts;
  for (const char* line : {"\x1B(Ja\\", "b\\", "\x1B$B4A", "c\\", "\x1B(J~\x1B$B4A\x1B(J", "~",
                           "\x1B$B;z\x1B(B~"}) {
    texts.emplace_back(lines.Decode(line));
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"a¥", "b¥", "漢", "c\\", "‾漢", "‾", "字~"}));
}

}  // namespace
}  // namespace tavosu
