// Markup compatibility as the object model applies it: the markup each rule leaves, byte for
// byte, and the faults that fail a page. (What a user sees printed: tests/host/markup_compat_test.py.)
#include <oleauto.h>
#include <xpsobjectmodel.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/xps/markup_compatibility.h"
#include "tests/platform/xpsom_support.h"

namespace xpsom_test {
namespace {

using platform::xps::ApplyMarkupCompatibility;

const std::string kDeclarations =
    " xmlns=\"http://schemas.microsoft.com/xps/2005/06\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:o=\"http://schemas.openxps.org/oxps/v1.0\""
    " xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\""
    " xmlns:v2=\"http://example.com/v2\"";

std::string CompatPage(const std::string& rootAttributes, const std::string& body) {
  return "<FixedPage" + kDeclarations + rootAttributes + " Width=\"10\" Height=\"10\">" + body + "</FixedPage>";
}

// What the rewrite of CompatPage(anything, body) is: the declarations stay, the mc attributes go.
std::string Rewritten(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + CompatPage("", body);
}

struct RewriteCase {
  const char* label;
  std::string rootAttributes;
  std::string body;
  std::string expected;  // the body of the rewritten page
};

class MarkupCompatRewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(MarkupCompatRewriteTest, LeavesWhatAConformingConsumerSees) {
  std::string markup = CompatPage(GetParam().rootAttributes, GetParam().body);
  std::string why;
  ASSERT_EQ(S_OK, ApplyMarkupCompatibility(markup, why)) << why;
  EXPECT_EQ(Rewritten(GetParam().expected), markup);
}

const std::string kIgnorable = " mc:Ignorable=\"v2\"";

template <class Case>
std::string Label(const ::testing::TestParamInfo<Case>& info) {
  return info.param.label;
}
void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.label; }

INSTANTIATE_TEST_SUITE_P(
    Rules, MarkupCompatRewriteTest,
    ::testing::Values(
        RewriteCase{"ignorable_element_goes_with_its_content", kIgnorable,
                    "<v2:Path><Path Name=\"a\"/></v2:Path><Path Name=\"b\"/>", "<Path Name=\"b\"/>"},
        RewriteCase{"ignorable_attribute_goes_others_stay", kIgnorable,
                    "<Path v2:Fill=\"#F00\" Fill=\"#000\" xml:lang=\"en\" x:Key=\"k\" o:Name=\"n\"/>",
                    "<Path Fill=\"#000\" xml:lang=\"en\" x:Key=\"k\" o:Name=\"n\"/>"},
        RewriteCase{"process_content_keeps_the_children",
                    kIgnorable + " mc:ProcessContent=\"v2:Canvas\"",
                    "<v2:Canvas Opacity=\"0\"><Path Name=\"a\"/>text</v2:Canvas><v2:Group><Path/></v2:Group>",
                    "<Path Name=\"a\"/>text"},
        RewriteCase{"process_content_of_every_element", kIgnorable + " mc:ProcessContent=\"v2:*\"",
                    "<v2:Canvas><v2:Group><Path/></v2:Group></v2:Canvas>", "<Path/>"},
        // A namespace declared on a dropped element moves down to what is kept of its content.
        RewriteCase{"declarations_move_to_the_content", kIgnorable + " mc:ProcessContent=\"v2:Canvas\"",
                    "<v2:Canvas xmlns:v3=\"http://example.com/v3\" xmlns:o=\"http://example.com/o\">"
                    "<Path v3:A=\"1\" o:B=\"2\"><Path/></Path></v2:Canvas>",
                    "<Path xmlns:v3=\"http://example.com/v3\" xmlns:o=\"http://example.com/o\" v3:A=\"1\" "
                    "o:B=\"2\"><Path/></Path>"},
        RewriteCase{"first_choice_understood",
                    "",
                    "<mc:AlternateContent> <mc:Choice Requires=\"v2\"><Path Name=\"a\"/></mc:Choice>"
                    "<mc:Choice Requires=\"o x\"><Path Name=\"b\"/></mc:Choice><mc:Choice Requires=\"o\"><Path/>"
                    "</mc:Choice><mc:Fallback><Path Name=\"c\"/></mc:Fallback></mc:AlternateContent>",
                    "<Path Name=\"b\"/>"},
        RewriteCase{"fallback_when_no_choice_is_understood", "",
                    "<mc:AlternateContent><mc:Choice Requires=\"o v2\"><Path Name=\"a\"/></mc:Choice>"
                    "<mc:Fallback><Path Name=\"c\"/></mc:Fallback></mc:AlternateContent>",
                    "<Path Name=\"c\"/>"},
        RewriteCase{"nothing_without_fallback", "",
                    "<Canvas><mc:AlternateContent><mc:Choice Requires=\"v2\"><Path/></mc:Choice>"
                    "</mc:AlternateContent></Canvas>",
                    "<Canvas/>"},
        RewriteCase{"understood_namespace_is_never_ignored", " mc:Ignorable=\"o v2\"", "<o:Path o:Name=\"a\"/>",
                    "<o:Path o:Name=\"a\"/>"},
        RewriteCase{"ignorable_only_in_its_scope", "",
                    "<Canvas mc:Ignorable=\"v2\"><v2:Path/></Canvas><v2:Path v2:A=\"1\"/>",
                    "<Canvas/><v2:Path v2:A=\"1\"/>"},
        RewriteCase{"must_understand_inside_ignored_content_is_ignored", kIgnorable,
                    "<v2:Path mc:MustUnderstand=\"v2\"/><Path mc:MustUnderstand=\"o\"/>", "<Path/>"},
        RewriteCase{"text_and_values_keep_their_characters", kIgnorable,
                    "<Path Data=\"a&amp;b&lt;c&quot;d&#9;e&#x41;'\">x &lt; y &amp; z<![CDATA[<&>]]></Path>",
                    "<Path Data=\"a&amp;b&lt;c&quot;d&#9;eA'\">x &lt; y &amp; z&lt;&amp;&gt;</Path>"}),
    Label<RewriteCase>);

struct FaultCase {
  const char* label;
  std::string markup;
  std::string words;  // found in why
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }

class MarkupCompatFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(MarkupCompatFaultTest, FailsThePageInWords) {
  std::string markup = GetParam().markup;
  const std::string before = markup;
  std::string why;
  EXPECT_EQ(XPS_E_INVALID_MARKUP, ApplyMarkupCompatibility(markup, why));
  EXPECT_NE(std::string::npos, why.find(GetParam().words)) << why;
  EXPECT_EQ(before, markup);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MarkupCompatFaultTest,
    ::testing::Values(
        FaultCase{"must_understand_unknown", CompatPage("", "<Canvas mc:MustUnderstand=\"o v2\"/>"),
                  "mc:MustUnderstand=\"o v2\" requires the namespace http://example.com/v2, which is not understood"},
        FaultCase{"undeclared_prefix", CompatPage(" mc:Ignorable=\"v9\"", ""),
                  "mc:Ignorable names the prefix \"v9\", which is not declared"},
        FaultCase{"choice_without_requires",
                  CompatPage("", "<mc:AlternateContent><mc:Choice><Path/></mc:Choice></mc:AlternateContent>"),
                  "an mc:Choice has no Requires"},
        FaultCase{"other_element_in_alternate_content",
                  CompatPage("", "<mc:AlternateContent><Path/></mc:AlternateContent>"),
                  "mc:AlternateContent holds Path"},
        FaultCase{"choice_outside_alternate_content", CompatPage("", "<mc:Choice Requires=\"o\"/>"),
                  "mc:Choice is only allowed in mc:AlternateContent"},
        FaultCase{"not_well_formed", CompatPage("", "<Canvas>"), "not well-formed"}),
    Label<FaultCase>);

TEST(MarkupCompatibility, LeavesMarkupWithoutItByteForByte) {
  // Neither a comment nor an entity nor the quoting would survive a rewrite.
  std::string markup =
      "<?xml version='1.0'?>\n<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='1'  Height='1'>"
      "<!-- markup-compatibility --><Path Data='&#x41;'/></FixedPage>";
  const std::string before = markup;
  std::string why;
  EXPECT_EQ(S_OK, ApplyMarkupCompatibility(markup, why));
  EXPECT_EQ(before, markup);
  EXPECT_EQ("", why);
}

TEST(MarkupCompatibility, ReadsUtf16Markup) {
  const std::string utf8 = CompatPage(kIgnorable, "<v2:Path/><Path/>");
  for (const bool little : {true, false}) {
    std::string utf16 = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : utf8) utf16 += little ? std::string{c, '\0'} : std::string{'\0', c};
    std::string why;
    ASSERT_EQ(S_OK, ApplyMarkupCompatibility(utf16, why)) << why;
    EXPECT_EQ(Rewritten("<Path/>"), utf16);
  }
}

// The words of a failed page wait for its caller on the thread (GetErrorInfo, once); the next page
// the factory makes takes away words no longer true.
TEST_F(XpsFixture, LeavesTheWordsOfAFailedPageForItsCaller) {
  const auto description = TakeErrorDescription;
  const std::string failing = CompatPage("", "<Canvas mc:MustUnderstand=\"v2\"/>");
  EXPECT_EQ(XPS_E_INVALID_MARKUP, Page(failing));
  EXPECT_NE(std::string::npos, description().find("requires the namespace http://example.com/v2"));
  EXPECT_EQ("(none)", description());

  EXPECT_EQ(XPS_E_INVALID_MARKUP, Page(failing));
  EXPECT_EQ(S_OK, Page(CompatPage(kIgnorable, "<v2:Path/>")));
  EXPECT_EQ("(none)", description());
}

}  // namespace
}  // namespace xpsom_test
