#include "app/migration_plan.h"

#include "app/migration_driver.h"
#include "migration/catalogue.h"
#include "platform/background_task.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr DWORD kWaitSliceMs = 100;

std::string Files(const Tally& tally) { return std::to_string(tally.files) + " files (" + SizeText(tally.bytes) + ")"; }

std::string AccountLine(const MigrationPlanFacts& facts) {
  if (facts.isPublic) return "Account: none, the data goes into the Public profile";
  if (!facts.hasAccount) return "Account: none is made; " + facts.name + " is a profile without a local account";
  if (facts.accountExists) return "Account: " + facts.name + " exists";
  return "Account: " + facts.name + " would be made" + (facts.giveAdmin ? ", as an administrator" : "");
}

void AddFolderLines(const MigrationPlanFacts& facts, std::vector<std::string>& lines) {
  lines.push_back(std::string("Folders it would ") + (facts.moving ? "move" : "copy") + ":");
  const size_t heading = lines.size();
  for (const FolderEstimate& folder : facts.estimate.folders) {
    // A data folder the old profile does not have, or has empty, is no news.
    if (folder.all.files == 0) continue;
    std::string line = "  " + folder.relative + ": " + Files(folder.all);
    if (folder.alreadyThere.files > 0) line += ", " + Files(folder.alreadyThere) + " of them there already";
    lines.push_back(line);
  }
  if (lines.size() == heading) lines.push_back("  none holds a file");
}

void AddStayBehindLines(const MigrationPlanFacts& facts, std::vector<std::string>& lines) {
  std::vector<std::string> stay;
  Tally sameName, onlineOnly;
  std::int64_t sameNameEntries = 0, shown = 0;
  std::vector<std::string> names, links;
  for (const FolderEstimate& folder : facts.estimate.folders) {
    sameName.Add(folder.sameName);
    sameNameEntries += folder.sameNameEntries;
    shown += static_cast<std::int64_t>(folder.sameNamesShown.size());
    names.insert(names.end(), folder.sameNamesShown.begin(), folder.sameNamesShown.end());
    links.insert(links.end(), folder.links.begin(), folder.links.end());
    onlineOnly.files += folder.all.onlineOnlyFiles;
    onlineOnly.bytes += folder.all.onlineOnlyBytes;
  }
  if (sameNameEntries > 0) {
    stay.push_back("  " + Files(sameName) + ", because the new profile already holds their names:");
    for (const std::string& name : names) stay.push_back("    " + name);
    if (sameNameEntries > shown) stay.push_back("    and " + std::to_string(sameNameEntries - shown) + " more");
  }
  if (!facts.outside.empty()) {
    std::string line = "  outside the folders this program carries: ";
    for (size_t i = 0; i < facts.outside.size(); ++i) {
      line += (i ? ", " : "") + facts.outside[i].first + " (" + SizeText(facts.outside[i].second.bytes) + ")";
    }
    stay.push_back(line);
  }
  for (const std::string& link : links) stay.push_back("  the link " + link + ", never followed");
  if (onlineOnly.files > 0) {
    stay.push_back("  " + Files(onlineOnly) +
                   " online-only in OneDrive: their data is in the cloud, and they return when the user signs in "
                   "to OneDrive");
  }
  if (stay.empty()) stay.push_back("  nothing");
  lines.push_back("Would stay in the old profile:");
  lines.insert(lines.end(), stay.begin(), stay.end());
}

void AddSpaceLines(const MigrationPlanFacts& facts, std::vector<std::string>& lines) {
  const Tally toCopy = facts.estimate.ToCopy();
  if (facts.moving) {
    lines.push_back("To move: " + Files(toCopy) + ", renamed within drive C:, so no space is needed");
  } else {
    lines.push_back("To copy: " + Files(toCopy) + "; with its margin the copy needs " +
                    SizeText(toCopy.bytes > 0 ? SpaceNeededFor(toCopy.bytes) : 0));
  }
  const std::string drive = UpperCase(facts.freeSpaceFolder.substr(0, 1)) + ":";
  lines.push_back("Free space on drive " + drive + " " +
                  (facts.freeBytes ? SizeText(*facts.freeBytes) : std::string("unknown: the drive does not say")));
}

}  // namespace

