// One piece of work on a thread of its own, which the window's thread can
// wait for without stopping: its event is set once the work has ended.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <thread>

#include "platform/handles.h"

namespace ferrowin {

class BackgroundTask {
 public:
  // Starts the work at once.
  explicit BackgroundTask(std::function<void()> work);
  // Waits for the work: it must never outlive what it uses.
  ~BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  // Set (manual reset) once the work has ended.
  HANDLE DoneEvent() const { return done_.Get(); }
  bool Done() const { return WaitForSingleObject(done_.Get(), 0) == WAIT_OBJECT_0; }

  // Waits for the thread to end, and throws again what the work threw.
  void Finish();

 private:
  UniqueKernelHandle done_;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace ferrowin
