#include "host/serve_command.h"

#include <fmt/format.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "browser/access.h"
#include "browser/front_end.h"
#include "browser/http_server.h"
#include "browser/page_files.h"
#include "host/serve_session.h"
#include "kernel/errors.h"
#include "kernel/program_run.h"

extern char** environ;

namespace host {

namespace {

std::atomic<browser::FrontEnd*> g_serving{nullptr};

extern "C" void StopServing(int) {
  if (browser::FrontEnd* frontEnd = g_serving.load()) frontEnd->RequestStop();
}

// Ctrl-C and a termination request end the server cleanly (open dialogs
// end as cancelled); a browser that drops a connection must not end it.
class SignalsStopServing {
 public:
  explicit SignalsStopServing(browser::FrontEnd& frontEnd) {
    g_serving.store(&frontEnd);
    previousInt_ = std::signal(SIGINT, StopServing);
    previousTerm_ = std::signal(SIGTERM, StopServing);
    previousPipe_ = std::signal(SIGPIPE, SIG_IGN);
  }
  ~SignalsStopServing() {
    std::signal(SIGINT, previousInt_);
    std::signal(SIGTERM, previousTerm_);
    std::signal(SIGPIPE, previousPipe_);
    g_serving.store(nullptr);
  }
  SignalsStopServing(const SignalsStopServing&) = delete;
  SignalsStopServing& operator=(const SignalsStopServing&) = delete;

 private:
  void (*previousInt_)(int);
  void (*previousTerm_)(int);
  void (*previousPipe_)(int);
};

// Kernel errors go to standard error, as with every command, and to the
// person's notices on the page.
class KernelErrorsToPage {
 public:
  KernelErrorsToPage(std::ostream& err, browser::FrontEnd& frontEnd)
      : previous_(kernel::SetErrorSink([&err, &frontEnd](const std::string& text) {
          err << "drivesetup: kernel: " << OneLine(text) << '\n';
          frontEnd.Notice(text);
        })) {}
  ~KernelErrorsToPage() { kernel::SetErrorSink(std::move(previous_)); }
  KernelErrorsToPage(const KernelErrorsToPage&) = delete;
  KernelErrorsToPage& operator=(const KernelErrorsToPage&) = delete;

 private:
  kernel::ErrorSink previous_;
};

// xdg-open, which hands the address to the desktop's browser; the person
// can always open it by hand.
void OpenInBrowser(const std::string& address, std::ostream& err) {
  const char* argv[] = {"xdg-open", address.c_str(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    err << "drivesetup: serve: cannot start xdg-open; open the address by hand\n";
    return;
  }
  // xdg-open returns once the browser has the address; reap it off the UI thread.
  std::thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  }).detach();
}

}  // namespace

Outcome RunServe(const Invocation& inv, std::unique_ptr<CVX_Setup> setup, const PluginLibrary& plugin,
                 std::ostream& out, std::ostream& err) {
  browser::PageLoad page = browser::LoadPageFiles(kernel::ResourcesDirectory());
  if (!page.files) return Failure{fmt::format("serve: the page cannot be loaded: {}", page.error)};
  std::string error;
  std::unique_ptr<ServeSession> session = ServeSession::Make(inv, std::move(setup), plugin, error);
  if (!session) return Failure{fmt::format("serve: {}", error)};

  browser::PublishedState published;
  browser::FrontEnd frontEnd(*session, published);
  browser::HttpServer server(frontEnd.Requests(), published, std::move(*page.files), browser::NewToken());
  const std::variant<int, std::string> bound = server.Bind(inv.port);
  if (const std::string* cause = std::get_if<std::string>(&bound)) return Failure{fmt::format("serve: {}", *cause)};

  const SignalsStopServing signals(frontEnd);
  const KernelErrorsToPage kernelErrors(err, frontEnd);
  out << "Drive setup is served at " << server.Address() << '\n'
      << "Open that address in a web browser on this computer; Ctrl-C stops the server." << std::endl;
  if (inv.open) OpenInBrowser(server.Address(), err);

  std::thread http([&server] { server.Serve(); });
  frontEnd.Run();
  server.Stop();
  http.join();
  out << "The server stopped." << std::endl;
  return std::nullopt;
}

}  // namespace host
