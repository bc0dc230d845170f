#include "core/line_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/load_error.h"

namespace tavosu {

namespace {

constexpr std::size_t kReadSize = 64 * 1024;

[[noreturn]] void ThrowListTooLarge(std::size_t limit) {
  throw LoadError(LoadError::Reason::kListTooLarge,
                  "the question list is longer than " + std::to_string(limit) + " bytes");
}

}  // namespace

LineReader::LineReader(SequentialFile& file, std::size_t limit) : file_(file), limit_(limit) {
  buffer_.reserve(kReadSize);
}

std::string_view LineReader::Peek(std::size_t count) {
  while (buffer_.size() - begin_ < count && Fill()) {
  }
  return std::string_view(buffer_.data() + begin_, std::min(count, buffer_.size() - begin_));
}

void LineReader::Skip(std::size_t count) {
  begin_ += count;
  offset_ += count;
}

void LineReader::SetUnits(Units units) {
  unit_ = units == Units::kBytes ? 1 : 2;
  ascii_at_ = units == Units::kUtf16Be ? 1 : 0;
  lf_ = kNone;
  lf_scanned_ = cr_scanned_ = begin_;
}

bool LineReader::NextLine(std::string_view& line) {
  LineEnd end{};
  bool found = FindLineEnd(end);
  while (!found && Fill()) found = FindLineEnd(end);
  // At the end of the file a run of CRs ends where the file does.
  if (!found && !FindLineEnd(end)) {
    if (begin_ == buffer_.size()) return false;
    end = {buffer_.size(), buffer_.size()};
  }
  if (offset_ + (end.next - begin_) > limit_) ThrowListTooLarge(limit_);
  line = std::string_view(buffer_.data() + begin_, end.text_end - begin_);
  offset_ += end.next - begin_;
  begin_ = end.next;
  cr_scanned_ = begin_;
  if (lf_ != kNone && lf_ < begin_) {
    lf_ = kNone;
    lf_scanned_ = begin_;
  }
  return true;
}

bool LineReader::IsUnit(std::size_t at, char c) const {
  if (unit_ == 1) return buffer_.data()[at] == c;
  return buffer_.data()[at + ascii_at_] == c && buffer_.data()[at + 1 - ascii_at_] == '\0';
}

// The first unit c in [from, to), or kNone; scanned becomes where a later
// search may go on. from lies at a unit boundary of the line being cut.
std::size_t LineReader::FindUnit(char c, std::size_t from, std::size_t to,
                                 std::size_t& scanned) const {
  if (unit_ == 1) {
    const void* hit = from < to ? std::memchr(buffer_.data() + from, c, to - from) : nullptr;
    if (hit == nullptr) {
      scanned = std::max(from, to);
      return kNone;
    }
    scanned = static_cast<std::size_t>(static_cast<const char*>(hit) - buffer_.data());
    return scanned;
  }
  std::size_t at = from;
  for (; at + unit_ <= to; at += unit_) {
    if (IsUnit(at, c)) break;
  }
  scanned = at;
  return at + unit_ <= to ? at : kNone;
}

// Finds where the line being cut ends, in what has been read so far.
// Returns false while what follows the end is still to be read.
bool LineReader::FindLineEnd(LineEnd& end) {
  const std::size_t size = buffer_.size();
  if (lf_ == kNone) lf_ = FindUnit('\n', std::max(lf_scanned_, begin_), size, lf_scanned_);
  const std::size_t cr_to = lf_ != kNone ? lf_ : lf_scanned_;
  const std::size_t cr = FindUnit('\r', std::max(cr_scanned_, begin_), cr_to, cr_scanned_);
  if (cr == kNone) {
    if (lf_ == kNone) return false;
    end = {lf_, lf_ + unit_};
    return true;
  }
  std::size_t run_end = cr;
  while (run_end + unit_ <= size && IsUnit(run_end, '\r')) run_end += unit_;
  if (run_end + unit_ > size && !at_end_) return false;
  end = {cr, run_end == lf_ ? lf_ + unit_ : cr + unit_};
  return true;
}

// Reads more of the file after what is held. Returns false at the end of the
// file. Throws LoadError (kListTooLarge) when the line being cut already
// runs past the limit.
bool LineReader::Fill() {
  if (at_end_) return false;
  if (read_ > limit_) ThrowListTooLarge(limit_);
  if (begin_ > 0) {
    const std::size_t held = buffer_.size() - begin_;
    std::memmove(buffer_.data(), buffer_.data() + begin_, held);
    buffer_.Commit(buffer_.data() + held);
    if (lf_ != kNone) lf_ -= begin_;
    lf_scanned_ -= std::min(lf_scanned_, begin_);
    cr_scanned_ -= std::min(cr_scanned_, begin_);
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

}  // namespace tavosu
