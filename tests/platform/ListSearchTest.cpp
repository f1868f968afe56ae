// Finding a stored name in a list to choose from.
#include "platform/ListSearch.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

TEST(ListSearch, ExactMatchFirstThenPrefixIgnoringAsciiCase) {
  const std::vector<std::string> book{"mobile-backup", "Mobile", "PPPoE光", "docomo"};
  const std::pair<const char*, int> cases[] = {
      {"Mobile", 1},          // exact wins over an earlier longer name
      {"mobile", 0},          // no exact match: the first that begins with it
      {"MOBILE-BACKUP", 0},
      {"pppoe", 2},           // ASCII case only; the rest compared as bytes
      {"PPPoE光", 2},
      {"dial", -1},
      {"", -1},
      {"docomo2", -1},
  };
  for (const auto& [name, index] : cases) EXPECT_EQ(findListEntry(book, name), index) << name;
  EXPECT_EQ(findListEntry({}, "x"), -1);
}

}  // namespace
}  // namespace karone
