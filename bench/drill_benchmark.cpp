// Load, pick and score at the largest question file the program holds.
//
// Three 32,767-line code page 932 question files: the first 32,767 word and
// reading pairs of EDICT (the file TAVOSU_EDICT names), and two generated
// ones, one shaped like a Japanese dictionary (words of one to eight kanji
// with some kana, loanwords in katakana and the odd NEC or IBM extension
// character, readings of two to twenty kana, a quarter of the lines marked),
// and one of short lines that repeat eight words. For each it prints the
// time of a load from disk beside the bare work it cannot avoid, reading the
// same file and converting it to UTF-8 with glibc's iconv, timed in turn in
// the same process (medians); the memory the loaded set takes; and the time
// to pick and to score. Also the time and peak memory of refusing a 1 GiB
// file that holds too many questions, and, before any of that, the memory
// that the first load of the process keeps: the set of the EDICT file and
// the conversion tables that a load builds on first use.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <iconv.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "core/drill.h"
#include "core/question_file.h"
#include "core/scoring.h"

namespace tavosu {
namespace {

// 32,767 lines like "学校八 がっこうはち ×", CR LF, in code page 932.
const std::string& RepeatingFile() {
  static const std::string bytes = [] {
    const char* kanji[] = {"山", "川", "空", "学校", "先生", "漢字", "髙橋", "①"};
    const char* kana[] = {"やま", "かわ", "そら", "がっこう", "せんせい", "かんじ", "たかはし", "いち"};
    std::string text = "# 大きな問題ファイル\r\n";
    for (int i = 0; i < QuestionSet::kMaxQuestions; ++i) {
      text += kanji[i % 8];
      text += kanji[(i / 8) % 8];
      text += ' ';
      text += kana[i % 8];
      text += kana[(i / 8) % 8];
      text += i % 3 == 0 ? " ×\r\n" : i % 3 == 1 ? " ○\r\n" : "\r\n";
    }
    return EncodeCp932(text);
  }();
  return bytes;
}

// Converts text from one encoding to another with iconv; bytes that do not
// convert are dropped.
std::string Iconv(std::string in, const char* to, const char* from) {
  std::string out(in.size() * 3, '\0');
  iconv_t cd = iconv_open(to, from);
  char* in_at = in.data();
  std::size_t in_left = in.size();
  char* put = out.data();
  std::size_t out_left = out.size();
  constexpr auto kFailed = static_cast<std::size_t>(-1);
  while (iconv(cd, &in_at, &in_left, &put, &out_left) == kFailed && in_left > 0) {
    ++in_at;
    --in_left;
  }
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

// The first 32,767 entries of EDICT that give a reading, as "word reading"
// lines with CR LF, in code page 932.
const std::string& EdictFile() {
  static const std::string bytes = [] {
    std::ifstream edict(TAVOSU_EDICT, std::ios::binary);
    const std::regex entry("^([^ ]+) \\[([^ ]+)\\] /.*");
    std::string text;
    int count = 0;
    std::smatch match;
    for (std::string line; count < QuestionSet::kMaxQuestions && std::getline(edict, line);) {
      if (!std::regex_match(line, match, entry)) continue;
      text += match.str(1) + ' ' + match.str(2) + "\r\n";
      ++count;
    }
    return Iconv(text, "CP932", "EUC-JP");
  }();
  return bytes;
}

// Makes the lines of a dictionary-shaped question file from a fixed seed.
class DictionaryWriter {
 public:
  std::string File() {
    std::string text = "# 漢字の読み：辞書の見出し語から\r\n# 読みはひらがな、外来語はカタカナ\r\n";
    for (int i = 0; i < QuestionSet::kMaxQuestions; ++i) {
      const auto [question, reading] = Word();
      text += question + ' ' + reading;
      const unsigned mark = Below(8);
      text += mark == 0 ? " ○\r\n" : mark == 1 ? " ×\r\n" : "\r\n";
    }
    return EncodeCp932(text);
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(random_() % n); }

  // Picks from weights, each the chance in hundreds of its index.
  unsigned Weighted(const std::vector<unsigned>& weights) {
    unsigned pick = Below(100);
    for (unsigned i = 0; i < weights.size(); ++i) {
      if (pick < weights[i]) return i;
      pick -= weights[i];
    }
    return static_cast<unsigned>(weights.size() - 1);
  }

  static std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
    return out;
  }

  // Hiragana from あ to ん, the small ones rarer.
  char32_t Hiragana() {
    for (;;) {
      const char32_t c = 0x3041 + Below(0x3093 - 0x3041 + 1);
      const bool small = c == 0x3041 || c == 0x3043 || c == 0x3045 || c == 0x3047 || c == 0x3049 ||
                         c == 0x3063 || c == 0x3083 || c == 0x3085 || c == 0x3087 || c == 0x308E;
      if (!small || Below(4) == 0) return c;
    }
  }

  // The kanji of JIS level 1, the first ones likelier.
  std::string Kanji() {
    static const std::vector<std::string> kanji = [] {
      std::vector<std::string> all;
      for (unsigned lead = 0x88; lead <= 0x98; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
          const std::string c = DecodeCp932(std::string{static_cast<char>(lead), static_cast<char>(trail)});
          if (c.size() == 3 && c >= "\xE4\xB8\x80" && c <= "\xE9\xBF\xBF") all.push_back(c);
        }
      }
      return all;
    }();
    const double u = static_cast<double>(Below(1 << 20)) / (1 << 20);
    return kanji[static_cast<std::size_t>(u * u * static_cast<double>(kanji.size()))];
  }

