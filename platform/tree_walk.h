// One way through a folder tree: every entry below a folder, depth first, in
// the order the file system lists them, each with its full path and what the
// search tells of it (kind, size, time, attributes). A link (junction,
// symbolic link) is yielded but never entered: it may lead out of the tree,
// into another person's profile, or back into its own parent. A folder that
// cannot be listed, at once or part-way, is reported, never passed over.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ferrowin {

// An entry the walk found: the search's details and its full path.
struct WalkEntry : DirEntry {
  std::string path;  // the folder's path and the name; no trailing backslash
};

class TreeWalk {
 public:
  enum class Step {
    Entry,       // Current() is an entry of the folder being listed
    Unreadable,  // Current().path is a folder (ending in a backslash) that could not be listed, at once or
                 // part-way; Error() says why. Its Leave follows.
    Leave,       // Current().path is a folder (ending in a backslash) that was entered, the root included:
                 // all of its entries have been yielded
    End,
  };

  // Walks below `root`, with or without its trailing backslash. The root is
  // listed on the first Next(); a root that cannot be listed is Unreadable,
  // whatever the reason (IsMissing tells a folder that is not there). Every
  // folder entered, the root too, ends with its Leave.
  explicit TreeWalk(std::string_view root);
  ~TreeWalk();
  TreeWalk(const TreeWalk&) = delete;
  TreeWalk& operator=(const TreeWalk&) = delete;

  Step Next();
  const WalkEntry& Current() const { return current_; }
  DWORD Error() const { return error_; }
  // Entries of the root are at depth 0.
  int Depth() const { return static_cast<int>(levels_.size()) - 1; }

  // After an Entry that is a folder: the walk does not go into it. Links and
  // files are never gone into anyway.
  void SkipChildren() { enterNext_ = false; }

  // A folder that is not there at all (as against one that cannot be read).
  static bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

 private:
  struct Level;

  std::vector<std::unique_ptr<Level>> levels_;
  std::string root_;
  bool started_ = false;
  bool enterNext_ = false;
  WalkEntry current_;
  DWORD error_ = ERROR_SUCCESS;
};

}  // namespace ferrowin
