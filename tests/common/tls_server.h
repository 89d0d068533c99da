#pragma once
// An HTTPS server on loopback with a self-signed certificate made for the test with openssl,
// so the engine meets a certificate it cannot verify, as it does at a local admin page. The
// server (tests/common/tls_server.py) records each request and each handshake a client gave
// up on.
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>

#include <stdexcept>
#include <string>

#include "tests/common/loop_spin.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_files.h"

namespace wbtest {

class TlsServer {
 public:
  // `folder` must exist and belong to the test; the key, certificate and records go there.
  explicit TlsServer(const std::string& folder) : folder_(folder) {
    ToolRun made = RunTool({Program("openssl"), "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-days", "2", "-subj", "/CN=127.0.0.1", "-keyout", folder + "/key.pem",
                            "-out", folder + "/cert.pem"});
    if (made.status != 0) throw std::runtime_error("openssl: " + made.err);
    std::string script = std::string(WB_SOURCE_DIR) + "/tests/common/tls_server.py";
    std::string cert = folder + "/cert.pem", key = folder + "/key.pem";
    const char* argv[] = {"python3",   script.c_str(), cert.c_str(),
                          key.c_str(), folder.c_str(), nullptr};
    if (!g_spawn_async(nullptr, const_cast<char**>(argv), nullptr,
                       static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                       nullptr, nullptr, &pid_, nullptr))
      throw std::runtime_error("cannot start the HTTPS server");
    std::string port;
    RunLoopUntil(
        [&] {
          port = ReadFile(folder_ + "/port");
          return !port.empty();
        },
        10000);
    if (port.empty()) throw std::runtime_error("the HTTPS server did not start");
    port_ = std::stoi(port);
  }
  ~TlsServer() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  std::string Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }
  // Every event so far, one a line: "GET /path" or "handshake-failed".
  std::string Events() const { return ReadFile(folder_ + "/events"); }
  // The certificate's SHA-256 fingerprint as openssl prints it ("AB:CD:...").
  std::string Fingerprint() const {
    ToolRun run = RunTool({Program("openssl"), "x509", "-noout", "-fingerprint", "-sha256", "-in",
                           folder_ + "/cert.pem"});
    auto eq = run.out.find('=');
    return eq == std::string::npos ? std::string() : run.out.substr(eq + 1, 95);
  }

 private:
  static std::string Program(const char* name) {
    gchar* path = g_find_program_in_path(name);
    std::string found = path ? path : name;
    g_free(path);
    return found;
  }

  std::string folder_;
  GPid pid_ = 0;
  int port_ = 0;
};

}  // namespace wbtest
