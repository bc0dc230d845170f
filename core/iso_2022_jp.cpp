#include "core/iso_2022_jp.h"

#include <unicode/utf8.h>

#include <array>
#include <cstdint>
#include <map>

#include "core/icu_converter.h"

namespace tavosu {

namespace {

constexpr char kEscape = '\x1B';
// The length of each escape sequence written.
constexpr std::size_t kSwitchLength = 3;
constexpr std::string_view kToAscii = "\x1B(B";
constexpr std::string_view kToJisRoman = "\x1B(J";
constexpr std::string_view kToJisX0208 = "\x1B$B";
constexpr std::string_view kToHalfWidthKatakana = "\x1B(I";
// The escape sequences of the other sets, which a line end leaves for
// ASCII.
constexpr std::array<std::string_view, 3> kToOtherSets = {kToJisX0208, "\x1B$@",
                                                          kToHalfWidthKatakana};

// The converters of the calling thread.
Utf8ConverterPair& ThreadConverters() {
  thread_local Utf8ConverterPair converters("ISO_2022,locale=ja,version=0");
  return converters;
}

// Appends utf8 to out as ICU writes it, beginning and ending in ASCII.
void AppendIcuEncoded(std::string& out, std::string_view utf8) {
  ThreadConverters().AppendEncoded(out, MaxEncodedIso2022JpSize(utf8.size()), utf8,
                                   "encoding ISO-2022-JP");
}

// A character as it was read, where ICU writes it as "?": the escape
// sequence of its set and its bytes there.
struct Written {
  std::string_view escape;
  std::string bytes;
};

// The characters that ICU reads and writes as "?": the half-width katakana,
// bytes 0x21 to 0x5F after ESC ( I, and the NEC-selected IBM extensions of
// rows 89 to 92 (ESC $ B 79 21 to 7C 7E), where Windows reads and writes
// them too.
const std::map<char32_t, Written>& CharactersWrittenHere() {
  static const std::map<char32_t, Written> written = [] {
    std::map<char32_t, Written> found;
    const auto add = [&found](std::string_view escape, std::string bytes) {
      const std::string text = DecodeIso2022Jp(std::string(escape) + bytes);
      std::string icu;
      AppendIcuEncoded(icu, text);
      if (icu != "?" || text == "\uFFFD") return;
      std::int32_t i = 0;
      UChar32 c;
      U8_NEXT_UNSAFE(text.data(), i, c);
      found.emplace(static_cast<char32_t>(c), Written{escape, std::move(bytes)});
    };
    for (char byte = 0x21; byte <= 0x5F; ++byte) add(kToHalfWidthKatakana, std::string(1, byte));
    for (char row = 0x79; row <= 0x7C; ++row) {
      for (char cell = 0x21; cell <= 0x7E; ++cell) add(kToJisX0208, std::string{row, cell});
    }
    return found;
  }();
  return written;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Appends segment, which begins in ASCII, to out, which ends in it. Where a
// switch to another set begins segment, a switch to ASCII at the end of out
// is dropped, since an escape sequence right after another reads as an
// error, and so is segment's switch where out was in that set before.
void AppendSegment(std::string& out, std::string_view segment) {
  if (segment.starts_with(kEscape) && out.ends_with(kToAscii)) {
    out.resize(out.size() - kSwitchLength);
    const std::size_t last = out.rfind(kEscape);
    if (last != std::string::npos && segment.starts_with(out.substr(last, kSwitchLength))) {
      segment.remove_prefix(kSwitchLength);
    }
  }
  out += segment;
}

// Whether a line that began in JIS-Roman where began_roman ends in it: the
// last escape sequence in it of a set says.
bool EndsInJisRoman(std::string_view line, bool began_roman) {
  for (std::size_t at = line.rfind(kEscape); at != std::string_view::npos;
       at = at == 0 ? std::string_view::npos : line.rfind(kEscape, at - 1)) {
    const std::string_view rest = line.substr(at);
    if (rest.starts_with(kToJisRoman)) return true;
    if (rest.starts_with(kToAscii)) return false;
    for (const std::string_view other : kToOtherSets) {
      if (rest.starts_with(other)) return false;
    }
  }
  return began_roman;
}

}  // namespace

char* DecodeIso2022JpInto(char* out, std::string_view bytes) {
  return ThreadConverters().Decode(out, MaxDecodedIso2022JpSize(bytes.size()), bytes,
                                   "decoding ISO-2022-JP");
}

std::string DecodeIso2022Jp(std::string_view bytes) {
  std::string text(MaxDecodedIso2022JpSize(bytes.size()), '\0');
  text.resize(static_cast<std::size_t>(DecodeIso2022JpInto(text.data(), bytes) - text.data()));
  return text;
}

std::string_view Iso2022JpLines::Decode(std::string_view line) {
  std::string_view bytes = line;
  if (roman_ && !line.starts_with(kEscape)) {
    bytes_ = kToJisRoman;
    bytes_ += line;
    bytes = bytes_;
  }
  text_.resize(MaxDecodedIso2022JpSize(bytes.size()));
  text_.resize(static_cast<std::size_t>(DecodeIso2022JpInto(text_.data(), bytes) - text_.data()));
  roman_ = EndsInJisRoman(line, roman_);
  return text_;
}

void AppendEncodedIso2022Jp(std::string& out, std::string_view utf8) {
  const std::map<char32_t, Written>& written_here = CharactersWrittenHere();
  std::string segment;
  // Cuts utf8 into segments that each begin and end in ASCII: line ends,
  // runs of characters written here in one set, and what lies between them,
  // which ICU writes.
  std::size_t icu_from = 0;
  const auto length = static_cast<std::int32_t>(utf8.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT_UNSAFE(utf8.data(), i, c);
    const auto here = written_here.find(static_cast<char32_t>(c));
    if (here == written_here.end() && !IsLineEnd(utf8[start])) continue;
    segment.clear();
    AppendIcuEncoded(segment, utf8.substr(icu_from, start - icu_from));
    AppendSegment(out, segment);
    if (here == written_here.end()) {
      out += utf8[start];
    } else {
      segment = here->second.escape;
      segment += here->second.bytes;
      segment += kToAscii;
      AppendSegment(out, segment);
    }
    icu_from = static_cast<std::size_t>(i);
  }
  segment.clear();
  AppendIcuEncoded(segment, utf8.substr(icu_from));
  AppendSegment(out, segment);
}

std::string EncodeIso2022Jp(std::string_view utf8) {
  std::string bytes;
  AppendEncodedIso2022Jp(bytes, utf8);
  return bytes;
}

}  // namespace tavosu
