// A web server of the tests' own on 127.0.0.1: a Winsock thread inside the
// test executable that answers every request with the same bytes (or never
// answers) and keeps everything its clients sent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/socket.h"

namespace ferrowin::test {

// The request the version check sends to a server on this port, byte for byte.
std::string VersionRequestTo(int port);

class TestHttpServer {
 public:
  // Answers each connection with `reply`, byte for byte, once the request's
  // empty line has arrived, then closes its sending side.
  static constexpr std::nullopt_t kNeverAnswers = std::nullopt;
  explicit TestHttpServer(std::optional<std::string> reply);
  // Stops: connections still held are closed, which ends the client's wait.
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  bool Listening() const { return listener_.Valid(); }
  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by the path.
  std::string Url(std::string_view path = "/programs/ferrowin/version.txt") const;

  int Accepted() const { return accepted_; }
  // Connections the client has closed; what they sent is in Received().
  int Finished() const { return finished_; }
  bool WaitUntilFinished(int count, int timeoutMs = 10000);
  // Everything the clients of the finished connections sent, in order.
  std::string Received() const;

  // Safe from any thread, and more than once.
  void Stop();
  bool Stopped() const { return stopping_; }

 private:
  void Serve();
  void Answer(SOCKET connection);

  std::optional<std::string> reply_;
  UniqueSocket listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::atomic<int> finished_{0};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  std::string received_;
  std::mutex stopMutex_;
  std::thread thread_;
};

// A port on 127.0.0.1 on which nothing listens.
int ClosedPort();

// The reply of a server that has the version file: status 200 and the body
// with its Content-Length.
std::string OkReply(std::string_view body);

}  // namespace ferrowin::test
