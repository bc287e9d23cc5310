#include "migration/transfer.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/text.h"

namespace ferrowin {

namespace {

// A file this large is copied on its own, the other workers idle: beside
// small files it would share the disk with them, and the copy of a large
// profile is as slow as its largest file.
constexpr std::int64_t kLargeFile = 64LL * 1024 * 1024;

// Windows recreates desktop.ini in every folder it manages: failing to carry
// one is not worth a line, nor is the new profile's own standing in its way.
bool IsDesktopIni(const std::string& name) { return name == "desktop.ini"; }

// What an entry holds; a link is not followed, so it holds nothing here.
Tally TallyOf(const WalkEntry& entry) {
  if (!entry.IsDirectory()) return TallyFile(entry);
  return entry.IsReparsePoint() ? Tally{} : TallyFolder(entry.path);
}

}  // namespace

// Names are looked up as Windows compares them, without regard to case: a
// name's key is a hash of its upper-case form, eight bytes however long the
// name, so a folder of 50,000 names costs 400 KB to hold.
std::uint64_t NameKey(std::string_view name) {
  std::wstring wide = Widen(name);
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()), wide.data(),
                static_cast<int>(wide.size()), nullptr, nullptr, 0);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (wchar_t c : wide) {
    hash ^= static_cast<std::uint64_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// A folder of the destination that the walk goes into. For a copy, the names
// it held before: listed once, so that a name it lacks is not looked up
// again for each file (a lookup of a name that is not there reads the whole
// folder under Wine). A name it holds is looked at for what it is. A folder
// the copy made itself holds nothing. A move, whose one rename carries a
// whole sub-tree, looks at each of its names once anyway, and never asks.
struct FolderTransfer::TargetFolder {
  TargetFolder(std::string folderPath, bool made) : folder(std::move(folderPath)), fresh(made) {}

  PathFacts Find(std::string_view name) {
    if (fresh) return {};
    if (!listed) List();
    if (!std::binary_search(held.begin(), held.end(), NameKey(name))) return {};
    return LookAt(folder + std::string(name));
  }

  // Listed when the first entry of the source asks: a source folder that is
  // empty or missing costs no listing of the destination's.
  void List() {
    listed = true;
    for (const DirEntry& entry : DirSearch(folder + "*", kAllEntriesMask)) {
      if (entry.IsDotEntry()) continue;
      // An earlier run that was stopped may have left unfinished copies
      // here; they go, and the files they stood for are copied whole.
      if (IsUnfinishedCopy(entry.name, entry.attributes)) {
        RemoveUnfinishedCopy(folder + entry.name);
        continue;
      }
      held.push_back(NameKey(entry.name));
    }
    std::sort(held.begin(), held.end());
  }

  std::string folder;  // ends in a backslash
  bool fresh;
  bool listed = false;
  std::vector<std::uint64_t> held;  // sorted keys of the names
};

bool IsMoveMode(const std::string& source) { return !source.empty() && LowerCase(source.substr(0, 1)) == "c"; }

FolderTransfer::FolderTransfer(TransferView& view, std::int64_t& copiedBytes, std::int64_t countedBytes,
                               std::string oldProfile, TransferOptions options)
    : view_(view),
      copiedBytes_(copiedBytes),
      countedBytes_(countedBytes),
      oldProfile_(std::move(oldProfile)),
      moving_(IsMoveMode(oldProfile_)),
      copier_(*options.extras),
      copies_(options.copyWorkers, *options.extras, [this](FileCopyJob& job) { Commit(job); }) {}

FolderTransfer::~FolderTransfer() = default;

void FolderTransfer::TransferFolder(const std::string& source, const std::string& destination, bool existed) {
  Carry(source, destination, existed, moving_);
}

void FolderTransfer::MoveFolderContents(const std::string& source, const std::string& destination, bool existed) {
  Carry(source, destination, existed, true);
}

void FolderTransfer::CopyFolderContents(const std::string& source, const std::string& destination, bool existed) {
  Carry(source, destination, existed, false);
}

void FolderTransfer::Carry(const std::string& source, const std::string& destination, bool existed, bool moving) {
  if (sourceGone_) return;
  sourceRoot_ = source;
  std::vector<TargetFolder> targets;
  targets.emplace_back(AsFolder(destination), false);
  TreeWalk walk(source);
  for (TreeWalk::Step step; !sourceGone_ && (step = walk.Next()) != TreeWalk::Step::End;) {
    switch (step) {
      case TreeWalk::Step::Entry: moving ? MoveOne(walk, targets) : CopyOne(walk, targets); break;
      case TreeWalk::Step::Unreadable: Unreadable(walk, existed); break;
      case TreeWalk::Step::Leave: targets.pop_back(); break;
      case TreeWalk::Step::End: break;
    }
  }
  // Every file of this folder is in, and said, before anything after it.
  copies_.Drain();
}

void FolderTransfer::MoveOne(TreeWalk& walk, std::vector<TargetFolder>& targets) {
  const WalkEntry& entry = walk.Current();
  const std::string target = targets.back().folder + entry.name;
  if (Move(entry, target)) {
    targets.emplace_back(AsFolder(target), false);
  } else {
    walk.SkipChildren();
  }
}

bool FolderTransfer::Move(const WalkEntry& entry, const std::string& target) {
  view_.SetStatus("Recovering: " + entry.name);
  const PathFacts there = LookAt(target);
  // The destination's own entry wins; its twin stays in the old profile.
  if (there.IsFileOfAnyDate() || (there.IsDirectory() && !entry.IsDirectory())) {
    StayBehind(entry, there, target);
    return false;
  }
  if (there.IsDirectory()) {
    if (entry.IsReparsePoint()) {
      ReportLink(entry.path, entry.attributes);
      return false;
    }
    if (there.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      ReportDestinationLink(target);  // moving into it would hand the files to whoever it leads to
      return false;
    }
    return true;
  }
  // One rename carries a whole sub-tree; a link moves as the link itself.
  const Win32Result moved = MoveEntry(entry.path, target);
  if (moved) {
    whatStayed_.Carried(entry.IsDirectory() && !entry.IsReparsePoint() ? TallyFolder(target) : TallyOf(entry));
    return false;
  }
  if (!IsDesktopIni(entry.name)) {
    const Tally tally = TallyOf(entry);
    Fail("ERROR: Cound not move " + entry.name, tally);
    causes_.Failed(entry.path, entry.name, tally.bytes, target, moved.Error());
  }
  SourceReachable();
  return false;
}

void FolderTransfer::CopyOne(TreeWalk& walk, std::vector<TargetFolder>& targets) {
  const WalkEntry& entry = walk.Current();
  TargetFolder& into = targets.back();
  copies_.CommitFinished();
  ShowCopying(entry.name);
  if (!entry.IsDirectory()) {
    HandOut({.entry = entry, .source = entry.path, .target = into.folder + entry.name, .existing = into.Find(entry.name)},
            entry.size >= kLargeFile);
    return;
  }
  if (entry.IsReparsePoint()) {
    ReportLink(entry.path, entry.attributes);  // the walk never enters a link
    return;
  }
  if (!EnterFolder(walk, targets)) walk.SkipChildren();
}

// Folders are made before their files are handed out.
bool FolderTransfer::EnterFolder(TreeWalk& walk, std::vector<TargetFolder>& targets) {
  const WalkEntry& entry = walk.Current();
  const std::string target = targets.back().folder + entry.name;
  const PathFacts there = targets.back().Find(entry.name);
  if (there.IsDirectory() && (there.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ReportDestinationLink(target);  // copying into it would write into wherever it leads
    return false;
  }
  if (there.IsDirectory()) {
    targets.emplace_back(AsFolder(target), false);
  } else if (MakeDirectory(target)) {
    targets.emplace_back(AsFolder(target), true);
  } else if (const PathFacts now = LookAt(target); now.IsDirectory() && !(now.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Made meanwhile by another run into the same folder: it is there to copy into.
    targets.emplace_back(AsFolder(target), false);
  } else {
    Fail("ERROR: Cound not create new folder " + target, TallyOf(entry));
    return false;
  }
  return true;
}

// The percentage is of the bytes of every file before this one in the walk,
// whether their copies are still in flight or not: exactly what a copy of
// one file at a time shows.
void FolderTransfer::ShowCopying(const std::string& name) {
  view_.SetStatus(std::to_string(Percent()) + "% Recovering: " + name);
}

void FolderTransfer::HandOut(FileCopyJob job, bool alone) {
  copiedBytes_ += job.entry.size;
  if (alone) {
    copies_.RunAlone(std::move(job));
  } else {
    copies_.Add(std::move(job));
  }
}

void FolderTransfer::Commit(FileCopyJob& job) {
  // Files handed out before the source was found gone are not spoken of:
  // a copy of one file at a time would never have tried them.
  if (sourceGone_) return;
  switch (job.outcome) {
    case FileCopyJob::Outcome::Copied:
    case FileCopyJob::Outcome::AlreadyThere: whatStayed_.Carried(TallyFile(job.entry)); break;
    case FileCopyJob::Outcome::SameName:
      if (!IsDesktopIni(job.entry.name)) whatStayed_.SameName(RelativeToOldProfile(job.source), TallyFile(job.entry));
      break;
    case FileCopyJob::Outcome::Failed:
      if (!IsDesktopIni(job.entry.name)) {
        Log("ERROR: Cound not copy " + job.entry.name);
        whatStayed_.Failed(TallyFile(job.entry));
        causes_.Failed(job.source, job.entry.name, job.entry.size, job.target, job.result.Error());
      }
      SourceReachable();
      break;
  }
}

namespace {

// One entry of a folder, as a walk of it would find it.
std::optional<WalkEntry> FindEntry(const std::string& folder, const std::string& name) {
  for (const DirEntry& entry : DirSearch(folder + name, kAllEntriesMask)) {
    WalkEntry found;
    static_cast<DirEntry&>(found) = entry;
    found.path = folder + entry.name;
    return found;
  }
  return std::nullopt;
}

}  // namespace

void FolderTransfer::TransferFile(const std::string& sourceFolder, const std::string& destinationFolder,
                                  const std::string& name) {
  if (sourceGone_) return;
  const std::optional<WalkEntry> entry = FindEntry(sourceFolder, name);
  if (!entry || entry->IsDirectory()) return;
  const std::string target = destinationFolder + name;
  if (moving_) {
    (void)Move(*entry, target);
    return;
  }
  RemoveUnfinishedCopies(destinationFolder);
  ShowCopying(name);
  HandOut({.entry = *entry, .source = entry->path, .target = target, .existing = LookAt(target)}, true);
}

void FolderTransfer::StayBehindFile(const std::string& sourceFolder, const std::string& name) {
  const std::optional<WalkEntry> entry = FindEntry(sourceFolder, name);
  if (entry && !entry->IsDirectory()) whatStayed_.SameName(RelativeToOldProfile(entry->path), TallyFile(*entry));
}

Win32Result FolderTransfer::CopyReplacingFile(const std::string& source, const std::string& destination) {
  return copier_.CopyReplacing(source, destination);
}

std::string FolderTransfer::RelativeToOldProfile(const std::string& path) const {
  if (oldProfile_.empty() || !StartsWith(path, oldProfile_)) return path;
  return path.substr(oldProfile_.size());
}

// A folder that is not there has nothing to carry, unless it was there when
// the migration began; one that is there but cannot be read is named, so
// nothing is left behind unnoticed.
void FolderTransfer::Unreadable(const TreeWalk& walk, bool rootExisted) {
  if (walk.Depth() == 0 && TreeWalk::IsMissing(walk.Error()) && !rootExisted) return;
  const std::string folder = walk.Current().path;
  InOrder([this, folder] {
    if (sourceGone_) return;
    ReportUnreadable(folder);
  });
}

void FolderTransfer::ReportUnreadable(const std::string& folder) {
  Log("ERROR: Could not read the folder " + folder);
  whatStayed_.Failed({});
  SourceReachable();
}

// A link is never followed: it may lead out of the profile, into another
// person's, or back into its own parent (an endless tree). Windows' own
// compatibility links are hidden and system, and Windows makes them again in
// every new profile; any other is named.
void FolderTransfer::ReportLink(const std::string& path, DWORD attributes) {
  if (!IsHiddenSystem(attributes)) NameLink(path);
}

// A folder of the new profile that is a link leads out of it (into another
// person's profile, say): nothing is written through it, and it is named
// whatever its attributes, since what it kept out stays in the old profile.
void FolderTransfer::ReportDestinationLink(const std::string& path) { NameLink(path); }

void FolderTransfer::NameLink(const std::string& path) {
  InOrder([this, path] {
    if (sourceGone_) return;
    Log("ERROR: Did not follow the link " + path);
    whatStayed_.Failed({});
  });
}

bool FolderTransfer::SourceReachable() {
  if (sourceGone_) return false;
  const std::string& source = oldProfile_.empty() ? sourceRoot_ : oldProfile_;
  if (source.empty() || PathIsDirectory(source)) return true;
  sourceGone_ = true;
  Log("ERROR: The source " + WithoutTrailingBackslash(source) +
      " can no longer be reached; nothing after this point was carried.");
  return false;
}

void FolderTransfer::StayBehind(const WalkEntry& entry, const PathFacts& there, const std::string& target) {
  if (IsDesktopIni(entry.name)) return;
  // The same file on both sides (a rerun finds what an earlier one copied)
  // is carried; only the bytes tell.
  if (!entry.IsDirectory() && there.IsFileOfAnyDate() && there.SameSizeAndTimeAs(entry) &&
      SameContent(entry.path, target).Same()) {
    whatStayed_.Carried(TallyFile(entry));
    return;
  }
  const std::string shown = RelativeToOldProfile(entry.path) + (entry.IsDirectory() ? "\\" : "");
  whatStayed_.SameName(shown, TallyOf(entry));
}

void FolderTransfer::Fail(const std::string& line, const Tally& tally) {
  InOrder([this, line, tally] {
    if (sourceGone_) return;
    Log(line);
    whatStayed_.Failed(tally);
  });
}

std::int64_t FolderTransfer::Percent() const {
  // Nothing counted (or under a hundred bytes): there is no share to show.
  if (countedBytes_ <= 0) return 0;
  return copiedBytes_ / countedBytes_;
}

}  // namespace ferrowin
