#include "browser/page_files.h"

#include <fmt/format.h>

#include <fstream>
#include <sstream>

namespace browser {

namespace {

constexpr std::string_view kTokenMark = "__TOKEN__";
// The page is a few tens of kilobytes; a larger file is not it.
constexpr std::uintmax_t kLargestFile = 1 << 20;

bool ReadSmallFile(const std::filesystem::path& path, std::string& text, std::string& error) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(path, code);
  if (code || size > kLargestFile) {
    error = code ? fmt::format("{} cannot be read: {}", path.string(), code.message())
                 : fmt::format("{} is larger than {} bytes", path.string(), kLargestFile);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in) {
    error = fmt::format("{} cannot be read", path.string());
    return false;
  }
  text = content.str();
  return true;
}

}  // namespace

PageLoad LoadPageFiles(const std::filesystem::path& resources) {
  const std::filesystem::path directory = resources / "browser";
  PageFiles files;
  std::string error;
  if (!ReadSmallFile(directory / "index.html", files.html, error) ||
      !ReadSmallFile(directory / "app.js", files.script, error) ||
      !ReadSmallFile(directory / "widgets.js", files.widgets, error) ||
      !ReadSmallFile(directory / "style.css", files.style, error)) {
    return PageLoad{std::nullopt, error};
  }
  return PageLoad{std::move(files), {}};
}

std::string PageWithToken(const std::string& html, const std::string& token) {
  std::string page = html;
  for (std::size_t at = page.find(kTokenMark); at != std::string::npos; at = page.find(kTokenMark, at + token.size())) {
    page.replace(at, kTokenMark.size(), token);
  }
  return page;
}

}  // namespace browser
