// The update notice: how the version file's first line is read as a number,
// and what the real window shows for each reply of a server of our own.
#include "app/version.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <future>
#include <optional>
#include <thread>

#include "app/Unit2.h"
#include "tests/support/http_server.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::Click;
using test::OkReply;
using test::TestHttpServer;
using test::WindowTest;

std::optional<std::int32_t> Convert(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) return std::nullopt;
  return value;
}

TEST(VersionNumber, DecimalWithSignAndLeadingBlanks) {
  EXPECT_EQ(Convert("15"), 15);
  EXPECT_EQ(Convert("+15"), 15);
  EXPECT_EQ(Convert("-15"), -15);
  EXPECT_EQ(Convert("   15"), 15);
  EXPECT_EQ(Convert("  -15"), -15);
  EXPECT_EQ(Convert("0015"), 15);
  EXPECT_EQ(Convert("0"), 0);
  EXPECT_EQ(Convert("-0"), 0);
  EXPECT_EQ(Convert("2147483647"), INT32_MAX);
  EXPECT_EQ(Convert("-2147483648"), INT32_MIN);
  EXPECT_EQ(Convert("2147483648"), std::nullopt);
  EXPECT_EQ(Convert("-2147483649"), std::nullopt);
  EXPECT_EQ(Convert("4294967311"), std::nullopt);  // 2^32 + 15 must not wrap to 15
  EXPECT_EQ(Convert("99999999999999999999"), std::nullopt);
}

TEST(VersionNumber, HexadecimalAfterEveryMarkAsA32BitPattern) {
  EXPECT_EQ(Convert("$F"), 15);
  EXPECT_EQ(Convert("xF"), 15);
  EXPECT_EQ(Convert("XF"), 15);
  EXPECT_EQ(Convert("0xf"), 15);
  EXPECT_EQ(Convert("0X10"), 16);
  EXPECT_EQ(Convert("  $a"), 10);
  EXPECT_EQ(Convert("-$1"), -1);
  EXPECT_EQ(Convert("+0x10"), 16);
  EXPECT_EQ(Convert("$0000000F"), 15);
  EXPECT_EQ(Convert("$7FFFFFFF"), INT32_MAX);
  EXPECT_EQ(Convert("$80000000"), INT32_MIN);
  EXPECT_EQ(Convert("$FFFFFFFF"), -1);
  EXPECT_EQ(Convert("-$FFFFFFFF"), 1);
  EXPECT_EQ(Convert("$100000000"), std::nullopt);  // nine digits
  EXPECT_EQ(Convert("$00000000F"), std::nullopt);
  for (const char* text : {"$", "0x", "x", "$G", "0xg", "$-1", "0x+1", "$ F", "0 x1", "00x1", "x0x1"}) {
    EXPECT_EQ(Convert(text), std::nullopt) << text;
  }
}

TEST(VersionNumber, NothingMayFollowTheNumberAndSomeNumberMustBeThere) {
  for (const char* text : {"", "   ", "+", "-", "+-1", "--1", "+ 15", "15 ", "15a", "1 5", "15\r", "15.0", "1e3",
                           "$F ", "0x10z"}) {
    EXPECT_EQ(Convert(text), std::nullopt) << text;
  }
  EXPECT_EQ(Convert(std::string_view("15\0", 3)), std::nullopt);
}

TEST(VersionFile, FirstLineIsKeptAndAnEmptyFileFails) {
  {
    TestHttpServer server(OkReply("16\r\n14\r\n"));
    latestVersionText = "before";
    EXPECT_TRUE(FetchVersionText(server.Url()));
    EXPECT_EQ(latestVersionText, "16");
  }
  {
    TestHttpServer server(OkReply("\r\n15"));
    EXPECT_TRUE(FetchVersionText(server.Url()));
    EXPECT_EQ(latestVersionText, "");
  }
  {
    TestHttpServer server(OkReply(""));
    latestVersionText = "before";
    EXPECT_FALSE(FetchVersionText(server.Url()));
    EXPECT_EQ(latestVersionText, "before");
  }
  TestHttpServer missing("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n15");
  EXPECT_FALSE(FetchVersionText(missing.Url()));
}

