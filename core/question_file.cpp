#include "core/question_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/line_reader.h"
#include "core/plausibility.h"
#include "core/question_format.h"

namespace tavosu {

namespace {

using question_format::kCommentSign;
using question_format::kFieldSpace;
using question_format::kRightMark;

constexpr char kEscape = '\x1B';

// The bytes looked at for the first line of UTF-16 without a byte order
// mark, and for the NUL bytes of UTF-16 after one.
constexpr std::size_t kFirstLineBytes = 64 * 1024;
// The bytes of 0x80 and above, weighed in each encoding, that settle the
// encoding of a file that is not UTF-16 where no reading wins clearly
// before.
constexpr std::size_t kEnoughEvidence = 2 * 1024;
// The 8-bit encodings a file may be read in.
constexpr auto& kReadings = Plausibility::kEncodings;

bool IsAscii(char byte) { return static_cast<unsigned char>(byte) < 0x80; }

// Where encoding stands in kReadings, or kReadings.size().
std::size_t ReadingIndex(TextEncoding encoding) {
  return static_cast<std::size_t>(std::find(kReadings.begin(), kReadings.end(), encoding) -
                                  kReadings.begin());
}

// The bytes of the right mark in each of kReadings.
const std::array<std::string, kReadings.size()>& RightMarks() {
  static const std::array<std::string, kReadings.size()> marks = {
      EncodeText(kRightMark, kReadings[0]), EncodeText(kRightMark, kReadings[1]),
      EncodeText(kRightMark, kReadings[2])};
  return marks;
}

// The 8-bit encoding in which line, the first line of a file, reads as the
// title line of a results file, if there is one: a results file reads back
// in the encoding it was written in, whatever its questions are.
std::optional<TextEncoding> ResultsTitleEncoding(std::string_view line) {
  if (line.size() > question_format::kTitleLine.size()) return std::nullopt;
  std::string text(MaxDecodedSize(line.size()), '\0');
  for (const TextEncoding encoding : kReadings) {
    const char* end = DecodeInto(text.data(), line, encoding);
    if (std::string_view(text.data(), end) == question_format::kTitleLine) return encoding;
  }
  return std::nullopt;
}

// A question line cut at its first two spaces, as the bytes or text it
// came as.
struct QuestionFields {
  std::string_view question;
  std::string_view answer;
  std::string_view remainder;  // what follows the second space, if any
};

// The fields of line, a question line; nullopt where it holds no space.
std::optional<QuestionFields> CutFields(std::string_view line) {
  const std::size_t first_space = line.find(kFieldSpace);
  if (first_space == std::string_view::npos) return std::nullopt;
  const std::string_view rest = line.substr(first_space + 1);
  const std::size_t second_space = rest.find(kFieldSpace);
  return QuestionFields{
      line.substr(0, first_space), rest.substr(0, second_space),
      second_space == std::string_view::npos ? std::string_view() : rest.substr(second_space + 1)};
}

// The most bytes that the results file of a list takes, in the encoding of
// the list's file, counted question line by question line; they must stay
// within kMaxListBytes, so that the results file always loads again.
class ResultsBound {
 public:
  explicit ResultsBound(TextEncoding encoding) : encoding_(encoding), line_cost_(LineCost()) {}

  // Counts the line of question i, which came as the bytes question and
  // answer and is held in questions and answers. Throws LoadError
  // (kListTooLarge) where the results file would be longer than
  // kMaxListBytes.
  void Add(std::string_view question, std::string_view answer, const TextList& questions,
           const TextList& answers, int i) {
    bytes_ += FieldBytes(question, answer, questions, answers, i) + line_cost_;
    if (question_format::kMaxFrameBytes + bytes_ > kMaxListBytes) {
      throw LoadError(LoadError::Reason::kListTooLarge,
                      "the results file would be longer than " + std::to_string(kMaxListBytes) +
                          " bytes");
    }
  }