  // A question and its reading.
  std::pair<std::string, std::string> Word() {
    std::string question;
    std::string reading;
    if (Below(10) == 0) {  // a loanword in katakana, read in hiragana
      for (unsigned n = 3 + Below(6); n > 0; --n) {
        const char32_t kana = n < 6 && Below(5) == 0 ? U'ー' : Hiragana();
        reading += Utf8(kana);
        question += Utf8(kana == U'ー' ? kana : kana + (U'ア' - U'あ'));
      }
      return {question, reading};
    }
    const unsigned length = 1 + Weighted({10, 40, 18, 20, 5, 4, 2, 1});
    for (unsigned k = 0; k < length; ++k) {
      question += Kanji();
      for (unsigned n = 1 + Weighted({20, 50, 30}); n > 0 && reading.size() < 20 * 3; --n) {
        reading += Utf8(Hiragana());
      }
    }
    if (length <= 2 && Below(7) == 0) {  // okurigana, as in 食べる
      for (unsigned n = 1 + Below(3); n > 0; --n) {
        const std::string kana = Utf8(Hiragana());
        question += kana;
        if (reading.size() < 20 * 3) reading += kana;
      }
    }
    if (Below(100) == 0) {  // an NEC or IBM extension character
      const char* extensions[] = {"①", "㈱", "髙", "﨑", "ⅱ", "№"};
      question += extensions[Below(6)];
      reading += "いち";
    }
    if (reading.size() < 2 * 3) reading += Utf8(Hiragana());
    return {question, reading};
  }

  std::mt19937 random_{20261207};
};

const std::string& DictionaryFile() {
  static const std::string bytes = DictionaryWriter().File();
  return bytes;
}

using Corpus = const std::string& (*)();

class NullWindow : public WindowOps {
 public:
  void SetQuestionText(const std::string&) override {}
  void SetAnswerText(const std::string&) override {}
  void SetButtonEnabled(DrillButton, bool) override {}
  void ShowMessage(const std::string&) override {}
  void Beep() override {}
  std::optional<std::string> ChooseResultsPath(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void SetNextOpenPath(const std::string&) override {}
};

// Serves a corpus at any path and swallows writes.
class CorpusFileSystem : public FileSystem {
 public:
  explicit CorpusFileSystem(Corpus corpus) : corpus_(corpus) {}
  std::unique_ptr<SequentialFile> OpenForReading(const std::string&) override {
    return std::make_unique<StringFile>(corpus_());
  }
  void WriteFileAtomically(const std::string&, std::string_view contents) override {
    benchmark::DoNotOptimize(contents.data());
  }
  void MakeFolders(const std::string&) override {}

 private:
  Corpus corpus_;
};

// A file in /tmp holding bytes, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    const int fd = mkstemps(path_, 4);
    ok_ = fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0) close(fd);
  }
  ~TempFile() { unlink(path_); }
  bool ok() const { return ok_; }
  const char* path() const { return path_; }

 private:
  char path_[32] = "/tmp/tavosu-benchXXXXXX.txt";
  bool ok_ = false;
};

