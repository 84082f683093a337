// The console of a run as the end-to-end tests expect it: the fixed progress
// lines of a run over "kivo.in", "data.txt" and "out.obs", and the builders of
// whole console texts.
#pragma once

#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace kivo::test {

inline const std::string kReadingParams = " Reading column parameters from \"kivo.in\".";
inline const std::string kReadingData = " Reading data from \"data.txt\".";
inline const std::string kNoThinning = " No averaging nor decimation to be applied.";
inline const std::string kWritingOut = " Writing data to \"out.obs\".";

// The line of a fatal stop.
inline std::string stop(const std::string& message) {
  return "Stop: " + message + ".";
}

// The banner, then the given lines.
inline std::string shown(const std::vector<std::string>& ls) {
  std::string s = lines({});
  for (const auto& l : ls) s += l + "\n";
  return s;
}

// The count line of the counting pass.
inline std::string found(long s, const std::string& name = "data.txt") {
  std::string t = " ";  // built in steps: GCC 12 warns wrongly about " " + a temporary
  t += std::to_string(s);
  return t + " soundings found in \"" + name + "\".";
}

// A fresh directory holding "kivo.in" and "data.txt".
inline void set_up(const TempDir& dir, const std::string& kivo_in, const std::string& data) {
  write_file(dir.file("kivo.in"), kivo_in);
  write_file(dir.file("data.txt"), data);
}

}  // namespace kivo::test
