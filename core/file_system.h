// Access to the files the drill reads and writes.
//
// The drill reaches the disk only through this interface, so that tests can
// inject faults (a full disk, a file that vanishes) without touching the
// machine. Paths are the system's own (UTF-8 on Linux).

#ifndef TAVOSU_CORE_FILE_SYSTEM_H_
#define TAVOSU_CORE_FILE_SYSTEM_H_

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

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Returns the whole contents of the regular file at path. Throws FileError
  // if it cannot be opened or read, or is not a regular file. Never blocks on
  // a FIFO or device.
  virtual std::string ReadFile(const std::string& path) = 0;

  // Replaces the file at path with contents, or creates it. Either the whole
  // new contents end up under path, or path is left as it was and no other
  // file is left behind; throws FileError in the second case.
  virtual void WriteFileAtomically(const std::string& path, std::string_view contents) = 0;
};

// Returns the process-wide POSIX implementation. Never null.
FileSystem* DefaultFileSystem();

}  // namespace tavosu

#endif  // TAVOSU_CORE_FILE_SYSTEM_H_