 private:
  // The bytes of a question and its answer in the results file at most: two
  // a UTF-16 unit; as many as they are held in, in UTF-8; as many as they
  // take apart, in ISO-2022-JP, whose escape sequences a line shares; as
  // many as they came in, in the other 8-bit encodings, which write back no
  // character in more bytes than it was read from.
  std::size_t FieldBytes(std::string_view question, std::string_view answer,
                         const TextList& questions, const TextList& answers, int i) const {
    if (IsUtf16(encoding_)) return 2 * (Utf16Length(questions[i]) + Utf16Length(answers[i]));
    if (encoding_ == TextEncoding::kUtf8) return questions[i].size() + answers[i].size();
    if (encoding_ == TextEncoding::kIso2022Jp) {
      return EncodeIso2022Jp(questions[i]).size() + EncodeIso2022Jp(answers[i]).size();
    }
    return question.size() + answer.size();
  }

  // The bytes of a question line besides its question and answer: the
  // space, the space and mark, the line end.
  std::size_t LineCost() const {
    std::string text(2, kFieldSpace);
    text += kRightMark;
    text += question_format::kLineEnd;
    return EncodeText(text, encoding_).size() - EncodeText("", encoding_).size();
  }

  TextEncoding encoding_;
  std::size_t line_cost_;
  std::size_t bytes_ = 0;
};

// The encoding of the lines of a list that is not UTF-16, as far as the
// lines taken so far settle it: at the first escape sequence of a list that
// is 7-bit so far, which reads as ISO-2022-JP or rules it out; at a first
// line that is the title of a results file; and else by weighing them
// (Plausibility) until one reading leads clearly or enough evidence is in.
class LineEncoding {
 public:
  // mark: the encoding that the file's byte order mark names, if any.
  explicit LineEncoding(std::optional<TextEncoding> mark) : mark_(mark) {}

  // Takes the next line of the list, not empty; returns the encoding of the
  // lines once they settle it.
  std::optional<TextEncoding> Take(std::string_view line) {
    const bool first = !taken_;
    taken_ = true;
    if (may_be_iso_2022_jp_) {
      const bool seven_bit = std::all_of(line.begin(), line.end(), IsAscii);
      const bool escape = line.find(kEscape) != std::string_view::npos;
      may_be_iso_2022_jp_ = seven_bit && !escape;
      if (seven_bit && escape && Plausibility::ReadsAsIso2022Jp(line)) {
        return TextEncoding::kIso2022Jp;
      }
    }
    if (first) {
      if (const std::optional<TextEncoding> title = ResultsTitleEncoding(line)) return title;
    }
    evidence_.Weigh(line);
    return evidence_.non_ascii() >= kEnoughEvidence ? evidence_.MostPlausible(mark_)
                                                    : evidence_.ClearWinner(mark_);
  }

  // The encoding of the lines at the end of the list.
  TextEncoding AtEnd() const { return evidence_.MostPlausible(mark_); }

 private:
  std::optional<TextEncoding> mark_;
  bool taken_ = false;
  bool may_be_iso_2022_jp_ = true;  // the lines are 7-bit, without escape sequences
  Plausibility evidence_;
};

// Whether remainder, in encoding, holds the right mark, whose bytes there
// are mark; text is room to decode it in.
bool HoldsRightMark(std::string_view remainder, TextEncoding encoding, std::string_view mark,
                    std::string& text) {
  if (remainder.find(mark) == std::string_view::npos) return false;
  if (encoding == TextEncoding::kUtf8) return true;
  text.resize(MaxDecodedSize(remainder.size()));
  const char* end = DecodeInto(text.data(), remainder, encoding);
  return std::string_view(text.data(), end).find(kRightMark) != std::string_view::npos;
}

// Builds a question set from the lines of a question list. The lines of a
// file that is not UTF-16 come as its bytes, and the builder holds their
// questions and answers as bytes until their encoding is settled
// (LineEncoding), or the list ends. Once they are settled as ISO-2022-JP,
// it reads each line whole, since a set switched to before a space holds
// after it.
class ListBuilder {
 public:
  // form: that of the file, as far as its first bytes tell. With as_utf8,
  // the lines come as UTF-8 (those of a UTF-16 file converted); without,
  // they are the file's bytes, in an encoding still to be chosen.
  ListBuilder(const TextForm& form, bool as_utf8) : form_(form), encoding_(form.mark) {
    if (as_utf8) Settle(TextEncoding::kUtf8);
  }

