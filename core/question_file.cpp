#include "core/question_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/cp932.h"
#include "core/plain_array.h"

namespace tavosu {

namespace {

constexpr std::string_view kRightMark = "○";
constexpr std::string_view kRightMarkInCp932 = "\x81\x9B";
constexpr std::size_t kReadSize = 64 * 1024;

[[noreturn]] void ThrowListTooLarge() {
  throw LoadError(LoadError::Reason::kListTooLarge,
                  "the question list is longer than " + std::to_string(kMaxListBytes) + " bytes");
}

// The code units that end a line in a file's encoding: LF, and the CR that
// may come before it.
struct LineEnds {
  std::string_view line_feed;
  std::string_view carriage_return;
};

constexpr LineEnds kByteLineEnds{"\n", "\r"};
constexpr LineEnds kUtf16LeLineEnds{std::string_view("\n\0", 2), std::string_view("\r\0", 2)};
constexpr LineEnds kUtf16BeLineEnds{std::string_view("\0\n", 2), std::string_view("\0\r", 2)};

// Reads a file piece by piece and cuts it into lines. Holds only the line
// being cut and what was read after it, and reads no more than limit + 1
// bytes of the file.
class LineReader {
 public:
  LineReader(SequentialFile& file, std::size_t limit) : file_(file), limit_(limit) {
    buffer_.reserve(kReadSize);
  }

  // The first count bytes not yet cut off, or all there are in a shorter
  // file.
  std::string_view Peek(std::size_t count) {
    while (buffer_.size() - begin_ < count && Fill()) {
    }
    return View(begin_, std::min(count, buffer_.size() - begin_));
  }

  // Drops count of the bytes that Peek returned.
  void Skip(std::size_t count) {
    begin_ += count;
    offset_ += count;
  }

  // Lines end at ends.line_feed from here on (at LF bytes until then).
  void SetLineEnds(const LineEnds& ends) { ends_ = ends; }

  // Cuts the next line off the file into line, without its line end; line
  // stays valid until the next call. Returns false at the end of the file.
  // Throws LoadError (kListTooLarge) when the line ends more than limit
  // bytes into the file.
  bool NextLine(std::string_view& line) {
    std::optional<std::size_t> feed;
    while (!(feed = FindLineFeed()) && Fill()) {
    }
    const std::size_t line_end = feed ? *feed : buffer_.size();
    const std::size_t next = feed ? *feed + ends_.line_feed.size() : buffer_.size();
    if (next == begin_) return false;
    if (offset_ + (next - begin_) > limit_) ThrowListTooLarge();
    line = View(begin_, line_end - begin_);
    offset_ += next - begin_;
    begin_ = next;
    scanned_ = 0;
    const std::size_t unit = ends_.carriage_return.size();
    if (line.size() % unit == 0 && line.ends_with(ends_.carriage_return)) line.remove_suffix(unit);
    return true;
  }

 private:
  std::string_view View(std::size_t at, std::size_t count) const {
    return std::string_view(buffer_.data() + at, count);
  }

  // The position in buffer_ of the next line feed that begins a whole code
  // unit of the line being cut, or nullopt while none has been read.
  std::optional<std::size_t> FindLineFeed() {
    const std::size_t unit = ends_.line_feed.size();
    const std::size_t byte_in_unit = ends_.line_feed.find('\n');
    const std::size_t end = buffer_.size();
    std::size_t from = begin_ + scanned_;
    while (from < end) {
      const void* hit = std::memchr(buffer_.data() + from, '\n', end - from);
      if (hit == nullptr) {
        from = end;
        break;
      }
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - buffer_.data());
      from = at + 1;
      if (at < begin_ + byte_in_unit) continue;
      const std::size_t unit_start = at - byte_in_unit;
      if ((unit_start - begin_) % unit != 0) continue;
      if (unit_start + unit > end) {
        from = at;  // the rest of the unit is still to be read
        break;
      }
      if (View(unit_start, unit) == ends_.line_feed) return unit_start;
    }
    scanned_ = from - begin_;
    return std::nullopt;
  }

  // Reads more of the file after what is held. Returns false at the end of
  // the file. Throws LoadError (kListTooLarge) when the line being cut
  // already runs past the limit.
  bool Fill() {
    if (at_end_) return false;
    if (read_ > limit_) ThrowListTooLarge();
    if (begin_ > 0) {
      const std::size_t held = buffer_.size() - begin_;
      std::memmove(buffer_.data(), buffer_.data() + begin_, held);
      buffer_.Commit(buffer_.data() + held);
      begin_ = 0;
    }
    // A line that fills the buffer doubles it, up to the most it may hold.
    if (buffer_.room() == 0) buffer_.reserve(std::min(2 * buffer_.capacity(), limit_ + 1));
    const std::size_t wanted = std::min(buffer_.room(), limit_ + 1 - read_);
    char* const at = buffer_.Extend(wanted);
    const std::size_t got = file_.Read(at, wanted);
    buffer_.Commit(at + got);
    at_end_ = got == 0;
    read_ += got;
    return !at_end_;
  }

