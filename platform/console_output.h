// Text for whoever started the program from a console or a deployment tool.
// The program is a window program, so Windows gives it no console of its own:
// the text goes to the standard output the parent handed over (a pipe or a
// file), else to the parent's console, else nowhere.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace ferrowin {

class ConsoleOutput {
 public:
  ConsoleOutput();

  // Each line ends in CR LF: UTF-8 bytes to a pipe or a file, UTF-16 to a
  // console, so every name shows as it is.
  void WriteLines(const std::vector<std::string>& lines);
  void WriteLine(std::string_view line) { WriteLines({std::string(line)}); }

 private:
  enum class Target { None, Stream, Console };

  Target target_ = Target::None;
  HANDLE stream_ = nullptr;  // the standard output handle: the process's, never closed here
};

}  // namespace ferrowin
