// The message lists of the subsystems against the docs: every message the
// code can print is documented in docs/parameters.md, in the section of
// where it goes, every documented one is in a list, and the manual page says
// what the docs say.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/doc_entries.h"
#include "tests/support/listed_messages.h"
#include "tests/support/testutil.h"
#include "textio/stop.h"

namespace kivo::test {
namespace {

std::string docs() {
  return read_file(std::string(KIVO_SOURCE_DIR) + "/docs/parameters.md");
}

// The docs section that lists the messages of a channel.
const char* section(Channel c) {
  switch (c) {
    case Channel::stop:
      return "Messages";
    case Channel::console:
      return "Console output";
    case Channel::standard_error:
      return "Lines on standard error";
  }
  return "";
}

// The docs and the lists hold the same texts, section by section, each once;
// every stop is documented under the phase of the run it belongs to.
TEST(Messages, TheDocsListExactlyTheMessagesOfTheLists) {
  const std::string md = docs();
  for (const Channel c : {Channel::stop, Channel::console, Channel::standard_error}) {
    std::multiset<std::string> in_docs, in_lists;
    for (const auto& e : md_entries(md_section(md, section(c)))) {
      in_docs.insert(e.text);
      if (c == Channel::stop) {
        EXPECT_FALSE(e.phase.empty()) << e.text;
      }
    }
    for (const Listed& m : listed_messages()) {
      if (m.channel == c) in_lists.insert(m.text);
    }
    for (const auto& t : in_lists) {
      EXPECT_EQ(in_docs.count(t), 1u)
          << "in the lists " << in_lists.count(t) << " times, in \"" << section(c)
          << "\" of docs/parameters.md " << in_docs.count(t) << " times: " << t;
    }
    for (const auto& t : in_docs) {
      EXPECT_EQ(in_lists.count(t), 1u) << "in \"" << section(c) << "\" of docs/parameters.md, "
                                       << in_lists.count(t) << " times in the lists: " << t;
    }
    EXPECT_GE(in_lists.size(), 10u) << section(c);
  }
}

// Every stop reaches the console once, as "Stop: <message>.", after the line
// that says where on standard error.
TEST(Messages, EveryStopReachesTheConsoleOnceWithItsStopAndFullStop) {
  for (const Listed& m : listed_messages()) {
    if (m.channel != Channel::stop) continue;
    Console console, errors;
    show_stop(console.file(), errors.file(), Stop{m.text, "kivo.in:3:1: where"});
    EXPECT_EQ(console.text(), "Stop: " + m.text + ".\n");
    EXPECT_EQ(errors.text(), "kivo.in:3:1: where\n");
  }
}

// No stop is written as a literal beside the lists: a stop text in the
// sources of the program is always one of a list's, taken by id.
TEST(Messages, NoStopTextIsALiteralOfTheSources) {
  for (const char* folder :
       {"driver", "params", "soundings", "output", "textio", "init", "os", "look"}) {
    const std::filesystem::path root = std::filesystem::path(KIVO_SOURCE_DIR) / folder;
    for (const auto& f : std::filesystem::recursive_directory_iterator(root)) {
      const std::string ext = f.path().extension().string();
      if (ext != ".cc" && ext != ".h") continue;
      const std::string src = read_file(f.path().string());
      for (const char* bare : {"estop(\"", "Stop{\""}) {
        EXPECT_EQ(src.find(bare), std::string::npos) << f.path() << " holds " << bare;
      }
    }
  }
}

// The manual page's lists say what the docs' tables say, entry by entry.
void expect_same_entries(const std::vector<Entry>& md, const std::vector<Entry>& man,
                         const std::string& section) {
  ASSERT_EQ(md.size(), man.size()) << section;
  for (std::size_t i = 0; i < md.size(); ++i) {
    EXPECT_EQ(man[i].text, md[i].text) << section << " entry " << i + 1;
    EXPECT_EQ(man[i].phase, md[i].phase) << md[i].text;
    EXPECT_EQ(man[i].explanation, md[i].explanation) << md[i].text;
  }
}

TEST(Messages, TheManualPageAgreesWithTheDocs) {
  const std::string md = docs();
  const std::string page = read_file(std::string(KIVO_SOURCE_DIR) + "/docs/kivo.1");
  expect_same_entries(md_entries(md_section(md, "Messages")), man_entries(page, "DIAGNOSTICS"),
                      "DIAGNOSTICS");
  auto console = md_entries(md_section(md, "Console output"));
  for (auto& e : console) e.phase.clear();
  expect_same_entries(console, man_entries(page, "CONSOLE OUTPUT"), "CONSOLE OUTPUT");
  expect_same_entries(md_entries(md_section(md, "Lines on standard error")),
                      man_entries(page, "STANDARD ERROR"), "STANDARD ERROR");
}

}  // namespace
}  // namespace kivo::test
