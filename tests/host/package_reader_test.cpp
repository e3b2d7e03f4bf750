// The ZIP layer and the OPC rules of the package reader: part names, content types,
// relationships, interleaved pieces, and the errors for files that are no package.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/failures/host_error.h"
#include "host/package/content_types.h"
#include "host/package/part_reference.h"
#include "host/package/relationships.h"
#include "host/package/zip_package.h"
#include "host_test_util.h"


namespace {

using host::HostError;
using host_test::ScratchDir;
using host_test::WriteZip;

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::vector<unsigned char>& b) { return {b.begin(), b.end()}; }

// Runs f and returns the HostError's HRESULT and message; fails the test when nothing is thrown.
template <class F>
std::pair<HRESULT, std::string> ErrorOf(F&& f) {
  try {
    f();
  } catch (const HostError& e) {
    return {e.hr(), e.what()};
  }
  ADD_FAILURE() << "no HostError";
  return {S_OK, ""};
}

TEST(PartName, ResolvesReferencesAgainstTheirPart) {
  struct Case {
    const char* source;
    const char* reference;
    const char* expected;
  } cases[] = {
      {"/", "FixedDocumentSequence.fdseq", "/FixedDocumentSequence.fdseq"},
      {"/Documents/1/FixedDoc.fdoc", "Pages/1.fpage", "/Documents/1/Pages/1.fpage"},
      {"/Documents/1/Pages/1.fpage", "../../../Resources/a.odttf", "/Resources/a.odttf"},
      {"/Documents/1/Pages/1.fpage", "/Resources/b.png", "/Resources/b.png"},
      {"/a/b.fpage", "./c/./d.png#frag", "/a/c/d.png"},
      {"/a/b.fpage", "x\\y.png", "/a/x/y.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(host::ResolvePartReference(c.source, c.reference), c.expected) << c.reference;
}

TEST(PartName, RejectsReferencesThatLeaveThePackage) {
  for (const char* bad : {"", "../../x.png", "http://example.com/x.png", "#only-fragment"}) {
    const auto [hr, what] = ErrorOf([&] { host::ResolvePartReference("/a/b.fpage", bad); });
    EXPECT_EQ(hr, host::HrBadPackage()) << bad;
  }
}

TEST(PartName, ComparesWithoutCaseAndEscapes) {
  EXPECT_EQ(host::PartNameKey("/Documents/1/Pages/A%20B.FPage"), host::PartNameKey("/documents/1/pages/a b.fpage"));
  EXPECT_NE(host::PartNameKey("/a/b"), host::PartNameKey("/a/c"));
  EXPECT_EQ(host::RelationshipsPartName("/Documents/1/FixedDoc.fdoc"), "/Documents/1/_rels/FixedDoc.fdoc.rels");
  EXPECT_EQ(host::RelationshipsPartName("/"), "/_rels/.rels");
  EXPECT_EQ(host::PartExtension("/a.b/c.ODTTF"), "ODTTF");
  EXPECT_EQ(host::PartExtension("/a.b/c"), "");
}

TEST(ContentTypes, OverrideBeatsDefaultAndCaseDoesNotMatter) {
  const host::ContentTypes types(Bytes(
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"PNG\" ContentType=\"image/png\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/Metadata/Job_PT.xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>"
      "</Types>"));
  EXPECT_EQ(types.Of("/img/a.png"), "image/png");
  EXPECT_EQ(types.Of("/img/A.Png"), "image/png");
  EXPECT_EQ(types.Of("/metadata/job_pt.XML"), "application/vnd.ms-printing.printticket+xml");
  EXPECT_EQ(types.Of("/other.xml"), "application/xml");
  EXPECT_EQ(types.Of("/unknown.bin"), "");
}

TEST(ContentTypes, MalformedOrEntityLadenMarkupIsABadPackage) {
  for (const char* markup : {"<Types", "<Other/>",
                             "<!DOCTYPE Types [<!ENTITY a \"aaaa\">]><Types>&a;</Types>"}) {
    const auto [hr, what] = ErrorOf([&] { host::ContentTypes t(Bytes(markup)); });
    EXPECT_EQ(hr, host::HrBadPackage()) << markup;
    EXPECT_NE(std::string(what).find("[Content_Types].xml"), std::string::npos) << what;
  }
}

TEST(ZipPackage, ReadsPartsByNameInAnyCase) {
  ScratchDir dir;
  WriteZip(dir.File("a.zip"), {{"Docs/One.txt", "first"}, {"two.txt", "second"}, {"dir/", ""}});
  const host::ZipPackage zip(dir.File("a.zip"));
  EXPECT_EQ(Text(zip.Read("/docs/one.TXT")), "first");
  EXPECT_EQ(zip.CanonicalName("/DOCS/ONE.TXT"), "/Docs/One.txt");
  EXPECT_EQ(zip.PartNames(), (std::vector<std::string>{"/Docs/One.txt", "/two.txt"}));
  EXPECT_FALSE(zip.Contains("/dir/"));
  const auto [hr, what] = ErrorOf([&] { zip.Read("/three.txt"); });
  EXPECT_EQ(hr, host::HrMissingPart());
  EXPECT_NE(what.find("/three.txt"), std::string::npos);
}

TEST(ZipPackage, JoinsInterleavedPiecesInNumberOrder) {
  ScratchDir dir;
  WriteZip(dir.File("p.zip"), {{"big.bin/[1].piece", "BBB"},
                               {"other.txt", "x"},
                               {"big.bin/[0].piece", "AAA"},
                               {"big.bin/[2].last.piece", "CC"}});
  const host::ZipPackage zip(dir.File("p.zip"));
  EXPECT_EQ(Text(zip.Read("/big.bin")), "AAABBBCC");
  EXPECT_TRUE(zip.Contains("/BIG.bin"));
  EXPECT_FALSE(zip.Contains("/big.bin/[0].piece"));
}

TEST(ZipPackage, RejectsBrokenPackagesWithClearErrors) {
  ScratchDir dir;
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> items;
    const char* says;
  } cases[] = {
      {"gap.zip", {{"a/[0].piece", "1"}, {"a/[2].last.piece", "3"}}, "missing or misplaced pieces"},
      {"nolast.zip", {{"a/[0].piece", "1"}, {"a/[1].piece", "2"}}, "missing or misplaced pieces"},
      {"twolast.zip", {{"a/[0].last.piece", "1"}, {"a/[1].last.piece", "2"}}, "missing or misplaced pieces"},
      {"dup.zip", {{"A.txt", "1"}, {"a.TXT", "2"}}, "duplicate part"},
  };
  for (const Case& c : cases) {
    WriteZip(dir.File(c.name), c.items);
    const auto [hr, what] = ErrorOf([&] { host::ZipPackage zip(dir.File(c.name)); });
    EXPECT_EQ(hr, host::HrBadPackage()) << c.name;
    EXPECT_NE(what.find(c.says), std::string::npos) << what;
  }
}

TEST(ZipPackage, FilesThatAreNoZipFail) {
  ScratchDir dir;
  host_test::WriteFile(dir.File("text.xps"), "this is not a zip file at all, just words\n");
  host_test::WriteFile(dir.File("empty.xps"), "");
  const std::string sample = host_test::ReadWholeFile(host_test::SamplePath("testPPT.xps"));
  host_test::WriteFile(dir.File("truncated.xps"), sample.substr(0, sample.size() / 2));
  host_test::WriteFile(dir.File("tail-cut.xps"), sample.substr(0, sample.size() - 10));
  for (const char* name : {"text.xps", "empty.xps", "truncated.xps", "tail-cut.xps"}) {
    const auto [hr, what] = ErrorOf([&] { host::ZipPackage zip(dir.File(name)); });
    EXPECT_EQ(hr, host::HrBadPackage()) << name << ": " << what;
    EXPECT_NE(what.find(name), std::string::npos) << what;
  }
  const auto [hr, what] = ErrorOf([&] { host::ZipPackage zip(dir.File("absent.xps")); });
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(what.find("no such file"), std::string::npos) << what;
}

TEST(ZipPackage, DamagedDataFailsTheRead) {
  ScratchDir dir;
  const std::string payload(4000, 'q');
  WriteZip(dir.File("crc.zip"), {{"a.txt", payload}}, /*store=*/true);
  std::string bytes = host_test::ReadWholeFile(dir.File("crc.zip"));
  const size_t at = bytes.find(payload);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 100] = 'Z';  // the CRC no longer matches
  host_test::WriteFile(dir.File("crc.zip"), bytes);
  const host::ZipPackage zip(dir.File("crc.zip"));
  const auto [hr, what] = ErrorOf([&] { zip.Read("/a.txt"); });
  EXPECT_EQ(hr, host::HrCorruptData());
  EXPECT_NE(what.find("damaged"), std::string::npos) << what;
}

