#pragma once

// Reads a whole file that comes from a person (a setup, a script, a
// simulation object, a database, a resource), so that no such file can
// exhaust memory or stall the program: its size is capped, and only a
// regular file is read. A directory, a device such as /dev/zero, a named
// pipe or a socket is refused with a message that says which it is.

#include <cstddef>
#include <string>

namespace input {

// The largest file a reader takes unless it asks for less.
inline constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

struct FileText {
  std::string text;
  // Empty on success, else the cause, without the file's name (the caller
  // names the file once): "No such file or directory", "a directory, not a
  // file", "larger than 64 MiB".
  std::string error;
  bool notFound = false;  // the file does not exist

  bool ok() const { return error.empty(); }
};

FileText ReadBoundedFile(const std::string& path, std::size_t maxBytes = kMaxFileBytes);

// For a file that is loaded by other means (a library): empty when `path`
// is a regular file, else the cause in the words of ReadBoundedFile.
std::string RegularFileProblem(const std::string& path);

// "64 MiB", "1 MiB", "512 KiB", "100 bytes".
std::string SizeText(std::size_t bytes);

}  // namespace input
