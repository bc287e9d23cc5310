// Bookmark pages of the Chromium browsers' profiles, from real profile folders.
#include "migration/browser_bookmarks.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ReadWholeFile;
using test::TestFolder;
using test::WriteFile;

const std::string kChrome = "AppData\\Local\\Google\\Chrome\\User Data";
const std::string kEdge = "AppData\\Local\\Microsoft\\Edge\\User Data";
const std::string kPages = "Desktop\\Browser bookmarks\\";

// Chromium's microseconds since 1601 for 2022-06-18 04:26:40 UTC, 1655526400 on the page.
std::string Link(const std::string& name, const std::string& url) {
  return R"({"type":"url","date_added":"13300000000000000","name":")" + name + R"(","url":")" + url + R"("})";
}
std::string Folder(const std::string& name, const std::string& children) {
  return R"({"type":"folder","name":")" + name + R"(","children":[)" + children + "]}";
}
std::string Bookmarks(const std::string& bar, const std::string& other = "") {
  return R"({"roots":{"bookmark_bar":)" + Folder("Bookmarks bar", bar) + R"(,"other":)" +
         Folder("Other bookmarks", other) + R"(,"synced":)" + Folder("Mobile bookmarks", "") + "}}";
}
std::string Saved(const std::string& browserAndProfile, const std::string& file) {
  return "Saved the bookmarks of " + browserAndProfile + " to the desktop as Browser bookmarks\\" + file +
         ": import them in any browser.";
}

// The links of a page as "/folder/name -> url @date", read a line at a time as importers read it.
std::vector<std::string> Links(const std::string& page) {
  std::vector<std::string> links;
  std::string path, heading;
  for (const std::string& line : SplitLines(page)) {
    auto between = [&line](const std::string& start, const std::string& end) {
      const size_t from = line.find(start) + start.size();
      return line.substr(from, line.find(end, from) - from);
    };
    if (Contains(line, "<DT><H3 ")) heading = between("\">", "</H3>");
    if (Contains(line, "<DL><p>")) path += heading + "/";
    if (Contains(line, "</DL><p>")) path.erase(path.rfind('/', path.size() - 2) + 1);
    if (Contains(line, "<DT><A ")) {
      links.push_back(path + between("\">", "</A>") + " -> " + between("HREF=\"", "\"") + " @" +
                      between("ADD_DATE=\"", "\""));
    }
  }
  return links;
}

class BrowserBookmarks : public ::testing::Test {
 protected:
  void Save() { SaveBookmarkPages(source.Path() + "\\", destination.Path() + "\\", view, whatStayed); }
  std::string Page(const std::string& file) { return ReadWholeFile(destination / (kPages + file)); }

  TestFolder source, destination;
  test::RecordingTransferView view;
  LeftBehind whatStayed;
};

