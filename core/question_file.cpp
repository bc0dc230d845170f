#include "core/question_file.h"

#include <optional>
#include <vector>

#include "core/cp932.h"
#include "core/line_reader.h"
#include "core/question_format.h"

namespace tavosu {

namespace {

using question_format::kCommentSign;
using question_format::kFieldSpace;
using question_format::kRightMark;

// The bytes looked at for the first line of UTF-16 without a byte order mark.
constexpr std::size_t kFirstLineBytes = 64 * 1024;
// The wide characters and ill-formed sequences, counted as UTF-8, that
// settle the encoding of a file without a byte order mark.
constexpr std::size_t kEnoughEvidence = 4096;

const std::string& RightMarkInCp932() {
  static const std::string mark = EncodeCp932(kRightMark);
  return mark;
}

// Builds a question set from the lines of a question list. The lines of a
// file without a byte order mark come as its bytes, and the builder settles
// their encoding (ReadsAsUtf8) once they have shown enough of it, or at the
// end of the list.
class ListBuilder {
 public:
  // With declared, the lines come as UTF-8 of a file in that encoding;
  // without, they are the bytes of a file without a byte order mark.
  explicit ListBuilder(std::optional<TextEncoding> declared)
      : mode_(declared ? Mode::kUnicode : Mode::kUndecided),
        encoding_(declared.value_or(TextEncoding::kUtf8)) {
    SetLineCost();
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
    if (mode_ == Mode::kUndecided) {
      utf8_ += CountUtf8(line);
      cp932_errors_ += CountCp932Errors(line);
      if (utf8_.wide + utf8_.ill_formed >= kEnoughEvidence) Settle();
    }
    if (mode_ == Mode::kUnicode && !IsValidUtf8(line)) {
      repaired_.clear();
      AppendRepairedUtf8(repaired_, line);
      line = repaired_;
    }
    if (line.front() == kCommentSign) return true;

    const std::size_t first_space = line.find(kFieldSpace);
    if (first_space == std::string_view::npos) Fail("has no space");
    if (count_ == QuestionSet::kMaxQuestions) {
      throw LoadError(LoadError::Reason::kTooManyQuestions,
                      "more than " + std::to_string(QuestionSet::kMaxQuestions) + " questions");
    }
    const std::string_view rest = line.substr(first_space + 1);
    const std::size_t second_space = rest.find(kFieldSpace);
    const std::string_view remainder =
        second_space == std::string_view::npos ? std::string_view() : rest.substr(second_space + 1);
    Add(line.substr(0, first_space), rest.substr(0, second_space), remainder);
    return true;
  }

  // The set of the lines taken, and the encoding of their file.
  LoadedQuestions Finish() {
    if (mode_ == Mode::kUndecided) Settle();
    if (count_ == 0) {
      set_.Questions.push_back({});
      set_.Answers.push_back({});
      set_.Graded.resize(1);
      set_.Correct.resize(1);
    }
    set_.Questions.shrink_to_fit();
    set_.Answers.shrink_to_fit();
    set_.QuestionCount = static_cast<std::int16_t>(count_);
    return {std::move(set_), encoding_};
  }

 private:
  // kUnicode: UTF-8 lines of a file in encoding_, repaired where ill-formed.
  enum class Mode { kUndecided, kCp932, kUnicode };

  [[noreturn]] void Fail(const char* what) const {
    throw LoadError(LoadError::Reason::kMalformedLine,
                    "line " + std::to_string(line_number_) + " " + what);
  }

  // Whether a remainder in code page 932 holds the right mark.
  bool HoldsRightMarkInCp932(std::string_view remainder) {
    if (remainder.find(RightMarkInCp932()) == std::string_view::npos) return false;
    remainder_.resize(MaxDecodedCp932Size(remainder.size()));
    const char* end = DecodeCp932Into(remainder_.data(), remainder);
    return std::string_view(remainder_.data(), end).find(kRightMark) != std::string_view::npos;
  }

  // Appends bytes, decoded from code page 932, to texts.
  static void AddDecoded(TextList& texts, std::string_view bytes) {
    texts.emplace_back(MaxDecodedCp932Size(bytes.size()),
                       [bytes](char* out) { return DecodeCp932Into(out, bytes); });
  }

  // The bytes that question and answer take in the results file: as many as
  // in a code page 932 file or, still undecided, as in this one; exactly as
  // many in UTF-8, which is what is held.
  std::size_t FieldBytes(std::string_view question, std::string_view answer) const {
    if (mode_ == Mode::kUnicode && encoding_ != TextEncoding::kUtf8) {
      return 2 * (Utf16Length(question) + Utf16Length(answer));
    }
    return question.size() + answer.size();
  }

