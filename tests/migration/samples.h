// The samples of tests/migration/data (made by a real LZ4 compressor), copied
// from the source tree into a test's own folder.
#pragma once

#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin::test {
inline bool CopySamples(const TestFolder& folder) {
  return RunOnHost("cp " + ShellQuote(FERROWIN_SAMPLES) + "/* " + ShellQuote(HostPath(folder.Path()))) == 0;
}
}  // namespace ferrowin::test
