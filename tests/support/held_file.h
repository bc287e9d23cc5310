// A file held open without sharing by another process (built from
// file_holder.cpp), for as long as the object lives or until Release.
#pragma once

#include <string>

#include "platform/handles.h"

namespace ferrowin::test {

class HeldFile {
 public:
  // Waits until the file is held; Held() says whether it is.
  explicit HeldFile(const std::string& path);
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool Held() const { return held_; }
  // Ends the holder and waits until it has gone.
  void Release();

 private:
  ScopedProcessInformation process_;
  bool held_ = false;
};

}  // namespace ferrowin::test
