// The migration log as a file that outlives the window: a technician, or the
// next one, can read what a migration did long after the program has ended,
// and a crash or a power cut keeps every line written before it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace ferrowin {

struct LogFileHeader {
  std::string program;         // name and version: "Ferrowin version 14"
  std::string computer;        // ComputerName()
  std::string windowsVersion;  // WindowsVersionText()
  std::string source;          // the old profile's folder
  std::string destination;     // the account that receives the data
  bool moving = false;         // moved within one drive, or copied
  SYSTEMTIME start{};          // local time
};

struct LogFileSummary {
  std::int64_t files = 0;  // carried
  std::int64_t bytes = 0;  // carried
  std::int64_t leftBehind = 0;
  std::int64_t failed = 0;
  std::int64_t milliseconds = 0;
};

// %ProgramData%\Ferrowin\Logs; empty when Windows names no ProgramData folder.
std::string DefaultLogFolder();

// "Summary: 1234 files (56 MB) carried, 3 entries left behind, 1 entries
// failed, in 2 min 5 s."
std::string LogSummaryLine(const LogFileSummary& summary);

// One log file, "YYYY-MM-DD HH.MM.SS SOURCE to DEST.log", never replacing an
// older one: UTF-8 with a byte-order mark and CR LF line ends, so that
// Notepad on any Windows shows every name, readable by others while it is
// written. Where it cannot be saved the migration goes on without it.
class MigrationLogFile {
 public:
  // Makes `folder` when missing and the log in it, header first; where that
  // fails, in the temporary folder. The names are the old profile's folder
  // (or its path) and the destination account.
  MigrationLogFile(const LogFileHeader& header, const std::string& sourceName, const std::string& destinationName,
                   const std::string& folder = DefaultLogFolder());
  MigrationLogFile(MigrationLogFile&&) noexcept = default;
  MigrationLogFile& operator=(MigrationLogFile&&) noexcept = default;

  // True while every line so far is in the file at Path(); otherwise
  // FailureReason() says why, and Append does nothing.
  bool Saved() const { return saved_; }
  const std::string& Path() const { return path_; }
  const std::string& FailureReason() const { return failureReason_; }

  // Writes the lines through to the disk before it returns.
  void Append(const std::vector<std::string>& lines);
  // The summary line; the file is closed, and later lines go nowhere.
  void Finish(const LogFileSummary& summary);

 private:
  std::string TryFolder(const std::string& folder, const std::string& name, const std::string& headerText);
  DWORD CreateLog(const std::string& folder, const std::string& name);
  DWORD Write(std::string_view bytes);

  File file_;
  std::string path_;
  std::string failureReason_;
  bool saved_ = false;
};

// "NOTE: This log is saved as PATH" or "NOTE: This log could not be saved:
// REASON", for the log itself.
std::string LogFileNote(const MigrationLogFile& log);

}  // namespace ferrowin
