#include <gtest/gtest.h>

#include <msxml2.h>
#include <msxml6ids.h>

#include <comdef.h>

#include "fakes/com_apartment.h"
#include "fakes/memory_stream.h"
#include "fakes/scratch_folder.h"
#include "module/ComPtr.h"

#include <filesystem>
#include <string>

namespace brimloft {
namespace {

using fakes::ReadFileBytes;
using fakes::StreamOf;
using fakes::TicketFixture;

const wchar_t kFrameworkNamespaces[] =
    L"xmlns:psf='http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework'";
const wchar_t kKeywords[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

IXMLDOMNode* const kNodeSentinel = reinterpret_cast<IXMLDOMNode*>(0x1234);
IXMLDOMNodeList* const kListSentinel = reinterpret_cast<IXMLDOMNodeList*>(0x1234);

class DomDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                     doc_.put_void()));
  }

  HRESULT Load(const std::string& bytes, VARIANT_BOOL* ok) {
    auto stream = StreamOf(bytes);
    return doc_->load(_variant_t(static_cast<IUnknown*>(stream.get())), ok);
  }
  void LoadOrFail(const std::string& bytes) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(S_OK, Load(bytes, &ok));
    ASSERT_EQ(VARIANT_TRUE, ok);
  }
  void SetNamespaces(const wchar_t* declarations) {
    ASSERT_EQ(S_OK, doc_->setProperty(_bstr_t(L"SelectionNamespaces"), _variant_t(declarations)));
  }
  std::wstring Texts(const std::wstring& query) {
    ComPtr<IXMLDOMNodeList> list;
    EXPECT_EQ(S_OK, doc_->selectNodes(_bstr_t(query.c_str()), list.put()));
    if (!list) return L"<no list>";
    LONG length = -1;
    EXPECT_EQ(S_OK, list->get_length(&length));
    std::wstring joined;
    for (LONG i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> node;
      EXPECT_EQ(S_OK, list->get_item(i, node.put()));
      _bstr_t text;
      EXPECT_EQ(S_OK, node->get_text(text.GetAddress()));
      if (i) joined += L"|";
      joined += static_cast<const wchar_t*>(text) ? static_cast<const wchar_t*>(text) : L"";
    }
    return joined;
  }

  fakes::ComApartment apartment_;
  ComPtr<IXMLDOMDocument2> doc_;
};

TEST_F(DomDocument, LoadsATicketFromAStreamAndReportsSuccess) {
  VARIANT_BOOL ok = 0x55;
  EXPECT_EQ(S_OK, Load(TicketFixture("media_2x4.xml"), &ok));
  EXPECT_EQ(VARIANT_TRUE, ok);
}

TEST_F(DomDocument, MalformedInputGivesFalseAndAnEmptyDocumentNeverACrash) {
  const char* const kBad[] = {
      "",                                     // nothing at all
      "<a>",                                  // unclosed
      "<a></b>",                              // mismatched
      "not xml",                              // text
      "<a x='1' x='2'/>",                     // duplicate attribute
      "<p:a/>",                               // unbound prefix
      "<?xml version='1.0'?><!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",  // document type declarations are refused
      "<a/><b/>",                             // two roots
  };
  for (const char* bytes : kBad) {
    LoadOrFail("<ok/>");
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(S_FALSE, Load(bytes, &ok)) << bytes;
    EXPECT_EQ(VARIANT_FALSE, ok) << bytes;
    // The previous content is gone.
    ComPtr<IXMLDOMNode> node;
    EXPECT_EQ(S_FALSE, doc_->selectSingleNode(_bstr_t(L"/*"), node.put())) << bytes;
  }
}

TEST_F(DomDocument, DeepNestingIsRefusedNotFollowed) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  for (int i = 0; i < 5000; ++i) deep += "</a>";
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(S_FALSE, Load(deep, &ok));
  EXPECT_EQ(VARIANT_FALSE, ok);
}

TEST_F(DomDocument, ExternalEntitiesAreNeverFetched) {
  fakes::ScratchFolder folder;
  const std::string secret = folder.file("secret.txt");
  FILE* f = fopen(secret.c_str(), "w");
  fputs("SECRET", f);
  fclose(f);
  VARIANT_BOOL ok = VARIANT_TRUE;
  const std::string bytes = "<!DOCTYPE a [<!ENTITY x SYSTEM 'file://" + secret + "'>]><a>&x;</a>";
  EXPECT_EQ(S_FALSE, Load(bytes, &ok));
  EXPECT_EQ(VARIANT_FALSE, ok);
  EXPECT_EQ(L"", Texts(L"/a"));
}

TEST_F(DomDocument, LoadNeedsAStream) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(E_INVALIDARG, doc_->load(_variant_t(L"<a/>"), &ok));
  EXPECT_EQ(VARIANT_FALSE, ok);
  _variant_t nothing;
  nothing.vt = VT_UNKNOWN;
  nothing.punkVal = nullptr;
  EXPECT_EQ(E_INVALIDARG, doc_->load(nothing, &ok));
  EXPECT_EQ(E_POINTER, doc_->load(nothing, nullptr));
}

