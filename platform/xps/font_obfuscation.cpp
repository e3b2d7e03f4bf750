#include "xps/font_obfuscation.h"

namespace platform::xps {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool LooksLikeClearFont(const std::string& data) {
  if (data.size() < 4) return false;
  const std::string tag = data.substr(0, 4);
  return tag == std::string("\0\1\0\0", 4) || tag == "OTTO" || tag == "true" || tag == "typ1" || tag == "ttcf";
}

bool ToggleFontObfuscation(const std::string& partName, std::string& data) {
  if (data.size() < 32) return false;
  const size_t slash = partName.rfind('/');
  std::string digits;
  for (size_t i = slash == std::string::npos ? 0 : slash + 1; i < partName.size() && digits.size() < 32; ++i)
    if (HexValue(partName[i]) >= 0) digits += partName[i];
  if (digits.size() != 32) return false;
  // The key bytes are read from the GUID's digits in order and applied from the last one back.
  unsigned char key[16];
  for (int i = 0; i < 16; ++i) key[i] = static_cast<unsigned char>(HexValue(digits[2 * i]) * 16 + HexValue(digits[2 * i + 1]));
  for (int i = 0; i < 16; ++i) {
    data[i] = static_cast<char>(data[i] ^ key[15 - i]);
    data[i + 16] = static_cast<char>(data[i + 16] ^ key[15 - i]);
  }
  return true;
}

}  // namespace platform::xps
