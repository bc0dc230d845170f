#include "core/plausibility.h"

#include <unicode/uniset.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <bitset>

#include "core/cp932.h"
#include "core/euc_jp.h"

namespace tavosu {

namespace {

// What a character of a reading is, for its weight.
enum Kind : std::size_t {
  kError,          // a byte sequence that forms no character
  kAscii,          // printable ASCII, the space and the tab
  kKana,           // hiragana, full-width katakana, ー and 々
  kCommonKanji,    // JIS X 0208 level 1
  kKanji,          // JIS X 0208 level 2
  kRareIdeograph,  // any other: JIS X 0212, the extensions, compatibility ideographs
  kHalfWidthKana,  // half-width katakana, ｰ, ﾞ and ﾟ
  kPunctuation,    // the ideographic space, brackets and marks, full-width ASCII, ○, ×
  kStray,          // anything else: controls, other scripts, symbols, private use
  kKinds
};

// What each kind adds to the score of a reading. A byte sequence that forms
// no character outweighs a few good characters; kana tell the most;
// half-width katakana count for a reading only on their own (see below).
constexpr int kWeights[kKinds] = {
    -12,  // kError
    1,    // kAscii
    5,    // kKana
    4,    // kCommonKanji
    0,    // kKanji
    -2,   // kRareIdeograph
    2,    // kHalfWidthKana
    1,    // kPunctuation
    -2,   // kStray
};
// Added for each kanji of level 2 from the third in a row on: words of two
// rare kanji are common enough (蝙蝠, 枸杞), a run of more is mostly text of
// another encoding.
constexpr int kLevel2Run = -2;
constexpr int kLevel2RunFrom = 3;
// Added to the reading in code page 932 for each kanji read from the bytes
// of a half-width katakana in EUC-JP (8E A1 to 8E DF: 治, 自, 実, 者...),
// from the second in a row on: a reading in half-width katakana in EUC-JP
// reads so, and real words of these kanji alone are few.
constexpr int kHalfWidthBytesRun = -6;
constexpr int kHalfWidthBytesRunFrom = 2;
// Added for each border between half-width katakana and a kanji or
// full-width kana.
constexpr int kHalfWidthBeside = -4;
// What a byte order mark adds to its encoding's score: another reading wins
// only where it scores more than two errors' worth higher.
constexpr int kMarkWeight = -2 * kWeights[kError];
// How far the most plausible reading must lead every other to settle the
// encoding before all the evidence is in: ten errors' worth, which the text
// of a file in that encoding never makes up.
constexpr int kClearLead = -10 * kWeights[kError];
// A reading in EUC-JP or UTF-8 without a byte order mark is weighed only
// with at most one error to this many characters beyond ASCII read without
// error. Code page 932, the encoding of Windows, is weighed whatever it
// holds.
constexpr std::int64_t kErrorsTo = 4;

bool IsWide(Kind kind) {
  return kind == kKana || kind == kCommonKanji || kind == kKanji || kind == kRareIdeograph;
}

icu::UnicodeSet FrozenSet(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeSet set(pattern, status);
  set.freeze();
  return set;
}

// The kanji of JIS X 0208 by level, from U+4E00 in the block of unified
// ideographs, where all of them lie.
constexpr UChar32 kFirstKanji = 0x4E00;
constexpr std::size_t kKanjiSpan = 0xA000 - kFirstKanji;
struct KanjiLevels {
  std::bitset<kKanjiSpan> level1;
  std::bitset<kKanjiSpan> level2;
};

// In EUC-JP, rows 16 to 47 of JIS X 0208 (lead bytes B0 to CF) hold level 1
// and rows 48 to 84 (D0 to F4) level 2; each pair reads as one character,
// U+FFFD where unassigned.
const KanjiLevels& Levels() {
  static const KanjiLevels levels = [] {
    constexpr unsigned kFirstTrail = 0xA1;
    constexpr unsigned kTrails = 0xFE - kFirstTrail + 1;
    std::string pairs;
    for (unsigned lead = 0xB0; lead <= 0xF4; ++lead) {
      for (unsigned trail = kFirstTrail; trail <= 0xFE; ++trail) {
        pairs += {static_cast<char>(lead), static_cast<char>(trail)};
      }
    }
    const std::string text = DecodeEucJp(pairs);
    KanjiLevels found;
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0, pair = 0; i < length; ++pair) {
      UChar32 c;
      U8_NEXT_UNSAFE(text.data(), i, c);
      if (c < kFirstKanji || c >= kFirstKanji + static_cast<UChar32>(kKanjiSpan)) continue;
      const bool level1 = 0xB0 + static_cast<unsigned>(pair) / kTrails <= 0xCF;
      (level1 ? found.level1 : found.level2).set(static_cast<std::size_t>(c - kFirstKanji));
    }
    return found;
  }();
  return levels;
}

// The kanji that code page 932 reads from the bytes of a half-width
// katakana in EUC-JP.
const icu::UnicodeSet& KanjiOfHalfWidthBytes() {
  static const icu::UnicodeSet kanji = [] {
    std::string bytes;
    for (unsigned trail = 0xA1; trail <= 0xDF; ++trail) {
      bytes += {'\x8E', static_cast<char>(trail)};
    }
    icu::UnicodeSet set;
    set.addAll(icu::UnicodeString::fromUTF8(DecodeCp932(bytes)));
    set.freeze();
    return set;
  }();
  return kanji;
}

Kind KindOf(UChar32 c) {
  static const icu::UnicodeSet kana = FrozenSet(u"[ぁ-ゖゝゞァ-ヺー-ヾ々]");
  static const icu::UnicodeSet ideographs = FrozenSet(u"[[:Ideographic:]-[〆〇]]");
  static const icu::UnicodeSet half_width_kana = FrozenSet(u"[ｦ-ﾟ]");
  static const icu::UnicodeSet punctuation =
      FrozenSet(u"[\\u3000-\\u3004〆-】〔-〟゛゜・！-～○×]");
  if (c == '\t' || (c >= ' ' && c <= '~')) return kAscii;
  if (c >= kFirstKanji && c < kFirstKanji + static_cast<UChar32>(kKanjiSpan)) {
    const KanjiLevels& levels = Levels();
    const auto at = static_cast<std::size_t>(c - kFirstKanji);
    if (levels.level1[at]) return kCommonKanji;
    return levels.level2[at] ? kKanji : kRareIdeograph;
  }
  if (kana.contains(c)) return kKana;
  if (ideographs.contains(c)) return kRareIdeograph;
  if (half_width_kana.contains(c)) return kHalfWidthKana;
  if (punctuation.contains(c)) return kPunctuation;
  return kStray;
}

}  // namespace