TEST_F(DomDocument, LoadReadsFromTheStreamsCurrentPosition) {
  auto stream = StreamOf("garbage<a>x</a>");
  LARGE_INTEGER seven;
  seven.QuadPart = 7;
  ASSERT_EQ(S_OK, stream->Seek(seven, STREAM_SEEK_SET, nullptr));
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(S_OK, doc_->load(_variant_t(static_cast<IUnknown*>(stream.get())), &ok));
  EXPECT_EQ(VARIANT_TRUE, ok);
  EXPECT_EQ(L"x", Texts(L"/a"));
}

TEST_F(DomDocument, TheNamespaceAxisFindsTheKeywordsWhateverTheirPrefix) {
  // The feature's prefix must be bound, where it stands, to the keywords namespace.
  const std::wstring query = std::wstring(L"psf:PrintTicket/psf:Feature[substring-after(@name,':')='PageResolution']") +
                             L"[name(namespace::*[.='" + kKeywords + L"'])=substring-before(@name,':')]/*/*/psf:Value";
  SetNamespaces(kFrameworkNamespaces);
  LoadOrFail(TicketFixture("media_2x4.xml"));
  EXPECT_EQ(L"203|300", Texts(query));
  LoadOrFail(TicketFixture("other_keyword_prefix.xml"));
  EXPECT_EQ(L"300|203", Texts(query));
  LoadOrFail(TicketFixture("private_resolution.xml"));
  EXPECT_EQ(L"", Texts(query));
}

TEST_F(DomDocument, SelectionNamespacesBindTheQueryPrefixNotTheTicketOne) {
  LoadOrFail("<t:a xmlns:t='urn:x'><t:b>1</t:b></t:a>");
  ComPtr<IXMLDOMNodeList> list;
  EXPECT_EQ(E_FAIL, doc_->selectNodes(_bstr_t(L"q:a/q:b"), list.put()));  // q unbound yet
  SetNamespaces(L"xmlns:q=\"urn:x\"  xmlns:r='urn:y'");
  EXPECT_EQ(L"1", Texts(L"q:a/q:b"));
  EXPECT_EQ(L"", Texts(L"r:a"));
}

TEST_F(DomDocument, MalformedSelectionNamespacesAreRefusedAndTheOldOnesKept) {
  SetNamespaces(L"xmlns:q='urn:x'");
  LoadOrFail("<t:a xmlns:t='urn:x'/>");
  const wchar_t* const kBad[] = {L"xmlns:q=urn:x", L"xmlns:q='urn:x", L"xmlsn:q='urn:x'", L"xmlns:='urn:x'",
                                 L"xmlns:q='a'xmlns:r='b'"};
  for (const wchar_t* bad : kBad) {
    EXPECT_EQ(E_FAIL, doc_->setProperty(_bstr_t(L"SelectionNamespaces"), _variant_t(bad))) << bad;
  }
  EXPECT_EQ(E_INVALIDARG, doc_->setProperty(_bstr_t(L"NoSuchProperty"), _variant_t(L"x")));
  ComPtr<IXMLDOMNode> node;
  EXPECT_EQ(S_OK, doc_->selectSingleNode(_bstr_t(L"q:a"), node.put()));
}

TEST_F(DomDocument, SelectSingleNodeAnswersFalseAndNullWhenNothingMatches) {
  LoadOrFail("<a><b>1</b><b>2</b></a>");
  IXMLDOMNode* node = kNodeSentinel;
  EXPECT_EQ(S_FALSE, doc_->selectSingleNode(_bstr_t(L"/a/c"), &node));
  EXPECT_EQ(nullptr, node);
  ASSERT_EQ(S_OK, doc_->selectSingleNode(_bstr_t(L"/a/b"), &node));
  auto first = ComPtr<IXMLDOMNode>::Attach(node);
  _bstr_t text;
  ASSERT_EQ(S_OK, first->get_text(text.GetAddress()));
  EXPECT_STREQ(L"1", static_cast<const wchar_t*>(text));
}

TEST_F(DomDocument, ExpressionsThatAreNoNodeSetOrDoNotParseFail) {
  LoadOrFail("<a/>");
  const wchar_t* const kBad[] = {L"count(/a)", L"/a[", L"string(/a)", L"", L"unknown-function()"};
  for (const wchar_t* query : kBad) {
    IXMLDOMNodeList* list = kListSentinel;
    EXPECT_EQ(E_FAIL, doc_->selectNodes(_bstr_t(query), &list)) << query;
    EXPECT_EQ(nullptr, list) << query;
  }
}

TEST_F(DomDocument, ListItemsOutsideTheListAreFalseAndNull) {
  LoadOrFail("<a><b/></a>");
  ComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(S_OK, doc_->selectNodes(_bstr_t(L"//b"), list.put()));
  IXMLDOMNode* node = kNodeSentinel;
  EXPECT_EQ(S_FALSE, list->get_item(1, &node));
  EXPECT_EQ(nullptr, node);
  node = kNodeSentinel;
  EXPECT_EQ(S_FALSE, list->get_item(-1, &node));
  EXPECT_EQ(nullptr, node);
}

