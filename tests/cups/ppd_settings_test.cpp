// The variant and the default choices that the filter reads from the queue's PPD file.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes/scratch_folder.h"
#include "host/cupsfilter/ppd_settings.h"
#include "raster_fixture.h"

namespace brimloft::rasterfilter {
namespace {

using testing::WritePpd;

std::string ErrorOf(const std::string& path) {
  try {
    ReadPpdSettings(path);
  } catch (const host::HostError& e) {
    return e.what();
  }
  return "no error";
}

TEST(PpdSettings, ReadsTheVariantAndTheDefaultsOfThePassedOptions) {
  fakes::ScratchFolder folder;
  const std::string path = folder.file("printer.ppd");
  WritePpd(path, "RX3Q",
           {{"QVDither", "FloydSteinberg"},
            {"QVCutType", "S"},
            {"PageSize", "Roll104x152"},
            {"ColorModel", "Gray"}});
  const PpdSettings settings = ReadPpdSettings(path);
  EXPECT_EQ(settings.variant, "RX3Q");
  const OptionTable expected = {
      {"PageSize", "Roll104x152"}, {"QVCutType", "S"}, {"QVDither", "FloydSteinberg"}};
  EXPECT_EQ(settings.defaults, expected);
}

TEST(PpdSettings, RefusesMissingForeignAndBrokenFiles) {
  fakes::ScratchFolder folder;
  const std::string missing = folder.file("missing.ppd");
  EXPECT_EQ(ErrorOf(missing), "cannot open the PPD file " + missing);

  const std::string noVariant = folder.file("novariant.ppd");
  WritePpd(noVariant, "");
  EXPECT_EQ(ErrorOf(noVariant), "the PPD file " + noVariant + " names no printer variant (*BrimloftVariant)");

  const std::string unknown = folder.file("unknown.ppd");
  WritePpd(unknown, "RX9Z");
  EXPECT_EQ(ErrorOf(unknown), "the PPD file " + unknown + " names the unknown printer variant \"RX9Z\"");

  const std::string broken = folder.file("broken.ppd");
  std::ofstream(broken) << "this is no PPD file\n";
  const std::string message = ErrorOf(broken);
  EXPECT_EQ(message.rfind("the PPD file " + broken + " is not valid: ", 0), 0u) << message;
  EXPECT_NE(message.find(" on line 1"), std::string::npos) << message;
}

}  // namespace
}  // namespace brimloft::rasterfilter
