// Bookmark pages of the Chromium browsers' profiles, from real profile folders.
#include "migration/browser_bookmarks.h"

#include <gtest/gtest.h>

#include "migration/catalogue.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/migration/samples.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ListTree;
using test::ReadWholeFile;
using test::TestFolder;
using test::WriteFile;

const std::string kChrome = "AppData\\Local\\Google\\Chrome\\User Data";
const std::string kEdge = "AppData\\Local\\Microsoft\\Edge\\User Data";
const std::string kPages = "Desktop\\Browser bookmarks\\";
const std::string kFirefox = "AppData\\Roaming\\Mozilla\\Firefox\\";

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
      if (!Contains(line, start)) return std::string("none");
      const size_t from = line.find(start) + start.size();
      return line.substr(from, line.find(end, from) - from);
    };
    if (Contains(line, "<DT><H3")) {
      const size_t name = line.find('>', line.find("<H3")) + 1;
      heading = line.substr(name, line.find("</H3>") - name);
    }
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
  // A date before 1970 is left out; a trailing backslash would end the line for Chromium.
  const std::string tools =
      Folder("Tools", Link(R"(<&>\")", "https://example.com/?a=1&b=2") + "," +
                          R"({"type":"url","date_added":"5","name":"Js","url":"javascript:x//\\"})");
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
  EXPECT_EQ(
      Links(personal),
      (std::vector<std::string>{
          "/Bookmarks bar/Work/Tools/&lt;&amp;&gt;&quot; -> https://example.com/?a=1&amp;b=2 @1655526400",
          "/Bookmarks bar/Work/Tools/Js -> javascript:x//%5C @none", "/Bookmarks bar/Work/Mail -> m: @1655526400"}));
  EXPECT_FALSE(Contains(personal, "Other bookmarks") || Contains(personal, "Mobile bookmarks"));  // empty
  EXPECT_FALSE(Contains(personal, "ADD_DATE=\"0\""));
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
  WriteFile(source / (kChrome + "\\Profile 2\\Bookmarks"),
            R"({"roots":{"other":{"name":7,"children":[{"name":[],"children":"x"}]}}})");
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

// A Firefox that lists four profiles: one inside Firefox's folder, one
// elsewhere in the profile written by its absolute path of the days it was in
// C:\Users (and the one Firefox starts), one whose newest backup is damaged,
// one outside the profile. Moved within C: and copied from an old disk on E:.
TEST(FirefoxBookmarkPages, EveryProfileInsideTheOldProfileBecomesAPageOfItsNewestBackup) {
  test::CleanMachine machine;
  TestFolder samples, onC, destination;
  ASSERT_TRUE(test::CopySamples(samples));
  auto sample = [&samples](const char* name) { return ReadWholeFile(samples / name); };
  const std::string damaged = sample("work-newer.jsonlz4").substr(0, sample("work-newer.jsonlz4").size() - 9);
  for (const std::string& source : {onC / "Dan\\", machine.AddDrive('e') + "users\\Dan\\"}) {
    SCOPED_TRACE(source);
    auto backup = [&](const std::string& profile, const std::string& name, const std::string& bytes, int year) {
      const std::string path = source + profile + "\\bookmarkbackups\\bookmarks-" + name + ".jsonlz4";
      WriteFile(path, bytes);
      EXPECT_TRUE(test::SetWriteYear(path, year));
    };
    // The date in the name decides; on the same date, the time last written.
    backup(kFirefox + "Profiles\\k3x9.default", "2023-12-31_5_Aa", sample("old-older.jsonlz4"), 2024);
    backup(kFirefox + "Profiles\\k3x9.default", "2024-01-02_4_Bb", sample("old-newer.jsonlz4"), 2023);
    backup("Firefox Work", "2024-05-01_9_Cc", sample("work-newer.jsonlz4"), 2024);
    backup("Firefox Work", "2024-05-01_10_Dd", sample("work-older.jsonlz4"), 2020);
    backup(kFirefox + "Profiles\\z9.broken", "2024-06-01_3_Ee", damaged, 2024);
    backup(kFirefox + "Profiles\\z9.broken", "2024-05-31_3_Ff", sample("work-older.jsonlz4"), 2024);
    WriteFile(source + "Firefox Work\\logins.json", "{}");
    WriteFile(source + kFirefox + "profiles.ini",
              "[Profile0]\r\nName=Old\r\nIsRelative=1\r\nPath=Profiles/k3x9.default\r\nDefault=1\r\n\r\n"
              "[Profile1]\r\nName=Work\r\nIsRelative=0\r\nPath=C:\\Users\\Dan\\Firefox Work\r\n\r\n"
              "[Profile2]\r\nName=Broken\r\nIsRelative=1\r\nPath=Profiles/z9.broken\r\n\r\n"
              "[Profile3]\r\nName=Erin\r\nIsRelative=1\r\nPath=../../../../../Erin/Firefox\r\n\r\n"
              "[Install308046B0AF4A39CB]\r\nDefault=C:\\Users\\Dan\\Firefox Work\r\nLocked=1\r\n");
    // The Firefox row carries the backups of the last folder in Profiles, as before.
    const std::string last = test::InFileSystemOrder(source + kFirefox + "Profiles", {"k3x9.default", "z9.broken"})[1];
    const std::vector<std::string> lastBackups =
        ListTree(source + kFirefox + "Profiles\\" + last + "\\bookmarkbackups");
    test::RemoveTree(destination.Path());
    test::MakeDirs(destination / "Desktop");
    test::RecordingTransferView view;
    std::int64_t copiedBytes = 0;
    const CarriedProfile carried = MigrateProfileData(source, destination.Path() + "\\", view, copiedBytes, 1);

    ASSERT_FALSE(view.log.empty());
    EXPECT_TRUE(StartsWith(view.log[0], "Recovering firefox bookmarks to desktop.  You will need to manually"));
    EXPECT_EQ(std::vector(view.log.begin() + 1, view.log.end()),
              (std::vector<std::string>{Saved("Firefox (Work)", "Firefox - Work.html"),
                                        Saved("Firefox (Old)", "Firefox - Old.html"),
                                        "ERROR: Could not read the bookmarks of Firefox (Broken)"}));
    EXPECT_EQ(ListTree(destination / "Desktop\\FirefoxBookmarks"), lastBackups);
    EXPECT_EQ(Links(ReadWholeFile(destination / (kPages + "Firefox - Work.html"))),
              (std::vector<std::string>{"/Bookmarks Toolbar/Wiki -> https://wiki.example/ @1660000000",
                                        "/Other Bookmarks/Timesheets -> https://work.example/time @1660000100"}));
    const std::string old = ReadWholeFile(destination / (kPages + "Firefox - Old.html"));
    EXPECT_EQ(Links(old), (std::vector<std::string>{
                              "/Bookmarks Menu/Bank &amp; &lt;Co&gt; -> https://bank.example/?a=1&amp;b=2 @1650000000",
                              "/Bookmarks Menu/Garden/Seeds -> https://seeds.example/ @1650000100",
                              "/Bookmarks Toolbar/Mail -> https://mail.example/ @1650000200",
                              "/Bookmarks Toolbar/Undated -> javascript:void(0)//%5C @none"}));
    EXPECT_TRUE(Contains(old, " PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>"));
    EXPECT_FALSE(Contains(old, "Mobile") || Contains(old, "Other Bookmarks") || Contains(old, "tagged.example"));

    const std::vector<std::string> notes = carried.whatStayed.Notes(IsMoveMode(source));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0], "NOTE: 1 entries (" + SizeText(static_cast<std::int64_t>(damaged.size())) +
                            ") could not be carried; the ERROR lines above name them.");
    EXPECT_EQ(notes.end()[-2],
              "NOTE: No bookmark page was made for Firefox (Erin): its folder "
              "..\\..\\..\\..\\..\\Erin\\Firefox lies outside the old profile.");
    EXPECT_EQ(notes.back(),
              "NOTE: Saved passwords of Firefox are not carried. Sign in to Firefox's sync in the new account, or "
              "export them in the old account (about:logins, the menu, Export Passwords) and import them in the new "
              "one (about:logins, the menu, Import from a File).");
  }
}

