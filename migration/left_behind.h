// What a migration did not carry, gathered while the transfer goes, and the
// NOTE lines that end the log with it, so that a technician sees at a glance
// what is still only in the old profile. It keeps counts, sizes and the few
// names it shows, never a list that grows with the profile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace ferrowin {

// The files of an entry: one for a file, all below it for a folder.
struct Tally {
  std::int64_t files = 0;
  std::int64_t bytes = 0;
  std::int64_t plainFiles = 0;       // neither hidden nor system
  std::int64_t onlineOnlyFiles = 0;  // OneDrive placeholders whose data is in the cloud
  std::int64_t onlineOnlyBytes = 0;

  void Add(const Tally& other);
};

// A OneDrive file that is only a placeholder here: its data comes down when
// it is opened, which needs its owner's OneDrive running.
bool IsOnlineOnly(DWORD attributes);

Tally TallyFile(const DirEntry& file);
Tally TallyFile(const std::string& name, const PathFacts& facts);
// Walks a folder without following links.
Tally TallyFolder(const std::string& folder);

class LeftBehind {
 public:
  // What did arrive in the new profile, for the log file's summary.
  void Carried(const Tally& tally) { carried_.Add(tally); }
  // An entry that stayed because the new profile already holds its name.
  void SameName(const std::string& relativePath, const Tally& tally);
  // An entry named in an ERROR line of the transfer.
  void Failed(const Tally& tally);
  // An entry at the top of the old profile that nothing carries.
  void OutsideCatalogue(const std::string& name, const Tally& tally);
  void BrowserFileNotCopied(const std::string& relativePath, const std::string& reason);
  // A NOTE line of advice on what the technician still has to do; it ends
  // the notes.
  void Advise(const std::string& note) { advice_.push_back(note); }

  // The NOTE lines, none when nothing was left behind. `moving` says how
  // the data went: moved within C:, or copied.
  std::vector<std::string> Notes(bool moving) const;

  static constexpr size_t kNamesShown = 20;

  const Tally& CarriedTally() const { return carried_; }
  // Entries that stayed in the old profile: names the new one holds, what
  // lies outside the folders the program carries, and browser files that
  // could not be copied.
  std::int64_t EntriesLeftBehind() const {
    return sameNameEntries_ + static_cast<std::int64_t>(outside_.size() + browserNotes_.size());
  }
  std::int64_t EntriesFailed() const { return failedEntries_; }

 private:
  void AddSameNameNotes(bool moving, std::vector<std::string>& notes) const;
  void AddOutsideNotes(std::vector<std::string>& notes) const;

  Tally carried_;
  Tally sameNames_;
  std::int64_t sameNameEntries_ = 0;
  std::vector<std::string> sameNamesShown_;
  Tally failed_;
  std::int64_t failedEntries_ = 0;
  std::vector<std::string> outside_;
  bool oneDriveOutside_ = false;
  std::vector<std::string> browserNotes_;
  std::vector<std::string> advice_;
};

}  // namespace ferrowin