TEST_F(BrowserBookmarks, EveryProfileBecomesAPageUnderTheNameItsOwnerGaveIt) {
  const std::string tools = Folder("Tools", Link(R"(<&>\")", "https://example.com/?a=1&b=2"));
  WriteFile(source / (kChrome + "\\Default\\Bookmarks"), Bookmarks(Folder("Work", tools + "," + Link("Mail", "m:"))));
  WriteFile(source / (kChrome + "\\Profile 1\\Bookmarks"), Bookmarks("", Link("Wiki", "https://wiki.example/")));
  WriteFile(source / (kChrome + "\\Local State"),
            R"({"profile":{"info_cache":{"Default":{"name":"Personal"},"Profile 1":{"name":"Work"}}}})");
  WriteFile(source / (kEdge + "\\Default\\Bookmarks"), Bookmarks(Link("News", "https://news.example/")));
  WriteFile(destination / (kPages + "Chrome - Work.html"), "the user's own");
  Save();

  std::vector<std::string> expected;
  for (const std::string& folder : test::InFileSystemOrder(source / kChrome, {"Default", "Profile 1"})) {
    expected.push_back(folder == "Default" ? Saved("Chrome (Personal)", "Chrome - Personal.html")
                                           : Saved("Chrome (Work)", "Chrome - Work (2).html"));
  }
  expected.push_back(Saved("Edge (Default)", "Edge - Default.html"));
  EXPECT_EQ(view.log, expected);
  EXPECT_EQ(Page("Chrome - Work.html"), "the user's own");
  const std::string personal = Page("Chrome - Personal.html");
  EXPECT_TRUE(StartsWith(personal, "<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
  EXPECT_TRUE(Contains(personal, R"( PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>)"));
  EXPECT_EQ(Links(personal),
            (std::vector<std::string>{
                "/Bookmarks bar/Work/Tools/&lt;&amp;&gt;&quot; -> https://example.com/?a=1&amp;b=2 @1655526400",
                "/Bookmarks bar/Work/Mail -> m: @1655526400"}));
  EXPECT_EQ(Links(Page("Chrome - Work (2).html")),
            std::vector<std::string>{"/Other bookmarks/Wiki -> https://wiki.example/ @1655526400"});
  EXPECT_EQ(view.StatusCount("saving the bookmarks of Chrome (Work)... "), 1);
}

TEST_F(BrowserBookmarks, AnUnusableFileIsAnErrorAndTheOtherProfilesAreStillSaved) {
  const std::string good = Bookmarks(Link("Mail", "m:"));
  std::string deep, closing;
  for (int i = 0; i < 5000; ++i) deep += R"({"children":[)", closing += "]}";
  WriteFile(source / (kChrome + "\\Default\\Bookmarks"), good.substr(0, good.size() / 2));
  WriteFile(source / (kChrome + "\\Profile 1\\Bookmarks"), R"({"roots":{"bookmark_bar":)" + deep + closing + "}}");
  WriteFile(source / (kChrome + "\\Profile 2\\Bookmarks"), R"({"roots":{"other":{"name":7,"children":"x"}}})");
  WriteFile(source / (kEdge + "\\Default\\Bookmarks"), good);
  WriteFile(source / (kEdge + "\\Local State"), R"({"profile":{"info_cache":{"Default":{"name":"Cut sh)");
  Save();

  std::vector<std::string> expected;
  for (const std::string& folder : test::InFileSystemOrder(source / kChrome, {"Default", "Profile 1", "Profile 2"})) {
    expected.push_back(folder == "Profile 2" ? Saved("Chrome (Profile 2)", "Chrome - Profile 2.html")
                                             : "ERROR: Could not read the bookmarks of Chrome (" + folder + ")");
  }
  expected.push_back("ERROR: Could not read the bookmarks of Edge (Local State)");
  expected.push_back(Saved("Edge (Default)", "Edge - Default.html"));
  EXPECT_EQ(view.log, expected);
  EXPECT_TRUE(Contains(whatStayed.Notes(false).at(0), "NOTE: 3 entries"));
  EXPECT_TRUE(Contains(Page("Chrome - Profile 2.html"), ">Other bookmarks</H3>"));  // its name is no text
}

TEST_F(BrowserBookmarks, NoBrowserProfileLeavesNoFolderAndNoLine) {
  WriteFile(source / (kChrome + "\\Default\\Preferences"), "{}");
  WriteFile(source / (kChrome + "\\Local State"), "not read: no profile has bookmarks");
  WriteFile(source / "Elsewhere\\Bookmarks", Bookmarks(Link("Mail", "m:")));
  test::MakeDirs(source / kEdge);
  ASSERT_TRUE(test::MakeHostSymlink(source / (kEdge + "\\Default"), test::HostPath(source / "Elsewhere")));
  Save();
  EXPECT_TRUE(view.log.empty());
  EXPECT_FALSE(PathExists(destination / "Desktop\\Browser bookmarks"));
}

TEST_F(BrowserBookmarks, APageThatCannotBeWrittenIsAnErrorWithTheReason) {
  WriteFile(source / (kEdge + "\\Default\\Bookmarks"), Bookmarks(""));
  WriteFile(destination / "Desktop\\Browser bookmarks", "a file where the folder would be");
  Save();
  ASSERT_EQ(view.log.size(), 1u);
  EXPECT_TRUE(StartsWith(view.log[0], "ERROR: Could not save the bookmarks of Edge (Default): ")) << view.log[0];
  EXPECT_EQ(ReadWholeFile(destination / "Desktop\\Browser bookmarks"), "a file where the folder would be");
}

}  // namespace
}  // namespace ferrowin
