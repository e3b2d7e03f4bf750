// The six printer variants: their class identifiers, codes and head widths.
#ifndef BRIMLOFT_MODULE_CLASSIDS_H
#define BRIMLOFT_MODULE_CLASSIDS_H

#include <windows.h>

#include "module/trace.h"

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
  const trace::Point<>* classObjectTrace;
  const trace::Point<>* filterCreatedTrace;
  UINT headWidth;  // dots
};

constexpr VariantInfo kVariants[] = {
    {"RX3P", &CLSID_BrimloftFilterRX3P, &trace::ClassObjectRequestedRX3P, &trace::FilterCreatedRX3P, 832},
    {"RX3Q", &CLSID_BrimloftFilterRX3Q, &trace::ClassObjectRequestedRX3Q, &trace::FilterCreatedRX3Q, 832},
    {"RX2P", &CLSID_BrimloftFilterRX2P, &trace::ClassObjectRequestedRX2P, &trace::FilterCreatedRX2P, 576},
    {"RX2Q", &CLSID_BrimloftFilterRX2Q, &trace::ClassObjectRequestedRX2Q, &trace::FilterCreatedRX2Q, 576},
    {"RX1P", &CLSID_BrimloftFilterRX1P, &trace::ClassObjectRequestedRX1P, &trace::FilterCreatedRX1P, 432},
    {"RX1Q", &CLSID_BrimloftFilterRX1Q, &trace::ClassObjectRequestedRX1Q, &trace::FilterCreatedRX1Q, 432},
};
constexpr int kVariantCount = sizeof kVariants / sizeof kVariants[0];

}  // namespace brimloft

#endif
