#include "host/package/font_embedding.h"

#include <cstdint>

namespace brimloft::host {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t Be32(const std::vector<unsigned char>& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}
unsigned Be16(const std::vector<unsigned char>& b, std::size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; }

}  // namespace

bool XorObfuscation(std::vector<unsigned char>& font, const std::string& partName) {
  // The key is the GUID of the file name, its 32 hex digits read as 16 bytes.
  std::string stem = partName.substr(partName.rfind('/') + 1);
  stem = stem.substr(0, stem.find('.'));
  std::string digits;
  for (char c : stem) {
    if (HexValue(c) >= 0) digits.push_back(c);
    else if (c != '-' && c != '{' && c != '}') return false;
  }
  if (digits.size() != 32 || font.size() < 32) return false;
  unsigned char key[16];
  for (int i = 0; i < 16; ++i) key[i] = static_cast<unsigned char>(HexValue(digits[2 * i]) * 16 + HexValue(digits[2 * i + 1]));
  for (int i = 0; i < 16; ++i) {
    font[i] ^= key[15 - i];
    font[i + 16] ^= key[15 - i];
  }
  return true;
}

unsigned EmbeddingRestriction(const std::vector<unsigned char>& font) {
  if (font.size() < 12) return 0;
  const std::uint32_t version = Be32(font, 0);
  if (version != 0x00010000u && version != 0x4F54544Fu /* OTTO */ && version != 0x74727565u /* true */) return 0;
  const unsigned tables = Be16(font, 4);
  for (unsigned i = 0; i < tables; ++i) {
    const std::size_t record = 12 + std::size_t(i) * 16;
    if (record + 16 > font.size()) return 0;
    if (Be32(font, record) != 0x4F532F32u /* OS/2 */) continue;
    const std::size_t offset = Be32(font, record + 8);
    if (offset + 10 > font.size()) return 0;
    return Be16(font, offset + 8) & 0x000E;
  }
  return 0;
}

}  // namespace brimloft::host
