// The rasterizer renders a page with the resources it was made against: fonts (plain and
// obfuscated), images and remote dictionaries.
#include <xpsrassvc.h>

#include <gtest/gtest.h>

#include "tests/platform/xpsom_raster_support.h"

namespace xpsom_test {
namespace {

// Two pixels: red, blue.
const std::string kTwoPixelPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x01\x08\x02\x00"
    "\x00\x00\x7b\x40\xe8\xdd\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\x00\x04\xff\x01\x07\x00\x01\xff"
    "\xe2\x23\x9e\x59\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    70);

constexpr const char* kSystemFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const wchar_t* kGuidName = L"/Resources/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf";

std::string Text(const std::string& fontUri) {
  return PageMarkup("Width=\"200\" Height=\"60\"",
                    "<Glyphs FontUri=\"" + fontUri +
                        "\" FontRenderingEmSize=\"40\" OriginX=\"5\" OriginY=\"45\" UnicodeString=\"MWg\" "
                        "Fill=\"#FF000000\"/>");
}

long Inked(const Pixels& p) {
  long n = 0;
  for (size_t i = 3; i < p.bytes.size(); i += 4) n += p.bytes[i] > 128;
  return n;
}

// The key of kGuidName applied to the first 32 bytes, as a producer stores the font.
std::string Obfuscate(std::string font) {
  const unsigned char key[16] = {0x0B, 0x2A, 0x5E, 0x3C, 0x1F, 0x4D, 0x4E, 0x8B,
                                 0x9C, 0x6A, 0x7D, 0x5E, 0x4F, 0x3A, 0x2B, 0x1C};
  for (int i = 0; i < 16; ++i) {
    font[i] = static_cast<char>(font[i] ^ key[15 - i]);
    font[i + 16] = static_cast<char>(font[i + 16] ^ key[15 - i]);
  }
  return font;
}

class RenderResourcesTest : public RasterFixture {
 protected:
  Pixels RenderPage(const std::string& markup, IXpsOMPartResources* resources, float dpi, int w, int h) {
    ComPtr<IXpsOMPage> page;
    EXPECT_EQ(S_OK, Page(markup, &page, resources, L"/Documents/1/Pages/1.fpage"));
    if (!page) return Pixels{};
    auto rasterizer = Rasterizer(page.get(), dpi);
    return rasterizer ? Render(rasterizer.get(), 0, 0, w, h) : Pixels{};
  }
};

TEST_F(RenderResourcesTest, ObfuscatedAndPlainFontsRenderAlike) {
  const std::string font = ReadFile(kSystemFont);
  ASSERT_GT(font.size(), 1000u) << "font package missing: " << kSystemFont;

  auto plain = Resources();
  AddFont(plain.get(), font, L"/Resources/Font.ttf");
  const Pixels reference = RenderPage(Text("../../../Resources/Font.ttf"), plain.get(), 96, 200, 60);
  EXPECT_GT(Inked(reference), 300);

  // As a producer stores it: obfuscated bytes under the GUID name.
  auto stored = Resources();
  AddFont(stored.get(), Obfuscate(font), kGuidName, XPS_FONT_EMBEDDING_OBFUSCATED);
  const Pixels fromStored = RenderPage(Text(std::string("/Resources/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf")),
                                       stored.get(), 96, 200, 60);
  EXPECT_EQ(reference.bytes, fromStored.bytes);

  // Clear bytes under the obfuscated name, as a pipeline may hand them over.
  auto clear = Resources();
  AddFont(clear.get(), font, kGuidName, XPS_FONT_EMBEDDING_OBFUSCATED);
  const Pixels fromClear = RenderPage(Text("/Resources/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf"), clear.get(),
                                      96, 200, 60);
  EXPECT_EQ(reference.bytes, fromClear.bytes);
}

TEST_F(RenderResourcesTest, MissingFontFallsBack) {
  const Pixels p = RenderPage(Text("/Resources/Absent.ttf"), Resources().get(), 96, 200, 60);
  ASSERT_EQ(200u, p.width);
  EXPECT_GT(Inked(p), 100);
}

TEST_F(RenderResourcesTest, ImagesResolveByRelativeName) {
  auto resources = Resources();
  AddImage(resources.get(), kTwoPixelPng, L"/Documents/1/Resources/Images/Two.png");
  const Pixels p = RenderPage(
      PageMarkup("Width=\"96\" Height=\"48\"",
                 "<Path Data=\"M 0,0 L 96,0 96,48 0,48 Z\"><Path.Fill><ImageBrush ImageSource=\"../Resources/Images/"
                 "Two.png\" Viewbox=\"0,0,2,1\" ViewboxUnits=\"Absolute\" Viewport=\"0,0,96,48\" "
                 "ViewportUnits=\"Absolute\"/></Path.Fill></Path>"),
      resources.get(), 96, 96, 48);
  ASSERT_EQ(96u, p.width);
  const BYTE* left = p.at(10, 24);
  const BYTE* right = p.at(85, 24);
  EXPECT_EQ((std::vector<int>{0, 0, 255, 255}), (std::vector<int>{left[0], left[1], left[2], left[3]}));
  EXPECT_EQ((std::vector<int>{255, 0, 0, 255}), (std::vector<int>{right[0], right[1], right[2], right[3]}));
}

const char* kInkDictionary =
    "<ResourceDictionary xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
    "xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\">"
    "<SolidColorBrush x:Key=\"Ink\" Color=\"#FF0000FF\"/></ResourceDictionary>";

TEST_F(RenderResourcesTest, RemoteDictionariesSupplyBrushes) {
  auto resources = Resources();
  AddDictionary(resources.get(), kInkDictionary, L"/Documents/1/Resources/Ink.dict");
  const Pixels p = RenderPage(
      PageMarkup("Width=\"96\" Height=\"96\"",
                 "<FixedPage.Resources><ResourceDictionary Source=\"../Resources/Ink.dict\"/></FixedPage.Resources>"
                 "<Path Data=\"M 0,0 L 48,0 48,48 0,48 Z\" Fill=\"{StaticResource Ink}\"/>"),
      resources.get(), 96, 96, 96);
  ASSERT_EQ(96u, p.width);
  const BYTE* ink = p.at(10, 10);
  EXPECT_EQ((std::vector<int>{255, 0, 0, 255}), (std::vector<int>{ink[0], ink[1], ink[2], ink[3]}));
  EXPECT_EQ(0, p.at(60, 60)[3]);
}

}  // namespace
}  // namespace xpsom_test
