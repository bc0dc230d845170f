// A list of texts held in blocks of at most 64 KiB, written once in order
// and then only read. Each text lies whole in one block, found by where it
// ends: two bytes of overhead a text, no copy of a text once written, and as
// the blocks fill up no more room than the texts need. A text too long for a
// block lies alone in one of its own size, and the last text of each block
// ends where the block does.

#ifndef TAVOSU_CORE_TEXT_LIST_H_
#define TAVOSU_CORE_TEXT_LIST_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "core/plain_array.h"

namespace tavosu {

class TextList {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const TextList* list, std::size_t index) : list_(list), index_(index) {}
    std::string_view operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) { return {list_, index_++}; }
    bool operator==(const const_iterator&) const = default;

   private:
    const TextList* list_ = nullptr;
    std::size_t index_ = 0;
  };

  std::size_t size() const { return ends_.size(); }

  // The bytes of all texts together.
  std::size_t bytes() const {
    std::size_t total = 0;
    for (const Block& block : blocks_) total += block.chars.size();
    return total;
  }

  std::string_view operator[](std::size_t i) const {
    const auto next = std::upper_bound(
        blocks_.begin(), blocks_.end(), i,
        [](std::size_t index, const Block& b) { return index < b.first_text; });
    const Block& block = *std::prev(next);
    const std::size_t begin = i == block.first_text ? 0 : ends_[i - 1];
    const bool last = i + 1 == (next == blocks_.end() ? size() : next->first_text);
    const std::size_t end = last ? block.chars.size() : ends_[i];
    return std::string_view(block.chars.data() + begin, end - begin);
  }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Appends text as the last element.
  void push_back(std::string_view text) {
    emplace_back(text.size(), [text](char* out) {
      if (!text.empty()) std::memcpy(out, text.data(), text.size());
      return out + text.size();
    });
  }

  // Appends the text that write makes as the last element: write(out)
  // stores at most most_bytes bytes (less than 4 GiB) from out on and
  // returns the end of what it stored.
  template <typename Write>
  void emplace_back(std::size_t most_bytes, Write write) {
    if (blocks_.empty() || blocks_.back().chars.room() < most_bytes) {
      const std::size_t grown = blocks_.empty() ? kFirstBlock : 2 * blocks_.back().chars.size();
      blocks_.push_back({{}, static_cast<std::uint32_t>(size())});
      blocks_.back().chars.reserve(std::max(most_bytes, std::min(grown, kLargestBlock)));
    }
    PlainArray<char>& chars = blocks_.back().chars;
    chars.Commit(write(chars.Extend(most_bytes)));
    // A block of its own is given back what the text leaves, so that no
    // other text follows it; the end of a text that none follows is not read.
    if (chars.capacity() > kLargestBlock) chars.shrink_to_fit();
    ends_.push_back(static_cast<std::uint16_t>(chars.size()));
  }

  // Gives back the room that the last block and the list of ends left
  // unused.
  void shrink_to_fit() {
    if (!blocks_.empty()) blocks_.back().chars.shrink_to_fit();
    ends_.shrink_to_fit();
  }

  bool operator==(const TextList& other) const {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
  }

 private:
  static constexpr std::size_t kFirstBlock = 4 * 1024;
  // The most a block that holds more than one text takes, so that the ends
  // of all its texts but the last fit in 16 bits.
  static constexpr std::size_t kLargestBlock = 0xFFFF;

  struct Block {
    PlainArray<char> chars;
    std::uint32_t first_text;  // index of the first text in the block
  };

  std::vector<Block> blocks_;
  PlainArray<std::uint16_t> ends_;  // where each text ends in its block
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_LIST_H_
