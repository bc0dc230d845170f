// How plausible, as the text of a Japanese question file, the bytes of a
// file read in each 8-bit encoding a question file may come in: code page
// 932, EUC-JP and UTF-8.
//
// The bytes of one of them read in another give text that no one writes:
// sequences that form no character, runs of rare kanji, half-width katakana
// among kanji and kana, stray symbols, letters of other scripts. Each
// reading is scored character by character (the weights are in
// plausibility.cpp). A reading in EUC-JP or UTF-8 with too many sequences
// that form no character is left out, and of the rest and code page 932,
// the reading that scores highest is the file's.

#ifndef TAVOSU_CORE_PLAUSIBILITY_H_
#define TAVOSU_CORE_PLAUSIBILITY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_encoding.h"

namespace tavosu {

class Plausibility {
 public:
  // The encodings weighed, in the order that ties between them go.
  static constexpr std::array<TextEncoding, 3> kEncodings = {
      TextEncoding::kCp932, TextEncoding::kEucJp, TextEncoding::kUtf8};

  // Weighs a line of a file, without its line end, in each encoding.
  void Weigh(std::string_view line);

  // The bytes of 0x80 and above in the lines weighed: what tells the
  // readings apart, as ASCII reads alike in each.
  std::size_t non_ascii() const { return non_ascii_; }

  // The encoding whose reading of the lines weighed scores highest, of code
  // page 932 and those of the others that are not left out; ties go to code
  // page 932, then to EUC-JP. The encoding that a byte order mark before
  // the lines names, if it is one of them, is favoured and never left out:
  // another wins only where the text reads far better in it.
  TextEncoding MostPlausible(std::optional<TextEncoding> mark) const;

  // MostPlausible(mark) where its reading already scores so far above every
  // other that more lines would not overturn it; else nullopt.
  std::optional<TextEncoding> ClearWinner(std::optional<TextEncoding> mark) const;

  // Whether line, a line of 7-bit bytes, reads as ISO-2022-JP: with at
  // least one character beyond ASCII, and no more sequences that form no
  // character than EUC-JP and UTF-8 may have to be weighed.
  static bool ReadsAsIso2022Jp(std::string_view line);

 private:
  // What the lines read as in one encoding.
  struct Reading {
    void Add(std::string_view text, TextEncoding encoding);
    bool Qualifies() const;

    std::int64_t score = 0;
    std::int64_t errors = 0;      // byte sequences that form no character
    std::int64_t characters = 0;  // beyond ASCII, read without error
  };

  // The index of MostPlausible(mark), and the score of reading i with what
  // mark adds to it.
  std::size_t Best(std::optional<TextEncoding> mark) const;
  std::int64_t Score(std::size_t i, std::optional<TextEncoding> mark) const;

  std::array<Reading, kEncodings.size()> readings_;
  std::size_t non_ascii_ = 0;
  std::string text_;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_PLAUSIBILITY_H_
