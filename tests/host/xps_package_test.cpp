// The document structure read from real and bundled packages: sequence, documents, pages,
// tickets and required resources, and the errors of packages that break the structure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "host/failures/host_error.h"
#include "host/package/package_writer.h"
#include "host/package/xps_package.h"
#include "host_test_util.h"


namespace {

using host::ResourceKind;

std::shared_ptr<host::XpsPackage> PackExample(const host_test::ScratchDir& dir, const std::string& name) {
  host::PackOptions options;
  options.extraParts = {{"/Resources/Fonts/DejaVuSansMono.ttf", host_test::kMonoFont},
                        {"/Resources/Fonts/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf", host_test::kSansFont}};
  host::PackFolder(host_test::ExampleFolder(name), dir.File(name + ".xps"), options);
  return host::XpsPackage::Open(dir.File(name + ".xps"));
}

TEST(XpsPackage, SlideDeckSampleWithUtf16Parts) {
  const auto package = host::XpsPackage::Open(host_test::SamplePath("testPPT.xps"));
  const host::SequenceEntry& seq = package->Sequence();
  EXPECT_EQ(seq.name, "/FixedDocSeq.fdseq");
  EXPECT_FALSE(seq.ticket);
  ASSERT_EQ(seq.documents.size(), 1u);
  EXPECT_EQ(seq.documents[0].name, "/Documents/1/FixedDoc.fdoc");
  ASSERT_EQ(seq.documents[0].pages.size(), 3u);
  EXPECT_EQ(package->PageCount(), 3u);
  for (int p = 0; p < 3; ++p) {
    const host::PageEntry& page = seq.documents[0].pages[p];
    EXPECT_EQ(page.name, "/Documents/1/Pages/" + std::to_string(p + 1) + ".fpage");
    EXPECT_FALSE(page.ticket);
    ASSERT_EQ(page.resources.size(), 1u) << page.name;  // the story fragment is no resource
    EXPECT_EQ(page.resources[0].name, "/Resources/48230029-18BE-6784-E14A-6C3DD62CAE72.odttf");
    EXPECT_EQ(page.resources[0].kind, ResourceKind::ObfuscatedFont);
  }
}

TEST(XpsPackage, StreamingSampleWithTicketsOnTwoLevels) {
  const auto package = host::XpsPackage::Open(host_test::SamplePath("testXPSWithDataDescriptor.xps"));
  const host::SequenceEntry& seq = package->Sequence();
  EXPECT_EQ(seq.ticket.value_or(""), "/Metadata/Job_PT.xml");
  ASSERT_EQ(seq.documents.size(), 1u);
  EXPECT_EQ(seq.documents[0].ticket.value_or(""), "/Metadata/MXDC_Empty_PT.xml");
  ASSERT_EQ(seq.documents[0].pages.size(), 1u);
  const host::PageEntry& page = seq.documents[0].pages[0];
  EXPECT_FALSE(page.ticket);
  ASSERT_EQ(page.resources.size(), 1u);
  EXPECT_EQ(page.resources[0].contentType, "application/vnd.ms-package.obfuscated-opentype");
  EXPECT_EQ(package->ContentTypeOf("/Documents/1/Metadata/Page1_Thumbnail.JPG"), "image/jpeg");
}

TEST(XpsPackage, BundledTwoDocumentJob) {
  host_test::ScratchDir dir;
  const auto package = PackExample(dir, "two-documents");
  const host::SequenceEntry& seq = package->Sequence();
  EXPECT_EQ(seq.ticket.value_or(""), "/Metadata/Job_PT.xml");
  ASSERT_EQ(seq.documents.size(), 2u);
  EXPECT_EQ(seq.documents[0].ticket.value_or(""), "/Documents/1/Metadata/Document_PT.xml");
  EXPECT_FALSE(seq.documents[1].ticket);
  EXPECT_FALSE(seq.documents[0].pages[0].ticket);
  EXPECT_EQ(seq.documents[0].pages[1].ticket.value_or(""), "/Documents/1/Metadata/Page2_PT.xml");
  EXPECT_EQ(seq.documents[1].pages[1].name, "/Documents/2/Pages/2.fpage");
  EXPECT_EQ(package->PageCount(), 4u);
}

TEST(XpsPackage, PageLimitCountsPagesAcrossDocuments) {
  host_test::ScratchDir dir;
  PackExample(dir, "two-documents");  // four pages, two in each document
  host::PackageLimits limits;
  limits.maxPages = 4;
  EXPECT_EQ(host::XpsPackage::Open(dir.File("two-documents.xps"), limits)->PageCount(), 4u);
  limits.maxPages = 3;  // trips in the second document
  try {
    host::XpsPackage::Open(dir.File("two-documents.xps"), limits);
    ADD_FAILURE() << "a fourth page was accepted";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.hr(), host::HrTooLarge());
    EXPECT_STREQ(e.what(), "/Documents/2/FixedDocument.fdoc: the job has more than 3 pages, the most a job may have");
  }
}

TEST(XpsPackage, ReceiptResourcesInRelationshipOrder) {
  host_test::ScratchDir dir;
  const auto package = PackExample(dir, "receipt");
  const auto& res = package->Sequence().documents.at(0).pages.at(0).resources;
  ASSERT_EQ(res.size(), 2u);
  EXPECT_EQ(res[0].name, "/Resources/Fonts/DejaVuSansMono.ttf");
  EXPECT_EQ(res[0].kind, ResourceKind::Font);
  EXPECT_EQ(res[1].name, "/Resources/Images/logo.png");
  EXPECT_EQ(res[1].kind, ResourceKind::Image);
  EXPECT_EQ(res[1].contentType, "image/png");
}

