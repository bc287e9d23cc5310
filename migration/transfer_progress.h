// What a transfer running on its own thread has for the window, kept until
// the window's thread takes it: the latest status, and the log lines in the
// order they came.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "migration/transfer.h"

namespace ferrowin {

class TransferProgress : public TransferView {
 public:
  void SetStatus(const std::string& text) override;
  void AddLogLine(const std::string& line) override;

  // The latest status, if it changed since it was last taken; the statuses
  // in between are gone (nobody could have read them).
  std::optional<std::string> TakeStatus();
  // Every log line added since the last call, in order.
  std::vector<std::string> TakeLogLines();

 private:
  std::mutex mutex_;
  std::string status_;
  bool statusChanged_ = false;
  std::vector<std::string> logLines_;
};

}  // namespace ferrowin
