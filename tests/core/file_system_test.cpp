#include "core/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "temp_folder.h"

namespace tavosu {
namespace {

using testing::Contents;
using testing::Listing;
using testing::Put;

class FileSystemTest : public ::testing::Test {
 protected:
  std::string In(const std::string& name) const { return temp_.In(name); }

  // Reads the file at path through pieces of at most three bytes.
  std::string Read(const std::string& path) {
    const std::unique_ptr<SequentialFile> file = files_.OpenForReading(path);
    std::string contents;
    char piece[3];
    while (const std::size_t got = file->Read(piece, sizeof piece)) contents.append(piece, got);
    return contents;
  }

  testing::TempFolder temp_;
  const std::filesystem::path& folder_ = temp_.path();
  FileSystem& files_ = *DefaultFileSystem();
};

TEST_F(FileSystemTest, ReadsRegularFile) {
  Put(In("q.txt"), std::string("a b\r\n\0\xFF", 7));
  EXPECT_EQ(Read(In("q.txt")), std::string("a b\r\n\0\xFF", 7));
}

TEST_F(FileSystemTest, RefusesWhatIsNoRegularFile) {
  std::filesystem::create_directory(In("folder.txt"));
  ASSERT_EQ(mkfifo(In("fifo.txt").c_str(), 0644), 0);
  // A FIFO with no writer would block a plain open; this must return at once.
  for (const char* name : {"missing.txt", "folder.txt", "fifo.txt"}) {
    EXPECT_THROW(files_.OpenForReading(In(name)), FileError) << name;
  }
  EXPECT_THROW(files_.OpenForReading("/dev/zero"), FileError);
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

// Makes the system calls of the write path and records them, each with the
// name of the file or folder (".") it is about and the flags that matter.
class RecordingCalls : public SystemCalls {
 public:
  explicit RecordingCalls(std::string folder) : folder_(std::move(folder)) {}

  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = SystemCalls::Open(path, flags, mode);
    names_[fd] = Name(path);
    std::string call = "open " + names_[fd];
    for (const auto& [flag, name] : {std::pair{O_CREAT, " O_CREAT"}, {O_EXCL, " O_EXCL"},
                                     {O_TRUNC, " O_TRUNC"}, {O_DIRECTORY, " O_DIRECTORY"}}) {
      if ((flags & flag) != 0) call += name;
    }
    calls.push_back(call);
    return fd;
  }
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    calls.push_back("write " + names_[fd]);
    return SystemCalls::Write(fd, data, size);
  }
  int Fsync(int fd) override {
    calls.push_back("fsync " + names_[fd]);
    return SystemCalls::Fsync(fd);
  }
  int Close(int fd) override {
    calls.push_back("close " + names_[fd]);
    return SystemCalls::Close(fd);
  }
  int Rename(const char* from, const char* to) override {
    calls.push_back("rename " + Name(from) + " " + Name(to));
    return SystemCalls::Rename(from, to);
  }
  int Unlink(const char* path) override {
    calls.push_back("unlink " + Name(path));
    return SystemCalls::Unlink(path);
  }
  // Fails with ENOSPC for the folder named refused.
  int Mkdir(const char* path, mode_t mode) override {
    calls.push_back("mkdir " + Name(path));
    if (Name(path) != refused) return SystemCalls::Mkdir(path, mode);
    errno = ENOSPC;
    return -1;
  }
  int Rmdir(const char* path) override {
    calls.push_back("rmdir " + Name(path));
    return SystemCalls::Rmdir(path);
  }

  std::vector<std::string> calls;
  std::string refused;

 private:
  // Paths outside the folder keep their own names.
  std::string Name(const std::string& path) const {
    if (path == folder_) return ".";
    return path.starts_with(folder_ + "/") ? path.substr(folder_.size() + 1) : path;
  }

