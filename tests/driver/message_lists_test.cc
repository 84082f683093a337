// The message lists of the subsystems against the docs: every message the
// code can print is documented in docs/parameters.md, in the section of
// where it goes, and the manual page says what the docs say.
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

std::set<std::string> documented(Channel c) {
  std::set<std::string> out;
  for (const auto& e : md_entries(md_section(docs(), section(c)))) out.insert(e.text);
  return out;
}

TEST(Messages, EveryListedMessageIsDocumentedOnce) {
  std::set<std::pair<Channel, std::string>> seen;
  for (const Listed& m : listed_messages()) {
    EXPECT_TRUE(documented(m.channel).count(m.text))
        << "not in the section \"" << section(m.channel) << "\" of docs/parameters.md: " << m.text;
    EXPECT_TRUE(seen.insert({m.channel, m.text}).second) << "listed twice: " << m.text;
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
