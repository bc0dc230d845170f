// A scratch folder on the real disk, and ways to make writing into it fail.

#ifndef TAVOSU_TESTS_CORE_TEMP_FOLDER_H_
#define TAVOSU_TESTS_CORE_TEMP_FOLDER_H_

#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace tavosu::testing {

namespace fs = std::filesystem;

// Creates an empty folder under /tmp and removes it with all it holds.
class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/tavosu-test-XXXXXX";
    path_ = mkdtemp(name);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  std::string In(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

inline std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Put(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// Runs body in a child process, so that the limits and mounts it sets up die
// with it. The test passes when body returns normally.
#define TAVOSU_IN_CHILD(body) \
  EXPECT_EXIT({ body; std::exit(0); }, ::testing::ExitedWithCode(0), "")

// Gives this process a private view of the mounts; call only in a child.
// Fails where the root is no mount point (in a chroot, say). A folder mounted
// over afterwards is seen through a working directory only once the process
// enters the folder again.
inline bool PrivateMounts() {
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Takes from this process the capabilities by which root writes where mode
// bits forbid it.
inline bool DropFileOverrides() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
  }
  return syscall(SYS_capset, &header, data) == 0;
}

// Makes folder read-only for this process; call only in a child. As root,
// mode bits stop nothing, so the folder is bind-mounted read-only, or where
// mounts cannot be had, root gives up its power over mode bits.
inline bool MakeReadOnly(const fs::path& folder) {
  if (geteuid() == 0 && PrivateMounts()) {
    return mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0 &&
           chdir(folder.c_str()) == 0;
  }
  return (geteuid() != 0 || DropFileOverrides()) && chmod(folder.c_str(), 0555) == 0;
}

// Leaves room for only size bytes in folder; call only in a child. As root a
// tmpfs of that size is mounted over it; otherwise, or where mounts cannot be
// had, this process may write no file larger than size.
inline bool MakeSmall(const fs::path& folder, std::size_t size) {
  if (geteuid() == 0 && PrivateMounts()) {
    const std::string options = "size=" + std::to_string(size);
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0 &&
           chdir(folder.c_str()) == 0;
  }
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{size, size};
  return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_CORE_TEMP_FOLDER_H_
