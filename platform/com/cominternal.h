// Helpers the COM runtime's own sources share: GUID text and registry
// strings (text in the two encodings is textconv.h's).
#pragma once

#include <string>

#include "objbase.h"
#include "textconv.h"
#include "winreg.h"

namespace twscom::detail {

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
std::string GuidToText(REFGUID guid);
// The braced form, hex digits in either case; false for anything else.
bool TextToGuid(const char16_t* text, std::size_t length, GUID& guid);

// A string value (REG_SZ or REG_EXPAND_SZ) of root\key; false when the key
// or the value is missing or holds something else. An empty valueName reads
// the default value.
bool ReadRegistryString(HKEY root, const std::string& key, const char* valueName,
                        std::string& value);

// Creates root\key as needed and sets a REG_SZ value (with its zero); an
// empty valueName sets the default value.
bool WriteRegistryString(HKEY root, const std::string& key, const char* valueName,
                         const std::string& value);

// Whether the calling thread has initialised COM (apartment.cpp).
bool ThreadHasApartment();

}  // namespace twscom::detail
