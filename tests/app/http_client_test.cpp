// The window's HTTP client component: the request lines its stored settings
// make, byte for byte.
#include "app/id_http.h"

#include <gtest/gtest.h>

#include "tests/support/http_server.h"

namespace ferrowin {
namespace {

using test::OkReply;
using test::TestHttpServer;

TEST(IdHttpRequest, SendsTheSevenLinesAndNothingElse) {
  TestHttpServer server(OkReply("15"));
  std::string body;
  ASSERT_TRUE(TIdHTTP::Get(server.Url(), body));
  EXPECT_EQ(body, "15");
  ASSERT_TRUE(server.WaitUntilFinished(1));
  EXPECT_EQ(server.Received(), test::VersionRequestTo(server.Port()));
}

TEST(IdHttpRequest, HostCarriesThePortOnlyWhenItIsNot80) {
  const std::string start =
      "GET /programs/ferrowin/version.txt HTTP/1.1\r\n"
      "Content-Type: text/html\r\n"
      "Cache-control: no-store\r\n";
  const std::string rest =
      "Accept: text/html, */*\r\n"
      "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
      "\r\n";
  EXPECT_EQ(TIdHTTP::RequestFor({.host = "www.marrowby.example", .port = 80, .path = "/programs/ferrowin/version.txt"}),
            start + "Host: www.marrowby.example\r\n" + rest);
  EXPECT_EQ(TIdHTTP::RequestFor({.host = "www.marrowby.example", .port = 8080, .path = "/programs/ferrowin/version.txt"}),
            start + "Host: www.marrowby.example:8080\r\n" + rest);
}

}  // namespace
}  // namespace ferrowin