TEST_F(DomDocument, TextOfElementsAttributesAndNamespaceNodes) {
  LoadOrFail("<a xmlns:k='urn:k' n='k:v'>\n  <b> 1 </b><c>2<d>3</d></c>\n</a>");
  EXPECT_EQ(L"1", Texts(L"/a/b"));
  EXPECT_EQ(L"23", Texts(L"/a/c"));
  EXPECT_EQ(L"k:v", Texts(L"/a/@n"));
  EXPECT_EQ(L"urn:k", Texts(L"/a/namespace::k"));
  EXPECT_EQ(L"1 23", Texts(L"/a[name(namespace::*[.='urn:k'])=substring-before(@n,':')]"));
  EXPECT_EQ(L"", Texts(L"/a[name(namespace::*[.='urn:other'])=substring-before(@n,':')]"));
}

TEST_F(DomDocument, NodesKeepTheirDocumentAliveAndSelectFromThemselves) {
  LoadOrFail("<a><b><c>in</c></b><c>out</c></a>");
  ComPtr<IXMLDOMNode> b;
  ASSERT_EQ(S_OK, doc_->selectSingleNode(_bstr_t(L"/a/b"), b.put()));
  LoadOrFail("<other/>");  // the node's document is replaced in the DOM, not freed under the node
  ComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(S_OK, b->selectNodes(_bstr_t(L"c"), list.put()));
  LONG length = 0;
  ASSERT_EQ(S_OK, list->get_length(&length));
  ASSERT_EQ(1, length);
  doc_.reset();
  ComPtr<IXMLDOMNode> c;
  ASSERT_EQ(S_OK, list->get_item(0, c.put()));
  _bstr_t text;
  ASSERT_EQ(S_OK, c->get_text(text.GetAddress()));
  EXPECT_STREQ(L"in", static_cast<const wchar_t*>(text));
}

TEST_F(DomDocument, SaveWritesTheDocumentAsLoadedAsUtf8) {
  fakes::ScratchFolder folder;
  const std::string path = folder.file("ticket.xml");
  const std::string ticket = TicketFixture("other_keyword_prefix.xml");
  LoadOrFail(ticket);
  ASSERT_EQ(S_OK, doc_->save(_variant_t(_bstr_t(path.c_str()))));
  const std::string saved = ReadFileBytes(path);
  // Prefixes, declarations and layout are the ticket's own; the XML declaration is rewritten and
  // empty elements lose the blank before "/>".
  std::string body = ticket.substr(ticket.find("<psf:PrintTicket"));
  for (size_t at; (at = body.find(" />")) != std::string::npos;) body.erase(at, 1);
  ASSERT_NE(std::string::npos, saved.find(body));
  EXPECT_EQ(0u, saved.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
  EXPECT_NE(std::string::npos, saved.find("xmlns:kw=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\""));
  EXPECT_NE(std::string::npos, saved.find("name=\"kw:PageResolution\""));
}

TEST_F(DomDocument, SaveTurnsAUtf16DocumentIntoUtf8) {
  fakes::ScratchFolder folder;
  const std::string path = folder.file("wide.xml");
  // "<a>é</a>" in UTF-16LE with a byte-order mark.
  const std::string utf16("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18);
  LoadOrFail(utf16);
  ASSERT_EQ(S_OK, doc_->save(_variant_t(_bstr_t(path.c_str()))));
  EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\xC3\xA9</a>\n", ReadFileBytes(path));
}

TEST_F(DomDocument, SaveReplacesAFileAndLeavesItWhenItCannotWrite) {
  fakes::ScratchFolder folder;
  const std::string path = folder.file("snapshot.xml");
  LoadOrFail("<first/>");
  ASSERT_EQ(S_OK, doc_->save(_variant_t(_bstr_t(path.c_str()))));
  LoadOrFail("<second/>");
  ASSERT_EQ(S_OK, doc_->save(_variant_t(_bstr_t(path.c_str()))));
  EXPECT_NE(std::string::npos, ReadFileBytes(path).find("<second/>"));

  // A folder in the way: the save fails and leaves nothing behind.
  const std::string blocked = folder.file("blocked");
  std::filesystem::create_directories(blocked + "/inside");
  LoadOrFail("<third/>");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), doc_->save(_variant_t(_bstr_t(blocked.c_str()))));
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/inside"));
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(2u, entries);  // snapshot.xml and blocked, no temporary file
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
            doc_->save(_variant_t(_bstr_t(folder.file("missing/dir.xml").c_str()))));
}

TEST_F(DomDocument, SaveNeedsAPathAndADocument) {
  fakes::ScratchFolder folder;
  EXPECT_EQ(E_FAIL, doc_->save(_variant_t(_bstr_t(folder.file("empty.xml").c_str()))));
  LoadOrFail("<a/>");
  EXPECT_EQ(E_INVALIDARG, doc_->save(_variant_t(L"")));
  EXPECT_EQ(E_INVALIDARG, doc_->save(_variant_t(42L)));
}

}  // namespace
}  // namespace brimloft
