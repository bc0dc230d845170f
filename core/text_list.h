// A list of texts held in a few large blocks, written once in order and then
// only read. Each text lies whole in one block, found by where it ends: four
// bytes of overhead a text, no copy of a text once written, and as the
// blocks fill up no more room than the texts need.

#ifndef TAVOSU_CORE_TEXT_LIST_H_
#define TAVOSU_CORE_TEXT_LIST_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tavosu {

// A growable array of plain values in one block from malloc, which realloc
// grows, and shrinks in place.
template <typename T>
class PlainArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  PlainArray() = default;
  PlainArray(const PlainArray& other) {
    Resize(other.size_);
    if (other.size_ != 0) std::memcpy(data_, other.data_, other.size_ * sizeof(T));
    size_ = other.size_;
  }
  PlainArray(PlainArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  PlainArray& operator=(PlainArray other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  ~PlainArray() { std::free(data_); }

  std::size_t size() const { return size_; }
  const T* data() const { return data_; }
  const T& operator[](std::size_t i) const { return data_[i]; }

  // Values that fit before the array must grow.
  std::size_t room() const { return capacity_ - size_; }
  void reserve(std::size_t capacity) {
    if (capacity > capacity_) Resize(capacity);
  }

  // Makes room for count more values and returns where they go; they
  // belong to the array once Commit is given their end.
  T* Extend(std::size_t count) {
    if (capacity_ - size_ < count) Resize(std::max(2 * capacity_, size_ + count));
    return data_ + size_;
  }
  void Commit(const T* end) { size_ = static_cast<std::size_t>(end - data_); }

  void push_back(T value) {
    T* at = Extend(1);
    *at = value;
    Commit(at + 1);
  }

  // Gives back the room that growing left unused.
  void shrink_to_fit() { Resize(size_); }

  bool operator==(const PlainArray& other) const {
    return size_ == other.size_ && (size_ == 0 || std::memcmp(data_, other.data_, size_ * sizeof(T)) == 0);
  }

 private:
  void Resize(std::size_t capacity) {
    if (capacity == 0) {
      std::free(std::exchange(data_, nullptr));
    } else {
      void* resized = std::realloc(data_, capacity * sizeof(T));
      if (resized == nullptr) throw std::bad_alloc();
      data_ = static_cast<T*>(resized);
    }
    capacity_ = capacity;
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

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
    const Block& block = *std::prev(std::upper_bound(
        blocks_.begin(), blocks_.end(), i,
        [](std::size_t index, const Block& b) { return index < b.first_text; }));
    const std::uint32_t begin = i == block.first_text ? 0 : ends_[i - 1];
    return std::string_view(block.chars.data() + begin, ends_[i] - begin);
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
    ends_.push_back(static_cast<std::uint32_t>(chars.size()));
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
  static constexpr std::size_t kLargestBlock = 1024 * 1024;

  struct Block {
    PlainArray<char> chars;
    std::uint32_t first_text;  // index of the first text in the block
  };

  std::vector<Block> blocks_;
  PlainArray<std::uint32_t> ends_;  // where each text ends in its block
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_TEXT_LIST_H_