std::vector<std::string> PlanLines(const MigrationPlanFacts& facts) {
  std::vector<std::string> lines{"Plan: " + facts.source + " to " + facts.name + ". Nothing is carried, made or "
                                 "written by this run.",
                                 std::string("Mode: ") + (facts.moving ? "move (from drive C:)" : "copy"),
                                 AccountLine(facts),
                                 "Destination folder: " + facts.profile +
                                     (!facts.hasAccount || facts.profileBuilt
                                          ? ""
                                          : " (it does not exist yet: this plan is made against an empty "
                                            "profile)")};
  AddFolderLines(facts, lines);
  AddStayBehindLines(facts, lines);
  AddSpaceLines(facts, lines);
  return lines;
}

// --- The driver's checks before anything changes ------------------------------

CopyEstimate MigrationDriver::Estimate(const Plan& plan) {
  CopyEstimate estimate;
  BackgroundTask walk([&] { estimate = EstimateCopy(plan.source, plan.profile); });
  while (!walk.Done()) face_.Wait(walk.DoneEvent(), kWaitSliceMs);
  walk.Finish();
  return estimate;
}

bool MigrationDriver::RoomForTheCopy(const Plan& plan) {
  if (plan.moving) return true;
  const std::string folder = FreeSpaceFolderFor(plan.profile);
  spaceCheckedBeforeProfile_ = folder != plan.profile;
  const std::string refusal = NoRoomRefusal(Estimate(plan).ToCopy().bytes, folder);
  // Closed while the profiles were walked: nothing has begun, and nothing will.
  if (face_.Closed()) return false;
  if (refusal.empty()) return true;
  Tell(refusal);
  return false;
}

// Once a new account's profile exists: its drive may not be the one of
// c:\users, and time has passed.
bool MigrationDriver::StillRoomForTheCopy(const Plan& plan) {
  if (plan.moving || !spaceCheckedBeforeProfile_) return true;
  const std::string refusal = NoRoomRefusal(Estimate(plan).ToCopy().bytes, FreeSpaceFolderFor(plan.profile));
  if (refusal.empty()) return true;
  // In the log whether or not a box says it too: the log file keeps it.
  Log({"ERROR: " + refusal});
  (void)face_.Tell(refusal);
  return false;
}

MigrationResult MigrationDriver::RunPlan(const MigrationRequest& request) {
  using Outcome = MigrationResult::Outcome;
  Plan plan;
  if (!Validate(request, plan)) return {.outcome = Outcome::Refused};
  MigrationPlanFacts facts{.source = plan.source,
                           .name = plan.name,
                           .profile = plan.profile,
                           .moving = plan.moving,
                           .isPublic = plan.isPublic,
                           .hasAccount = plan.hasAccount,
                           .accountExists = plan.hasAccount && settings_.accounts.localAccountExists(plan.name),
                           .giveAdmin = plan.giveAdmin,
                           .profileBuilt = PathIsDirectory(JoinPath(plan.profile, "desktop")),
                           .estimate = Estimate(plan),
                           .freeSpaceFolder = FreeSpaceFolderFor(plan.profile)};
  ForEachOutsideCatalogue(plan.source, [&](const std::string& name, const Tally& tally) {
    facts.outside.emplace_back(name, tally);
  });
  facts.freeBytes = FreeBytesAt(facts.freeSpaceFolder);
  Log(PlanLines(facts));
  if (!plan.moving) {
    if (const std::string refusal = NoRoomRefusal(facts.estimate.ToCopy().bytes, facts.freeSpaceFolder);
        !refusal.empty()) {
      Tell(refusal);
      return {.outcome = Outcome::Refused};
    }
  }
  if (plan.hasAccount && !facts.profileBuilt) {
    // The migration makes it where Windows can; otherwise it waits for the first sign-in.
    Log({"NOTE: The profile of " + plan.name + " does not exist yet: the migration makes it where Windows allows, "
         "otherwise sign in once as " + plan.name + " first."});
    return {.outcome = Outcome::NoProfileYet};
  }
  return {.outcome = Outcome::Carried};
}

}  // namespace ferrowin
