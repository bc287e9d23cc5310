#include "migration/transfer_progress.h"

#include <utility>

namespace ferrowin {

void TransferProgress::SetStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  status_ = text;
  statusChanged_ = true;
}

void TransferProgress::AddLogLine(const std::string& line) {
  std::lock_guard lock(mutex_);
  logLines_.push_back(line);
}

std::optional<std::string> TransferProgress::TakeStatus() {
  std::lock_guard lock(mutex_);
  if (!statusChanged_) return std::nullopt;
  statusChanged_ = false;
  return status_;
}

std::vector<std::string> TransferProgress::TakeLogLines() {
  std::lock_guard lock(mutex_);
  return std::exchange(logLines_, {});
}

}  // namespace ferrowin
