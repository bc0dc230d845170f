// Fuzz target for the question-file loader: any bytes a user may open, as
// the file hands them out in pieces of any size.
//
// The input's last byte tells how many of the bytes before it give the sizes
// of the pieces (1 to 256 bytes, taken in turn); the rest is the file. Read
// in those pieces, the file must load exactly as it does in one piece, so
// that no split of a character, a line end or a byte order mark changes
// anything, however the encoding and the line ends (LF, CR LF, lone CRs,
// runs of CRs before LF) are settled. When the file loads, the set's invariants must hold and the
// results file written for it must load back to the same questions. A
// violated property traps, which the fuzzer reports as a crash.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/file_system.h"
#include "core/question_file.h"
#include "core/question_set.h"
#include "core/scoring.h"
#include "core/text_encoding.h"

namespace tavosu {
namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

// Hands out bytes in pieces of the sizes given, taken in turn.
class PiecewiseFile final : public SequentialFile {
 public:
  PiecewiseFile(std::string_view bytes, std::string_view sizes) : rest_(bytes), sizes_(sizes) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    std::size_t count = std::min(size, rest_.size());
    if (!sizes_.empty()) {
      const std::size_t piece = static_cast<std::uint8_t>(sizes_[next_++ % sizes_.size()]) + 1u;
      count = std::min(count, piece);
    }
    std::memcpy(buffer, rest_.data(), count);
    rest_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view rest_;
  std::string_view sizes_;
  std::size_t next_ = 0;
};

// The loaded file, or the reason it failed.
struct Outcome {
  std::optional<LoadedQuestions> loaded;
  LoadError::Reason reason = LoadError::Reason::kCannotRead;
};

Outcome Load(std::string_view bytes, std::string_view sizes) {
  PiecewiseFile file(bytes, sizes);
  try {
    return {LoadQuestionFile(file)};
  } catch (const LoadError& e) {
    return {std::nullopt, e.reason()};
  }
}

bool SameSet(const QuestionSet& a, const QuestionSet& b) {
  return a.QuestionCount == b.QuestionCount && a.Questions == b.Questions &&
         a.Answers == b.Answers && a.Graded == b.Graded && a.Correct == b.Correct;
}

// Whether encoding holds fewer characters than Unicode.
bool IsNarrow(TextEncoding encoding) {
  return encoding == TextEncoding::kCp932 || encoding == TextEncoding::kEucJp ||
         encoding == TextEncoding::kIso2022Jp;
}

// A field as it reads back from a results file in encoding: characters that
// code page 932, EUC-JP or ISO-2022-JP lacks come back as "?".
std::string ThroughFile(std::string_view field, TextEncoding encoding) {
  if (!IsNarrow(encoding)) return std::string(field);
  std::string bytes;
  AppendEncodedText(bytes, field, encoding);
  std::string text(MaxDecodedSize(bytes.size()), '\0');
  text.resize(static_cast<std::size_t>(DecodeInto(text.data(), bytes, encoding) - text.data()));
  return text;
}

// A question or an answer: one field of one line, without a NUL.
void CheckField(std::string_view field) {
  Require(field.find_first_of(std::string_view("\n\r \0", 4)) == std::string_view::npos);
  Require(IsValidUtf8(field));
}

void CheckInvariants(const QuestionSet& set) {
  Require(set.QuestionCount >= 0 && set.QuestionCount <= QuestionSet::kMaxQuestions);
  Require(set.CurrentIndex == 0);
  const std::size_t size = std::max<std::size_t>(1, static_cast<std::size_t>(set.QuestionCount));
  Require(set.Questions.size() == size);
  Require(set.Answers.size() == size);
  Require(set.Graded.size() == size);
  Require(set.Correct.size() == size);
  for (int i = 0; i < set.QuestionCount; ++i) {
    Require(!set.Correct[i] || set.Graded[i]);
    CheckField(set.Questions[i]);
    CheckField(set.Answers[i]);
  }
}

// Writes the results file of set in form, reads it back and checks that it
// is read in the same encoding and holds the same questions, graded where
// set had them right.
void CheckResultsRoundTrip(const QuestionSet& set, const TextForm& form) {
  const TextEncoding encoding = form.encoding;
  const std::string bytes = ResultsFile(set, "平成 16年05月08日15時43分51秒", form);
  const Outcome reread = Load(bytes, {});
  Require(reread.loaded.has_value());
  Require(reread.loaded->form.encoding == encoding);
  const QuestionSet& reloaded = reread.loaded->set;
  CheckInvariants(reloaded);
  Require(reloaded.QuestionCount == set.QuestionCount);
  for (int i = 0; i < set.QuestionCount; ++i) {
    // Every character read from code page 932, EUC-JP or ISO-2022-JP is
    // written back.
    if (IsNarrow(encoding)) {
      for (const std::string_view field : {set.Questions[i], set.Answers[i]}) {
        Require(field.find("\uFFFD") != std::string_view::npos ||
                ThroughFile(field, encoding) == field);
      }
    }
    Require(reloaded.Questions[i] == ThroughFile(set.Questions[i], encoding));
    Require(reloaded.Answers[i] == ThroughFile(set.Answers[i], encoding));
    Require(reloaded.Graded[i] == (set.Graded[i] && set.Correct[i]));
  }
}

}  // namespace
}  // namespace tavosu

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavosu;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view sizes;
  if (!input.empty()) {
    const std::size_t count = std::min<std::size_t>(static_cast<std::uint8_t>(input.back()) % 16,
                                                    input.size() - 1);
    input.remove_suffix(1);
    sizes = input.substr(input.size() - count);
    input.remove_suffix(count);
  }
  const Outcome whole = Load(input, {});
  const Outcome pieces = Load(input, sizes);
  Require(whole.loaded.has_value() == pieces.loaded.has_value());
  if (!whole.loaded) {
    Require(whole.reason == pieces.reason);
    return 0;
  }
  Require(whole.loaded->form == pieces.loaded->form);
  Require(SameSet(whole.loaded->set, pieces.loaded->set));
  CheckInvariants(whole.loaded->set);
  CheckResultsRoundTrip(whole.loaded->set, whole.loaded->form);
  return 0;
}
