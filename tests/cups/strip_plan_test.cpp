// Pages cut into strips of at most 4,194,304 pixels.
#include <gtest/gtest.h>

#include <vector>

#include "host/cupsfilter/raster_rows.h"
#include "host/cupsfilter/strip_plan.h"

namespace brimloft::rasterfilter {
namespace {

TEST(StripPlan, RowsPerStripFollowFromTheWidth) {
  const struct {
    unsigned width;
    unsigned rows;
  } cases[] = {{1, 4194304}, {575, 7294}, {576, 7281}, {812, 5165}, {1024, 4096}, {4194303, 1}, {4194304, 1}};
  for (const auto& c : cases) EXPECT_EQ(StripRows(c.width), c.rows) << "width " << c.width;
}

TEST(StripPlan, RefusesAPageWithoutWidthOrWiderThanAStrip) {
  EXPECT_THROW(StripRows(0), host::HostError);
  try {
    PlanStrips(4194305, 1);
    ADD_FAILURE() << "accepted";
  } catch (const host::HostError& e) {
    EXPECT_STREQ(e.what(), "the page is 4194305 pixels wide, more than 4194304");
  }
}

TEST(StripPlan, CutsPagesTopToBottom) {
  using Plan = std::vector<StripSpan>;
  EXPECT_EQ(PlanStrips(812, 609), (Plan{{0, 609}}));
  EXPECT_EQ(PlanStrips(812, 8120), (Plan{{0, 5165}, {5165, 2955}}));
  EXPECT_EQ(PlanStrips(1024, 8192), (Plan{{0, 4096}, {4096, 4096}}));
  EXPECT_EQ(PlanStrips(1024, 8193), (Plan{{0, 4096}, {4096, 4096}, {8192, 1}}));
  EXPECT_EQ(PlanStrips(576, 0), Plan{});
  for (const StripSpan& strip : PlanStrips(4194304, 3)) EXPECT_EQ(strip.rows, 1u);
}

}  // namespace
}  // namespace brimloft::rasterfilter
