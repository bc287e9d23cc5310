// ferrowin.exe as a user starts it: the window, its pages, Next and Back,
// and closing it, driven from this separate process.
#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "tests/support/app_driver.h"
#include "platform/text.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::Launch;
using test::RunningApp;

TEST(Smoke, StartsOnTheWelcomePageAndMovesWithNextAndBack) {
  test::CleanMachine machine;
  RunningApp app(Launch{});
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(app.Caption(), "Marrowby's Ferrowin - version 14");
  EXPECT_EQ(app.TabCount(), 0);
  EXPECT_EQ(app.ActivePageId(), ids::tsWelcome);
  EXPECT_TRUE(app.Enabled(ids::cmdNext0));  // Wine reports 6, and c:\users can be written

  ASSERT_TRUE(app.Click(ids::cmdNext0));
  ASSERT_TRUE(app.WaitFor([&] { return app.ActivePageId() == ids::tsProfileList; }));
  EXPECT_EQ(app.Items(ids::lbNewUser), std::vector<std::string>{"Public"});
  ASSERT_TRUE(app.Click(ids::cmdBack6));
  ASSERT_TRUE(app.WaitFor([&] { return app.ActivePageId() == ids::tsWelcome; }));

  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit());
}

TEST(Smoke, ClosingDuringACountEndsTheProgram) {
  test::CleanMachine machine;
  ASSERT_TRUE(test::MakeManyEmptyFiles("c:\\users\\Big\\Documents", 100000));
  RunningApp app(Launch{});
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(app.Click(ids::cmdNext0));
  ASSERT_TRUE(app.WaitFor([&] { return !app.Items(ids::lbInfectedUser).empty(); }));
  ASSERT_TRUE(app.Select(ids::lbInfectedUser, "Big"));
  ASSERT_TRUE(app.WaitFor([&] { return StartsWith(app.Text(ids::lblFileCount), "Files = "); }));
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit(10000));
}

TEST(Smoke, SlashDebugShowsTheFourTabs) {
  RunningApp app(Launch{.arguments = "/debug"});
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(app.TabCount(), 4);
  EXPECT_EQ(app.Text(ids::txtDosCommand), "net users");
  EXPECT_EQ(app.Text(ids::memoDosOutput), "memoDosOutput");
}

}  // namespace
}  // namespace ferrowin
