#pragma once
// A small web server on 127.0.0.1 for tests, on a thread of its own. It answers GET requests
// from a table of pages (set with Page, at any time) and, for paths outside the table, from a
// fallback the test chooses (by default "404 Not Found"), which may read the request's header
// lines too. Every path asked for is recorded with its header lines, so tests can check what
// the program requested. Each answer closes its connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace wbtest {

struct LoopbackResponse {
  int status = 200;
  std::string body;
  // Header lines, each ending in "\r\n"; empty means an HTML page in UTF-8.
  std::string headers;
  // Above zero: the answer is sent one byte at a time with this pause after each, from its
  // status line on, until the client closes or writes (a server too slow to wait for).
  std::chrono::milliseconds drip{0};
};

class LoopbackServer {
 public:
  using Fallback = std::function<LoopbackResponse(const std::string& path)>;
  // `head` is the request up to its empty line: the request line and the header lines.
  using Handler = std::function<LoopbackResponse(const std::string& path, const std::string& head)>;

  explicit LoopbackServer(Fallback fallback = NotFound)
      : LoopbackServer(
            Handler([fallback = std::move(fallback)](const std::string& path, const std::string&) {
              return fallback(path);
            })) {}
  explicit LoopbackServer(Handler fallback) : fallback_(std::move(fallback)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      if (listener_ >= 0) close(listener_);
      throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  static LoopbackResponse NotFound(const std::string&) {
    return {404, "<html><body>Not here</body></html>", ""};
  }

  // "http://127.0.0.1:PORT", without a closing slash.
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string Url(const std::string& path) const { return Base() + path; }

  void Page(const std::string& path, const std::string& body, const std::string& headers = "") {
    std::lock_guard lock(mutex_);
    pages_[path] = {200, body, headers};
  }

  // Forgets the paths asked for so far.
  void Clear() {
    std::lock_guard lock(mutex_);
    paths_.clear();
    heads_.clear();
  }
  std::vector<std::string> Paths() const {
    std::lock_guard lock(mutex_);
    return paths_;
  }
  // The heads of the requests for `path`, in the order they came.
  std::vector<std::string> Heads(const std::string& path) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> heads;
    for (std::size_t i = 0; i < paths_.size(); ++i)
      if (paths_[i] == path) heads.push_back(heads_[i]);
    return heads;
  }
  int Requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& p : paths_) n += p == path;
    return n;
  }
  bool Asked(const std::string& path) const { return Requests(path) > 0; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      Answer(client);
      close(client);
    }
  }

  void Answer(int client) {
    // A request that never completes its header is given up after a few seconds, so a stuck
    // client cannot hold the server.
    std::string request;
    char buffer[4096];
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
           std::chrono::steady_clock::now() < limit) {
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    auto first = request.find(' ');
    auto second = first == std::string::npos ? first : request.find(' ', first + 1);
    // GET, and POST for what a page sends without waiting for the answer (a beacon): its
    // path is what the tests look at, so its body is not read.
    if (second == std::string::npos ||
        (request.compare(0, first, "GET") != 0 && request.compare(0, first, "POST") != 0))
      return;
    std::string path = request.substr(first + 1, second - first - 1);
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    LoopbackResponse response;
    bool inTable = false;
    {
      std::lock_guard lock(mutex_);
      paths_.push_back(path);
      heads_.push_back(head);
      auto page = pages_.find(path);
      if (page != pages_.end()) {
        response = page->second;
        inTable = true;
      }
    }
    if (!inTable) response = fallback_(path, head);
    std::string headers =
        response.headers.empty() ? "Content-Type: text/html; charset=utf-8\r\n" : response.headers;
    std::string reason = response.status == 200   ? " OK"
                         : response.status == 401 ? " Unauthorized"
                         : response.status == 404 ? " Not Found"
                                                  : " Error";
    std::string text = "HTTP/1.1 " + std::to_string(response.status) + reason + "\r\n" + headers +
                       "Connection: close\r\nCache-Control: no-store\r\nContent-Length: " +
                       std::to_string(response.body.size()) + "\r\n\r\n" + response.body;
    if (response.drip.count() <= 0) {
      (void)!send(client, text.data(), text.size(), MSG_NOSIGNAL);
      return;
    }
    for (std::size_t i = 0; i < text.size() && !stop_; ++i) {
      if (send(client, text.data() + i, 1, MSG_NOSIGNAL) != 1) return;
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(response.drip.count())) > 0) return;
    }
  }

  Handler fallback_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<std::string, LoopbackResponse> pages_;
  std::vector<std::string> paths_;
  std::vector<std::string> heads_;  // each path's request head
  std::thread thread_;
};

}  // namespace wbtest
