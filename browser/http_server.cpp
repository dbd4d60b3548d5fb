#include "browser/http_server.h"

#include <fmt/format.h>
#include <httplib.h>

#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "browser/access.h"
#include "browser/action_request.h"

namespace browser {

namespace {

using Json = nlohmann::json;
using HttpRequest = httplib::Request;
using HttpResponse = httplib::Response;

constexpr const char* kLoopback = "127.0.0.1";
constexpr const char* kJson = "application/json";
// Handler threads: every page holds one long poll, and a browser keeps a
// few connections alive besides; the load test runs 50 clients at once.
constexpr std::size_t kHandlerThreads = 64;
// A long poll returns the state unchanged after this, so that a proxy or
// the browser never gives up on it first.
constexpr std::chrono::milliseconds kLongestPoll{20000};
// The UI thread answers a request as soon as the UI waits for the person
// again; a wait step takes up to a minute of that.
constexpr std::chrono::seconds kLongestAnswer{90};
constexpr int kSmallestPlot_px = 100;
constexpr int kLargestPlot_px = 4000;
constexpr std::uintmax_t kLargestBitmap = 1 << 20;

constexpr const char* kSecurityPolicy =
    "default-src 'self'; img-src 'self' blob: data:; style-src 'self'; script-src 'self'; connect-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

void SendJson(HttpResponse& res, int status, const Json& body) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), kJson);
}

void SendError(HttpResponse& res, int status, const std::string& message) { SendJson(res, status, Json{{"error", message}}); }

std::optional<std::uint64_t> Unsigned(const std::string& text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The size of a plot picture in pixels; the default when not given.
std::optional<int> PlotSide(const HttpRequest& req, const char* name, int fallback) {
  if (!req.has_param(name)) return fallback;
  const std::optional<std::uint64_t> value = Unsigned(req.get_param_value(name));
  if (!value || *value < kSmallestPlot_px || *value > kLargestPlot_px) return std::nullopt;
  return static_cast<int>(*value);
}

void SendReply(HttpResponse& res, std::future<Reply> future) {
  if (future.wait_for(kLongestAnswer) != std::future_status::ready) {
    SendError(res, 504, fmt::format("The dialogs did not answer within {} s; the request may still take effect.",
                                    kLongestAnswer.count()));
    return;
  }
  const Reply reply = future.get();
  if (reply.status == 200) {
    SendJson(res, 200, Json{{"revision", reply.revision}});
  } else {
    SendJson(res, reply.status, Json{{"error", reply.message}, {"revision", reply.revision}});
  }
}

std::string StatusMessage(const HttpRequest& req, int status) {
  switch (status) {
    case 400:
      return "The request is malformed.";
    case 404:
      return fmt::format("There is no page or API at {} {}.", req.method, req.path);
    case 405:
      return fmt::format("{} is not a method this server takes.", req.method);
    case 413:
      return fmt::format("The request body is larger than {} MiB.", HttpServer::kLargestBody >> 20);
    case 414:
      return "The request's address is too long.";
    default:
      return fmt::format("The request failed with status {}.", status);
  }
}

// A file name that is safe in a Content-Disposition header.
std::string HeaderFileName(const std::string& name) {
  std::string safe;
  for (char c : name) safe += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ? c : '_';
  return safe.empty() ? std::string("setup.json") : safe;
}

const char* ImageType(const std::filesystem::path& path) {
  return path.extension() == ".png" ? "image/png" : "image/bmp";
}

}  // namespace

HttpServer::HttpServer(RequestQueue& requests, const PublishedState& published, PageFiles page, std::string token)
    : requests_(requests),
      published_(published),
      page_(std::move(page)),
      token_(std::move(token)),
      server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(kHandlerThreads); };
  server_->set_payload_max_length(kLargestBody);
  server_->set_default_headers({{"Cache-Control", "no-store"},
                                {"X-Content-Type-Options", "nosniff"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Frame-Options", "DENY"},
                                {"Content-Security-Policy", kSecurityPolicy}});
  server_->set_pre_routing_handler([this](const HttpRequest& req, HttpResponse& res) {
    std::string given = req.get_header_value(kTokenHeader);
    if (given.empty()) given = req.get_param_value("token");
    const std::optional<std::string> refusal =
        RefusalOf(req.get_header_value("Host"), req.get_header_value("Origin"), given, token_, port_);
    if (!refusal) return httplib::Server::HandlerResponse::Unhandled;
    SendError(res, 403, *refusal);
    return httplib::Server::HandlerResponse::Handled;
  });
  server_->set_error_handler([](const HttpRequest& req, HttpResponse& res) {
    if (res.body.empty()) SendError(res, res.status, StatusMessage(req, res.status));
  });
  server_->set_exception_handler([](const HttpRequest&, HttpResponse& res, std::exception_ptr) {
    SendError(res, 500, "The server failed to answer this request.");
  });
  Route();
}

HttpServer::~HttpServer() = default;

std::variant<int, std::string> HttpServer::Bind(int port) {
  const bool bound = port == 0 ? (port = server_->bind_to_any_port(kLoopback)) > 0 : server_->bind_to_port(kLoopback, port);
  if (!bound) return fmt::format("cannot listen on {}:{} (is the port in use?)", kLoopback, port);
  port_ = port;
  return port;
}

void HttpServer::Serve() { server_->listen_after_bind(); }

void HttpServer::Stop() { server_->stop(); }

