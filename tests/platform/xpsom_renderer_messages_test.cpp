// The renderer's messages as the rasterization service keeps them for the host: per page, each
// once with its count, and bounded however many different things a page makes the renderer say.
#include <gtest/gtest.h>

#include <string>

#include "platform/renderer_messages.h"

namespace {

using platform::RendererMessages;

TEST(RendererMessages, APageThatSaysEverythingDifferentlyIsCutShortAndCounted) {
  RendererMessages messages;
  for (int i = 0; i < 150; ++i) messages.Add("/Pages/1.fpage", false, "glyph " + std::to_string(i) + " is missing");
  messages.Add("/Pages/2.fpage", true, "cannot load font");
  messages.Add("/Pages/1.fpage", false, "glyph 3 is missing");  // known: counted where it is
  messages.Repeat("/Pages/1.fpage", 4);                         // to the page's last warning
  const auto taken = messages.Take();
  ASSERT_EQ(RendererMessages::kDistinctPerPage + 2, taken.size());
  EXPECT_EQ(6u, taken[3].count);
  EXPECT_EQ("glyph 99 is missing", taken[99].text);
  EXPECT_EQ("further distinct messages of this page left out", taken[100].text);
  EXPECT_EQ(50u, taken[100].count);
  EXPECT_EQ("/Pages/2.fpage", taken[101].page);
  EXPECT_TRUE(taken[101].error);
  EXPECT_TRUE(messages.Take().empty());
}

}  // namespace