  SequentialFile& file_;
  const std::size_t limit_;
  LineEnds ends_ = kByteLineEnds;
  PlainArray<char> buffer_;  // the line being cut, and what was read after it
  std::size_t begin_ = 0;    // where the line being cut starts in buffer_
  std::size_t scanned_ = 0;  // bytes after begin_ known to hold no line feed
  std::size_t offset_ = 0;   // position of begin_ in the file
  std::size_t read_ = 0;     // bytes read from the file
  bool at_end_ = false;
};

// Builds a question set from the lines of a question list. The lines of a
// file without a byte order mark come as its bytes, and the builder settles
// their encoding as they come: code page 932 from the first line that is not
// UTF-8 on, and at the end UTF-8 only if the whole list was, with a
// character of three or four bytes somewhere.
class ListBuilder {
 public:
  // With declared, the lines come as UTF-8 of a file in that encoding;
  // without, they are the bytes of a file without a byte order mark.
  explicit ListBuilder(std::optional<TextEncoding> declared)
      : mode_(declared ? Mode::kUtf8 : Mode::kUndecided),
        encoding_(declared.value_or(TextEncoding::kCp932)) {}

  // Takes the next line of the list, without its line end. Returns false if
  // the line is empty, which ends the list. Throws LoadError for a question
  // line without a space or beyond QuestionSet::kMaxQuestions.
  bool Take(std::string_view line) {
    if (line.empty()) return false;
    ++line_number_;
    if (mode_ == Mode::kUtf8 && !IsValidUtf8(line)) {
      repaired_.clear();
      AppendRepairedUtf8(repaired_, line);
      line = repaired_;
    } else if (mode_ == Mode::kUndecided) {
      const int widest = WidestUtf8Character(line);
      if (widest == 0) SettleOnCp932();
      widest_ = std::max(widest_, widest);
    }
    if (line.front() == '#') return true;

    const std::size_t first_space = line.find(' ');
    if (first_space == std::string_view::npos) {
      throw LoadError(LoadError::Reason::kMalformedLine,
                      "line " + std::to_string(line_number_) + " has no space");
    }
    if (count_ == QuestionSet::kMaxQuestions) {
      throw LoadError(LoadError::Reason::kTooManyQuestions,
                      "more than " + std::to_string(QuestionSet::kMaxQuestions) + " questions");
    }
    const std::string_view rest = line.substr(first_space + 1);
    const std::size_t second_space = rest.find(' ');
    const std::string_view remainder =
        second_space == std::string_view::npos ? std::string_view() : rest.substr(second_space + 1);
    Add(line.substr(0, first_space), rest.substr(0, second_space), remainder);
    return true;
  }

  // The set of the lines taken, and the encoding of their file.
  LoadedQuestions Finish() {
    if (mode_ == Mode::kUndecided) {
      if (widest_ >= 3) {
        encoding_ = TextEncoding::kUtf8;
      } else {
        SettleOnCp932();
      }
    }
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
  enum class Mode { kUndecided, kCp932, kUtf8 };

  // Whether a remainder in code page 932 holds "○".
  bool HoldsRightMarkInCp932(std::string_view remainder) {
    if (remainder.find(kRightMarkInCp932) == std::string_view::npos) return false;
    remainder_.resize(MaxDecodedCp932Size(remainder.size()));
    const char* end = DecodeCp932Into(remainder_.data(), remainder);
    return std::string_view(remainder_.data(), end).find(kRightMark) != std::string_view::npos;
  }

  // Appends bytes, decoded from code page 932, to texts.
  static void AddDecoded(TextList& texts, std::string_view bytes) {
    texts.emplace_back(MaxDecodedCp932Size(bytes.size()),
                       [bytes](char* out) { return DecodeCp932Into(out, bytes); });
  }

  void Add(std::string_view question, std::string_view answer, std::string_view remainder) {
    bool right;
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
  }

  // Reads the questions taken so far as code page 932, and the lines still
  // to come.
  void SettleOnCp932() {
    TextList questions;
    TextList answers;
    for (int i = 0; i < count_; ++i) {
      AddDecoded(questions, set_.Questions[i]);
      AddDecoded(answers, set_.Answers[i]);
      set_.Graded[i] = set_.Correct[i] = right_in_cp932_[i];
    }
    set_.Questions = std::move(questions);
    set_.Answers = std::move(answers);
    right_in_cp932_ = {};
    mode_ = Mode::kCp932;
    encoding_ = TextEncoding::kCp932;
  }

  Mode mode_;
  TextEncoding encoding_;
  QuestionSet set_;
  int count_ = 0;
  int line_number_ = 0;
  int widest_ = 1;                     // widest UTF-8 character while undecided
  std::vector<bool> right_in_cp932_;  // the marks, were the lines read so far code page 932
  std::string repaired_;
  std::string remainder_;
};

LoadedQuestions ReadList(LineReader& reader, std::optional<TextEncoding> declared) {
  const bool utf16 =
      declared == TextEncoding::kUtf16Le || declared == TextEncoding::kUtf16Be;
  if (utf16) {
    reader.SetLineEnds(declared == TextEncoding::kUtf16Le ? kUtf16LeLineEnds : kUtf16BeLineEnds);
  }
  ListBuilder builder(declared);
  std::string utf8;
  std::string_view line;
  while (reader.NextLine(line)) {
    if (utf16) {
      utf8.clear();
      AppendUtf16AsUtf8(utf8, line, declared == TextEncoding::kUtf16Be);
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
  if (!mark) return ReadList(reader, std::nullopt);
  reader.Skip(mark->length);
  return ReadList(reader, mark->encoding);
}

QuestionSet ParseQuestionFile(std::string_view text) {
  StringFile file(text);
  LineReader reader(file, kMaxListBytes);
  return ReadList(reader, TextEncoding::kUtf8).set;
}

}  // namespace tavosu
