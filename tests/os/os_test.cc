// The new file that replaces an output file whole: it is written beside the
// target under a name of its own, and either takes the target's place or
// goes, leaving nothing else behind in the directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "os/os.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::TempDir;

std::set<std::string> names_in(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.insert(e.path().filename().string());
  }
  return names;
}

TEST(Replacement, CommitPutsTheNewFileInPlaceAndDiscardLeavesTheOldOne) {
  const std::string bytes("new\r\nbytes\n\0\x1a end\r\n", 20);
  struct Case {
    std::string what;
    bool existing;  // the target is there before
    bool commit;
  };
  for (const Case& c : {Case{"replaced", true, true}, Case{"new name", false, true},
                        Case{"discarded", true, false}, Case{"new name discarded", false, false}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string target = dir.file("out.obs");
    if (c.existing) test::write_file(target, std::string(100000, '#'));
    os::Replacement r;
    ASSERT_TRUE(os::create_replacement(target, r));
    EXPECT_NE(r.temp, target);
    EXPECT_TRUE(test::file_exists(r.temp));
    ASSERT_TRUE(os::write_all(r.handle, bytes.data(), bytes.size()));
    if (c.commit) {
      ASSERT_TRUE(os::commit_replacement(r));
    } else {
      os::discard_replacement(r);
    }
    EXPECT_EQ(r.handle, os::kNoHandle);
    if (c.commit) {
      EXPECT_EQ(test::read_file(target), bytes);
    } else if (c.existing) {
      EXPECT_EQ(test::read_file(target), std::string(100000, '#'));
    }
    const bool target_left = c.existing || c.commit;
    EXPECT_EQ(names_in(dir),
              target_left ? std::set<std::string>{"out.obs"} : std::set<std::string>{});
  }
}

TEST(Replacement, OnlyARegularFileOrANewNameIsReplaced) {
  TempDir dir;
  ASSERT_TRUE(test::make_dir(dir.file("sub")));
  os::Replacement r;
  EXPECT_FALSE(os::create_replacement(dir.file("sub"), r));
  EXPECT_FALSE(os::create_replacement(dir.file("missing/out.obs"), r));
  EXPECT_FALSE(os::create_replacement("", r));
  EXPECT_EQ(r.handle, os::kNoHandle);
  EXPECT_EQ(names_in(dir), std::set<std::string>{"sub"});
}

}  // namespace
}  // namespace kivo
