// The question file's grammar and literals, shared by its reader (the loader)
// and its one writer (scoring the drill).
//
// A question file is lines of text. A line whose first character is
// kCommentSign is a comment. Every other line is a question line: the
// question, kFieldSpace, the answer, and an optional remainder after a
// second kFieldSpace; fields split at that ASCII space alone. A remainder
// that holds kRightMark marks the question as already graded right. The
// list ends at the end of the file or at the first empty line.
//
// A results file is a question file: kTitleLine, kStampLinePrefix and the
// time, kBlankComment, one question line per question (question, space,
// answer, and for a graded one a space and kRightMark or kWrongMark), and the
// score line; every line ends with kLineEnd.

#ifndef TAVOSU_CORE_QUESTION_FORMAT_H_
#define TAVOSU_CORE_QUESTION_FORMAT_H_

#include <cstddef>
#include <string_view>

namespace tavosu::question_format {

inline constexpr char kCommentSign = '#';
inline constexpr char kFieldSpace = ' ';
inline constexpr std::string_view kRightMark = "○";
inline constexpr std::string_view kWrongMark = "×";
inline constexpr std::string_view kLineEnd = "\r\n";

inline constexpr std::string_view kTitleLine = "# 漢字テストの結果です。";
inline constexpr std::string_view kStampLinePrefix = "# テストを行った日時は、";
inline constexpr std::string_view kBlankComment = "#";
// The score line: kScorePrefix, the three counts apart by kScoreSeparator,
// kPercentPrefix, the percentage and kPercentSuffix.
inline constexpr std::string_view kScorePrefix = "# 正解は、";
inline constexpr std::string_view kScoreSeparator = "/";
inline constexpr std::string_view kPercentPrefix = " です。(";
inline constexpr std::string_view kPercentSuffix = "点)";

// The most bytes, in any encoding and byte order mark included, that a
// results file takes besides its question lines.
inline constexpr std::size_t kMaxFrameBytes = 512;

}  // namespace tavosu::question_format

#endif  // TAVOSU_CORE_QUESTION_FORMAT_H_