TEST(VersionFile, AddressIsOnTheSiteTheNoticeNames) {
  const std::string site = "http://" FERROWIN_UPDATE_HOST;
  EXPECT_EQ(std::string(kVersionFileUrl), site + "/programs/ferrowin/version.txt");
  EXPECT_EQ(std::string(kNewVersionNotice), "There is a new version of this program at " + site + " please upgrade!");
  HttpAddress address;
  EXPECT_TRUE(ParseHttpUrl(kVersionFileUrl, address));
}

class UpdateNotice : public WindowTest {
 protected:
  // Runs the check as the version thread does, but on a thread of the test,
  // so that the test knows when it has ended. False when it did not end in
  // time; stopping the server then releases it.
  bool RunCheck(const std::string& url, TestHttpServer* server) {
    std::atomic<bool> done{false};
    std::int32_t version = mainForm->programVersion;
    HWND window = mainForm->Handle();
    std::thread check([&done, url, version, window] {
      RunVersionCheck(url, version, window);
      done = true;
    });
    bool ended = PumpUntil([&] { return done.load(); }, 20000);
    if (!ended && server) {
      server->Stop();
      PumpUntil([&] { return done.load(); });
    }
    // The check may wait on the window (SendMessage): join only once it has ended.
    if (done) {
      check.join();
    } else {
      check.detach();
    }
    return ended;
  }

  bool NoticeShown() { return mainForm->lblNewVersion.Visible(); }
  bool NextEnabled() { return mainForm->cmdNext0.Enabled(); }
};

