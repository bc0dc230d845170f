// Cuts a file, read piece by piece, into lines.
//
// A line ends at LF, at CR LF, at a run of CRs right before LF (a CR LF file
// converted twice), and at a CR that no such run and LF follow (a lone CR,
// as classic Mac OS wrote): "a\r\r\nb" is two lines, "a\r\rb" three, the
// second empty. Line ends are found by code unit, bytes or UTF-16 units in
// either byte order, so that a byte 0A or 0D inside a UTF-16 character ends
// nothing.

#ifndef TAVOSU_CORE_LINE_READER_H_
#define TAVOSU_CORE_LINE_READER_H_

#include <cstddef>
#include <string_view>

#include "core/file_system.h"
#include "core/plain_array.h"

namespace tavosu {

class LineReader {
 public:
  enum class Units { kBytes, kUtf16Le, kUtf16Be };

  // Holds only the line being cut and what was read after it, and reads no
  // more than limit + 1 bytes of file.
  LineReader(SequentialFile& file, std::size_t limit);

  // The first count bytes not yet cut off, or all there are in a shorter
  // file.
  std::string_view Peek(std::size_t count);

  // Drops count of the bytes that Peek returned.
  void Skip(std::size_t count);

  // Lines are cut at line ends in units from here on (bytes until then).
  void SetUnits(Units units);

  // Cuts the next line off the file into line, without its line end; line
  // stays valid until the next call. Returns false at the end of the file.
  // Throws LoadError (core/load_error.h, kListTooLarge) when the line ends
  // more than limit bytes into the file.
  bool NextLine(std::string_view& line);

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Where the line being cut ends, and where the next one begins.
  struct LineEnd {
    std::size_t text_end;
    std::size_t next;
  };

  bool IsUnit(std::size_t at, char c) const;
  std::size_t FindUnit(char c, std::size_t from, std::size_t to, std::size_t& scanned) const;
  bool FindLineEnd(LineEnd& end);
  bool Fill();

  SequentialFile& file_;
  const std::size_t limit_;
  std::size_t unit_ = 1;      // bytes per code unit
  std::size_t ascii_at_ = 0;  // where in a unit an ASCII character's byte lies
  PlainArray<char> buffer_;   // the line being cut, and what was read after it
  std::size_t begin_ = 0;     // where the line being cut starts in buffer_
  // The next LF in buffer_ from begin_ on, or kNone when there is none
  // before lf_scanned_; CRs are known to be none before cr_scanned_.
  std::size_t lf_ = kNone;
  std::size_t lf_scanned_ = 0;
  std::size_t cr_scanned_ = 0;
  std::size_t offset_ = 0;  // position of begin_ in the file
  std::size_t read_ = 0;    // bytes read from the file
  bool at_end_ = false;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_LINE_READER_H_