// What a load cannot do without: read the file at path, and convert its
// bytes from code page 932 to UTF-8 with iconv. Returns the UTF-8 size.
std::size_t ReadAndConvert(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat info {};
  fstat(fd, &info);
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  close(fd);
  return Iconv(std::move(bytes), "UTF-8", "CP932").size();
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Heap in use, the large blocks that malloc maps on their own included.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

// Loads the corpus from disk through the drill, and in turn reads and
// converts it as above; the order changes every iteration.
void BM_Load(benchmark::State& state, Corpus corpus) {
  const std::string& bytes = corpus();
  const TempFile file(bytes);
  if (!file.ok()) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  NullWindow window;
  MixingRandomSource random(1);
  Drill drill(window, *SystemClock(), random, *DefaultFileSystem(), {});
  std::vector<double> load_ms;
  std::vector<double> iconv_ms;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const bool load_first = load_ms.size() % 2 == 0;
    for (int turn = 0; turn < 2; ++turn) {
      const bool load = (turn == 0) == load_first;
      const Clock::time_point start = Clock::now();
      if (load) {
        drill.Read_Files(file.path());
      } else {
        benchmark::DoNotOptimize(ReadAndConvert(file.path()));
      }
      (load ? load_ms : iconv_ms)
          .push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
  }
  double set = HeapInUse();
  {
    StringFile in_memory(bytes);
    const LoadedQuestions loaded = LoadQuestionFile(in_memory);
    set = HeapInUse() - set;
  }
  state.counters["file_MiB"] = static_cast<double>(bytes.size()) / (1 << 20);
  state.counters["load_ms"] = Median(load_ms);
  state.counters["iconv_ms"] = Median(iconv_ms);
  state.counters["load/iconv"] = Median(load_ms) / Median(iconv_ms);
  state.counters["set_MiB"] = set / (1 << 20);
  state.counters["set/file"] = set / static_cast<double>(bytes.size());
}
BENCHMARK_CAPTURE(BM_Load, edict, &EdictFile)->Iterations(201)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, dictionary, &DictionaryFile)->Iterations(201)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, repeating, &RepeatingFile)->Iterations(201)->Unit(benchmark::kMillisecond);

// A drill that has loaded a corpus.
struct LoadedDrill {
  explicit LoadedDrill(Corpus corpus) : files(corpus) { drill.Read_Files("large.txt"); }
  NullWindow window;
  MixingRandomSource random{1};
  CorpusFileSystem files;
  Drill drill{window, *SystemClock(), random, files, {}};
};

// Picks a question from the set, of which a part is graded.
void BM_Pick(benchmark::State& state, Corpus corpus) {
  LoadedDrill loaded(corpus);
  for (auto _ : state) loaded.drill.DisplayQuestion();
}
BENCHMARK_CAPTURE(BM_Pick, edict, &EdictFile)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Pick, dictionary, &DictionaryFile)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Pick, repeating, &RepeatingFile)->Unit(benchmark::kMicrosecond);

// Builds and encodes the results file (the write is swallowed).
void BM_Score(benchmark::State& state, Corpus corpus) {
  LoadedDrill loaded(corpus);
  for (auto _ : state) loaded.drill.markButtonClick();
}
BENCHMARK_CAPTURE(BM_Score, edict, &EdictFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Score, dictionary, &DictionaryFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Score, repeating, &RepeatingFile)->Unit(benchmark::kMillisecond);

// The process's resident memory ("VmRSS:") or its peak ("VmHWM:"), in bytes.
double ProcessMemory(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field)) return std::stod(line.substr(field.size())) * 1024;
  }
  return 0;
}

// Gives the heap's free pages back to the system, so that what is allocated
// next shows in the resident memory, and starts the process's peak resident
// memory afresh from what it holds then.
void ResetPeakMemory() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A 1 GiB file whose 32,768th question line ends 256 KiB in, after which it
// holds only zero bytes (a sparse file). The load must fail at that line.
void BM_RefuseHugeFile(benchmark::State& state) {
  std::string lines;
  for (int i = 0; i <= QuestionSet::kMaxQuestions; ++i) lines += "q a ok\r\n";
  const TempFile file(lines);
  if (!file.ok() || truncate(file.path(), off_t{1} << 30) != 0) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  NullWindow window;
  MixingRandomSource random(1);
  Drill drill(window, *SystemClock(), random, *DefaultFileSystem(), {});
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetPeakMemory();
    const double before = ProcessMemory("VmRSS:");
    state.ResumeTiming();
    try {
      drill.Read_Files(file.path());
      state.SkipWithError("the huge file loaded");
    } catch (const LoadError&) {
    }
    state.PauseTiming();
    peak = std::max(peak, ProcessMemory("VmHWM:") - before);
    state.ResumeTiming();
  }
  state.counters["peak_MiB"] = peak / (1 << 20);
}
BENCHMARK(BM_RefuseHugeFile)->Unit(benchmark::kMillisecond);

// Loads the EDICT file as the first load of the process and prints the heap
// it keeps taken.
void ReportFirstLoad() {
  const std::string& bytes = EdictFile();
  const double before = HeapInUse();
  StringFile file(bytes);
  const LoadedQuestions loaded = LoadQuestionFile(file);
  const double kept = HeapInUse() - before;
  std::printf("First load of the process, EDICT file (%.2f MiB): %.2f MiB kept, %.2f x the file\n",
              static_cast<double>(bytes.size()) / (1 << 20), kept / (1 << 20),
              kept / static_cast<double>(bytes.size()));
}

}  // namespace
}  // namespace tavosu

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tavosu::ReportFirstLoad();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