// A migration run again finds its pages already there: none is written twice.
TEST_F(BrowserBookmarks, APageAlreadyThereAsItIsIsNotWrittenAgain) {
  TestFolder samples;
  ASSERT_TRUE(test::CopySamples(samples));
  WriteFile(source / (kChrome + "\\Default\\Bookmarks"), Bookmarks(Link("Mail", "m:")));
  WriteFile(source / (kChrome + "\\Default\\Login Data"), "");
  WriteFile(source / (kChrome + "\\Local State"), R"({"profile":{"info_cache":{"Default":{"name":"Person 1"}}}})");
  WriteFile(source / (kFirefox + "Profiles\\h1.home\\bookmarkbackups\\bookmarks-2024-01-01.jsonlz4"),
            ReadWholeFile(samples / "old-newer.jsonlz4"));
  WriteFile(source / (kFirefox + "profiles.ini"), "[Profile0]\nName=Home\nIsRelative=1\nPath=Profiles/h1.home\n");
  WriteFile(destination / (kPages + "Firefox - Home.html"), "the user's own");
  const std::vector<std::string> firstRun = {Saved("Chrome (Person 1)", "Chrome - Person 1.html"),
                                             Saved("Firefox (Home)", "Firefox - Home (2).html")};
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    view.log.clear();
    whatStayed = {};
    Save();
    EXPECT_EQ(view.log, firstRun);
    EXPECT_EQ(ListTree(destination / "Desktop\\Browser bookmarks"),
              (std::vector<std::string>{"Chrome - Person 1.html", "Firefox - Home (2).html", "Firefox - Home.html"}));
    EXPECT_EQ(whatStayed.CarriedTally().files, 2);
  }
  EXPECT_EQ(whatStayed.Notes(false),
            std::vector<std::string>{
                "NOTE: Saved passwords of Chrome cannot be carried: Windows keeps their key for the old account only. "
                "Sign in to the browser's sync in the new account, or export them in the old account (Settings, "
                "Passwords, Export) and import them in the new one."});
  // Bookmarks changed since: a page of their own.
  WriteFile(source / (kChrome + "\\Default\\Bookmarks"), Bookmarks(Link("Mail", "m:") + "," + Link("Map", "geo:")));
  view.log.clear();
  Save();
  EXPECT_EQ(view.log.at(0), Saved("Chrome (Person 1)", "Chrome - Person 1 (2).html"));
  EXPECT_EQ(Links(Page("Chrome - Person 1.html")).size(), 1u);
}

// The pages' folder, or the Desktop, a link into another person's profile:
// nothing is written through it, and that is said once.
TEST_F(BrowserBookmarks, APagesFolderThatIsALinkIsNeverWrittenThrough) {
  TestFolder erin;
  WriteFile(source / (kChrome + "\\Default\\Bookmarks"), Bookmarks(Link("Mail", "m:")));
  WriteFile(source / (kEdge + "\\Default\\Bookmarks"), Bookmarks(Link("Mail", "m:")));
  for (const std::string link : {"Desktop", "Desktop\\Browser bookmarks"}) {
    SCOPED_TRACE(link);
    test::RemoveTree(destination.Path());
    test::MakeDirs(test::FolderOf(destination / link));
    ASSERT_TRUE(test::MakeHostSymlink(destination / link, test::HostPath(erin.Path())));
    view.log.clear();
    whatStayed = {};
    Save();
    EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + destination / link});
    EXPECT_EQ(whatStayed.EntriesFailed(), 1);
    EXPECT_TRUE(ListTree(erin.Path()).empty());
  }
}

}  // namespace
}  // namespace ferrowin
