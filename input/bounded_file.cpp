#include "input/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

namespace input {
namespace {

// What a path that is not a regular file is, in the words of the refusal.
const char* KindOfSpecialFile(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
  if (S_ISFIFO(mode)) return "a named pipe, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "not a regular file";
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string RegularFileProblem(const std::string& path) {
  if (path.empty()) return "the file name is empty";
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::strerror(errno);
  return S_ISREG(status.st_mode) ? std::string() : KindOfSpecialFile(status.st_mode);
}

std::string SizeText(std::size_t bytes) {
  if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0) return fmt::format("{} MiB", bytes >> 20);
  if (bytes >= (std::size_t{1} << 10) && bytes % (std::size_t{1} << 10) == 0) return fmt::format("{} KiB", bytes >> 10);
  return fmt::format("{} bytes", bytes);
}

FileText ReadBoundedFile(const std::string& path, std::size_t maxBytes) {
  FileText result;
  if (path.empty()) {
    result.error = "the file name is empty";
    result.notFound = true;
    return result;
  }
  // Without O_NONBLOCK, opening a named pipe would wait for a writer that
  // may never come; regular files ignore the flag.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) {
    result.notFound = errno == ENOENT;
    result.error = std::strerror(errno);
    return result;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    result.error = std::strerror(errno);
    return result;
  }
  if (!S_ISREG(status.st_mode)) {
    result.error = KindOfSpecialFile(status.st_mode);
    return result;
  }
  const std::string tooLarge = fmt::format("larger than {}", SizeText(maxBytes));
  if (static_cast<std::size_t>(status.st_size) > maxBytes) {
    result.error = tooLarge;
    return result;
  }
  // The size can change while the file is read, and some files (in /proc)
  // report none: the bound holds for what is read, whatever was stated.
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      result.error = fmt::format("cannot be read: {}", std::strerror(errno));
      break;
    }
    if (count == 0) break;
    if (result.text.size() + static_cast<std::size_t>(count) > maxBytes) {
      result.error = tooLarge;
      break;
    }
    result.text.append(buffer, static_cast<std::size_t>(count));
  }
  if (!result.ok()) result.text.clear();
  return result;
}

}  // namespace input
