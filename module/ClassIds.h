// The six printer variants: their class identifiers, codes and head widths.
#ifndef BRIMLOFT_MODULE_CLASSIDS_H
#define BRIMLOFT_MODULE_CLASSIDS_H

#include <windows.h>

namespace brimloft {

// {6E1D5A21-3C4B-4F0E-9A51-0B7C2D8E4101} and following: one class per variant.
constexpr CLSID CLSID_BrimloftFilterRX3P = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x01}};
constexpr CLSID CLSID_BrimloftFilterRX3Q = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x02}};
constexpr CLSID CLSID_BrimloftFilterRX2P = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x03}};
constexpr CLSID CLSID_BrimloftFilterRX2Q = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x04}};
constexpr CLSID CLSID_BrimloftFilterRX1P = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x05}};
constexpr CLSID CLSID_BrimloftFilterRX1Q = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x06}};

// One row of the variant table; the rows' order is the order in which class ids are compared.
struct VariantInfo {
  const char* code;
  const CLSID* clsid;
  USHORT classObjectTrace;  // dllentry record: class object requested
  USHORT filterCreatedTrace;  // dllentry record: filter created
  UINT headWidth;  // dots
};

constexpr VariantInfo kVariants[] = {
    {"RX3P", &CLSID_BrimloftFilterRX3P, 16, 10, 832}, {"RX3Q", &CLSID_BrimloftFilterRX3Q, 17, 11, 832},
    {"RX2P", &CLSID_BrimloftFilterRX2P, 18, 12, 576}, {"RX2Q", &CLSID_BrimloftFilterRX2Q, 19, 13, 576},
    {"RX1P", &CLSID_BrimloftFilterRX1P, 20, 14, 432}, {"RX1Q", &CLSID_BrimloftFilterRX1Q, 21, 15, 432},
};
constexpr int kVariantCount = sizeof kVariants / sizeof kVariants[0];

}  // namespace brimloft

#endif
