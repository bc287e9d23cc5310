// A transfer view that remembers what the window would have shown.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "migration/transfer.h"

namespace ferrowin::test {

class RecordingTransferView : public TransferView {
 public:
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void AddLogLine(const std::string& line) override { log.push_back(line); }

  int StatusCount(const std::string& text) const {
    return static_cast<int>(std::count(statuses.begin(), statuses.end(), text));
  }

  std::vector<std::string> statuses;
  std::vector<std::string> log;
};

}  // namespace ferrowin::test
