#include "core/text_encoding.h"

#include <gtest/gtest.h>

#include <unicode/translit.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/drill.h"
#include "core/question_file.h"
#include "fakes.h"
#include "glibc_iconv.h"
#include "loaded.h"

namespace tavosu {

void PrintTo(const TextForm& form, std::ostream* out) {
  *out << "{" << static_cast<int>(form.encoding);
  if (form.mark) *out << ", mark " << static_cast<int>(*form.mark);
  *out << "}";
}

namespace {

using testing::Loaded;
using testing::LoadedOf;
using testing::Repeated;
using enum TextEncoding;

constexpr char kBom[] = "\xEF\xBB\xBF";

// Bytes spelled out in a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

LoadedQuestions Load(std::string_view bytes) {
  StringFile file(bytes);
  return LoadQuestionFile(file);
}

std::vector<Loaded> Joined(std::vector<Loaded> first, const std::vector<Loaded>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

struct DetectCase {
  const char* name;
  std::string bytes;
  TextForm form;
  std::vector<Loaded> expected;
};

class DetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, ChoosesEncodingAndDecodes) {
  const LoadedQuestions loaded = Load(GetParam().bytes);
  EXPECT_EQ(loaded.form, GetParam().form);
  EXPECT_EQ(LoadedOf(loaded.set), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, DetectTest,
    ::testing::Values(
        DetectCase{"Cp932Japanese", "\x8E\x52 \x82\xE2\x82\xDC", kCp932, {{"山", "やま"}}},
        DetectCase{"Utf8Japanese", "山 やま", kUtf8, {{"山", "やま"}}},
        // 学校 がっこう, one line: in code page 932 it would read 蟄ｦ譬｡ 縺後▲縺薙≧.
        DetectCase{"Utf8OneLine",
                   "\xE5\xAD\xA6\xE6\xA0\xA1 \xE3\x81\x8C\xE3\x81\xA3\xE3\x81\x93\xE3\x81\x86\r\n",
                   kUtf8, {{"学校", "がっこう"}}},
        DetectCase{"Utf8WithByteOrderMark", std::string(kBom) + "# 注記\r\n山 やま", {kUtf8, kUtf8},
                   {{"山", "やま"}}},
        DetectCase{"ByteOrderMarkOnly", kBom, {kUtf8, kUtf8}, {}},
        DetectCase{"Utf8MarkThenCp932", "\xEF\xBB\xBF\x8E\x52 \x82\xE2\x82\xDC\r\n", {kCp932, kUtf8},
                   {{"山", "やま"}}},
        DetectCase{"AsciiOnlyStaysCp932", "yama mountain\r\n", kCp932, {{"yama", "mountain"}}},
        DetectCase{"EmptyStaysCp932", "", kCp932, {}},
        // ﾃｽﾄ ﾃｽﾄ: C3 BD would pass as UTF-8, C4 20 does not.
        DetectCase{"HalfWidthKatakanaStaysCp932", "\xC3\xBD\xC4 \xC3\xBD\xC4", kCp932,
                   {{"ﾃｽﾄ", "ﾃｽﾄ"}}},
        DetectCase{"InvalidUtf8FallsBackToCp932", "\xE5\xB1\xB1 \x82\xE2", kCp932, {{"螻ｱ", "や"}}},
        DetectCase{"TruncatedUtf8FallsBackToCp932", "山 や\xE3\x81", kCp932,
                   {{"螻ｱ", "繧\uFFFD\uFFFD"}}},
        DetectCase{"EncodedSurrogateIsNoUtf8", "\xED\xA0\x80 a", kCp932, {{"恝\u0080", "a"}}},
        DetectCase{"ByteOrderMarkThenInvalidIsRepaired", std::string(kBom) + "a\xFF b\xE3\x81",
                   {kUtf8, kUtf8}, {{"a\uFFFD", "b\uFFFD"}}},
        // Half-width katakana pairs that pass for two-byte UTF-8: ﾈｺ ﾈｺ, ﾊｼ ﾎｼ.
        DetectCase{"KatakanaPairsLikeUtf8StayCp932", "\xC8\xBA \xC8\xBA\r\n\xCA\xBC \xCE\xBC", kCp932,
                   {{"ﾈｺ", "ﾈｺ"}, {"ﾊｼ", "ﾎｼ"}}},
        DetectCase{"TwoByteUtf8OnlyIsCp932", "caf\xC3\xA9 cr\xC3\xA8me", kCp932,
                   {{"cafﾃｩ", "crﾃｨme"}}},
        // One error to four characters beyond ASCII is the most that leaves
        // a reading other than code page 932 in the running.
        DetectCase{"Utf8OneErrorToFourKana", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88 a\xFF",
                   kUtf8, {{"あいうえ", "a\uFFFD"}}},
        DetectCase{"Utf8OneErrorToThreeKanaIsLeftOut", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86 a\xFF",
                   kCp932, {{"縺ゅ＞縺\uFFFD", "a\uF8F3"}}},
        // Words of two rare kanji are common, so a pair of level-2 kanji
        // counts nothing against EUC-JP (枸杞 くこ); a run of more in code
        // page 932 counts against it, as in the reading of 蝙蝠 蝙蝠 in UTF-8.
        DetectCase{"EucJpTwoLevel2Kanji", "\xDB\xCE\xDB\xB9 \xA4\xAF\xA4\xB3", kEucJp, {{"枸杞", "くこ"}}},
        DetectCase{"Utf8WhoseCp932ReadingRunsLevel2Kanji",
                   "\xE8\x9D\x99\xE8\x9D\xA0 \xE8\x9D\x99\xE8\x9D\xA0", kUtf8, {{"蝙蝠", "蝙蝠"}}},
        // In code page 932, 狒狒 ひひ in UTF-8 reads with half-width katakana
        // between kanji.
        DetectCase{"Utf8WhoseCp932ReadingMixesHalfWidthKatakana",
                   "\xE7\x8B\x92\xE7\x8B\x92 \xE3\x81\xB2\xE3\x81\xB2", kUtf8, {{"狒狒", "ひひ"}}},
        DetectCase{"OnlyTheListDecides", "山 やま ○\r\n\r\n\x8E\x52 \x82\xE2", kUtf8,
                   {{"山", "やま", true}}},
        DetectCase{"Utf8KanjiOnlyInComment", "# 漢字の読み\r\nyama mountain\r\n", kUtf8,
                   {{"yama", "mountain"}}},
        // A Latin-1 paste left one byte E9 in a UTF-8 file.
        DetectCase{"Utf8StrayByteInComment", "# 漢字の読み (from caf\xE9)\r\n山 やま\r\n川 かわ\r\n",
                   kUtf8, {{"山", "やま"}, {"川", "かわ"}}},
        DetectCase{"Utf8StrayByteInQuestion", "# 漢字の読み\r\n山\xE9 やま\r\n川 かわ\r\n", kUtf8,
                   {{"山\uFFFD", "やま"}, {"川", "かわ"}}},
        DetectCase{"Utf8StrayByteBeforeSettling", "山\xE9 やま\r\n" + Repeated(std::string("川 かわ\r\n"), 2000),
                   kUtf8, Joined({{"山\uFFFD", "やま"}}, Repeated(std::vector<Loaded>{{"川", "かわ"}}, 2000))},
        // 亜 あ /(n) Asia/ ○ and 唖 あ /(n) mute/.
        DetectCase{"Cp932DictionaryLines",
                   Repeated(std::string("\x88\x9F \x82\xA0 /(n) Asia/ \x81\x9B\n"
                                        "\x88\xA0 \x82\xA0 /(n) mute/\n"),
                            2000),
                   kCp932, Repeated(std::vector<Loaded>{{"亜", "あ", true}, {"唖", "あ"}}, 2000)},
        // 茉影 reads in UTF-8 as U+4749 and "e".
        DetectCase{"Cp932LikeValidUtf8", "\xE4\x9D\x89\x65 a", kCp932, {{"茉影", "a"}}},
        DetectCase{"Utf8AfterAsciiLines", Repeated(std::string("yama mountain\r\n"), 5000) + "山 やま",
                   kUtf8, Joined(Repeated(std::vector<Loaded>{{"yama", "mountain"}}, 5000), {{"山", "やま"}})},
        DetectCase{"Cp932SingleBytes", "\x80 \xA0\xFD\xFE\xFF", kCp932,
                   {{"\u0080", "\uF8F0\uF8F1\uF8F2\uF8F3"}}},
        // 学校 がっこう, which would read ｳﾘｹｻ ､ｬ､ﾃ､ｳ､ｦ in code page 932.
        DetectCase{"EucJpOneLine", "\xB3\xD8\xB9\xBB \xA4\xAC\xA4\xC3\xA4\xB3\xA4\xA6\r\n", kEucJp,
                   {{"学校", "がっこう"}}},
        // ﾃｽﾄ てすと, half-width katakana after 8E; 丂 こう ○, JIS X 0212 after 8F.
        DetectCase{"EucJpHalfWidthKatakanaAndJisX0212",
                   "\x8E\xC3\x8E\xBD\x8E\xC4 \xA4\xC6\xA4\xB9\xA4\xC8\r\n"
                   "\x8F\xB0\xA1 \xA4\xB3\xA4\xA6 \xA1\xFB\r\n",
                   kEucJp, {{"ﾃｽﾄ", "てすと"}, {"丂", "こう", true}}},
        // The title line of a results file in code page 932, then lines of
        // EUC-JP: the title decides.
        DetectCase{"ResultsTitleDecides",
                   "# \x8A\xBF\x8E\x9A\x83" "e\x83X\x83g\x82\xCC\x8C\x8B\x89\xCA\x82\xC5\x82\xB7\x81" "B\r\n" +
                       Repeated(std::string("\xB3\xD8\xB9\xBB \xA4\xAC\xA4\xC3\xA4\xB3\xA4\xA6\r\n"), 10),
                   kCp932, Repeated(std::vector<Loaded>{{"ｳﾘｹｻ", "､ｬ､ﾃ､ｳ､ｦ"}}, 10)},
        // Half-width readings: in EUC-JP, 読本 ﾄｸﾎﾝ would read 「ﾆﾉﾋﾜ」「柴失斜爵」 in
        // code page 932, whose kanji from the bytes 8E A1-DF count against it
        // from the second in a row; 山 ﾔﾏ has two.
        DetectCase{"EucJpHalfWidthReading", "\xC6\xC9\xCB\xDC \x8E\xC4\x8E\xB8\x8E\xCE\x8E\xDD", kEucJp,
                   {{"読本", "ﾄｸﾎﾝ"}}},
        DetectCase{"EucJpTwoHalfWidthKatakana", "\xBB\xB3 \x8E\xD4\x8E\xCF", kEucJp, {{"山", "ﾔﾏ"}}},
        DetectCase{"Cp932HalfWidthReading", "\x93\xC7\x96{ \xC4\xB8\xCE\xDD", kCp932, {{"読本", "ﾄｸﾎﾝ"}}},
        // Each row below turns on one rule of the weighing: a weaker weight
        // of a sequence that forms no character would open ＣＩＳＣ ｼｽｸ as
        // EUC-JP, whose reading has one;
        DetectCase{"Utf8AheadOfAReadingWithOneError",
                   "\xEF\xBC\xA3\xEF\xBC\xA9\xEF\xBC\xB3\xEF\xBC\xA3 \xEF\xBD\xBC\xEF\xBD\xBD\xEF\xBD\xB8", kUtf8,
                   {{"ＣＩＳＣ", "ｼｽｸ"}}},
        // half-width katakana count against a reading at a kanji after them
        // (坎軻 ｶﾝｶ reads ﾔｬ枻 in code page 932) and at one before them (發 ハツ
        // reads 逋ｼ);
        DetectCase{"EucJpHalfWidthBeforeKanjiInCp932",
                   "\xD4\xAC \x8E\xB6\x8E\xDD\r\n\xD4\xAC\xED\xC6 \x8E\xB6\x8E\xDD\x8E\xB6\r\n\xD4\xAE \x8E\xB1\x8E\xC4",
                   kEucJp, {{"坎", "ｶﾝ"}, {"坎軻", "ｶﾝｶ"}, {"址", "ｱﾄ"}}},
        DetectCase{"Utf8KanjiAfterHalfWidthInCp932", "\xE7\x99\xBC \xE3\x83\x8F\xE3\x83\x84", kUtf8,
                   {{"發", "ハツ"}}},
        // 和 lies in the last row of level 1 (47), and 亢, which 砂嘴 さし reads
        // as in code page 932, in the first of level 2 (48);
        DetectCase{"Utf8LastRowOfLevel1", "\xE5\x92\x8C\xE9\x83\x8E \xE3\x82\x8F\xE3\x82\x8D", kUtf8,
                   {{"和郎", "わろ"}}},
        DetectCase{"Utf8FirstRowOfLevel2", "\xE7\xA0\x82\xE5\x98\xB4 \xE3\x81\x95\xE3\x81\x97", kUtf8,
                   {{"砂嘴", "さし"}}},
        // a run of level-2 kanji ends at the space (柬埔寨 ｶﾝﾎﾞｼﾞｱ);
        DetectCase{"EucJpLevel2RunEndsAtSpace",
                   "\xDB\xCB\xD4\xBE\xDC\xCD \x8E\xB6\x8E\xDD\x8E\xCE\x8E\xDE\x8E\xBC\x8E\xDE\x8E\xB1", kEucJp,
                   {{"柬埔寨", "ｶﾝﾎﾞｼﾞｱ"}}},
        // a reading settles early only when it leads every other, code page
        // 932 included, by ten errors' worth: after 自室 ｼﾞｼﾂ and 自社 ｼﾞｼｬ,
        // EUC-JP leads code page 932 a little and UTF-8 far;
        DetectCase{"Cp932AfterEucJpLeadsALittle",
                   "\x8E\xA9\x8E\xBA \xBC\xDE\xBC\xC2\r\n\x8E\xA9\x8E\xD0 \xBC\xDE\xBC\xAC\r\n\x8ER \x82\xE2\x82\xDC", kCp932,
                   {{"自室", "ｼﾞｼﾂ"}, {"自社", "ｼﾞｼｬ"}, {"山", "やま"}}},
        // and words of level-2 kanji let code page 932 lead EUC-JP by two
        // errors' worth, before readings in kana overturn it;
        DetectCase{"EucJpAfterCp932LeadsByTwoErrors",
                   "\xB0\xA6\xD5\xC8 \xB6\xC3\xD8\xB3\r\n\xC0\xB8\xD5\xAA \xCD\xAB\xDD\xB5\r\n\xD3\xC3\xC2\xA9 \xD3\xD2\xC5\xC7\r\n"
                   "\xB3\xD8\xB9\xBB \xA4\xAC\xA4\xC3\xA4\xB3\xA4\xA6\r\n\xBB\xB3 \xA4\xE4\xA4\xDE",
                   kEucJp,
                   {{"愛嬌", "驚愕"}, {"生姜", "憂鬱"}, {"喘息", "嘔吐"}, {"学校", "がっこう"}, {"山", "やま"}}},
        // without a clear lead, 128 bytes above 0x7F (以下 以前, a tie) do
        // not settle the encoding, 2 KiB do.
        DetectCase{"EucJpAfter128BytesOfATie",
                   Repeated(std::string("\xB0\xCA\xB2\xBC \xB0\xCA\xC1\xB0\r\n"), 16) +
                       "\xB3\xD8\xB9\xBB \xA4\xAC\xA4\xC3\xA4\xB3\xA4\xA6",
                   kEucJp,
                   Joined(Repeated(std::vector<Loaded>{{"以下", "以前"}}, 16), {{"学校", "がっこう"}})},
        // JIS: 漢字 かんじ; ｶﾞｯｺｳ 学校 after ESC ( I, and ¥ えん ○ after ESC ( J.
        DetectCase{"Iso2022Jp", "\x1B$B4A;z\x1B(B \x1B$B$+$s$8\x1B(B\r\n", kIso2022Jp,
                   {{"漢字", "かんじ"}}},
        DetectCase{"Iso2022JpHalfWidthKatakanaAndJisRoman",
                   "\x1B(I6^/:3\x1B(B \x1B$B3X9;\x1B(B\r\n"
                   "\x1B(J\\\x1B(B \x1B$B$($s\x1B(B \x1B$B!{\x1B(B",
                   kIso2022Jp, {{"ｶﾞｯｺｳ", "学校"}, {"¥", "えん", true}}},
        DetectCase{"Iso2022JpAfterAsciiLines", "yama mountain\r\n\x1B$B;3\x1B(B \x1B$B$d$^\x1B(B",
                   kIso2022Jp, {{"yama", "mountain"}, {"山", "やま"}}},
        DetectCase{"Iso2022JpAfterUtf8Mark", "\xEF\xBB\xBF\x1B$B;3\x1B(B a", {kIso2022Jp, kUtf8},
                   {{"山", "a"}}},
        // A set switched to holds across a space and, JIS-Roman, a line end.
        DetectCase{"Iso2022JpSetHoldsAcrossSpaceAndLineEnd", "\x1B(Ja\\ b\\\r\nc\\ d\x1B(B",
                   kIso2022Jp, {{"a¥", "b¥"}, {"c¥", "d"}}},
        DetectCase{"Iso2022JpEscapesAloneEndTheList", "\x1B$B;3\x1B(B a\r\n\x1B(B\r\nb c",
                   kIso2022Jp, {{"山", "a"}}},
        DetectCase{"EscapeOfNoSetIsNoIso2022Jp", "\x1B[1mq\x1B[0m a\r\n", kCp932,
                   {{"\x1B[1mq\x1B[0m", "a"}}},
        DetectCase{"ByteAbove7FBeforeEscapeIsNoIso2022Jp", "# caf\xE9\r\n\x1B$B;3\x1B(B a", kCp932,
                   {{"\x1B$B;3\x1B(B", "a"}}},
        DetectCase{"Utf16LittleEndianWithoutMark",
                   Bytes("#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\0\x71\x5C \0\x84\x30 \0\xCB\x25"), kUtf16Le,
                   {{"q", "a"}, {"山", "や", true}}},
        DetectCase{"Utf16BigEndianWithoutMark",
                   Bytes("\0#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\x5C\x71\0 \x30\x84\0 \x25\xCB"), kUtf16Be,
                   {{"q", "a"}, {"山", "や", true}}},
        DetectCase{"Utf16LittleEndianWithoutMarkEmptyFirstLine", Bytes("\r\0\n\0q\0 \0a\0"),
                   kUtf16Le, {}},
        DetectCase{"Utf16BigEndianWithoutMarkEmptyFirstLine", Bytes("\0\r\0\n\0q\0 \0a"), kUtf16Be,
                   {}},
        // 学校 がっこう, without a line end.
        DetectCase{"Utf16LittleEndianWithoutMarkOrLineEnd",
                   Bytes("\x66\x5B\x21\x68 \0\x4C\x30\x63\x30\x53\x30\x46\x30"), kUtf16Le,
                   {{"学校", "がっこう"}}},
        DetectCase{"Utf16BigEndianWithoutMarkOrLineEnd",
                   Bytes("\x5B\x66\x68\x21\0 \x30\x4C\x30\x63\x30\x53\x30\x46"), kUtf16Be,
                   {{"学校", "がっこう"}}},
        // Notepad's empty "Unicode" file: the mark alone.
        DetectCase{"Utf16LittleEndianMarkOnly", "\xFF\xFE", {kUtf16Le, kUtf16Le}, {}},
        DetectCase{"Utf16BigEndianMarkOnly", "\xFE\xFF", {kUtf16Be, kUtf16Be}, {}},
        DetectCase{"Utf16MarkThenCp932", "\xFF\xFE\x8E\x52 \x82\xE2\x82\xDC\r\n", {kCp932, kUtf16Le},
                   {{"山", "やま"}}},
        DetectCase{"Utf16LoneCrsMakeEmptyLine", Bytes("\xFF\xFEq\0 \0a\0\r\0\r\0b\0 \0c\0"),
                   {kUtf16Le, kUtf16Le}, {{"q", "a"}}},
        DetectCase{"Utf16CrRunBeforeLf", Bytes("\xFE\xFF\0q\0 \0a\0\r\0\r\0\n\0b\0 \0c"),
                   {kUtf16Be, kUtf16Be}, {{"q", "a"}, {"b", "c"}}},
        DetectCase{"Utf16LittleEndian",
                   Bytes("\xFF\xFE#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\0\x71\x5C \0\x84\x30 \0\xCB\x25"),
                   {kUtf16Le, kUtf16Le}, {{"q", "a"}, {"山", "や", true}}},
        DetectCase{"Utf16BigEndian",
                   Bytes("\xFE\xFF\0#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\x5C\x71\0 \x30\x84\0 \x25\xCB"),
                   {kUtf16Be, kUtf16Be}, {{"q", "a"}, {"山", "や", true}}},
        // 上 (U+4E0A) holds a byte 0A; 𠮷 is a surrogate pair.
        DetectCase{"Utf16LineFeedByteInCharacter",
                   Bytes("\xFF\xFE\x0A\x4E \0\x42\xD8\xB7\xDF\n\0\n\0z\0"), {kUtf16Le, kUtf16Le},
                   {{"上", "𠮷"}}},
        DetectCase{"Utf16BigEndianLineFeedByteInCharacter", Bytes("\xFE\xFF\x4E\x0A\0 \x4E\x0A"),
                   {kUtf16Be, kUtf16Be}, {{"上", "上"}}},
        DetectCase{"Utf16UnpairedSurrogatesAndOddByte",
                   Bytes("\xFF\xFEq\0 \0\x00\xD8" "a\0\xDC\xDC" "B"), {kUtf16Le, kUtf16Le},
                   {{"q", "\uFFFD" "a\uFFFD\uFFFD"}}}),
    [](const ::testing::TestParamInfo<DetectCase>& param_info) { return param_info.param.name; });

// The same lines in every encoding, as glibc writes them, load to the same
// set, UTF-16 also without its byte order mark. Two characters of code page
// 932's extensions, 髙 and ㈱, are written as 高 and 株 where glibc's EUC-JP
// and ISO-2022-JP lack them.
TEST(TextEncoding, SameLinesLoadAlikeInEveryEncoding) {
  struct Form {
    const char* charset;
    std::string mark;
    bool extensions;
  };
  const Form forms[] = {{"CP932", "", true},        {"EUC-JP", "", false},
                        {"ISO-2022-JP", "", false}, {"UTF-8", "", true},
                        {"UTF-8", kBom, true},      {"UTF-16LE", "\xFF\xFE", true},
                        {"UTF-16BE", "\xFE\xFF", true}, {"UTF-16LE", "", true},
                        {"UTF-16BE", "", true}};
  for (const Form& form : forms) {
    const std::string high = form.extensions ? "髙" : "高";
    const std::string share = form.extensions ? "㈱" : "株";
    const std::string lines = "# 注記\r山 やま ○\r\r\n川 かわ ×\n空　そら ａ\r\n" + high + " たか\r" +
                              share + "  いち\r\n\r\r\n海 うみ\r\n";
    testing::GlibcIconv glibc(form.charset, "UTF-8");
    EXPECT_EQ(LoadedOf(Load(form.mark + glibc.Convert(lines).value()).set),
              (std::vector<Loaded>{
                  {"山", "やま", true}, {"川", "かわ"}, {"空　そら", "ａ"}, {high, "たか"}, {share, ""}}))
        << form.charset << " " << form.mark.size();
  }
}

// Question files as people make them from EDICT's word and reading pairs,
// converted by glibc from EDICT's EUC-JP: of 1, 2, 3 and 10 lines, 1,000 of
// each in each encoding (UTF-16 without its byte order mark, in both byte
// orders), the pairs taken evenly from all of EDICT; and as old word lists
// write them, EUC-JP and code page 932 with the readings of EDICT's common
// words in half-width katakana. Every other file lacks the line end of its
// last line. Each opens in its own encoding, with all its questions: every
// one, but for one in a hundred with half-width readings.
TEST(TextEncoding, EdictFilesOpenInTheirOwnEncoding) {
  constexpr int kFiles = 1000;
  testing::GlibcIconv to_utf8("UTF-8", "EUC-JP");
  testing::GlibcIconv to_cp932("CP932", "UTF-8");
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::Transliterator> to_half_width(icu::Transliterator::createInstance(
      "Hiragana-Katakana; Fullwidth-Halfwidth", UTRANS_FORWARD, status));
  const icu::UnicodeSet half_width_kana(0xFF61, 0xFF9F);
  ASSERT_TRUE(U_SUCCESS(status));
  // "word reading" in UTF-8, of the words code page 932 holds too.
  std::vector<std::string> pairs;
  std::vector<std::string> half_width;  // of the common words, whose readings it writes
  std::ifstream edict(TAVOSU_EDICT, std::ios::binary);
  for (std::string entry; std::getline(edict, entry);) {
    const std::size_t open = entry.find(" [");
    const std::size_t close = entry.find("] /");
    if (open == std::string::npos || close == std::string::npos || entry.find(' ') != open) continue;
    const std::optional<std::string> word = to_utf8.Convert(entry.substr(0, open));
    const std::optional<std::string> reading = to_utf8.Convert(entry.substr(open + 2, close - open - 2));
    if (!word || !reading || !to_cp932.Convert(*word + *reading)) continue;
    pairs.push_back(*word + ' ' + *reading);
    icu::UnicodeString half = icu::UnicodeString::fromUTF8(*reading);
    to_half_width->transliterate(half);
    std::string half_utf8;
    if (entry.find("(P)") != std::string::npos && half_width_kana.containsAll(half)) {
      half_width.push_back(*word + ' ' + half.toUTF8String(half_utf8));
    }
  }
  ASSERT_GT(pairs.size(), 200000u);
  ASSERT_GT(half_width.size(), 18000u);
  struct Corpus {
    const char* charset;
    TextEncoding encoding;
    const std::vector<std::string>& pairs;
    int most_wrong;
  };
  const Corpus corpora[] = {{"CP932", kCp932, pairs, 0},      {"EUC-JP", kEucJp, pairs, 0},
                            {"UTF-8", kUtf8, pairs, 0},        {"UTF-16LE", kUtf16Le, pairs, 0},
                            {"UTF-16BE", kUtf16Be, pairs, 0},  {"ISO-2022-JP", kIso2022Jp, pairs, 0},
                            {"EUC-JP", kEucJp, half_width, 10}, {"CP932", kCp932, half_width, 10}};
  for (const int lines : {1, 2, 3, 10}) {
    for (const Corpus& corpus : corpora) {
      const std::size_t stride = corpus.pairs.size() / (kFiles * lines);
      testing::GlibcIconv convert(corpus.charset, "UTF-8");
      int wrong = 0;
      for (int file = 0; file < kFiles; ++file) {
        std::string text;
        for (int line = 0; line < lines; ++line) {
          text += corpus.pairs[static_cast<std::size_t>(file * lines + line) * stride];
          if (line + 1 < lines || file % 2 == 0) text += "\r\n";
        }
        const LoadedQuestions loaded = Load(convert.Convert(text).value());
        if (loaded.form.encoding != corpus.encoding || loaded.set.QuestionCount != lines) {
          EXPECT_LT(wrong++, corpus.most_wrong)
              << corpus.charset << ": " << text << " opened as " << static_cast<int>(loaded.form.encoding);
        }
      }
    }
  }
}

// Unicode question files keep characters that code page 932 lacks, and
// their results files reload in their own encoding. The files are as glibc
// writes them, UTF-16 after its byte order mark.
struct UnicodeCase {
  TextEncoding encoding;
  const char* charset;
  const char* mark;
};

class UnicodeResultsTest : public ::testing::TestWithParam<UnicodeCase> {};

TEST_P(UnicodeResultsTest, KeepCharactersOutsideCp932) {
  testing::RecordingWindow window;
  testing::FixedClock clock;
  testing::ScriptedRandom random;
  testing::MemoryFileSystem files;
  Drill drill(window, clock, random, files, {});
  testing::GlibcIconv glibc(GetParam().charset, "UTF-8");
  const auto file = [&](const std::string& text) { return GetParam().mark + glibc.Convert(text).value(); };
  files.files["q.txt"] = file("𠮷 よし\n𩸽 ほっけ\n㋿ れいわ ○\n");
  drill.Read_Files("q.txt");
  drill.DisplayQuestion();
  drill.AnswerButtonClick();
  drill.NGButtonClick();  // 𠮷, the first ungraded
  drill.markButtonClick();
  const std::string results = files.files.at("採点-平成 16年05月08日15時43分51秒.txt");
  EXPECT_EQ(results, file("# 漢字テストの結果です。\r\n# テストを行った日時は、平成 16年05月08日15時43分51秒\r\n#\r\n"
                          "𠮷 よし ×\r\n𩸽 ほっけ\r\n㋿ れいわ ○\r\n# 正解は、 1/ 2/ 3 です。(50点)\r\n"));

  files.files["again.txt"] = results;
  drill.Read_Files("again.txt");
  EXPECT_EQ(testing::Texts(drill.questions().Questions), (std::vector<std::string>{"𠮷", "𩸽", "㋿"}));
  EXPECT_EQ(drill.questions().Graded, (std::vector<bool>{false, false, true}));
  drill.markButtonClick();
  EXPECT_EQ(Load(files.files.at("採点-平成 16年05月08日15時43分51秒.txt")).form.encoding,
            GetParam().encoding)
      << "still in the question file's encoding after the reload";
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, UnicodeResultsTest,
                         ::testing::Values(UnicodeCase{kUtf8, "UTF-8", ""},
                                           UnicodeCase{kUtf16Le, "UTF-16LE", "\xFF\xFE"},
                                           UnicodeCase{kUtf16Be, "UTF-16BE", "\xFE\xFF"}));

}  // namespace
}  // namespace tavosu
