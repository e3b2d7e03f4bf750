// The trace provider's identifiers: the control identifier a controller enables, and one message
// identifier per trace unit. Shared by the module's provider and the trace decoder.
#ifndef BRIMLOFT_MODULE_TRACE_IDS_H
#define BRIMLOFT_MODULE_TRACE_IDS_H

#include <windows.h>

#include "module/trace_unit.h"

namespace brimloft {
namespace trace_ids {

// {43B22443-7F59-460E-AC1F-2399AF5171EC}
constexpr GUID kControl = {0x43b22443, 0x7f59, 0x460e, {0xac, 0x1f, 0x23, 0x99, 0xaf, 0x51, 0x71, 0xec}};

// Message identifiers, one per unit.
constexpr GUID kDllentry = {0x761aa3d5, 0x8f00, 0x4d10, {0x95, 0x4a, 0xd9, 0x4d, 0xb0, 0x26, 0x0e, 0x41}};
constexpr GUID kUnknownBase = {0x856fc07e, 0xb2c1, 0x4b3b, {0xad, 0x08, 0x1f, 0x1e, 0x75, 0xd9, 0xb9, 0xf7}};
constexpr GUID kFiltertypes = {0x05fe6b11, 0x2e62, 0x46ca, {0x90, 0xe4, 0x32, 0xbc, 0x5b, 0xaf, 0x43, 0x64}};
constexpr GUID kBrimloftFilter = {0x21ab87a2, 0x5e64, 0x438b, {0xa0, 0x06, 0xf8, 0x18, 0x33, 0xe5, 0x9c, 0xc9}};
constexpr GUID kPThandler = {0x6d2a6884, 0x2a59, 0x4354, {0x95, 0x19, 0xa6, 0x14, 0xa6, 0xb2, 0x25, 0x5a}};
constexpr GUID kOmconvertor = {0x3d04df2b, 0x00a9, 0x4e2f, {0x91, 0xc5, 0x90, 0x49, 0x23, 0x68, 0x06, 0x03}};
constexpr GUID kRasinterface = {0xd9a464c4, 0x4e01, 0x446d, {0xbb, 0x43, 0x27, 0x71, 0x2e, 0x17, 0x6a, 0xf1}};
constexpr GUID kBrimloftBitmapHandler = {0x034ce6be, 0x63ff, 0x4216,
                                         {0x98, 0x4d, 0x7b, 0xa1, 0x2a, 0x31, 0xe3, 0xa1}};
constexpr GUID kThrowHr = {0x79d08902, 0xb233, 0x4251, {0xaf, 0x99, 0xb8, 0x9a, 0x83, 0x98, 0x1b, 0xe6}};
constexpr GUID kTraceFailure = {0x2e970928, 0x76c4, 0x43f6, {0xb6, 0xab, 0xa0, 0x33, 0x13, 0xa4, 0xfa, 0x55}};

// The message identifier of a unit's records.
constexpr const GUID& MessageGuidOf(TraceUnit unit) noexcept {
  switch (unit) {
    case TraceUnit::dllentry: return kDllentry;
    case TraceUnit::UnknownBase: return kUnknownBase;
    case TraceUnit::filtertypes: return kFiltertypes;
    case TraceUnit::BrimloftFilter: return kBrimloftFilter;
    case TraceUnit::PThandler: return kPThandler;
    case TraceUnit::omconvertor: return kOmconvertor;
    case TraceUnit::rasinterface: return kRasinterface;
    case TraceUnit::BrimloftBitmapHandler: return kBrimloftBitmapHandler;
    case TraceUnit::throw_hr: return kThrowHr;
    case TraceUnit::trace_failure: return kTraceFailure;
  }
  return kControl;
}

}  // namespace trace_ids
}  // namespace brimloft

#endif