TEST_F(UpdateNotice, ShownAndNextDisabledOnlyForAFirstLineAboveFourteen) {
  struct Case {
    const char* name;
    std::string reply;
    bool shown;
  };
  const std::string chunked15 = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\n1\r\n1\r\n5\r\n0\r\n\r\n";
  const Case cases[] = {
      {"15", OkReply("15"), true},
      {"15 and a line break", OkReply("15\r\n"), true},
      {"15 then older lines", OkReply("15\n14\n13"), true},
      {"blank before 15", OkReply(" 15"), true},
      {"$F", OkReply("$F"), true},
      {"0x10", OkReply("0x10"), true},
      {"chunked 15", chunked15, true},
      {"15 to the end of the connection", "HTTP/1.0 200 OK\r\n\r\n15", true},
      {"14", OkReply("14"), false},
      {"-1", OkReply("-1"), false},
      {"$FFFFFFFF is -1", OkReply("$FFFFFFFF"), false},
      {"15 and a blank", OkReply("15 "), false},
      {"15a", OkReply("15a"), false},
      {"empty body", OkReply(""), false},
      {"empty first line", OkReply("\r\n15"), false},
      {"404 with 15", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n15", false},
      {"header line of 20000 bytes",
       "HTTP/1.1 200 OK\r\nX-Long: " + std::string(20000, 'a') + "\r\nContent-Length: 2\r\n\r\n15", false},
      {"body of 10 MB by length", OkReply("15\r\n" + std::string(10 * 1024 * 1024, 'x')), false},
      {"body of 10 MB to the end", "HTTP/1.0 200 OK\r\n\r\n15\r\n" + std::string(10 * 1024 * 1024, 'x'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestHttpServer server(c.reply);
    ASSERT_TRUE(server.Listening());
    CreateForm();
    ASSERT_TRUE(NextEnabled());  // the start-up checks passed
    ASSERT_TRUE(RunCheck(server.Url(), &server));
    EXPECT_EQ(NoticeShown(), c.shown);
    EXPECT_EQ(NextEnabled(), !c.shown);
    EXPECT_EQ(server.Accepted(), 1);
  }
}

TEST_F(UpdateNotice, RedirectIsNotFollowed) {
  TestHttpServer target(OkReply("15"));
  TestHttpServer redirecting("HTTP/1.1 301 Moved Permanently\r\nLocation: " + target.Url() +
                             "\r\nContent-Length: 0\r\n\r\n");
  CreateForm();
  ASSERT_TRUE(RunCheck(redirecting.Url(), &redirecting));
  EXPECT_FALSE(NoticeShown());
  EXPECT_TRUE(NextEnabled());
  EXPECT_EQ(redirecting.Accepted(), 1);
  EXPECT_EQ(target.Accepted(), 0);
}

TEST_F(UpdateNotice, ClosedPortOrUnusableAddressChangesNothing) {
  CreateForm();
  ASSERT_TRUE(RunCheck("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/programs/ferrowin/version.txt",
                       nullptr));
  ASSERT_TRUE(RunCheck("not an address", nullptr));
  EXPECT_FALSE(NoticeShown());
  EXPECT_TRUE(NextEnabled());
}

TEST_F(UpdateNotice, ProgramVersionIsComparedStrictly) {
  TestHttpServer server(OkReply("15"));
  CreateForm();
  ASSERT_TRUE(RunCheck(server.Url(), &server));  // 14 < 15
  EXPECT_TRUE(NoticeShown());

  CreateForm();
  mainForm->programVersion = 15;  // as a build of version 15 would be
  ASSERT_TRUE(RunCheck(server.Url(), &server));
  EXPECT_FALSE(NoticeShown());
  EXPECT_TRUE(NextEnabled());
}

using UpdateNoticeAtStartUp = WindowTest;

// The check FormCreate starts: its request, and a notice that arrives while
// FormCreate is still running and still wins over FormCreate's enabling of Next.
TEST_F(UpdateNoticeAtStartUp, SendsTheSevenLinesAndTheNoticeOverridesFormCreate) {
  TestHttpServer server(OkReply("15\r\n"));
  FormOptions options = Options();
  options.versionFileUrl = server.Url();
  options.environment.probeAdminRights = [&server] {
    // FormCreate waits here until the check has its reply.
    EXPECT_TRUE(server.WaitUntilFinished(1));
    return true;
  };
  TfrmMain& window = CreateForm(options);
  ASSERT_TRUE(PumpUntil([&] { return window.lblNewVersion.Visible(); }));
  EXPECT_FALSE(window.cmdNext0.Enabled());
  EXPECT_FALSE(Click(window.cmdNext0));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsWelcome);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(server.Received(), test::VersionRequestTo(server.Port()));
}

TEST_F(UpdateNoticeAtStartUp, ServerThatNeverAnswersDoesNotHoldTheWindow) {
  TestHttpServer server(TestHttpServer::kNeverAnswers);
  FormOptions options = Options();
  options.versionFileUrl = server.Url();
  // Should start-up wait for the reply, this releases it after a time no
  // start-up comes near, and the test fails instead of hanging.
  std::promise<void> started;
  std::thread watchdog([&server, startedSignal = started.get_future()] {
    if (startedSignal.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) server.Stop();
  });
  TfrmMain& window = CreateForm(options);
  started.set_value();
  watchdog.join();
  ASSERT_FALSE(server.Stopped()) << "start-up waited for the version check";
  // The check is connected and waiting for a reply that never comes, and
  // the window has started all the same and works.
  ASSERT_TRUE(PumpUntil([&] { return server.Accepted() == 1; }));
  EXPECT_EQ(server.Finished(), 0);
  EXPECT_FALSE(window.lblNewVersion.Visible());
  EXPECT_TRUE(window.cmdNext0.Enabled());
  EXPECT_TRUE(Click(window.cmdNext0));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsProfileList);
  EXPECT_TRUE(Click(window.cmdBack6));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsWelcome);
}

}  // namespace
}  // namespace ferrowin
