// The printer features of a CUPS job: job options over PPD defaults over the printer's own.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/cupsfilter/job_options.h"

namespace brimloft::rasterfilter {
namespace {

const platform::PrinterDescription& Rx2p() {
  static const platform::PrinterDescription printer = platform::BuiltInPrinterDescription("RX2P");
  return printer;
}

TEST(JobOptions, WithoutOptionsEveryFeatureTakesThePrintersDefault) {
  const ResolvedFeatures r = ResolveFeatures(Rx2p(), {}, {});
  const OptionTable expected = {{"PageMediaSize", "Roll72x102"},
                                {"PageOrientation", "Portrait"},
                                {"PageResolution", "Resolution203"},
                                {"QVBright", "normal"},
                                {"QVCutType", "T"},
                                {"QVDither", "None"},
                                {"QVPrintContinuous", "N"},
                                {"QVPrintType", "Vertical"}};
  EXPECT_EQ(r.features, expected);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(JobOptions, JobOptionsOverridePpdDefaults) {
  const OptionTable ppd = {
      {"QVDither", "2x2"}, {"QVCutType", "P"}, {"QVBright", "forte"}, {"PageSize", "Roll76x152"}};
  const OptionTable job = {{"QVDither", "FloydSteinberg"},
                           {"QVPrintContinuous", "S"},
                           {"QVPrintType", "Horizontal"},
                           {"copies", "1"},
                           {"job-uuid", "urn:uuid:1"}};
  const ResolvedFeatures r = ResolveFeatures(Rx2p(), ppd, job);
  EXPECT_EQ(r.features.at("QVDither"), "FloydSteinberg");
  EXPECT_EQ(r.features.at("QVCutType"), "P");
  EXPECT_EQ(r.features.at("QVBright"), "forte");
  EXPECT_EQ(r.features.at("QVPrintContinuous"), "S");
  EXPECT_EQ(r.features.at("QVPrintType"), "Horizontal");
  EXPECT_EQ(r.features.at("PageMediaSize"), "Roll76x152");
  EXPECT_EQ(r.features.count("copies"), 0u);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(JobOptions, OptionsTheFeatureLacksAreWarnedAboutAndFallBack) {
  // Names compare exactly: a lower-case "s" is not continuous printing.
  const OptionTable ppd = {{"QVDither", "4x4"}, {"QVBright", "darkest"}};
  const OptionTable job = {{"QVPrintContinuous", "s"}, {"QVDither", "floydsteinberg"}, {"QVBright", ""}};
  const ResolvedFeatures r = ResolveFeatures(Rx2p(), ppd, job);
  EXPECT_EQ(r.features.at("QVPrintContinuous"), "N");
  EXPECT_EQ(r.features.at("QVDither"), "4x4");
  EXPECT_EQ(r.features.at("QVBright"), "normal");
  const std::vector<std::string> expected = {
      "feature QVBright has no value \"\" (its values: fraco, mfraco, normal, mforte, forte); printing with "
      "normal",
      "feature QVDither has no value floydsteinberg; did you mean FloydSteinberg? (its values: None, "
      "FloydSteinberg, 2x2, 4x4); printing with 4x4",
      "feature QVPrintContinuous has no value s; did you mean S? (its values: N, S); printing with N"};
  std::vector<std::string> warnings = r.warnings;
  std::sort(warnings.begin(), warnings.end());
  EXPECT_EQ(warnings, expected);
}

TEST(JobOptions, PageSizeComesFromTheJobThenMediaThenThePpd) {
  const OptionTable ppd = {{"PageSize", "Roll76x102"}};
  EXPECT_EQ(ResolveFeatures(Rx2p(), ppd, {}).features.at("PageMediaSize"), "Roll76x102");
  EXPECT_EQ(ResolveFeatures(Rx2p(), ppd, {{"PageSize", "Roll72x152"}}).features.at("PageMediaSize"),
            "Roll72x152");
  EXPECT_EQ(
      ResolveFeatures(Rx2p(), ppd, {{"media", "Custom.72x300mm,Roll76x152"}}).features.at("PageMediaSize"),
      "Roll76x152");
  // A custom or foreign size prints on the printer's default roll, without a warning.
  const ResolvedFeatures custom =
      ResolveFeatures(Rx2p(), {{"PageSize", "A4"}}, {{"PageSize", "Custom.72x300mm"}});
  EXPECT_EQ(custom.features.at("PageMediaSize"), "Roll72x102");
  EXPECT_TRUE(custom.warnings.empty());
  // Another head's roll is no size of this printer.
  EXPECT_EQ(ResolveFeatures(Rx2p(), {}, {{"PageSize", "Roll104x102"}}).features.at("PageMediaSize"),
            "Roll72x102");
}

TEST(JobOptions, OrientationStaysPortraitBecauseCupsTurnsLandscapePages) {
  const OptionTable job = {
      {"landscape", ""}, {"orientation-requested", "4"}, {"PageOrientation", "Landscape"}};
  EXPECT_EQ(ResolveFeatures(Rx2p(), {}, job).features.at("PageOrientation"), "Portrait");
}

TEST(JobOptions, EveryVariantGetsItsOwnRolls) {
  const struct {
    const char* variant;
    const char* roll;
  } cases[] = {{"RX1P", "Roll51x102"},
               {"RX1Q", "Roll51x102"},
               {"RX2Q", "Roll72x102"},
               {"RX3P", "Roll102x102"},
               {"RX3Q", "Roll102x102"}};
  for (const auto& c : cases) {
    const auto printer = platform::BuiltInPrinterDescription(c.variant);
    EXPECT_EQ(ResolveFeatures(printer, {}, {}).features.at("PageMediaSize"), c.roll) << c.variant;
  }
}

}  // namespace
}  // namespace brimloft::rasterfilter
