// A growable array of plain values in one block from malloc. realloc grows
// it, and shrinks it in place; a large block it moves by remapping its pages
// rather than copying them. The line buffer of the loader and the texts of
// a question set are kept in such arrays.

#ifndef TAVOSU_CORE_PLAIN_ARRAY_H_
#define TAVOSU_CORE_PLAIN_ARRAY_H_

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace tavosu {

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
  std::size_t capacity() const { return capacity_; }
  T* data() { return data_; }
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

}  // namespace tavosu

#endif  // TAVOSU_CORE_PLAIN_ARRAY_H_
