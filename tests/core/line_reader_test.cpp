#include "core/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/load_error.h"

namespace tavosu {
namespace {

// A file of "x" but for the line end characters laid out in it, handed out
// in pieces of one size. It is made as it is read, so that a file of many
// large pieces takes no more memory than a piece.
class LaidOutFile : public SequentialFile {
 public:
  explicit LaidOutFile(std::size_t piece) : piece_(piece) {}

  // Ends the line being laid out with the characters end, its first
  // character the last byte of a piece; the line takes the "x" before it.
  void EndAtPieceEnd(std::string_view end) {
    const std::size_t filler = (piece_ - 1 - size_ % piece_) % piece_;
    line_ += filler;
    size_ += filler;
    for (const char c : end) ends_[size_++] = c;
    lines.push_back(line_);
    line_ = 0;
  }

  // Adds one "x" to the line being laid out.
  void AddX() {
    ++line_;
    ++size_;
  }

  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, piece_, size_ - read_});
    std::memset(buffer, 'x', count);
    for (auto at = ends_.lower_bound(read_); at != ends_.end() && at->first < read_ + count; ++at) {
      buffer[at->first - read_] = at->second;
    }
    read_ += count;
    return count;
  }

  std::vector<std::size_t> lines;  // the length of each line laid out

 private:
  const std::size_t piece_;
  std::map<std::size_t, char> ends_;
  std::size_t size_ = 0;
  std::size_t line_ = 0;
  std::size_t read_ = 0;
};

// Each way a line ends, on a piece boundary, read in pieces of every size
// from one byte to beyond the 64 KiB the reader reads at a time: CR LF split
// between two pieces, LF at the end of a piece, a lone CR at the end of a
// piece before text, a run of CRs before LF split between two pieces, and a
// CR that ends a piece and the file.
TEST(LineReader, EndsLinesOnEveryPieceBoundary) {
  const std::string xs(70'000, 'x');
  for (std::size_t piece = 1; piece <= 66'000; ++piece) {
    LaidOutFile file(piece);
    file.EndAtPieceEnd("\r\n");
    file.EndAtPieceEnd("\n");
    file.EndAtPieceEnd("\r");
    file.AddX();
    file.EndAtPieceEnd("\r\r\n");
    file.EndAtPieceEnd("\r");
    LineReader reader(file, 1 << 20);
    std::string_view line;
    for (const std::size_t length : file.lines) {
      ASSERT_TRUE(reader.NextLine(line)) << "pieces of " << piece;
      ASSERT_EQ(line, std::string_view(xs).substr(0, length)) << "pieces of " << piece;
    }
    ASSERT_FALSE(reader.NextLine(line)) << "pieces of " << piece;
  }
}

}  // namespace
}  // namespace tavosu
