#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The page the server hands out: plain HTML, CSS and JavaScript from the
// resources (resources/browser/), read once when the server starts.
namespace browser {

struct PageFiles {
  std::string html;    // index.html; its "__TOKEN__" marks stand for the token
  std::string script;   // app.js
  std::string widgets;  // widgets.js: the kernel's display widgets
  std::string style;   // style.css
};

struct PageLoad {
  std::optional<PageFiles> files;
  std::string error;  // names the file that could not be read
};

// <resources>/browser/index.html, app.js, widgets.js and style.css.
PageLoad LoadPageFiles(const std::filesystem::path& resources);

// The page for one server: the token written into its links.
std::string PageWithToken(const std::string& html, const std::string& token);

}  // namespace browser
