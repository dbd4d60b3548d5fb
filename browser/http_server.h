#pragma once

#include <memory>
#include <string>
#include <variant>

#include "browser/page_files.h"
#include "browser/published_state.h"
#include "browser/requests.h"

namespace httplib {
class Server;
}

// The HTTP side of the browser front end: the page and a small JSON API
// (docs/browser.md). Handlers run on the server's own threads; they read
// the published state and queue requests for the user-interface thread,
// never touching a dialog themselves.
namespace browser {

class HttpServer {
 public:
  HttpServer(RequestQueue& requests, const PublishedState& published, PageFiles page, std::string token);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds to 127.0.0.1:`port` (0: a free port); the port bound, or why not.
  std::variant<int, std::string> Bind(int port);
  // Serves on the calling thread until Stop.
  void Serve();
  // Any thread: Serve returns.
  void Stop();

  const std::string& Token() const { return token_; }
  // The address to open: http://127.0.0.1:PORT/?token=TOKEN.
  std::string Address() const;

  // Request bodies above this size are refused (413).
  static constexpr std::size_t kLargestBody = std::size_t{4} << 20;

 private:
  void Route();

  RequestQueue& requests_;
  const PublishedState& published_;
  PageFiles page_;
  std::string token_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
};

}  // namespace browser
