// The HTTP client against a server of the test's own: the exact request it
// sends, and how it reads replies that may hold anything.
#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>

#include "tests/support/http_server.h"

namespace ferrowin {
namespace {

using test::OkReply;
using test::TestHttpServer;

struct GetResult {
  bool ok = false;
  std::string body;
};

// The limits the program's version check reads with.
const HttpReplyLimits kLimits{.maxLineLength = 16384, .maxBodyLength = 64 * 1024};

// A GET of the address with the one header a request needs.
bool Get(std::string_view url, std::string& body, const HttpReplyLimits& limits = kLimits) {
  HttpAddress address;
  if (!ParseHttpUrl(url, address)) return false;
  const std::string host = HostHeaderValue(address);
  const HttpHeader headers[] = {{"Host", host}};
  return HttpGet(address, GetRequest(address.path, headers), limits, body);
}

// One GET from a server that answers with `reply`. A GET that has not ended
// after a while fails the test; stopping the server then releases it.
GetResult GetFrom(std::string reply, const HttpReplyLimits& limits = kLimits) {
  TestHttpServer server(std::move(reply));
  EXPECT_TRUE(server.Listening());
  GetResult result;
  std::string url = server.Url();
  auto get = std::async(std::launch::async, [&] { result.ok = Get(url, result.body, limits); });
  if (get.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the GET did not end";
    server.Stop();
  }
  get.wait();
  return result;
}

std::string Chunked(std::string_view chunks) {
  return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(chunks);
}

// A reply whose only fault is the line given, put among its headers. A
// reader that overlooked the fault would return "15".
std::string WithHeader(std::string_view headerLine) {
  return "HTTP/1.1 200 OK\r\n" + std::string(headerLine) + "\r\nContent-Length: 2\r\n\r\n15";
}

TEST(HttpAddress, NamesHostPortAndPath) {
  HttpAddress address;
  ASSERT_TRUE(ParseHttpUrl("http://www.marrowby.example/programs/ferrowin/version.txt", address));
  EXPECT_EQ(address.host, "www.marrowby.example");
  EXPECT_EQ(address.port, 80);
  EXPECT_EQ(address.path, "/programs/ferrowin/version.txt");

  ASSERT_TRUE(ParseHttpUrl("HTTP://127.0.0.1:8080/a/b.txt?x=1", address));
  EXPECT_EQ(address.host, "127.0.0.1");
  EXPECT_EQ(address.port, 8080);
  EXPECT_EQ(address.path, "/a/b.txt?x=1");

  ASSERT_TRUE(ParseHttpUrl("http://updates.marrowby.example", address));
  EXPECT_EQ(address.path, "/");
  EXPECT_EQ(address.port, 80);
}

TEST(HttpAddress, RefusesWhatItCannotRequestSafely) {
  for (const char* url : {"", "www.marrowby.example/x", "https://www.marrowby.example/x", "ftp://h/x", "http://",
                          "http:///x", "http://h:/x", "http://h:0/x", "http://h:65536/x", "http://h:8o/x",
                          "http://user@h/x", "http://h/a b", "http://h/x\r\nX-Injected: 1", "http://[::1]/x"}) {
    HttpAddress address;
    EXPECT_FALSE(ParseHttpUrl(url, address)) << url;
  }
}

TEST(HttpRequest, SendsTheGivenLinesAndNothingElse) {
  TestHttpServer server(OkReply("15"));
  HttpAddress address;
  ASSERT_TRUE(ParseHttpUrl(server.Url("/a/b.txt"), address));
  const HttpHeader headers[] = {{"X-First", "1"}, {"Host", "anything"}, {"x-last", "a, b"}};
  std::string body;
  ASSERT_TRUE(HttpGet(address, GetRequest(address.path, headers), kLimits, body));
  ASSERT_TRUE(server.WaitUntilFinished(1));
  EXPECT_EQ(server.Received(), "GET /a/b.txt HTTP/1.1\r\nX-First: 1\r\nHost: anything\r\nx-last: a, b\r\n\r\n");
}

TEST(HttpRequest, HostCarriesThePortOnlyWhenItIsNot80) {
  EXPECT_EQ(HostHeaderValue({.host = "www.marrowby.example", .port = 80, .path = "/"}), "www.marrowby.example");
  EXPECT_EQ(HostHeaderValue({.host = "www.marrowby.example", .port = 8080, .path = "/"}), "www.marrowby.example:8080");
}

TEST(HttpReply, BodyIsReadByLengthByChunksOrToTheEnd) {
  struct Case {
    const char* name;
    std::string reply;
    std::string body;
  };
  const Case cases[] = {
      {"by length, more lines", OkReply("15\r\n14\r\n"), "15\r\n14\r\n"},
      {"by length, bytes kept as sent", OkReply(std::string("1\0 5\xff", 5)), std::string("1\0 5\xff", 5)},
      {"by length, nothing", OkReply(""), ""},
      {"only the length's bytes", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n15 and more", "15"},
      {"to the end", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n15\r\n", "15\r\n"},
      {"chunked, in pieces, with an extension and a trailer",
       Chunked("1;name=value\r\n1\r\n1 \r\n5\r\n0\r\nX-Trailer: t\r\n\r\n"), "15"},
      {"chunked, hexadecimal size", Chunked("a\r\n0123456789\r\n0\r\n\r\n"), "0123456789"},
      {"chunked wins over a length",
       "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTRANSFER-ENCODING: Chunked\r\n\r\n2\r\n15\r\n0\r\n\r\n", "15"},
      {"lines ended by LF alone", "HTTP/1.1 200 OK\nContent-Length: 2\n\n15", "15"},
      {"header names in any case", "HTTP/1.1 200 OK\r\ncontent-length:2\r\n\r\n15xx", "15"},
      {"no reason phrase", "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\n15", "15"},
      {"any 2xx", "HTTP/1.1 299 Fine\r\nContent-Length: 2\r\n\r\n15", "15"},
      {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\n15", ""},
  };
  for (const Case& c : cases) {
    GetResult result = GetFrom(c.reply);
    EXPECT_TRUE(result.ok) << c.name;
    EXPECT_EQ(result.body, c.body) << c.name;
  }
}

TEST(HttpReply, StatusOutside2xxFailsAndRedirectsAreNotFollowed) {
  TestHttpServer target(OkReply("15"));
  for (std::string status : {"100 Continue", "199 X", "300 Multiple Choices", "301 Moved Permanently", "302 Found",
                             "304 Not Modified", "307 Temporary Redirect", "404 Not Found", "500 Server Error"}) {
    GetResult result = GetFrom("HTTP/1.1 " + status + "\r\nLocation: " + target.Url() +
                               "\r\nContent-Length: 2\r\n\r\n15");
    EXPECT_FALSE(result.ok) << status;
  }
  EXPECT_EQ(target.Accepted(), 0);
}

TEST(HttpReply, StatusAndHeaderLinesUpTo16384BytesAreRead) {
  auto headerOfLength = [](std::size_t length) { return "X-Long: " + std::string(length - 8, 'a'); };
  EXPECT_TRUE(GetFrom(WithHeader(headerOfLength(16384))).ok);
  EXPECT_FALSE(GetFrom(WithHeader(headerOfLength(16385))).ok);
  EXPECT_FALSE(GetFrom(WithHeader(headerOfLength(20000))).ok);
  // The CR of CR LF is not part of the line; without it the limit is the same.
  EXPECT_FALSE(GetFrom("HTTP/1.1 200 OK\n" + headerOfLength(16385) + "\nContent-Length: 2\n\n15").ok);

  auto statusOfLength = [](std::size_t length) {
    return "HTTP/1.1 200 " + std::string(length - 13, 'k') + "\r\nContent-Length: 2\r\n\r\n15";
  };
  EXPECT_TRUE(GetFrom(statusOfLength(16384)).ok);
  EXPECT_FALSE(GetFrom(statusOfLength(16385)).ok);
}

TEST(HttpReply, BodiesUpTo64KiBAreReadInEveryFraming) {
  const std::string largest(64 * 1024, 'v');
  const std::string tooLarge = largest + "v";
  auto toTheEnd = [](const std::string& body) { return "HTTP/1.0 200 OK\r\n\r\n" + body; };
  auto oneChunk = [](const std::string& body) {
    char size[32];
    snprintf(size, sizeof size, "%zx", body.size());
    return Chunked(std::string(size) + "\r\n" + body + "\r\n0\r\n\r\n");
  };
  auto manyChunks = [](const std::string& body) {
    std::string chunks;
    for (std::size_t at = 0; at < body.size(); at += 1000) {
      std::string part = body.substr(at, 1000);
      char size[32];
      snprintf(size, sizeof size, "%zx", part.size());
      chunks += std::string(size) + "\r\n" + part + "\r\n";
    }
    return Chunked(chunks + "0\r\n\r\n");
  };
  struct Framing {
    const char* name;
    std::function<std::string(const std::string&)> reply;
  };
  const Framing framings[] = {{"length", OkReply}, {"to the end", toTheEnd}, {"one chunk", oneChunk},
                              {"many chunks", manyChunks}};
  const std::string tenMegabytes = "15\r\n" + std::string(10 * 1024 * 1024, 'x');
  for (const Framing& framing : framings) {
    GetResult largestResult = GetFrom(framing.reply(largest));
    EXPECT_TRUE(largestResult.ok) << framing.name;
    EXPECT_EQ(largestResult.body.size(), largest.size()) << framing.name;
    EXPECT_FALSE(GetFrom(framing.reply(tooLarge)).ok) << framing.name;
    EXPECT_FALSE(GetFrom(framing.reply(tenMegabytes)).ok) << framing.name;
  }
  // Sizes that would overflow a 64-bit count.
  EXPECT_FALSE(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n\r\n15").ok);
  EXPECT_FALSE(GetFrom(Chunked("10000000000000002\r\n15\r\n0\r\n\r\n")).ok);
}

TEST(HttpReply, MalformedOrCutRepliesFail) {
  struct Case {
    const char* name;
    std::string reply;
  };
  const Case cases[] = {
      {"nothing", ""},
      {"not HTTP", "15\r\n"},
      {"binary", std::string("\0\0\xff\xfe\r\n\r\n15", 9)},
      {"status line cut", "HTTP/1.1 200 OK"},
      {"headers cut", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n"},
      {"four-digit status", "HTTP/1.1 2000 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"two-digit status", "HTTP/1.1 20 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"no blank after the status", "HTTP/1.1 200OK\r\nContent-Length: 2\r\n\r\n15"},
      {"two blanks before the status", "HTTP/1.1  200 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"no minor version", "HTTP/1 200 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"no version", "HTTP/ 200 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"other protocol", "ICY 200 OK\r\nContent-Length: 2\r\n\r\n15"},
      {"header without a colon", WithHeader("Server marrowby")},
      {"header name with a blank", WithHeader("Content Type: text/plain")},
      {"header without a name", WithHeader(": text/plain")},
      {"folded header line", WithHeader("X-A: a\r\n continued")},
      {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n15"},
      {"hexadecimal length", "HTTP/1.1 200 OK\r\nContent-Length: 0x2\r\n\r\n15"},
      {"empty length", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\n15"},
      {"two different lengths", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n15\r\n"},
      {"body shorter than its length", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n15"},
      {"unknown transfer coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n15"},
      {"chunk size not hexadecimal", Chunked("zz\r\n15\r\n0\r\n\r\n")},
      {"chunk size missing", Chunked("\r\n15\r\n0\r\n\r\n")},
      {"chunk size followed by junk", Chunked("2 x\r\n15\r\n0\r\n\r\n")},
      {"chunk data without its line end", Chunked("2\r\n15XX0\r\n\r\n")},
      {"chunks cut before the last", Chunked("2\r\n15\r\n")},
      {"chunk trailer cut", Chunked("2\r\n15\r\n0\r\n")},
      {"chunk trailer malformed", Chunked("2\r\n15\r\n0\r\nno colon\r\n\r\n")},
  };
  for (const Case& c : cases) {
    GetResult result = GetFrom(c.reply);
    EXPECT_FALSE(result.ok) << c.name;
  }
}

TEST(HttpReply, TheLimitsAreTheCallersOwn) {
  const HttpReplyLimits small{.maxLineLength = 100, .maxBodyLength = 10, .maxHeaderSectionLength = 300};
  auto header = [](std::size_t length) { return "X-Long: " + std::string(length - 8, 'a'); };
  EXPECT_TRUE(GetFrom(WithHeader(header(100)), small).ok);
  EXPECT_FALSE(GetFrom(WithHeader(header(101)), small).ok);
  EXPECT_TRUE(GetFrom(OkReply(std::string(10, 'v')), small).ok);
  EXPECT_FALSE(GetFrom(OkReply(std::string(11, 'v')), small).ok);
  EXPECT_FALSE(GetFrom(Chunked("b\r\n" + std::string(11, 'v') + "\r\n0\r\n\r\n"), small).ok);
  EXPECT_FALSE(GetFrom("HTTP/1.0 200 OK\r\n\r\n" + std::string(11, 'v'), small).ok);
  // Each of these header lines takes 92 bytes of the section with its line end.
  auto withHeaders = [&](int count) {
    std::string reply = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < count; ++i) reply += header(90) + "\r\n";
    return reply + "Content-Length: 2\r\n\r\n15";
  };
  EXPECT_TRUE(GetFrom(withHeaders(3), small).ok);
  EXPECT_FALSE(GetFrom(withHeaders(4), small).ok);
}

TEST(HttpReply, EndlessHeadersEndTheRequest) {
  // Many short header lines, far more than any reply needs.
  std::string reply = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 40000; ++i) reply += "X-Filler: 0123456789\r\n";
  EXPECT_FALSE(GetFrom(reply + "Content-Length: 2\r\n\r\n15").ok);
}

TEST(HttpReply, ClosedPortFails) {
  std::string body;
  EXPECT_FALSE(Get("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/x", body));
}

}  // namespace
}  // namespace ferrowin