std::string HttpServer::Address() const { return fmt::format("http://{}:{}/?token={}", kLoopback, port_, token_); }

void HttpServer::Route() {
  httplib::Server& s = *server_;
  s.Get("/", [this](const HttpRequest&, HttpResponse& res) {
    res.set_content(PageWithToken(page_.html, token_), "text/html; charset=utf-8");
  });
  s.Get("/app.js", [this](const HttpRequest&, HttpResponse& res) {
    res.set_content(page_.script, "text/javascript; charset=utf-8");
  });
  s.Get("/widgets.js", [this](const HttpRequest&, HttpResponse& res) {
    res.set_content(page_.widgets, "text/javascript; charset=utf-8");
  });
  s.Get("/style.css", [this](const HttpRequest&, HttpResponse& res) {
    res.set_content(page_.style, "text/css; charset=utf-8");
  });

  s.Get("/api/state", [this](const HttpRequest& req, HttpResponse& res) {
    std::shared_ptr<const Snapshot> state;
    if (req.has_param("after")) {
      const std::optional<std::uint64_t> after = Unsigned(req.get_param_value("after"));
      if (!after) return SendError(res, 400, "\"after\" must be a revision number.");
      state = published_.WaitNewer(*after, kLongestPoll);
    } else {
      state = published_.Current();
    }
    res.set_content(state->json, kJson);
  });

  s.Post("/api/action", [this](const HttpRequest& req, HttpResponse& res) {
    ParsedRequest parsed = ParseActionRequest(req.body);
    if (!parsed.request) return SendError(res, 400, parsed.error);
    SendReply(res, requests_.Push(std::move(*parsed.request)));
  });
  s.Post("/api/close", [this](const HttpRequest& req, HttpResponse& res) {
    ParsedRequest parsed = ParseCloseRequest(req.body);
    if (!parsed.request) return SendError(res, 400, parsed.error);
    SendReply(res, requests_.Push(std::move(*parsed.request)));
  });
  s.Post("/api/open", [this](const HttpRequest&, HttpResponse& res) {
    Request open;
    open.kind = Request::Kind::kOpenDialog;
    SendReply(res, requests_.Push(std::move(open)));
  });
  s.Post("/api/save", [this](const HttpRequest&, HttpResponse& res) {
    Request save;
    save.kind = Request::Kind::kSaveSetup;
    SendReply(res, requests_.Push(std::move(save)));
  });

  s.Get("/api/setup", [this](const HttpRequest&, HttpResponse& res) {
    const std::shared_ptr<const SetupDocument> document = published_.Document();
    res.set_header("Content-Disposition", fmt::format("attachment; filename=\"{}\"", HeaderFileName(document->fileName)));
    res.set_content(document->text, kJson);
  });
  s.Post("/api/setup", [this](const HttpRequest& req, HttpResponse& res) {
    Request open;
    open.kind = Request::Kind::kOpenSetup;
    open.document = req.body;
    open.fileName = req.has_param("name") ? req.get_param_value("name") : "uploaded setup";
    SendReply(res, requests_.Push(std::move(open)));
  });

  s.Get("/api/plot", [this](const HttpRequest& req, HttpResponse& res) {
    const std::shared_ptr<const Snapshot> state = published_.Current();
    const auto plot = state->plots.find(req.get_param_value("key"));
    if (plot == state->plots.end()) return SendError(res, 404, "No plot of that key is on view.");
    const std::string format = req.has_param("format") ? req.get_param_value("format") : "svg";
    if (format == "csv") return res.set_content(plot->second->Csv(), "text/csv; charset=utf-8");
    if (format != "svg") return SendError(res, 400, "\"format\" must be svg or csv.");
    const kernel::SvgSize standard;
    const std::optional<int> width = PlotSide(req, "width", standard.width_px);
    const std::optional<int> height = PlotSide(req, "height", standard.height_px);
    if (!width || !height) {
      return SendError(res, 400, fmt::format("\"width\" and \"height\" must be from {} to {} pixels.", kSmallestPlot_px,
                                             kLargestPlot_px));
    }
    res.set_content(plot->second->Svg({*width, *height}), "image/svg+xml");
  });
  s.Get("/api/bitmap", [this](const HttpRequest& req, HttpResponse& res) {
    const std::shared_ptr<const Snapshot> state = published_.Current();
    const auto bitmap = state->bitmaps.find(req.get_param_value("name"));
    if (bitmap == state->bitmaps.end()) return SendError(res, 404, "No bitmap of that name is on view.");
    std::error_code code;
    if (std::filesystem::file_size(bitmap->second, code) > kLargestBitmap || code) {
      return SendError(res, 500, "The bitmap cannot be read.");
    }
    std::ifstream in(bitmap->second, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    res.set_content(bytes.str(), ImageType(bitmap->second));
  });
  s.Get("/api/file", [this](const HttpRequest& req, HttpResponse& res) {
    const std::optional<std::uint64_t> serial = Unsigned(req.get_param_value("serial"));
    const std::shared_ptr<const SavedFile> file = serial ? published_.File(*serial) : nullptr;
    if (!file) return SendError(res, 404, "No saved file of that serial number is kept.");
    res.set_header("Content-Disposition", fmt::format("attachment; filename=\"{}\"", HeaderFileName(file->name)));
    res.set_content(file->text, file->name.ends_with(".svg") ? "image/svg+xml" : "text/csv; charset=utf-8");
  });
}

}  // namespace browser