  // Takes the next line of the list, without its line end. Returns false if
  // the line is empty, which ends the list. Throws LoadError for a line that
  // holds a NUL, a question line without a space or beyond
  // QuestionSet::kMaxQuestions, and a list whose results file would be
  // longer than kMaxListBytes.
  bool Take(std::string_view line) {
    if (line.empty()) return false;
    ++line_number_;
    if (line.find('\0') != std::string_view::npos) Fail("holds a NUL");
    if (!lines_) {
      if (const std::optional<TextEncoding> settled = encoding_.Take(line)) Settle(*settled);
    }
    if (form_.encoding == TextEncoding::kIso2022Jp) {
      line = iso_2022_jp_lines_.Decode(line);
      if (line.empty()) return false;  // escape sequences alone, no character
    }
    if (line.front() == kCommentSign) return true;
    const std::optional<QuestionFields> fields = CutFields(line);
    if (!fields) Fail("has no space");
    if (count_ == QuestionSet::kMaxQuestions) {
      throw LoadError(LoadError::Reason::kTooManyQuestions,
                      "more than " + std::to_string(QuestionSet::kMaxQuestions) + " questions");
    }
    if (lines_) {
      AddDecoded(*fields);
    } else {
      AddUndecided(*fields);
    }
    ++count_;
    return true;
  }

  // The set of the lines taken, and the form of their file.
  LoadedQuestions Finish() {
    if (!lines_) Settle(encoding_.AtEnd());
    if (count_ == 0) {
      set_.Questions.push_back({});
      set_.Answers.push_back({});
      set_.Graded.resize(1);
      set_.Correct.resize(1);
    }
    set_.Questions.shrink_to_fit();
    set_.Answers.shrink_to_fit();
    set_.QuestionCount = static_cast<std::int16_t>(count_);
    return {std::move(set_), form_};
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw LoadError(LoadError::Reason::kMalformedLine,
                    "line " + std::to_string(line_number_) + " " + what);
  }

  // Appends bytes, decoded from encoding, to texts.
  static void AddDecoded(TextList& texts, std::string_view bytes, TextEncoding encoding) {
    texts.emplace_back(MaxDecodedSize(bytes.size()),
                       [bytes, encoding](char* out) { return DecodeInto(out, bytes, encoding); });
  }

  // Adds the question of fields in the settled encoding of the lines.
  void AddDecoded(const QuestionFields& fields) {
    AddDecoded(set_.Questions, fields.question, *lines_);
    AddDecoded(set_.Answers, fields.answer, *lines_);
    const bool right = HoldsRightMark(fields.remainder, *lines_, right_mark_, remainder_);
    set_.Graded.push_back(right);
    set_.Correct.push_back(right);
    results_->Add(fields.question, fields.answer, set_.Questions, set_.Answers, count_);
  }

  // Adds the question of fields as its bytes, and whether it is marked
  // right in each of kReadings.
  void AddUndecided(const QuestionFields& fields) {
    set_.Questions.push_back(fields.question);
    set_.Answers.push_back(fields.answer);
    set_.Graded.push_back(false);
    set_.Correct.push_back(false);
    std::uint8_t marks = 0;
    for (std::size_t i = 0; i < kReadings.size(); ++i) {
      const bool holds =
          HoldsRightMark(fields.remainder, kReadings[i], RightMarks()[i], remainder_);
      marks |= static_cast<std::uint8_t>(holds << i);
    }
    right_marks_.push_back(marks);
  }

