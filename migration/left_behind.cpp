#include "migration/left_behind.h"

#include "platform/text.h"
#include "platform/tree_walk.h"

namespace ferrowin {

namespace {

// Newer SDKs name these; they are fixed by Windows.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;

constexpr const char* kNote = "NOTE: ";

bool IsOneDriveFolder(const std::string& name) {
  const std::string lower = LowerCase(name);
  // "OneDrive", and "OneDrive - Company" for a work or school account.
  return lower == "onedrive" || StartsWith(lower, "onedrive - ");
}

std::string Files(std::int64_t files, std::int64_t bytes) {
  return std::to_string(files) + " files (" + SizeText(bytes) + ")";
}

}  // namespace

void Tally::Add(const Tally& other) {
  files += other.files;
  bytes += other.bytes;
  plainFiles += other.plainFiles;
  onlineOnlyFiles += other.onlineOnlyFiles;
  onlineOnlyBytes += other.onlineOnlyBytes;
}

bool IsOnlineOnly(DWORD attributes) { return (attributes & (kRecallOnOpen | kRecallOnDataAccess)) != 0; }

Tally TallyFile(const std::string& name, const PathFacts& facts) {
  return TallyFile(DirEntry{.name = name, .attributes = facts.attributes, .size = facts.size});
}

Tally TallyFile(const DirEntry& file) {
  Tally tally{.files = 1, .bytes = file.size};
  if (!(file.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) tally.plainFiles = 1;
  if (IsOnlineOnly(file.attributes)) {
    tally.onlineOnlyFiles = 1;
    tally.onlineOnlyBytes = file.size;
  }
  return tally;
}

Tally TallyFolder(const std::string& folder) {
  Tally tally;
  TreeWalk walk(folder);
  for (TreeWalk::Step step; (step = walk.Next()) != TreeWalk::Step::End;) {
    if (step == TreeWalk::Step::Entry && !walk.Current().IsDirectory()) tally.Add(TallyFile(walk.Current()));
  }
  return tally;
}

void LeftBehind::SameName(const std::string& relativePath, const Tally& tally) {
  sameNames_.Add(tally);
  if (sameNameEntries_++ < static_cast<std::int64_t>(kNamesShown)) sameNamesShown_.push_back(relativePath);
}

void LeftBehind::Failed(const Tally& tally) {
  failed_.Add(tally);
  ++failedEntries_;
}

void LeftBehind::OutsideCatalogue(const std::string& name, const Tally& tally) {
  outside_.push_back(name + " (" + SizeText(tally.bytes) + ")");
  oneDriveOutside_ |= IsOneDriveFolder(name);
}

void LeftBehind::BrowserFileNotCopied(const std::string& relativePath, const std::string& reason) {
  browserNotes_.push_back(std::string(kNote) + "Not copied: " + relativePath + " (" + reason + ")");
}

std::vector<std::string> LeftBehind::Notes(bool moving) const {
  std::vector<std::string> notes;
  AddSameNameNotes(moving, notes);
  if (failedEntries_ > 0) {
    notes.push_back(std::string(kNote) + std::to_string(failedEntries_) + " entries (" + SizeText(failed_.bytes) +
                    ") could not be carried; the ERROR lines above name them.");
  }
  AddOutsideNotes(notes);
  notes.insert(notes.end(), browserNotes_.begin(), browserNotes_.end());
  if (failed_.onlineOnlyFiles > 0) {
    notes.push_back(std::string(kNote) + std::to_string(failed_.onlineOnlyFiles) +
                    " of the files that could not be carried are online-only OneDrive files (" +
                    SizeText(failed_.onlineOnlyBytes) + "); they return when the user signs in to OneDrive.");
  }
  notes.insert(notes.end(), advice_.begin(), advice_.end());
  return notes;
}

void LeftBehind::AddSameNameNotes(bool moving, std::vector<std::string>& notes) const {
  if (sameNameEntries_ == 0) return;
  notes.push_back(std::string(kNote) + Files(sameNames_.files, sameNames_.bytes) +
                  (moving ? " stayed in the old profile because the new profile already holds their names:"
                          : " were not copied because the new profile already holds their names:"));
  for (const std::string& path : sameNamesShown_) notes.push_back(std::string(kNote) + "  " + path);
  const std::int64_t more = sameNameEntries_ - static_cast<std::int64_t>(sameNamesShown_.size());
  if (more > 0) notes.push_back(std::string(kNote) + "  and " + std::to_string(more) + " more");
}

void LeftBehind::AddOutsideNotes(std::vector<std::string>& notes) const {
  if (outside_.empty()) return;
  std::string line = std::string(kNote) + "Not carried, outside the folders this program carries: ";
  for (size_t i = 0; i < outside_.size(); ++i) line += (i ? ", " : "") + outside_[i];
  notes.push_back(line);
  if (oneDriveOutside_) {
    notes.push_back(std::string(kNote) +
                    "Files in OneDrive return when the user signs in to OneDrive in the new account; files never "
                    "synced are only in the old profile's OneDrive folder.");
  }
}

}  // namespace ferrowin
