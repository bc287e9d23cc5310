#include "tests/support/http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

namespace ferrowin::test {

std::string VersionRequestTo(int port) {
  return "GET /programs/ferrowin/version.txt HTTP/1.1\r\n"
         "Content-Type: text/html\r\n"
         "Cache-control: no-store\r\n"
         "Host: 127.0.0.1:" + std::to_string(port) + "\r\n"
         "Accept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
         "\r\n";
}

namespace {

// select() waits in short steps so that a stop is noticed; every wait of
// the server ends with the server.
constexpr long kPollMicroseconds = 20000;
// A client that neither reads a large reply nor closes would hold send()
// for ever; this ends it.
constexpr DWORD kSendTimeoutMs = 20000;

void StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

// True once the socket has something to read (or to accept); false when
// the server stops first or select fails.
bool WaitReadable(SOCKET socket, const std::atomic<bool>& stopping) {
  while (!stopping) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval step{0, kPollMicroseconds};
    int ready = select(0, &readable, nullptr, nullptr, &step);
    if (ready < 0) return false;
    if (ready > 0) return true;
  }
  return false;
}

// Appends what arrives to `received`; false when the client has closed its
// side (or the connection broke), true when the server is stopping.
bool ReceiveSome(SOCKET socket, const std::atomic<bool>& stopping, std::string& received) {
  if (!WaitReadable(socket, stopping)) return stopping;
  char buffer[4096];
  int count = recv(socket, buffer, sizeof buffer, 0);
  if (count <= 0) return false;
  received.append(buffer, static_cast<std::size_t>(count));
  return true;
}

void SendAll(SOCKET socket, std::string_view bytes) {
  while (!bytes.empty()) {
    int sent = send(socket, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 65536)), 0);
    if (sent <= 0) return;  // the client has gone, as it may
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

UniqueSocket ListenOnLoopback(int& port) {
  StartWinsock();
  UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // any free port
  if (bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  if (listen(listener.Get(), SOMAXCONN) != 0) return {};
  int length = sizeof address;
  if (getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace

TestHttpServer::TestHttpServer(std::optional<std::string> reply) : reply_(std::move(reply)) {
  listener_ = ListenOnLoopback(port_);
  if (listener_) thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Stop() {
  std::lock_guard lock(stopMutex_);
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

std::string TestHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

bool TestHttpServer::WaitUntilFinished(int count, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= count; });
}

std::string TestHttpServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void TestHttpServer::Serve() {
  while (WaitReadable(listener_.Get(), stopping_)) {
    UniqueSocket connection(accept(listener_.Get(), nullptr, nullptr));
    if (!connection) continue;
    ++accepted_;
    Answer(connection.Get());
  }
}

void TestHttpServer::Answer(SOCKET connection) {
  DWORD sendTimeout = kSendTimeoutMs;
  setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof sendTimeout);

  std::string received;
  bool open = true;
  while (open && !stopping_ && received.find("\r\n\r\n") == std::string::npos) {
    open = ReceiveSome(connection, stopping_, received);
  }
  if (open && !stopping_ && reply_) {
    SendAll(connection, *reply_);
    shutdown(connection, SD_SEND);
  }
  // Until the client closes: whatever it sends after its request counts as
  // sent too. A server that never answers waits here until it stops.
  while (open && !stopping_) open = ReceiveSome(connection, stopping_, received);
  if (stopping_) return;

  std::lock_guard lock(mutex_);
  received_ += received;
  ++finished_;
  finishedChanged_.notify_all();
}

int ClosedPort() {
  int port = 0;
  UniqueSocket listener = ListenOnLoopback(port);
  return listener ? port : 0;  // closed again when `listener` goes
}

std::string OkReply(std::string_view body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + std::string(body);
}

}  // namespace ferrowin::test
