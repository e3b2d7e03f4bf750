#include <gtest/gtest.h>

#include <prntvpt.h>

#include <platform/printer_description.h>

#include "fakes/scratch_folder.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace brimloft {
namespace {

using platform::FeatureScope;

TEST(PrinterDescription, BuiltInVariantsOfferTheirHeadsRollsAndTheSharedFeatures) {
  struct Case {
    const char* variant;
    int narrowRoll;
  };
  for (const Case c : {Case{"RX1P", 50800}, Case{"RX1Q", 50800}, Case{"RX2P", 72000}, Case{"RX2Q", 72000},
                       Case{"RX3P", 101600}, Case{"RX3Q", 101600}}) {
    const auto printer = platform::FindPrinter(std::string(c.variant));
    ASSERT_TRUE(printer) << c.variant;
    EXPECT_EQ(c.variant, printer->variant);
    const auto* media = printer->FindFeature(false, "PageMediaSize");
    ASSERT_NE(nullptr, media);
    EXPECT_EQ(c.narrowRoll, media->Default().scoredProperties.at(0).second);
    EXPECT_EQ("MediaSizeWidth", media->Default().scoredProperties.at(0).first);
    const auto* resolution = printer->FindFeature(false, "PageResolution");
    ASSERT_NE(nullptr, resolution);
    EXPECT_EQ(203, resolution->Default().scoredProperties.at(0).second);
    EXPECT_EQ(203, resolution->Default().scoredProperties.at(1).second);
    ASSERT_NE(nullptr, printer->FindFeature(false, "PageOrientation"));
    for (const char* name : {"QVPrintContinuous", "QVPrintType", "QVCutType", "QVDither", "QVBright"}) {
      EXPECT_NE(nullptr, printer->FindFeature(true, name)) << name;
      EXPECT_EQ(nullptr, printer->FindFeature(false, name)) << name;
    }
    EXPECT_EQ(FeatureScope::Job, printer->FindFeature(true, "QVPrintContinuous")->scope);
    EXPECT_NE(nullptr, printer->FindFeature(true, "QVDither")->FindOption("2x2"));
    EXPECT_NE(nullptr, printer->FindFeature(true, "QVBright")->FindOption("mfraco"));
  }
  EXPECT_FALSE(platform::FindPrinter(std::string("RX4P")));
  EXPECT_THROW(platform::BuiltInPrinterDescription("RX4P"), std::invalid_argument);
}

TEST(PrinterDescription, DefaultTicketAppliesOptionsAndRefusesUnknownOnes) {
  const auto printer = platform::BuiltInPrinterDescription("RX2Q");
  const std::string ticket = platform::DefaultTicketXml(printer, {{"QVDither", "4x4"}, {"PageOrientation", "Landscape"}});
  EXPECT_NE(std::string::npos, ticket.find("<psf:Option name=\"ns0000:_4x4\" />"));
  EXPECT_NE(std::string::npos, ticket.find("<psf:Option name=\"psk:Landscape\" />"));
  EXPECT_NE(std::string::npos, ticket.find("<psf:Value xsi:type=\"xsd:integer\">72000</psf:Value>"));
  EXPECT_THROW(platform::DefaultTicketXml(printer, {{"QVDither", "8x8"}}), std::invalid_argument);
  EXPECT_THROW(platform::DefaultTicketXml(printer, {{"Duplex", "On"}}), std::invalid_argument);
}

class DescriptionFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) {
    const std::string path = folder_.file("printer.xml");
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fakes::ScratchFolder folder_;
};

TEST_F(DescriptionFile, ReadsAPrinterThatTheProviderThenServes) {
  const std::string path = Write(
      "<Printer name='Shop Counter' variant='RX2P' namespace='urn:example:counter'>\n"
      "  <Feature name='PageMediaSize' scope='Page' default='Roll80'>\n"
      "    <Option name='Roll58' private='true'><ScoredProperty name='MediaSizeWidth' value='58000'/></Option>\n"
      "    <Option name='Roll80' private='true'><ScoredProperty name='MediaSizeWidth' value='80000'/></Option>\n"
      "  </Feature>\n"
      "  <Feature name='QVCutType' private='true' scope='Job'><Option name='S'/><Option name='P'/></Feature>\n"
      "</Printer>\n");
  const auto printer = platform::LoadPrinterDescription(path);
  EXPECT_EQ("Shop Counter", printer.name);
  EXPECT_EQ("RX2P", printer.variant);
  ASSERT_EQ(2u, printer.features.size());
  EXPECT_EQ("Roll80", printer.features[0].defaultOption);
  EXPECT_EQ(80000, printer.features[0].Default().scoredProperties.at(0).second);
  EXPECT_EQ("S", printer.features[1].defaultOption);
  EXPECT_EQ(FeatureScope::Job, printer.features[1].scope);

  platform::RegisterPrinter(printer);
  DWORD version = 0;
  EXPECT_EQ(S_OK, PTQuerySchemaVersionSupport(L"Shop Counter", &version));
  const std::string ticket = platform::DefaultTicketXml(printer);
  EXPECT_NE(std::string::npos, ticket.find("xmlns:ns0000=\"urn:example:counter\""));
  EXPECT_NE(std::string::npos, ticket.find("<psf:Option name=\"ns0000:Roll80\">"));
  EXPECT_TRUE(platform::UnregisterPrinter("Shop Counter"));
  EXPECT_FALSE(platform::UnregisterPrinter("Shop Counter"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), PTQuerySchemaVersionSupport(L"Shop Counter", &version));
}

TEST_F(DescriptionFile, RefusesBrokenDescriptionsSayingWhy) {
  const std::pair<const char*, const char*> kCases[] = {
      {"<Printer", "not well-formed"},
      {"<Device/>", "root element is not <Printer>"},
      {"<Printer variant='RX1P' namespace='urn:x'/>", "needs a name attribute"},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F'/></Printer>", "feature F has no option"},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F' default='Z'><Option name='A'/></Feature></Printer>",
       "default Z of feature F is none of its options"},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F' scope='Sheet'><Option name='A'/></Feature></Printer>",
       "scope \"Sheet\""},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F'><Option name='a b'/></Feature></Printer>",
       "\"a b\" is not usable"},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F'><Option name='A'><ScoredProperty name='W' value='9x'/></Option></Feature></Printer>",
       "\"9x\" is not an integer"},
      {"<Printer name='a' variant='RX1P' namespace='urn:x'><Feature name='F'><Option name='A'/></Feature><Feature name='F'><Option name='A'/></Feature></Printer>",
       "described twice"},
  };
  for (const auto& [content, saying] : kCases) {
    try {
      platform::LoadPrinterDescription(Write(content));
      ADD_FAILURE() << content;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find(saying)) << e.what();
    }
  }
  EXPECT_THROW(platform::LoadPrinterDescription(folder_.file("absent.xml")), std::runtime_error);
}

}  // namespace
}  // namespace brimloft