TEST(ZipPackage, LimitsStopOversizedPackages) {
  ScratchDir dir;
  WriteZip(dir.File("big.zip"), {{"a.txt", std::string(5000, 'a')}, {"b.txt", "b"}, {"c.txt", "c"}});
  host::PackageLimits small;
  small.maxPartBytes = 4096;
  EXPECT_EQ(ErrorOf([&] { host::ZipPackage z(dir.File("big.zip"), small); }).first, host::HrTooLarge());
  host::PackageLimits few;
  few.maxParts = 2;
  EXPECT_EQ(ErrorOf([&] { host::ZipPackage z(dir.File("big.zip"), few); }).first, host::HrTooLarge());
  host::PackageLimits total;
  total.maxTotalBytes = 5001;
  EXPECT_EQ(ErrorOf([&] { host::ZipPackage z(dir.File("big.zip"), total); }).first, host::HrTooLarge());
  EXPECT_NO_THROW(host::ZipPackage z(dir.File("big.zip")));
}

TEST(Relationships, ResolvesTargetsAndKeepsExternalOnes) {
  ScratchDir dir;
  WriteZip(dir.File("r.zip"),
           {{"Documents/1/Pages/_rels/1.fpage.rels",
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"a\" Type=\"t1\" Target=\"../../../Resources/f.odttf\"/>"
             "<Relationship Id=\"b\" Type=\"t2\" Target=\"http://example.com/x\" TargetMode=\"External\"/>"
             "</Relationships>"},
            {"Documents/1/Pages/1.fpage", "<FixedPage/>"}});
  const host::ZipPackage zip(dir.File("r.zip"));
  const auto rels = host::ReadRelationships(zip, "/Documents/1/Pages/1.fpage");
  ASSERT_EQ(rels.size(), 2u);
  EXPECT_EQ(rels[0].id, "a");
  EXPECT_EQ(rels[0].type, "t1");
  EXPECT_EQ(rels[0].target, "/Resources/f.odttf");
  EXPECT_FALSE(rels[0].external);
  EXPECT_TRUE(rels[1].external);
  EXPECT_EQ(rels[1].target, "http://example.com/x");
  EXPECT_TRUE(host::ReadRelationships(zip, "/no/rels.here").empty());
}

}  // namespace
