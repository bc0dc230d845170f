#include "core/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace tavosu {

namespace {

// What the user is told, in Japanese, of the usual reasons a file fails.
std::string ReasonJa(int error) {
  switch (error) {
    case ENOENT: return "ファイルまたはフォルダーが見つかりません。";
    case EACCES:
    case EPERM: return "アクセスする権限がありません。";
    case EROFS: return "読み取り専用の場所です。";
    case ENOSPC:
    case EDQUOT: return "ディスクの空き容量が足りません。";
    case EFBIG: return "ファイルが大きすぎます。";
    case EISDIR: return "同じ名前のフォルダーがあります。";
    case EEXIST: return "同じ名前のファイルがあり、フォルダーを作れません。";
    case ENOTDIR: return "フォルダーの名前が正しくありません。";
    case ENAMETOOLONG: return "ファイル名が長すぎます。";
    case EIO: return "読み書きの途中でエラーが起きました。";
    default: return std::string("システムのエラーです（") + std::strerror(error) + "）。";
  }
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw FileError(what + " " + path + ": " + std::strerror(error), ReasonJa(error));
}

// Closes fd through calls when it goes out of scope.
class FileDescriptor {
 public:
  FileDescriptor(SystemCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) calls_.Close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and returns close()'s errno, or 0.
  int Close() {
    const int result = calls_.Close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  SystemCalls& calls_;
  int fd_;
};

// The system calls themselves.
SystemCalls& PosixCalls() {
  static SystemCalls calls;
  return calls;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int WriteAll(SystemCalls& calls, int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = calls.Write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

class PosixSequentialFile final : public SequentialFile {
 public:
  PosixSequentialFile(std::string path, int fd) : path_(std::move(path)), fd_(PosixCalls(), fd) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_.get(), buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) Fail("cannot read", path_, errno);
    }
  }

 private:
  std::string path_;
  FileDescriptor fd_;
};

class PosixFiles : public FileSystem {
 public:
  explicit PosixFiles(SystemCalls& calls) : calls_(calls) {}

  std::unique_ptr<SequentialFile> OpenForReading(const std::string& path) override {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) Fail("cannot open", path, errno);
    auto file = std::make_unique<PosixSequentialFile>(path, fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) Fail("cannot stat", path, errno);
    if (!S_ISREG(info.st_mode)) {
      Fail("not a regular file:", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    return file;
  }

  void WriteFileAtomically(const std::string& path, std::string_view contents) override {
    const std::string folder = FolderOf(path);
    // The temporary file's name is short, so that any name the folder takes
    // can be written, and the same for every file, so that one left by a
    // crash is known for what it is.
    const std::string temp_prefix = folder + "/.tavosu-" + std::to_string(::getpid()) + "-";
    std::string temp;
    int fd_number = -1;
    for (int attempt = 0; fd_number < 0; ++attempt) {
      temp = temp_prefix + std::to_string(attempt) + ".tmp";
      fd_number = calls_.Open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_number < 0 && (errno != EEXIST || attempt == 99)) Fail("cannot create", path, errno);
    }
    FileDescriptor fd(calls_, fd_number);
    int error = WriteAll(calls_, fd.get(), contents);
    if (error == 0 && calls_.Fsync(fd.get()) != 0) error = errno;
    const int close_error = fd.Close();
    if (error == 0) error = close_error;
    if (error == 0 && calls_.Rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
      calls_.Unlink(temp.c_str());
      Fail("cannot write", path, error);
    }
    error = FlushFolder(folder);
    if (error != 0) Fail("cannot flush the folder of", path, error);
  }

  void MakeFolders(const std::string& path) override {
    std::vector<std::string> made;
    try {
      // Each step is path up to one of its "/"s, and then path itself.
      for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string step = path.substr(0, end);
        if (MakeFolder(step)) {
          made.push_back(step);
          const int error = FlushFolder(FolderOf(step));
          if (error != 0) Fail("cannot flush the folder of", step, error);
        }
        if (end == std::string::npos) break;
      }
    } catch (const FileError&) {
      for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        calls_.Rmdir(folder->c_str());
      }
      throw;
    }
  }

 private:
  // Flushes the folder's entries to the disk, so that a rename into it
  // survives a power cut. Returns the errno, or 0; file systems that cannot
  // flush a folder (EINVAL) count as flushed.
  int FlushFolder(const std::string& folder) {
    const int fd_number = calls_.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd_number < 0) return errno;
    FileDescriptor fd(calls_, fd_number);
    const int error = calls_.Fsync(fd.get()) == 0 ? 0 : errno;
    const int close_error = fd.Close();
    if (error != 0 && error != EINVAL) return error;
    return close_error;
  }

  // Makes the folder at path, and returns whether it made it: false when a
  // folder was there already. Throws FileError when there is none and it
  // cannot be made, also when something else bears its name.
  bool MakeFolder(const std::string& path) {
    if (calls_.Mkdir(path.c_str(), 0777) == 0) return true;
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      return false;
    }
    Fail("cannot make the folder", path, error);
  }

  SystemCalls& calls_;
};

}  // namespace

std::size_t StringFile::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min(size, rest_.size());
  std::memcpy(buffer, rest_.data(), count);
  rest_.remove_prefix(count);
  return count;
}

int SystemCalls::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

ssize_t SystemCalls::Write(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

int SystemCalls::Fsync(int fd) { return ::fsync(fd); }

int SystemCalls::Close(int fd) { return ::close(fd); }

int SystemCalls::Rename(const char* from, const char* to) { return ::rename(from, to); }

int SystemCalls::Unlink(const char* path) { return ::unlink(path); }

int SystemCalls::Mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }

int SystemCalls::Rmdir(const char* path) { return ::rmdir(path); }

FileSystem* DefaultFileSystem() {
  static PosixFiles file_system(PosixCalls());
  return &file_system;
}

std::unique_ptr<FileSystem> PosixFileSystem(SystemCalls& calls) {
  return std::make_unique<PosixFiles>(calls);
}

}  // namespace tavosu