  std::string folder_;
  std::map<int, std::string> names_;
};

// A results file is written to a new temporary file, flushed to the disk,
// renamed into place, and then its folder is flushed, so that it survives a
// power cut once it is said to be saved; a temporary file of the same name
// left by another is not touched.
TEST_F(FileSystemTest, WritesThroughAFlushedTemporaryFileAndFlushesTheFolder) {
  const std::string temporary = ".tavosu-" + std::to_string(getpid()) + "-";
  Put(In(temporary + "0.tmp"), "another's");
  RecordingCalls calls(folder_.string());
  PosixFileSystem(calls)->WriteFileAtomically(In("r.txt"), "results");
  EXPECT_EQ(calls.calls,
            (std::vector<std::string>{"open " + temporary + "0.tmp O_CREAT O_EXCL",
                                      "open " + temporary + "1.tmp O_CREAT O_EXCL",
                                      "write " + temporary + "1.tmp", "fsync " + temporary + "1.tmp",
                                      "close " + temporary + "1.tmp",
                                      "rename " + temporary + "1.tmp r.txt", "open . O_DIRECTORY",
                                      "fsync .", "close ."}));
  EXPECT_EQ(Contents(In("r.txt")), "results");
  EXPECT_EQ(Contents(In(temporary + "0.tmp")), "another's");
}

// Each folder made is flushed into the one above it; when one cannot be
// made, those made before it go again, and what was there stays.
TEST_F(FileSystemTest, MakesMissingFoldersFlushingEachAndUndoesThemOnFailure) {
  std::filesystem::create_directory(In("a"));
  Put(In("a/f"), "x");
  RecordingCalls calls(folder_.string());
  const std::unique_ptr<FileSystem> files = PosixFileSystem(calls);
  files->MakeFolders(In("a/b/c"));
  std::erase_if(calls.calls, [](const std::string& call) { return call.starts_with("mkdir /"); });
  EXPECT_EQ(calls.calls, (std::vector<std::string>{
                             "mkdir .", "mkdir a", "mkdir a/b", "open a O_DIRECTORY", "fsync a",
                             "close a", "mkdir a/b/c", "open a/b O_DIRECTORY", "fsync a/b",
                             "close a/b"}));
  EXPECT_TRUE(std::filesystem::is_directory(In("a/b/c")));

  calls.refused = "a/d/e";
  EXPECT_THROW(files->MakeFolders(In("a/d/e")), FileError);
  EXPECT_EQ(calls.calls.back(), "rmdir a/d");
  try {
    files->MakeFolders(In("a/f/g"));
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(e.reason_ja(), "同じ名前のファイルがあり、フォルダーを作れません。");
  }
  EXPECT_EQ(Listing(In("a")), (std::set<std::string>{"b", "f"}));
  EXPECT_EQ(Contents(In("a/f")), "x");
}

TEST_F(FileSystemTest, WritesTheLongestNameTheFolderTakes) {
  const std::string name = std::string(251, 'k') + ".txt";
  files_.WriteFileAtomically(In(name), "results");
  EXPECT_EQ(Contents(In(name)), "results");
  EXPECT_EQ(Listing(folder_), std::set<std::string>{name});
}

TEST_F(FileSystemTest, FolderInTheWayIsReportedAndKept) {
  std::filesystem::create_directory(In("r.txt"));
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
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
  std::filesystem::remove(folder_);
  EXPECT_THROW(files_.WriteFileAtomically("r.txt", "results"), FileError);
  std::filesystem::current_path(previous);
  EXPECT_FALSE(std::filesystem::exists(folder_));
}

TEST_F(FileSystemTest, ReadOnlyFolderIsReported) {
  Put(In("r.txt"), "earlier");
  TAVOSU_IN_CHILD({
    if (!testing::MakeReadOnly(folder_)) std::exit(2);
    try {
      files_.WriteFileAtomically(In("r.txt"), "results");
      std::exit(3);
    } catch (const FileError&) {
    }
    if (Contents(In("r.txt")) != "earlier" || Listing(folder_).size() != 1) std::exit(4);
  });
}

TEST_F(FileSystemTest, FullDiskKeepsEarlierFileAndLeavesNoTemporary) {
  TAVOSU_IN_CHILD({
    if (!testing::MakeSmall(folder_, 64 * 1024)) std::exit(2);
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