  // Settles the encoding of the lines taken so far, which came as their
  // bytes, and of those still to come: encoding, which is UTF-8 for the
  // lines of a UTF-16 file. The lines of an ISO-2022-JP file come as UTF-8
  // from here on, and those taken so far hold no right mark, being ASCII.
  void Settle(TextEncoding encoding) {
    if (!IsUtf16(form_.encoding)) form_.encoding = encoding;
    lines_ = encoding == TextEncoding::kIso2022Jp ? TextEncoding::kUtf8 : encoding;
    const std::size_t index = ReadingIndex(encoding);
    right_mark_ = RightMarks()[ReadingIndex(*lines_)];
    results_.emplace(form_.encoding);
    TextList questions;
    TextList answers;
    for (int i = 0; i < count_; ++i) {
      AddDecoded(questions, set_.Questions[i], encoding);
      AddDecoded(answers, set_.Answers[i], encoding);
      results_->Add(set_.Questions[i], set_.Answers[i], questions, answers, i);
      const bool right = index < kReadings.size() && ((right_marks_[i] >> index) & 1);
      set_.Graded[i] = set_.Correct[i] = right;
    }
    set_.Questions = std::move(questions);
    set_.Answers = std::move(answers);
    right_marks_ = {};
  }

  TextForm form_;
  std::optional<TextEncoding> lines_;  // the encoding of the lines, once settled
  std::string_view right_mark_;        // in that encoding
  std::optional<ResultsBound> results_;  // once settled
  LineEncoding encoding_;                // until settled
  Iso2022JpLines iso_2022_jp_lines_;
  QuestionSet set_;
  int count_ = 0;
  int line_number_ = 0;
  std::vector<std::uint8_t> right_marks_;  // of the lines taken undecided, bit i read in kReadings[i]
  std::string remainder_;
};

LineReader::Units UnitsOf(TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf16Le) return LineReader::Units::kUtf16Le;
  if (encoding == TextEncoding::kUtf16Be) return LineReader::Units::kUtf16Be;
  return LineReader::Units::kBytes;
}

// Reads the list of a file in form; its lines come as UTF-8 where as_utf8.
LoadedQuestions ReadList(LineReader& reader, const TextForm& form, bool as_utf8) {
  const LineReader::Units units = UnitsOf(form.encoding);
  reader.SetUnits(units);
  ListBuilder builder(form, as_utf8);
  std::string utf8;
  std::string_view line;
  while (reader.NextLine(line)) {
    if (units != LineReader::Units::kBytes) {
      utf8.clear();
      AppendUtf16AsUtf8(utf8, line, units == LineReader::Units::kUtf16Be);
      line = utf8;
    }
    if (!builder.Take(line)) break;
  }
  return builder.Finish();
}

}  // namespace

LoadedQuestions LoadQuestionFile(SequentialFile& file) {
  LineReader reader(file, kMaxListBytes);
  const std::optional<ByteOrderMark> mark = FindByteOrderMark(reader.Peek(3));
  if (mark) reader.Skip(mark->length);
  const std::string_view first_bytes = reader.Peek(kFirstLineBytes);
  std::optional<TextEncoding> utf16;
  if (!mark) {
    utf16 = FindUtf16WithoutMark(first_bytes, first_bytes.size() < kFirstLineBytes);
  } else if (IsUtf16(mark->encoding) && CanFollowUtf16Mark(first_bytes)) {
    utf16 = mark->encoding;
  }
  const std::optional<TextEncoding> mark_encoding =
      mark ? std::optional(mark->encoding) : std::nullopt;
  return ReadList(reader, TextForm(utf16.value_or(TextEncoding::kCp932), mark_encoding),
                  utf16.has_value());
}

QuestionSet ParseQuestionFile(std::string_view text) {
  StringFile file(text);
  LineReader reader(file, kMaxListBytes);
  return ReadList(reader, TextEncoding::kUtf8, true).set;
}

}  // namespace tavosu
