#include <gtest/gtest.h>

#include <stdexcept>

#include "printer/OptionMap.h"

namespace brimloft {
namespace {

TEST(ReplaceAll, RemovesEveryOccurrenceAndResumesAtTheRemovalPoint) {
  struct Case {
    std::string text, what, with, expected;
  };
  const Case cases[] = {
      {"psk:PageOrientation", "psk:", "", "PageOrientation"},
      {"ns0000:Floyd_Steinberg", "ns0000:", "", "Floyd_Steinberg"},
      {"Floyd_Stein_berg_", "_", "", "FloydSteinberg"},
      {"psk:psk:A", "psk:", "", "A"},
      // The scan goes on where the text was removed, so a name rebuilt by the removal stays.
      {"pspsk:k:X", "psk:", "", "psk:X"},
      {"PSK:A", "psk:", "", "PSK:A"},
      {"abc", "", "", "abc"},
      {"", "psk:", "", ""},
      // A replacement containing the searched text is not searched again.
      {"aXa", "a", "aa", "aaXaa"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ReplaceAll(text, c.what, c.with);
    EXPECT_EQ(c.expected, text) << c.text << " / " << c.what;
  }
}

TEST(OptionMap, LookupOfAnAbsentKeyIsEmptyAndDoesNotInsert) {
  OptionMap map;
  map.Assign("QVDither", "4x4");
  EXPECT_EQ("4x4", map.Lookup("QVDither"));
  EXPECT_EQ("", map.Lookup("QVBright"));
  EXPECT_EQ("", map.Lookup("qvdither"));
  EXPECT_EQ(1u, map.size());
}

TEST(OptionMap, StrictAccessOfAnAbsentKeyThrowsTheStandardOutOfRangeText) {
  OptionMap map;
  map.Assign("PageOrientation", "Landscape");
  EXPECT_EQ("Landscape", map.at("PageOrientation"));
  try {
    map.at("pageorientation");
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ("invalid map<K, T> key", e.what());
  }
  EXPECT_EQ(1u, map.size());
}

TEST(OptionMap, InsertIfAbsentKeepsTheFirstValueAndAssignReplaces) {
  OptionMap map;
  EXPECT_TRUE(map.InsertIfAbsent("printer", "RX2P"));
  EXPECT_FALSE(map.InsertIfAbsent("printer", "other"));
  EXPECT_EQ("RX2P", map.Lookup("printer"));
  map.Assign("printer", "ticket");
  EXPECT_EQ("ticket", map.Lookup("printer"));
  EXPECT_EQ(1u, map.size());
}

TEST(OptionMap, KeysAreOrderedByteByByteAsUnsignedWithPrefixesFirst) {
  OptionMap map;
  for (const char* key : {"b", "\xC3\xA9t\xC3\xA9", "ab", "a", "Z", "QVDither", "QVBright", "QV"}) {
    map.Assign(key, "v");
  }
  const std::vector<std::string> expected = {"QV", "QVBright", "QVDither", "Z", "a", "ab", "b",
                                             "\xC3\xA9t\xC3\xA9"};
  EXPECT_EQ(expected, map.Keys());
}

}  // namespace
}  // namespace brimloft
