// Code page 932 (Windows Shift_JIS) at the file boundary.
//
// Question and results files are code page 932 text; in memory the program
// holds UTF-8. The conversion matches what Windows does, so that a file
// written on Windows reads back to the same characters. Every function may be
// called from several threads at once; the first call builds the tables the
// conversions look up, which takes a few milliseconds.

#ifndef TAVOSU_CORE_CP932_H_
#define TAVOSU_CORE_CP932_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tavosu {

// Decodes code page 932 bytes to UTF-8. The bytes 0x80, 0xA0 and 0xFD-0xFF
// read as U+0080 and U+F8F0-U+F8F3, as on Windows, and are written back as
// the same bytes. Each byte sequence that forms no character becomes U+FFFD:
// a lead byte at the end or followed by a byte that cannot be a trail byte (that byte is
// then read on its own, so a stray lead byte never swallows CR or LF); and a
// well-formed but unassigned pair, whose trail byte is kept as a character if
// it is ASCII. Never fails on any input.
std::string DecodeCp932(std::string_view bytes);

// Decodes bytes as DecodeCp932 does into out, which must have room for
// MaxDecodedCp932Size(bytes.size()) bytes, and returns the end of the text.
char* DecodeCp932Into(char* out, std::string_view bytes);
constexpr std::size_t MaxDecodedCp932Size(std::size_t bytes) { return 3 * bytes + 1; }

// How many byte sequences in bytes form no character: those that DecodeCp932
// replaces with U+FFFD.
std::size_t CountCp932Errors(std::string_view bytes);

// Encodes UTF-8 text as code page 932. Each character that code page 932
// cannot hold becomes "?" (0x3F), as Windows writes it; characters that
// Windows only approximates ("best fit", such as e for é) are among them.
// Each invalid UTF-8 sequence also becomes "?". Never fails on any input.
std::string EncodeCp932(std::string_view utf8);
void AppendEncodedCp932(std::string& out, std::string_view utf8);

}  // namespace tavosu

#endif  // TAVOSU_CORE_CP932_H_
