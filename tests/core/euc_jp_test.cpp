#include "core/euc_jp.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "glibc_iconv.h"

namespace tavosu {
namespace {

// Every sequence that glibc's EUC-JP reads, JIS X 0208 (6,879), half-width
// katakana after 8E (63) and JIS X 0212 after 8F (6,067), reads as the
// character glibc reads, but for four that ICU's table reads as Windows
// does, and is written back as the same bytes.
TEST(EucJp, ReadsAsGlibcAndWritesBackEverySequenceGlibcReads) {
  const std::map<std::string, std::string> read_as_windows = {
      {"\xA1\xBD", "—"}, {"\xA1\xF1", "￠"}, {"\xA1\xF2", "￡"}, {"\xA2\xCC", "￢"}};
  testing::GlibcIconv glibc("UTF-8", "EUC-JP");
  ASSERT_TRUE(glibc.ok());
  int read = 0;
  auto check = [&](const std::string& bytes) {
    const std::optional<std::string> expected = glibc.Convert(bytes);
    if (!expected) return;
    ++read;
    const std::string text = DecodeEucJp(bytes);
    const auto windows = read_as_windows.find(bytes);
    EXPECT_EQ(text, windows == read_as_windows.end() ? *expected : windows->second)
        << ::testing::PrintToString(bytes);
    EXPECT_EQ(EncodeEucJp(text), bytes) << ::testing::PrintToString(bytes);
  };
  for (int first = 0xA1; first <= 0xFE; ++first) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      const std::string pair{static_cast<char>(first), static_cast<char>(second)};
      check(pair);
      check("\x8F" + pair);
    }
    check("\x8E" + std::string(1, static_cast<char>(first)));
  }
  EXPECT_EQ(read, 6879 + 63 + 6067);
}

TEST(EucJp, ReadsWhatFormsNoCharacterAsReplacementsAndKeepsAscii) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xA1 a", "\uFFFD a"},                // a lead byte before a space
      {"\x8F\xA1\r\n", "\uFFFD\uFFFD\r\n"},  // 8F and a lead byte before a line end
      {"\xA9\xA1 \xFF", "\uFFFD \uFFFD"},    // an unassigned pair, a byte never used
      {"\x8E\xE3\x8E\xE4", "\\~"},           // read only, written as ASCII
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeEucJp(bytes), text) << ::testing::PrintToString(bytes);
}

TEST(EucJp, WritesWhatItCannotHoldAsQuestionMarks) {
  EXPECT_EQ(EncodeEucJp("①𠮷é 山"), "??\x8F\xAB\xB1 \xBB\xB3");
}

// As an empty text of a question set may be: without a buffer.
TEST(EucJp, ConvertsEmptyTextWithoutData) {
  EXPECT_EQ(DecodeEucJp(std::string_view()), "");
  EXPECT_EQ(EncodeEucJp(std::string_view()), "");
}

}  // namespace
}  // namespace tavosu