// Scores a reading, text in UTF-8, into this. Read from UTF-8, text is a
// file's bytes; from any other encoding, it is valid UTF-8 that a decoder
// made, each U+FFFD standing for a byte sequence that formed no character.
void Plausibility::Reading::Add(std::string_view text, TextEncoding encoding) {
  const bool decoded = encoding != TextEncoding::kUtf8;
  constexpr UChar32 kReplacementCharacter = 0xFFFD;
  Kind previous = kAscii;
  int level2_run = 0;
  int half_width_bytes_run = 0;
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    if (decoded) {
      U8_NEXT_UNSAFE(s, i, c);
    } else {
      U8_NEXT(s, i, length, c);
    }
    const bool error = c < 0 || (decoded && c == kReplacementCharacter);
    const Kind kind = error ? kError : KindOf(c);
    score += kWeights[kind];
    errors += error;
    characters += !error && kind != kAscii;
    level2_run = kind == kKanji ? level2_run + 1 : 0;
    if (level2_run >= kLevel2RunFrom) score += kLevel2Run;
    half_width_bytes_run = encoding == TextEncoding::kCp932 && KanjiOfHalfWidthBytes().contains(c)
                               ? half_width_bytes_run + 1
                               : 0;
    if (half_width_bytes_run >= kHalfWidthBytesRunFrom) score += kHalfWidthBytesRun;
    if ((kind == kHalfWidthKana && IsWide(previous)) ||
        (IsWide(kind) && previous == kHalfWidthKana)) {
      score += kHalfWidthBeside;
    }
    previous = kind;
  }
}

bool Plausibility::Reading::Qualifies() const { return kErrorsTo * errors <= characters; }

void Plausibility::Weigh(std::string_view line) {
  const auto non_ascii = static_cast<std::size_t>(std::count_if(
      line.begin(), line.end(),
      [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; }));
  if (non_ascii == 0) return;  // the same in every reading
  non_ascii_ += non_ascii;
  text_.resize(MaxDecodedSize(line.size()));
  for (std::size_t i = 0; i < readings_.size(); ++i) {
    if (kEncodings[i] == TextEncoding::kUtf8) {
      readings_[i].Add(line, kEncodings[i]);
    } else {
      const char* end = DecodeInto(text_.data(), line, kEncodings[i]);
      readings_[i].Add(std::string_view(text_.data(), end), kEncodings[i]);
    }
  }
}

bool Plausibility::ReadsAsIso2022Jp(std::string_view line) {
  Reading reading;
  reading.Add(DecodeIso2022Jp(line), TextEncoding::kIso2022Jp);
  return reading.characters > 0 && reading.Qualifies();
}

TextEncoding Plausibility::MostPlausible(std::optional<TextEncoding> mark) const {
  return kEncodings[Best(mark)];
}

std::optional<TextEncoding> Plausibility::ClearWinner(std::optional<TextEncoding> mark) const {
  const std::size_t best = Best(mark);
  for (std::size_t i = 0; i < readings_.size(); ++i) {
    if (i != best && Score(best, mark) - Score(i, mark) < kClearLead) return std::nullopt;
  }
  return kEncodings[best];
}

std::size_t Plausibility::Best(std::optional<TextEncoding> mark) const {
  std::size_t best = 0;  // code page 932, which always qualifies
  for (std::size_t i = 1; i < readings_.size(); ++i) {
    const bool qualifies = mark == kEncodings[i] || readings_[i].Qualifies();
    if (qualifies && Score(i, mark) > Score(best, mark)) best = i;
  }
  return best;
}

std::int64_t Plausibility::Score(std::size_t i, std::optional<TextEncoding> mark) const {
  return readings_[i].score + (mark == kEncodings[i] ? kMarkWeight : 0);
}

}  // namespace tavosu
