// A dry run's plan: what a migration would carry, what would stay behind and
// whether it fits, said before anything is done (ferrowin.exe ... /plan).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "migration/free_space.h"

namespace ferrowin {

struct MigrationPlanFacts {
  std::string source;   // the old profile's folder, ending in a backslash
  std::string name;     // the destination as given
  std::string profile;  // the folder Windows uses for it, or would use
  bool moving = false;
  bool isPublic = false;
  bool hasAccount = false;     // a local account receives the data
  bool accountExists = false;  // it exists already; otherwise it would be made
  bool giveAdmin = false;
  bool profileBuilt = false;  // the account has signed in once
  CopyEstimate estimate;
  std::vector<std::pair<std::string, Tally>> outside;  // at the top of the old profile, carried by nothing
  std::string freeSpaceFolder;
  std::optional<std::int64_t> freeBytes;
};

std::vector<std::string> PlanLines(const MigrationPlanFacts& facts);

}  // namespace ferrowin