  void Add(std::string_view question, std::string_view answer, std::string_view remainder) {
    bool right;
    results_bytes_ += FieldBytes(question, answer) + line_cost_;
    if (mode_ == Mode::kCp932) {
      AddDecoded(set_.Questions, question);
      AddDecoded(set_.Answers, answer);
      right = HoldsRightMarkInCp932(remainder);
    } else {
      set_.Questions.push_back(question);
      set_.Answers.push_back(answer);
      right = remainder.find(kRightMark) != std::string_view::npos;
      if (mode_ == Mode::kUndecided) right_in_cp932_.push_back(HoldsRightMarkInCp932(remainder));
    }
    set_.Graded.push_back(right);
    set_.Correct.push_back(right);
    ++count_;
    if (mode_ != Mode::kUndecided) CheckResultsFit();
  }

  // The bytes of a question line in the results file besides its question
  // and answer: the space, the space and mark, the line end.
  void SetLineCost() {
    std::string text(2, kFieldSpace);
    text += kRightMark;
    text += question_format::kLineEnd;
    line_cost_ = EncodeText(text, encoding_).size() - EncodeText("", encoding_).size();
  }

  void CheckResultsFit() const {
    if (question_format::kMaxFrameBytes + results_bytes_ > kMaxListBytes) {
      throw LoadError(LoadError::Reason::kListTooLarge,
                      "the results file would be longer than " + std::to_string(kMaxListBytes) +
                          " bytes");
    }
  }

  // Settles the encoding of the lines taken so far and of those still to
  // come.
  void Settle() {
    if (ReadsAsUtf8(utf8_, cp932_errors_)) {
      SettleOnUtf8();
    } else {
      SettleOnCp932();
    }
    right_in_cp932_ = {};
    SetLineCost();
    const std::size_t field_bytes = mode_ == Mode::kCp932
                                        ? raw_field_bytes_
                                        : set_.Questions.bytes() + set_.Answers.bytes();
    results_bytes_ = field_bytes + static_cast<std::size_t>(count_) * line_cost_;
    CheckResultsFit();
  }

  void SettleOnUtf8() {
    if (utf8_.ill_formed > 0) {
      set_.Questions = Repaired(set_.Questions);
      set_.Answers = Repaired(set_.Answers);
    }
    mode_ = Mode::kUnicode;
    encoding_ = TextEncoding::kUtf8;
  }

  static TextList Repaired(const TextList& texts) {
    TextList repaired;
    std::string text;
    for (const std::string_view bytes : texts) {
      text.clear();
      AppendRepairedUtf8(text, bytes);
      repaired.push_back(text);
    }
    return repaired;
  }

  void SettleOnCp932() {
    raw_field_bytes_ = set_.Questions.bytes() + set_.Answers.bytes();
    TextList questions;
    TextList answers;
    for (int i = 0; i < count_; ++i) {
      AddDecoded(questions, set_.Questions[i]);
      AddDecoded(answers, set_.Answers[i]);
      set_.Graded[i] = set_.Correct[i] = right_in_cp932_[i];
    }
    set_.Questions = std::move(questions);
    set_.Answers = std::move(answers);
    mode_ = Mode::kCp932;
    encoding_ = TextEncoding::kCp932;
  }

  Mode mode_;
  TextEncoding encoding_;
  QuestionSet set_;
  int count_ = 0;
  int line_number_ = 0;
  Utf8Count utf8_;                    // the lines taken while undecided, read as UTF-8
  std::size_t cp932_errors_ = 0;      // and as code page 932
  std::vector<bool> right_in_cp932_;  // the marks, were the lines read so far code page 932
  std::size_t line_cost_ = 0;
  std::size_t results_bytes_ = 0;     // the results file's question lines, at most
  std::size_t raw_field_bytes_ = 0;   // the questions and answers held undecided
  std::string repaired_;
  std::string remainder_;
};

LineReader::Units UnitsOf(std::optional<TextEncoding> encoding) {
  if (encoding == TextEncoding::kUtf16Le) return LineReader::Units::kUtf16Le;
  if (encoding == TextEncoding::kUtf16Be) return LineReader::Units::kUtf16Be;
  return LineReader::Units::kBytes;
}

LoadedQuestions ReadList(LineReader& reader, std::optional<TextEncoding> declared) {
  const LineReader::Units units = UnitsOf(declared);
  reader.SetUnits(units);
  ListBuilder builder(declared);
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
  if (!mark) return ReadList(reader, FindUtf16WithoutMark(reader.Peek(kFirstLineBytes)));
  reader.Skip(mark->length);
  return ReadList(reader, mark->encoding);
}

QuestionSet ParseQuestionFile(std::string_view text) {
  StringFile file(text);
  LineReader reader(file, kMaxListBytes);
  return ReadList(reader, TextEncoding::kUtf8).set;
}

}  // namespace tavosu
