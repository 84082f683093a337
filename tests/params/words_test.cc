// Word splitting of the line buffer and the blank trimming of names.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "params/params.h"

namespace kivo {
namespace {

std::vector<std::string> words(std::string_view rest, int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.emplace_back(next_word(rest));
  return out;
}

TEST(Words, SplitOnlyAtBlanks) {
  struct Case {
    std::string line;
    std::vector<std::string> want;
  };
  const std::vector<Case> cases = {
      {"900 z 1", {"900", "z", "1", ""}},
      {"900   z\t1   ", {"900", "z\t1", "", ""}},
      {"\t900 z", {"\t900", "z", ""}},
      {"a,b /c", {"a,b", "/c", ""}},
      {"", {"", ""}},
      {"   ", {"", ""}},  // left_adjusted is applied first below
  };
  for (const auto& c : cases) {
    EXPECT_EQ(words(left_adjusted(c.line), static_cast<int>(c.want.size())), c.want)
        << "line \"" << c.line << "\"";
  }
}

TEST(Words, BufferWithoutAnyBlankGivesEmptyWords) {
  const std::string full(kLineLength, '7');
  std::string_view rest = full;
  EXPECT_EQ(next_word(rest), "");
  EXPECT_EQ(rest.size(), kLineLength);
  EXPECT_EQ(next_word(rest), "");

  // One character short: the blank padding ends the word.
  const std::string shorter(kLineLength - 1, '7');
  rest = shorter;
  EXPECT_EQ(next_word(rest), shorter);
  EXPECT_EQ(next_word(rest), "");
}

TEST(Words, Trimming) {
  EXPECT_EQ(left_adjusted("  a b  "), "a b  ");
  EXPECT_EQ(left_adjusted("\t a"), "\t a");
  EXPECT_EQ(trimmed("  data file.txt   "), "data file.txt");
  EXPECT_EQ(trimmed(" \tx\t "), "\tx\t");
  EXPECT_EQ(trimmed("     "), "");
}

}  // namespace
}  // namespace kivo