TEST(XpsPackage, ContentTypeKinds) {
  struct Case {
    const char* type;
    ResourceKind kind;
  } cases[] = {
      {"application/vnd.ms-package.obfuscated-opentype", ResourceKind::ObfuscatedFont},
      {"Application/VND.ms-opentype", ResourceKind::Font},
      {"application/x-font-ttf", ResourceKind::Font},
      {"image/PNG", ResourceKind::Image},
      {"image/vnd.ms-photo", ResourceKind::Image},
      {"application/vnd.ms-color.iccprofile", ResourceKind::ColorProfile},
      {"application/vnd.ms-package.xps-resourcedictionary+xml; charset=utf-8", ResourceKind::ResourceDictionary},
      {"application/vnd.ms-printing.printticket+xml", ResourceKind::Other},
      {"", ResourceKind::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(host::KindOfContentType(c.type), c.kind) << c.type;
}

TEST(XpsPackage, StructuralFaultsNameTheirPart) {
  host_test::ScratchDir dir;
  auto base = host_test::MinimalXps(2);
  struct Case {
    const char* name;
    std::string remove;  // item to drop
    std::pair<std::string, std::string> replace;
    HRESULT hr;
    const char* says;
  } cases[] = {
      {"nopage.xps", "Documents/1/Pages/2.fpage", {}, host::HrMissingPart(), "/Documents/1/Pages/2.fpage"},
      {"notypes.xps", "[Content_Types].xml", {}, host::HrBadPackage(), "no [Content_Types].xml"},
      {"norels.xps", "_rels/.rels", {}, host::HrBadPackage(), "no fixed document sequence"},
      {"baddoc.xps", "", {"Documents/1/FixedDocument.fdoc", "<FixedDocument"}, host::HrBadPackage(),
       "/Documents/1/FixedDocument.fdoc"},
      {"wrongroot.xps", "", {"FixedDocumentSequence.fdseq", "<Other xmlns=\"x\"/>"}, host::HrBadPackage(),
       "not an XPS FixedDocumentSequence"},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> items;
    for (const auto& item : base) {
      if (item.first == c.remove) continue;
      items.push_back(item.first == c.replace.first ? c.replace : item);
    }
    host_test::WriteZip(dir.File(c.name), items);
    try {
      host::XpsPackage::Open(dir.File(c.name));
      ADD_FAILURE() << c.name << " opened";
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.hr(), c.hr) << c.name;
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(XpsPackage, PagesInInterleavedPieces) {
  host_test::ScratchDir dir;
  host::PackOptions options;
  options.extraParts = {{"/Resources/Fonts/DejaVuSansMono.ttf", host_test::kMonoFont}};
  options.pieceSize = 700;
  host::PackFolder(host_test::ExampleFolder("receipt"), dir.File("pieces.xps"), options);
  const auto package = host::XpsPackage::Open(dir.File("pieces.xps"));
  const std::string page = host_test::ReadWholeFile(host_test::ExampleFolder("receipt") + "/Documents/1/Pages/1.fpage");
  ASSERT_GT(page.size(), 700u);
  const auto read = package->Read("/Documents/1/Pages/1.fpage");
  EXPECT_EQ(std::string(read.begin(), read.end()), page);
  EXPECT_EQ(package->PageCount(), 1u);
}

}  // namespace

namespace {

// Another producer's packages: Ghostscript's xpswrite device (installed by scripts/setup.sh).
TEST(XpsPackage, GhostscriptXpsWriteOutput) {
  if (std::system("command -v gs >/dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript is not installed";
  host_test::ScratchDir dir;
  host_test::WriteFile(dir.File("in.ps"),
                       "%!PS\n<< /PageSize [226 300] >> setpagedevice\n"
                       "/Helvetica findfont 14 scalefont setfont 20 250 moveto (One) show\n"
                       "20 100 moveto 180 0 rlineto 0 40 rlineto -180 0 rlineto closepath fill showpage\n"
                       "/Helvetica findfont 14 scalefont setfont 20 250 moveto (Two) show showpage\n");
  const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=xpswrite -sOutputFile=" + dir.File("gs.xps") +
                              " " + dir.File("in.ps") + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto package = host::XpsPackage::Open(dir.File("gs.xps"));
  ASSERT_EQ(package->Sequence().documents.size(), 1u);
  ASSERT_EQ(package->PageCount(), 2u);
  const auto page = package->Read(package->Sequence().documents[0].pages[1].name);
  const std::string markup(page.begin(), page.end());
  EXPECT_NE(markup.find("FixedPage"), std::string::npos);
}

}  // namespace

namespace {

// OpenXPS spells the relationships and the markup in its own namespace.
TEST(XpsPackage, OpenXpsPackage) {
  host_test::ScratchDir dir;
  auto items = host_test::MinimalXps(2);
  for (auto& [name, data] : items) {
    for (const char* from : {"http://schemas.microsoft.com/xps/2005/06/", "http://schemas.microsoft.com/xps/2005/06"}) {
      const std::string to = std::string(from).back() == '/' ? "http://schemas.openxps.org/oxps/v1.0/"
                                                             : "http://schemas.openxps.org/oxps/v1.0";
      for (size_t at; (at = data.find(from)) != std::string::npos;) data.replace(at, std::strlen(from), to);
    }
  }
  host_test::WriteZip(dir.File("job.oxps"), items);
  const auto package = host::XpsPackage::Open(dir.File("job.oxps"));
  EXPECT_EQ(package->PageCount(), 2u);
  EXPECT_EQ(package->Sequence().documents.at(0).pages.at(1).name, "/Documents/1/Pages/2.fpage");
}

}  // namespace
