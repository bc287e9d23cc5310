#include "platform/tree_walk.h"

#include <utility>

namespace ferrowin {

struct TreeWalk::Level {
  explicit Level(std::string folderPath)
      : folder(std::move(folderPath)), search(folder + "*", kAllEntriesMask), next(search.begin()) {}

  // Why the folder could not be listed, at once or part-way; ERROR_SUCCESS
  // when it could.
  DWORD Failure() const { return search.OpenError() != ERROR_SUCCESS ? search.OpenError() : search.StopError(); }

  std::string folder;  // ends in a backslash
  DirSearch search;
  DirSearch::Iterator next;
  bool failureReported = false;
};

TreeWalk::TreeWalk(std::string_view root) : root_(AsFolder(root)) {}

TreeWalk::~TreeWalk() = default;

TreeWalk::Step TreeWalk::Next() {
  if (!started_) {
    started_ = true;
    levels_.push_back(std::make_unique<Level>(root_));
  } else if (enterNext_) {
    enterNext_ = false;
    levels_.push_back(std::make_unique<Level>(AsFolder(current_.path)));
  }
  while (!levels_.empty()) {
    Level& level = *levels_.back();
    while (level.next != level.search.end()) {
      if (level.next->IsDotEntry()) {
        ++level.next;
        continue;
      }
      // Taken before the search moves on: it keeps only the entry it is at.
      static_cast<DirEntry&>(current_) = *level.next;
      ++level.next;
      current_.path = level.folder + current_.name;
      enterNext_ = current_.IsDirectory() && !current_.IsReparsePoint();
      return Step::Entry;
    }
    // A folder that could not be listed, or whose listing broke off, is
    // named before it is left.
    if (level.Failure() != ERROR_SUCCESS && !level.failureReported) {
      level.failureReported = true;
      error_ = level.Failure();
      current_ = {};
      current_.path = level.folder;
      return Step::Unreadable;
    }
    current_ = {};
    current_.path = std::move(level.folder);
    levels_.pop_back();
    return Step::Leave;
  }
  return Step::End;
}

}  // namespace ferrowin
