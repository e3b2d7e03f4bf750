// The PPD files compiled from host/cupsfilter/ppd/brimloft.drv offer exactly what the printer
// descriptions offer.
#include <gtest/gtest.h>

#include <algorithm>

// The PPD interface is marked deprecated in libcups; it is still how PPD files are read.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "host/cupsfilter/ppd_settings.h"
#include "platform/printer_description.h"

namespace brimloft::rasterfilter {
namespace {

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const noexcept { ppdClose(ppd); }
};

std::vector<std::string> Choices(ppd_file_t* ppd, const char* option) {
  std::vector<std::string> names;
  if (ppd_option_t* o = ppdFindOption(ppd, option)) {
    for (int i = 0; i < o->num_choices; ++i) names.push_back(o->choices[i].choice);
  }
  return names;
}

TEST(PpdFiles, OfferThePrintersRollsResolutionAndOptionsWithTheirDefaults) {
#ifndef BRIMLOFT_PPD_DIR
  GTEST_SKIP() << "the PPD files were not compiled (no ppdc)";
#else
  for (const char* variant : {"RX1P", "RX1Q", "RX2P", "RX2Q", "RX3P", "RX3Q"}) {
    SCOPED_TRACE(variant);
    std::string file = variant;
    for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string path = std::string(BRIMLOFT_PPD_DIR) + "/brimloft-" + file + ".ppd";
    const platform::PrinterDescription printer = platform::BuiltInPrinterDescription(variant);

    const PpdSettings settings = ReadPpdSettings(path);
    EXPECT_EQ(settings.variant, variant);
    std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpenFile(path.c_str()));
    ASSERT_TRUE(ppd);
    for (const platform::PrinterFeature& feature : printer.features) {
      std::vector<std::string> offered;
      for (const auto& option : feature.options) offered.push_back(option.name);
      if (feature.isPrivate) {
        EXPECT_EQ(Choices(ppd.get(), feature.name.c_str()), offered) << feature.name;
        EXPECT_EQ(settings.defaults.at(feature.name), feature.defaultOption) << feature.name;
      } else if (feature.name == "PageMediaSize") {
        // The printer's custom size is the PPD's: any other length of the roll.
        std::replace(offered.begin(), offered.end(), std::string("CustomMediaSize"), std::string("Custom"));
        EXPECT_EQ(Choices(ppd.get(), "PageSize"), offered);
        EXPECT_TRUE(ppd->variable_sizes);
        EXPECT_EQ(settings.defaults.at("PageSize"), feature.defaultOption);
        for (const auto& option : feature.options) {
          if (!option.parameterRefs.empty()) continue;
          // Sizes in points from the widths and lengths in micrometres, to a hundredth of a point.
          const ppd_size_t* size = ppdPageSize(ppd.get(), option.name.c_str());
          ASSERT_NE(size, nullptr) << option.name;
          EXPECT_NEAR(size->width, option.scoredProperties.at(0).second * 72.0 / 25400.0, 0.01)
              << option.name;
          EXPECT_NEAR(size->length, option.scoredProperties.at(1).second * 72.0 / 25400.0, 0.01)
              << option.name;
        }
      }
    }
    EXPECT_EQ(Choices(ppd.get(), "Resolution"), std::vector<std::string>{"203dpi"});
    const ppd_attr_t* filter = ppdFindAttr(ppd.get(), "cupsFilter", nullptr);
    ASSERT_NE(filter, nullptr);
    EXPECT_STREQ(filter->value, "application/vnd.cups-raster 0 rastertobrimloft");
  }
#endif
}

}  // namespace
}  // namespace brimloft::rasterfilter
