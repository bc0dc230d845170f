// glibc's iconv: implementations of code page 932 and EUC-JP independent of
// ICU, which the program converts through.

#ifndef TAVOSU_TESTS_CORE_GLIBC_ICONV_H_
#define TAVOSU_TESTS_CORE_GLIBC_ICONV_H_

#include <iconv.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavosu::testing {

class GlibcIconv {
 public:
  GlibcIconv(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
  ~GlibcIconv() {
    if (ok()) iconv_close(descriptor_);
  }
  GlibcIconv(const GlibcIconv&) = delete;
  GlibcIconv& operator=(const GlibcIconv&) = delete;

  bool ok() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

  // The conversion of the whole input, or nothing if any of it is invalid,
  // unmappable or incomplete.
  std::optional<std::string> Convert(std::string_view input) {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string source(input);
    char* in = source.data();
    std::size_t in_left = source.size();
    std::string converted(4 * input.size() + 16, '\0');
    char* out = converted.data();
    std::size_t out_left = converted.size();
    if (iconv(descriptor_, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    if (iconv(descriptor_, nullptr, nullptr, &out, &out_left) == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    converted.resize(converted.size() - out_left);
    return converted;
  }

 private:
  iconv_t descriptor_;
};

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_CORE_GLIBC_ICONV_H_
