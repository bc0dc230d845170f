// Load, pick and score at the largest question file the program holds.
//
// Prints the time and throughput of loading a generated 32,767-line code page
// 932 question file, the heap the loaded set takes, and a baseline: glibc's
// iconv converting the same bytes from CP932 to UTF-8.

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/cp932.h"
#include "core/drill.h"
#include "core/question_file.h"
#include "core/scoring.h"

namespace tavosu {
namespace {

// 32,767 lines like "学校八 がっこうはち ×", CR LF, in code page 932.
const std::string& LargeFile() {
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

class NullWindow : public WindowOps {
 public:
  void SetQuestionText(const std::string&) override {}
  void SetAnswerText(const std::string&) override {}
  void SetButtonEnabled(DrillButton, bool) override {}
  void ShowMessage(const std::string&) override {}
  void Beep() override {}
};

// Serves the large file and swallows writes.
class LargeFileSystem : public FileSystem {
 public:
  std::unique_ptr<SequentialFile> OpenForReading(const std::string&) override {
    return std::make_unique<StringFile>(LargeFile());
  }
  void WriteFileAtomically(const std::string&, std::string_view contents) override {
    benchmark::DoNotOptimize(contents.data());
  }
};

void BM_LoadQuestionFile(benchmark::State& state) {
  const std::string& bytes = LargeFile();
  std::size_t heap = 0;
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    StringFile file(bytes);
    LoadedQuestions set = LoadQuestionFile(file);
    heap = mallinfo2().uordblks - before;
    benchmark::DoNotOptimize(set);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["file_MiB"] = static_cast<double>(bytes.size()) / (1 << 20);
  state.counters["set_MiB"] = static_cast<double>(heap) / (1 << 20);
}
BENCHMARK(BM_LoadQuestionFile)->Unit(benchmark::kMillisecond);

void BM_LoadFromDisk(benchmark::State& state) {
  char path[] = "/tmp/tavosu-benchXXXXXX.txt";
  const int fd = mkstemps(path, 4);
  const std::string& bytes = LargeFile();
  if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  close(fd);
  NullWindow window;
  MixingRandomSource random(1);
  Drill drill(window, *SystemClock(), random, *DefaultFileSystem());
  for (auto _ : state) drill.Read_Files(path);
  unlink(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadFromDisk)->Unit(benchmark::kMillisecond);

void BM_IconvBaseline(benchmark::State& state) {
  const std::string& bytes = LargeFile();
  std::string out(bytes.size() * 2, '\0');
  for (auto _ : state) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char* put = out.data();
    std::size_t out_left = out.size();
    iconv(cd, &in, &in_left, &put, &out_left);
    iconv_close(cd);
    benchmark::DoNotOptimize(put);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_IconvBaseline)->Unit(benchmark::kMillisecond);

// A drill that has loaded the large file.
struct LargeDrill {
  LargeDrill() { drill.Read_Files("large.txt"); }
  NullWindow window;
  MixingRandomSource random{1};
  LargeFileSystem files;
  Drill drill{window, *SystemClock(), random, files};
};

// Picks a question from the large set, a third of which is graded.
void BM_Pick(benchmark::State& state) {
  LargeDrill large;
  for (auto _ : state) large.drill.DisplayQuestion();
}
BENCHMARK(BM_Pick)->Unit(benchmark::kMicrosecond);

void BM_ScoreLargeDrill(benchmark::State& state) {
  LargeDrill large;
  for (auto _ : state) large.drill.markButtonClick();
}
BENCHMARK(BM_ScoreLargeDrill)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavosu

BENCHMARK_MAIN();
