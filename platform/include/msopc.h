// The packaging API's part names and its factory. Only what this code base calls is declared;
// names, identifiers, values and the relative order of the methods are those of the Windows SDK.
#ifndef BRIMLOFT_PLATFORM_MSOPC_H
#define BRIMLOFT_PLATFORM_MSOPC_H

#include <windows.h>
#include <objbase.h>
#include <urlmon.h>

// Sized integers of the SDK's basetsd.h (a repeated identical typedef is harmless).
typedef std::int32_t INT32;
typedef std::uint32_t UINT32;

#ifndef FACILITY_OPC
#define FACILITY_OPC 81
#endif

#define IS_OPC_CONFORMANCE_ERROR(x) (((x)&0x1ffff000) == (0x0000 + (FACILITY_OPC << 16)))
#define OPC_E_NONCONFORMING_URI MAKE_HRESULT(1, FACILITY_OPC, 0x1)
#define OPC_E_RELATIVE_URI_REQUIRED MAKE_HRESULT(1, FACILITY_OPC, 0x2)
#define OPC_E_RELATIONSHIP_URI_REQUIRED MAKE_HRESULT(1, FACILITY_OPC, 0x3)
#define OPC_E_PART_CANNOT_BE_DIRECTORY MAKE_HRESULT(1, FACILITY_OPC, 0x4)
#define OPC_E_UNEXPECTED_CONTENT_TYPE MAKE_HRESULT(1, FACILITY_OPC, 0x5)
#define OPC_E_DUPLICATE_PART MAKE_HRESULT(1, FACILITY_OPC, 0xb)
#define OPC_E_NO_SUCH_PART MAKE_HRESULT(1, FACILITY_OPC, 0x18)

DEFINE_GUID(IID_IOpcUri, 0xbc9c1b9b, 0xd62c, 0x49eb, 0xae, 0xf0, 0x3b, 0x4e, 0x0b, 0x28, 0xeb, 0xed);
DEFINE_GUID(IID_IOpcPartUri, 0x7d3babe7, 0x88b2, 0x46ba, 0x85, 0xcb, 0x42, 0x03, 0xcb, 0x01, 0x6c, 0x87);
DEFINE_GUID(IID_IOpcFactory, 0x6d0b4446, 0xcd73, 0x4ab3, 0x94, 0xf4, 0x8c, 0xcd, 0xf6, 0x11, 0x61, 0x54);
DEFINE_GUID(CLSID_OpcFactory, 0x6b2d6ba0, 0x9f3e, 0x4f27, 0x92, 0x0b, 0x31, 0x3c, 0xc4, 0x26, 0xa3, 0x9e);

struct IOpcUri : public IUri {
 protected:
  ~IOpcUri() = default;
};

// A part name: an absolute path of non-empty segments (see CreatePartUri).
struct IOpcPartUri : public IOpcUri {
  // Compares part names without regard to ASCII case and percent-encoding of unreserved
  // characters: *comparisonResult is < 0, 0 or > 0.
  virtual HRESULT STDMETHODCALLTYPE ComparePartUri(IOpcPartUri* partUri, INT32* comparisonResult) = 0;
  // TRUE when the name is that of a relationships part ("/.../_rels/name.rels").
  virtual HRESULT STDMETHODCALLTYPE IsRelationshipsPartUri(BOOL* isRelationshipUri) = 0;

 protected:
  ~IOpcPartUri() = default;
};

struct IOpcFactory : public IUnknown {
  // Fails with E_POINTER for a null argument and OPC_E_NONCONFORMING_URI for a string that is
  // not a part name.
  virtual HRESULT STDMETHODCALLTYPE CreatePartUri(LPCWSTR pwzUri, IOpcPartUri** partUri) = 0;

 protected:
  ~IOpcFactory() = default;
};

#endif
