// Access to the files the drill reads and writes.
//
// The drill reaches the disk only through this interface, so that tests can
// inject faults (a full disk, a file that vanishes) without touching the
// machine. Paths are the system's own (UTF-8 on Linux).

#ifndef TAVOSU_CORE_FILE_SYSTEM_H_
#define TAVOSU_CORE_FILE_SYSTEM_H_

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavosu {

// A file could not be read or written. what() is a short English reason
// for logs and tests; reason_ja() is the same in Japanese for the user.
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& what, std::string reason_ja)
      : std::runtime_error(what), reason_ja_(std::move(reason_ja)) {}
  const std::string& reason_ja() const { return reason_ja_; }

 private:
  std::string reason_ja_;
};

// A file open for reading from its start to its end, piece by piece.
class SequentialFile {
 public:
  virtual ~SequentialFile() = default;

  // Reads up to size bytes into buffer and returns how many it read: fewer
  // than size at any time, and 0 only at the end of the file. Throws
  // FileError if the file cannot be read.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// Reads bytes, which must outlive it, as a file.
class StringFile final : public SequentialFile {
 public:
  explicit StringFile(std::string_view bytes) : rest_(bytes) {}
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string_view rest_;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens the regular file at path for reading; it is closed when the result
  // is destroyed. Throws FileError if it cannot be opened or is not a regular
  // file. Never blocks on a FIFO or device.
  virtual std::unique_ptr<SequentialFile> OpenForReading(const std::string& path) = 0;

  // Replaces the file at path with contents, or creates it, and flushes it
  // and its folder to the disk. Either the whole new contents end up under
  // path, or path is left as it was and no other file is left behind; throws
  // FileError in the second case, and when the folder cannot be flushed.
  virtual void WriteFileAtomically(const std::string& path, std::string_view contents) = 0;

  // Makes the folder at path and every missing folder above it, and flushes
  // each new folder to the disk. Either path is a folder when this returns,
  // or it throws FileError and every folder it made is removed again.
  virtual void MakeFolders(const std::string& path) = 0;
};

// The system calls through which the POSIX file system writes a file. Each
// makes the POSIX call of its name, returns what it returns and leaves errno
// as it does; tests override them to watch them.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const void* data, std::size_t size);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const char* from, const char* to);
  virtual int Unlink(const char* path);
  virtual int Mkdir(const char* path, mode_t mode);
  virtual int Rmdir(const char* path);
};

// Returns the process-wide POSIX implementation. Never null.
FileSystem* DefaultFileSystem();

// A POSIX file system that writes through calls, which must outlive it.
std::unique_ptr<FileSystem> PosixFileSystem(SystemCalls& calls);

}  // namespace tavosu

#endif  // TAVOSU_CORE_FILE_SYSTEM_H_
