// Regressions found by fuzzing the field writer: values exactly halfway
// between two roundings, in short digit counts, through both the field
// writer and its std::to_chars path. (43.5 with 2 digits once came out as
// "45." from the to_chars path.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textio/writer.h"

namespace kivo {
namespace {

struct Tie {
  float v;
  int w;
  int d;
  std::string want;
};

TEST(RegressFields, TiesRoundAwayFromZeroInEveryPath) {
  const std::vector<Tie> ties = {
      {43.5f, 12, 2, "     44.    "},
      {-43.5f, 12, 2, "    -44.    "},
      {2.5f, 7, 1, " 3.    "},
      {-2.5f, 7, 1, "-3.    "},
      {0.125f, 10, 2, "  0.13    "},
      {1.03125f, 13, 5, "   1.0313    "},
      {512370.3125f, 17, 9, "   512370.313    "},
      {9.5f, 7, 1, "0.1E+02"},
  };
  for (const Tie& t : ties) {
    char buf[32];
    EXPECT_EQ(std::string(buf, put_general(buf, t.w, t.d, t.v)), t.want) << t.v << " d " << t.d;
    EXPECT_EQ(std::string(buf, detail::put_general_tochars(buf, t.w, t.d, t.v)), t.want)
        << t.v << " d " << t.d << " (to_chars path)";
  }
}

}  // namespace
}  // namespace kivo
