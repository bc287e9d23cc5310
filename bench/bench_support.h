// What the benchmarks share: a stopwatch, timing host commands, memory.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <string>

#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin::bench {

class Stopwatch {
 public:
  Stopwatch() { QueryPerformanceCounter(&start_); }
  double Seconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
  }

 private:
  LARGE_INTEGER start_;
};

// How long a host shell command takes, measured by the host itself, so the
// cost of reaching the host from Wine is left out.
inline double TimeOnHost(const std::string& command) {
  const std::string result = "C:\\ferrowin-bench-host-time.txt";
  test::RunOnHost("s=$(date +%s%N); " + command + " >/dev/null 2>&1; e=$(date +%s%N); echo $(( (e - s) / 1000 )) > " +
                      test::ShellQuote(test::HostPath(result)),
                  600000);
  std::string micros = test::ReadWholeFile(result);
  DeleteFileW(L"C:\\ferrowin-bench-host-time.txt");
  return micros.empty() ? -1 : std::stod(micros) / 1e6;
}

// The host's view of this process (Wine's part and ours): its resident
// high-water mark, VmHWM, read from the host's /proc; -1 when it cannot be
// read. Not through \\?\unix\proc\self: Wine's server opens files for the
// process, so "self" there is the server.
inline double ResidentPeakMegabytes() {
  wchar_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring name = own;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  const std::string result = "C:\\ferrowin-bench-vmhwm.txt";
  test::RunOnHost("grep VmHWM /proc/$(pgrep -of " + test::ShellQuote(std::string(name.begin(), name.end())) +
                      ")/status | tr -dc 0-9 > " + test::ShellQuote(test::HostPath(result)),
                  60000);
  const std::string kilobytes = test::ReadWholeFile(result);
  DeleteFileW(L"C:\\ferrowin-bench-vmhwm.txt");
  return kilobytes.empty() ? -1 : std::stod(kilobytes) / 1024.0;
}

inline double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

inline void Report(const char* what, double value, const char* unit) { std::printf("%-58s %10.3f %s\n", what, value, unit); }

// Asks a window every 20 ms, from a thread of its own, whether it answers,
// and keeps the longest it took, for as long as the object lives.
class Pinger {
 public:
  explicit Pinger(HWND window)
      : thread_([this, window] {
          while (!done_) {
            Stopwatch watch;
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            longest_ = std::max(longest_.load(), watch.Seconds());
            ++pings_;
            Sleep(20);
          }
          ended_ = true;
        }) {}
  ~Pinger() { Stop(); }
  // Called on the window's thread: it answers the last ping while it waits.
  void Stop() {
    done_ = true;
    while (!ended_) {
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
      Sleep(1);
    }
    if (thread_.joinable()) thread_.join();
  }
  double LongestMs() const { return longest_ * 1000; }
  int Pings() const { return pings_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> ended_{false};
  std::atomic<double> longest_{0};
  std::atomic<int> pings_{0};
  std::thread thread_;
};

}  // namespace ferrowin::bench
