// The decision behind GetOSDescription, on a version record already queried,
// so that every kind of system can be described without running on it.
#pragma once
#include <windows.h>
#include <functional>
#include "../framework/AfxString.h"

// Reads the "ProductType" value into buffer. length: on entry the buffer's size
// in bytes, on return the length the read reported. false when the key cannot
// be opened or the value cannot be read.
using ProductTypeReader = std::function<bool(char* buffer, DWORD* length)>;

// The system's reader: HKLM\SYSTEM\CurrentControlSet\Control\ProductOptions,
// value "ProductType", key opened with KEY_QUERY_VALUE and closed again.
bool ReadProductTypeFromRegistry(char* buffer, DWORD* length);

// Describes the system of info into description as GetOSDescription does;
// extended says whether info's extended fields (suite mask, product type) were
// filled. readProductType is asked only on NT when they were not. Returns 1 for
// a supported system, 0 for an unsupported one.
int DescribeOS(const OSVERSIONINFOEXA& info, bool extended,
               const ProductTypeReader& readProductType, CString& description);
