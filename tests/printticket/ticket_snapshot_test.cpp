#include "printticket/ticket_test_support.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace brimloft::testing {
namespace {

using fakes::FakeDocument;
using fakes::FakePage;
using fakes::FakeSequence;
using fakes::Make;

class TicketSnapshot : public TicketJob {
 protected:
  explicit TicketSnapshot(const std::string& folder = "temp") : TicketJob(folder) {}

  void Prepare(PThandler& h) {
    auto sequence = Make<FakeSequence>();
    auto document = Make<FakeDocument>();
    h.MergeJobTicket(sequence.get());
    h.MergeDocumentTicket(document.get());
  }
  HRESULT PrintPage(PThandler& h, ComPtr<IPartPrintTicket> ticket) {
    auto page = Make<FakePage>(std::move(ticket));
    h.MergePageTicket(page.get());
    PageSettings settings;
    return Raised([&] { h.GetPageSettings(settings); });
  }
};

TEST_F(TicketSnapshot, IsWrittenInTheTemporaryFolderAndHoldsTheLastPagesTicketOnly) {
  const std::string expectedPath = folder_.path() + "//brimloft_print_ticket_.xml";
  ASSERT_EQ(expectedPath, GetTicketSnapshotPath());
  auto h = Handler();
  Prepare(*h);
  ASSERT_EQ(S_OK, PrintPage(*h, FixturePart("delta_page_dither.xml")));
  ASSERT_TRUE(std::filesystem::exists(expectedPath));
  EXPECT_TRUE(Selects(Snapshot(), "ns0000:QVDither", "ns0000:_2x2"));

  const std::string second = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"),
                                                        {{"QVDither", "FloydSteinberg"}, {"QVBright", "mfraco"}});
  ASSERT_EQ(S_OK, PrintPage(*h, TicketPart(second)));
  // The provider's ticket as the DOM saved it: its own prefixes, UTF-8, empty elements closed.
  std::string expected = second;
  for (size_t at; (at = expected.find(" />")) != std::string::npos;) expected.erase(at, 1);
  EXPECT_EQ(expected, Snapshot());
}

TEST_F(TicketSnapshot, APageWithoutTicketSavesTheTicketItShares) {
  auto h = Handler();
  Prepare(*h);
  ASSERT_EQ(S_OK, PrintPage(*h, nullptr));
  EXPECT_NE(std::string::npos, Snapshot().find("urn:kelmoran:brimloft:printer:RX1P"));
  EXPECT_TRUE(Selects(Snapshot(), "ns0000:QVDither", "ns0000:None"));
}

TEST_F(TicketSnapshot, AFailedSaveRaisesAndLeavesThePreviousSnapshot) {
  auto h = Handler();
  Prepare(*h);
  ASSERT_EQ(S_OK, PrintPage(*h, FixturePart("delta_page_dither.xml")));
  const std::string before = Snapshot();
  // Point the temporary folder somewhere that does not exist.
  fakes::TempFolderOverride missing(folder_.file("gone"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), PrintPage(*h, nullptr));
  fakes::TempFolderOverride back(folder_.path());
  EXPECT_EQ(before, Snapshot());
}

// Someone planted a link (or a folder) where the save goes: the page fails with a clear error and
// what is there stays as it was, the file it points to included.
TEST_F(TicketSnapshot, AnythingButAFileAtItsPlaceIsRefusedAndLeftAsItIs) {
  const std::filesystem::path place = std::filesystem::u8path(GetTicketSnapshotPath());
  fakes::ScratchFolder theirs("theirs");
  const std::filesystem::path victim = theirs.file("victim.txt");
  const struct {
    const char* name;
    std::function<void()> plant;
  } cases[] = {
      {"a link to a file", [&] { std::filesystem::create_symlink(victim, place); }},
      {"a link to nowhere", [&] { std::filesystem::create_symlink(theirs.file("none"), place); }},
      {"a folder", [&] { std::filesystem::create_directory(place); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(victim, std::ios::trunc) << "theirs";
    c.plant();
    const auto before = std::filesystem::symlink_status(place).type();
    auto h = Handler();
    Prepare(*h);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), PrintPage(*h, nullptr));
    EXPECT_EQ(before, std::filesystem::symlink_status(place).type());
    EXPECT_EQ("theirs", fakes::ReadFileBytes(victim.string()));
    EXPECT_FALSE(std::filesystem::exists(theirs.file("none")));
    std::filesystem::remove(place);
  }
}

class TicketSnapshotInNonAsciiFolder : public TicketSnapshot {
 protected:
  TicketSnapshotInNonAsciiFolder() : TicketSnapshot("Tëmp \xE2\x9C\x93 \xE6\x97\xA5") {}
};

TEST_F(TicketSnapshotInNonAsciiFolder, WriterAndReaderMeetOnTheSameFile) {
  auto h = Handler();
  Prepare(*h);
  ASSERT_EQ(S_OK, PrintPage(*h, FixturePart("delta_page_dither.xml")));
  // The reader opens the narrow path as bytes; it must find what the DOM saved.
  const std::string path = GetTicketSnapshotPath();
  ASSERT_NE(std::string::npos, path.find("Tëmp \xE2\x9C\x93 \xE6\x97\xA5"));
  std::ifstream reader(path, std::ios::binary);
  ASSERT_TRUE(reader.good()) << path;
  EXPECT_TRUE(Selects(Snapshot(), "ns0000:QVDither", "ns0000:_2x2"));
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) files += entry.is_regular_file();
  EXPECT_EQ(1u, files);
}

}  // namespace
}  // namespace brimloft::testing
