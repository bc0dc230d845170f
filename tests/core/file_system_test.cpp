#include "core/file_system.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace tavosu {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

class FileSystemTest : public ::testing::Test {
 protected:
  FileSystemTest() {
    char name[] = "/tmp/tavosu-fs-XXXXXX";
    folder_ = mkdtemp(name);
  }
  ~FileSystemTest() override {
    chmod(folder_.c_str(), 0755);
    fs::remove_all(folder_);
  }
  std::string In(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
  FileSystem& files_ = *DefaultFileSystem();
};

TEST_F(FileSystemTest, ReadsRegularFile) {
  Put(In("q.txt"), std::string("a b\r\n\0\xFF", 7));
  EXPECT_EQ(files_.ReadFile(In("q.txt")), std::string("a b\r\n\0\xFF", 7));
}

TEST_F(FileSystemTest, RefusesWhatIsNoRegularFile) {
  fs::create_directory(In("folder.txt"));
  ASSERT_EQ(mkfifo(In("fifo.txt").c_str(), 0644), 0);
  // A FIFO with no writer would block a plain open; this must return at once.
  for (const char* name : {"missing.txt", "folder.txt", "fifo.txt"}) {
    EXPECT_THROW(files_.ReadFile(In(name)), FileError) << name;
  }
  EXPECT_THROW(files_.ReadFile("/dev/zero"), FileError);
}

TEST_F(FileSystemTest, WritesAndReplacesLeavingNothingElse) {
  files_.WriteFileAtomically(In("r.txt"), "first");
  files_.WriteFileAtomically(In("r.txt"), "second\r\n");
  EXPECT_EQ(Contents(In("r.txt")), "second\r\n");
  EXPECT_EQ(Listing(folder_), std::set<std::string>{"r.txt"});
  struct stat info {};
  ASSERT_EQ(stat(In("r.txt").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "created like any other file";
}

TEST_F(FileSystemTest, FolderInTheWayIsReportedAndKept) {
  fs::create_directory(In("r.txt"));
  Put(In("r.txt/inside"), "x");
  try {
    files_.WriteFileAtomically(In("r.txt"), "results");
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(e.reason_ja(), "同じ名前のフォルダーがあります。");
  }
  EXPECT_EQ(Listing(folder_), std::set<std::string>{"r.txt"});
  EXPECT_EQ(Contents(In("r.txt/inside")), "x");
}

TEST_F(FileSystemTest, RemovedWorkingFolderIsReported) {
  const fs::path previous = fs::current_path();
  fs::current_path(folder_);
  fs::remove(folder_);
  EXPECT_THROW(files_.WriteFileAtomically("r.txt", "results"), FileError);
  fs::current_path(previous);
  EXPECT_FALSE(fs::exists(folder_));
}

// Runs body in a child process, so that limits and mounts it sets up die with
// it; the child exits 0 when body returned normally.
#define IN_CHILD(body) EXPECT_EXIT({ body; std::exit(0); }, ::testing::ExitedWithCode(0), "")

// Makes folder read-only for this process. As root, mode bits stop nothing,
// so the folder is bind-mounted read-only in a private mount namespace.
bool MakeReadOnly(const fs::path& folder) {
  if (geteuid() != 0) return chmod(folder.c_str(), 0555) == 0;
  return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// Limits folder to size bytes of data: a tmpfs of that size mounted over it
// (as root), or else a file-size limit on this process.
bool MakeSmall(const fs::path& folder, std::size_t size) {
  if (geteuid() == 0) {
    const std::string options = "size=" + std::to_string(size);
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{size, size};
  return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

TEST_F(FileSystemTest, ReadOnlyFolderIsReported) {
  Put(In("r.txt"), "earlier");
  IN_CHILD({
    if (!MakeReadOnly(folder_)) std::exit(2);
    try {
      files_.WriteFileAtomically(In("r.txt"), "results");
      std::exit(3);
    } catch (const FileError&) {
    }
    if (Contents(In("r.txt")) != "earlier" || Listing(folder_).size() != 1) std::exit(4);
  });
}

TEST_F(FileSystemTest, FullDiskKeepsEarlierFileAndLeavesNoTemporary) {
  IN_CHILD({
    if (!MakeSmall(folder_, 64 * 1024)) std::exit(2);
    files_.WriteFileAtomically(In("r.txt"), "earlier");
    try {
      files_.WriteFileAtomically(In("r.txt"), std::string(1 << 20, 'x'));
      std::exit(3);
    } catch (const FileError&) {
    }
    if (Contents(In("r.txt")) != "earlier") std::exit(4);
    if (Listing(folder_) != std::set<std::string>{"r.txt"}) std::exit(5);
  });
}

}  // namespace
}  // namespace tavosu
