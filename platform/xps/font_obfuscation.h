// Obfuscated fonts of XPS: the first 32 bytes XORed with a key taken from the GUID in the font's
// part name. The operation is its own inverse.
#ifndef BRIMLOFT_PLATFORM_XPS_FONT_OBFUSCATION_H
#define BRIMLOFT_PLATFORM_XPS_FONT_OBFUSCATION_H

#include <string>

namespace platform::xps {

// True when the bytes start like a clear TrueType, OpenType or collection font.
bool LooksLikeClearFont(const std::string& data);

// Applies the XOR of the key in the last segment of partName (its first 32 hex digits) to the
// first 32 bytes of data. False, changing nothing, when the name holds no key or data is shorter.
bool ToggleFontObfuscation(const std::string& partName, std::string& data);

}  // namespace platform::xps

#endif
