#include "migration/held_files.h"

// After windows.h, which it needs.
#include <restartmanager.h>

#include <algorithm>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr const char* kNote = "NOTE: ";

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return text;
}

// The Restart Manager's functions, from the system folder only: a DLL of
// that name beside the program or in the working folder is never loaded.
struct RestartManager {
  RestartManager() : module(LoadSystemLibrary("rstrtmgr.dll")) {
    if (!module) return;
    start = Function<decltype(&RmStartSession)>("RmStartSession");
    end = Function<decltype(&RmEndSession)>("RmEndSession");
    registerFiles = Function<decltype(&RmRegisterResources)>("RmRegisterResources");
    list = Function<decltype(&RmGetList)>("RmGetList");
  }

  template <typename Pointer>
  Pointer Function(const char* name) const {
    return reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
  }
  bool Usable() const { return start && end && registerFiles && list; }

  UniqueModule module;
  decltype(&RmStartSession) start = nullptr;
  decltype(&RmEndSession) end = nullptr;
  decltype(&RmRegisterResources) registerFiles = nullptr;
  decltype(&RmGetList) list = nullptr;
};

// The processes the session's files are open in; none when it cannot tell.
std::vector<RM_PROCESS_INFO> Holders(const RestartManager& manager, DWORD session) {
  std::vector<RM_PROCESS_INFO> processes;
  UINT needed = 0;
  DWORD reasons = 0;
  // The list may grow between the calls: a few tries, then no answer.
  for (int attempt = 0; attempt < 3; ++attempt) {
    UINT count = static_cast<UINT>(processes.size());
    const DWORD result = manager.list(session, &needed, &count, processes.empty() ? nullptr : processes.data(), &reasons);
    if (result == ERROR_SUCCESS) {
      processes.resize(std::min<size_t>(count, processes.size()));
      return processes;
    }
    if (result != ERROR_MORE_DATA) return {};
    processes.resize(needed);
  }
  return {};
}

}  // namespace

std::vector<std::string> RestartManagerHolders(const std::vector<std::string>& paths) {
  if (paths.empty()) return {};
  const RestartManager manager;
  if (!manager.Usable()) return {};
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (manager.start(&session, 0, key) != ERROR_SUCCESS) return {};
  struct EndSession {
    const RestartManager& manager;
    DWORD session;
    ~EndSession() { manager.end(session); }
  } ending{manager, session};
  std::vector<std::wstring> wide;
  for (const std::string& path : paths) wide.push_back(Widen(path));
  std::vector<LPCWSTR> files;
  for (const std::wstring& path : wide) files.push_back(path.c_str());
  if (manager.registerFiles(session, static_cast<UINT>(files.size()), files.data(), 0, nullptr, 0, nullptr) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::string> names;
  for (const RM_PROCESS_INFO& process : Holders(manager, session)) {
    std::wstring_view shown(process.strAppName, wcsnlen(process.strAppName, CCH_RM_MAX_APP_NAME));
    std::string name = Trim(Narrow(shown));
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

void FailureCauses::Failed(const std::string& path, const std::string& name, std::int64_t size,
                           const std::string& target, DWORD error) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
    ++fullFiles_;
    fullBytes_ += size;
    if (fullDrive_.empty() && target.size() >= 2 && target[1] == ':') fullDrive_ = UpperCase(target.substr(0, 1)) + ":";
    return;
  }
  if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return;
  ++heldFiles_;
  if (heldNames_.size() < kNamesShown) heldNames_.push_back(name);
  if (heldPaths_.size() < kPathsAsked) heldPaths_.push_back(path);
}

std::vector<std::string> FailureCauses::Notes(const HolderLookup& holders) const {
  std::vector<std::string> notes;
  if (heldFiles_ > 0) {
    const std::vector<std::string> programs = holders ? holders(heldPaths_) : std::vector<std::string>{};
    std::string names = Joined(heldNames_);
    const std::int64_t more = heldFiles_ - static_cast<std::int64_t>(heldNames_.size());
    if (more > 0) names += " and " + std::to_string(more) + " more";
    notes.push_back(std::string(kNote) + std::to_string(heldFiles_) +
                    (heldFiles_ == 1 ? " file was open in " : " files were open in ") +
                    (programs.size() > 1 ? "other programs" : "another program") +
                    (programs.empty() ? "" : " (" + Joined(programs) + ")") + ": " + names + ". Close " +
                    (programs.size() > 1 ? "them" : "it") + " in the old account, then run the same migration again.");
  }
  if (fullFiles_ > 0) {
    const std::string drive = fullDrive_.empty() ? "the destination's drive" : fullDrive_;
    notes.push_back(std::string(kNote) + std::to_string(fullFiles_) + " files (" + SizeText(fullBytes_) +
                    ") could not be copied because the destination ran out of space: free space on " + drive +
                    ", then run the same migration again; it carries only what is missing.");
  }
  return notes;
}

}  // namespace ferrowin
