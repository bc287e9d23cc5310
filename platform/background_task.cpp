#include "platform/background_task.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace ferrowin {

BackgroundTask::BackgroundTask(std::function<void()> work) : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!done_) throw std::runtime_error("Could not start the work: no event (Windows error " +
                                       std::to_string(GetLastError()) + ").");
  thread_ = std::thread([this, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      failure_ = std::current_exception();
    }
    SetEvent(done_.Get());
  });
}

BackgroundTask::~BackgroundTask() {
  if (thread_.joinable()) thread_.join();
}

void BackgroundTask::Finish() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace ferrowin
