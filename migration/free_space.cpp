#include "migration/free_space.h"

#include <algorithm>
#include <span>

#include "migration/carried_folders.h"
#include "migration/catalogue.h"
#include "migration/transfer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/tree_walk.h"

namespace ferrowin {

namespace {

constexpr std::int64_t kLeastMargin = 100LL * 1000 * 1000;

// What a folder of the new profile holds, by the keys of its names: listed
// once, when the old profile's folder of the same name is entered.
class HeldNames {
 public:
  struct Held {
    std::uint64_t key;
    bool folder;
    bool link;  // a folder that leads elsewhere: nothing is written through it
    std::int64_t size;
    bool operator<(const Held& other) const { return key < other.key; }
  };

  // Nothing, for a folder the new profile lacks.
  HeldNames() = default;
  explicit HeldNames(const std::string& folder) {
    for (const DirEntry& entry : DirSearch(AsFolder(folder) + "*", kAllEntriesMask)) {
      if (entry.IsDotEntry() || IsUnfinishedCopy(entry.name, entry.attributes)) continue;
      held_.push_back({NameKey(entry.name), entry.IsDirectory(), entry.IsReparsePoint(), entry.size});
    }
    std::sort(held_.begin(), held_.end());
  }

  const Held* Find(const std::string& name) const {
    const Held wanted{NameKey(name), false, false, 0};
    auto found = std::lower_bound(held_.begin(), held_.end(), wanted);
    return found != held_.end() && found->key == wanted.key ? &*found : nullptr;
  }

 private:
  std::vector<Held> held_;
};

// The catalogue's folders that a migration of `source` would go through.
std::vector<std::string> CarriedFoldersOf(const std::string& source) {
  std::vector<std::string> folders;
  for (std::span<const CarriedFolder> table : kCarriedFolderTables) {
    for (const CarriedFolder& folder : table) {
      if (CarriedFolderApplies(source, folder)) folders.push_back(folder.path);
    }
  }
  if (LookAt(JoinPath(JoinPath(source, kStickyNotesStore), kStickyNotesFiles[0])).IsFileOfAnyDate()) {
    folders.push_back(kStickyNotesStore);
  }
  return folders;
}

// One walk of a folder of the old profile, each of its folders set against
// the new profile's folder of the same place.
class FolderEstimator {
 public:
  FolderEstimator(const std::string& source, FolderEstimate& estimate) : source_(AsFolder(source)), e_(estimate) {}

  void Walk(const std::string& from, const std::string& into) {
    TreeWalk walk(from);
    levels_.push_back({AsFolder(into), PathIsDirectory(into) ? HeldNames(into) : HeldNames()});
    for (TreeWalk::Step step; (step = walk.Next()) != TreeWalk::Step::End;) {
      if (step == TreeWalk::Step::Leave) levels_.pop_back();
      if (step == TreeWalk::Step::Entry) Take(walk);
    }
  }

 private:
  struct Level {
    std::string folder;  // of the new profile, ending in a backslash
    HeldNames names;
  };

  void Take(TreeWalk& walk) {
    const WalkEntry& entry = walk.Current();
    const HeldNames::Held* held = levels_.back().names.Find(entry.name);
    if (!entry.IsDirectory()) {
      const Tally tally = TallyFile(entry);
      e_.all.Add(tally);
      if (!held) {
        e_.toCopy.Add(tally);
      } else if (!held->folder && held->size == entry.size) {
        e_.alreadyThere.Add(tally);
      } else {
        SameName(entry.path, tally);
      }
      return;
    }
    if (entry.IsReparsePoint()) {
      if (!entry.IsHiddenSystem()) e_.links.push_back(entry.path);
      return;
    }
    const std::string into = levels_.back().folder + entry.name;
    if (held && (!held->folder || held->link)) {
      // A file where the folder should go, or a link: none of the folder's files goes.
      walk.SkipChildren();
      const Tally tally = TallyFolder(entry.path);
      e_.all.Add(tally);
      if (held->link) {
        e_.links.push_back(into);
      } else {
        SameName(entry.path + "\\", tally);
      }
      return;
    }
    levels_.push_back({AsFolder(into), held ? HeldNames(into) : HeldNames()});
  }

  void SameName(const std::string& path, const Tally& tally) {
    e_.sameName.Add(tally);
    if (e_.sameNameEntries++ < static_cast<std::int64_t>(LeftBehind::kNamesShown)) {
      e_.sameNamesShown.push_back(StartsWith(path, source_) ? path.substr(source_.size()) : path);
    }
  }

  const std::string source_;
  FolderEstimate& e_;
  std::vector<Level> levels_;
};

// A link on the way to a carried folder, on either side; the old profile's
// own compatibility links of Windows are no one's data and pass in silence,
// as in the copy.
std::optional<std::string> CarriedFolderLink(const std::string& source, const std::string& destination,
                                        const std::string& relative) {
  if (std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(source, relative)) {
    const DirEntry attributes{.attributes = link->attributes};
    return attributes.IsHiddenSystem() ? std::string() : link->path;
  }
  // On the new profile's side a link is named whatever its attributes.
  if (std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(destination, relative)) return link->path;
  return std::nullopt;
}

}  // namespace

Tally CopyEstimate::All() const {
  Tally total;
  for (const FolderEstimate& folder : folders) total.Add(folder.all);
  return total;
}

Tally CopyEstimate::ToCopy() const {
  Tally total;
  for (const FolderEstimate& folder : folders) total.Add(folder.toCopy);
  return total;
}

CopyEstimate EstimateCopy(const std::string& source, const std::string& destination) {
  CopyEstimate estimate;
  for (const std::string& relative : CarriedFoldersOf(source)) {
    FolderEstimate& folder = estimate.folders.emplace_back();
    folder.relative = relative;
    if (std::optional<std::string> link = CarriedFolderLink(source, destination, relative)) {
      if (!link->empty()) folder.links.push_back(*link);
      continue;
    }
    FolderEstimator(source, folder).Walk(JoinPath(source, relative), JoinPath(destination, relative));
  }
  return estimate;
}

std::optional<std::int64_t> FreeBytesAt(const std::string& folder) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(Win32Path(AsFolder(folder)).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return static_cast<std::int64_t>(std::min<ULONGLONG>(available.QuadPart, INT64_MAX));
}

std::int64_t SpaceNeededFor(std::int64_t bytes) { return bytes + std::max(bytes / 100, kLeastMargin); }

std::string FreeSpaceFolderFor(const std::string& profile) {
  return PathIsDirectory(profile) ? profile : std::string(kUsersFolder);
}

std::string NoRoomRefusal(std::int64_t bytes, const std::string& folder) {
  if (bytes <= 0) return {};
  const std::optional<std::int64_t> free = FreeBytesAt(folder);
  const std::int64_t needed = SpaceNeededFor(bytes);
  if (!free || needed <= *free) return {};
  const std::string drive = UpperCase(folder.substr(0, 1)) + ":";
  return "The copy needs " + SizeText(needed) + " but drive " + drive + " has " + SizeText(*free) +
         " free. Free some space on " + drive + ", or carry less, then try again.";
}

}  // namespace ferrowin
