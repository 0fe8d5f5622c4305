// The VCL registry classes: TRegistry, a cursor on one open registry key,
// and TRegistryIniFile, a registry key seen as an INI file.
//
// Both work through the Win32 registry functions (winreg.h). Failures raise
// ERegistryException with a fixed English message naming the key or value,
// followed by the reason; for a damaged registry file the reason names the
// file.
#pragma once

#include <memory>

#include "Classes.hpp"
#include "IniFiles.hpp"
#include "System.hpp"
#include <windows.h>

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// One open key at a time below a root key (HKEY_CURRENT_USER unless set).
//
// Key paths use "\" between names. A path starting with "\" is taken from
// the root key; any other path from the current key when one is open,
// otherwise from the root key. Opening a key closes the one open before.
//
// Answers that can be "no" (OpenKey, KeyExists, ValueExists, DeleteKey, ...)
// are false for a key or value that is missing or not accessible, but a
// damaged or unreadable registry raises ERegistryException: it is never
// taken for an absent key.
class TRegistry {
public:
    TRegistry();  // KEY_ALL_ACCESS
    explicit TRegistry(unsigned access);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    // Changing the root key closes the current key.
    void SetRootKey(HKEY rootKey);
    // The open key, or null.
    HKEY CurrentKey() const { return FCurrentKey; }
    // The open key's path below the root key, without a leading "\".
    const AnsiString& CurrentPath() const { return FCurrentPath; }
    // The access mask keys are opened with.
    unsigned Access() const { return FAccess; }
    void SetAccess(unsigned access) { FAccess = access; }

    bool OpenKey(const AnsiString& key, bool canCreate);
    bool OpenKeyReadOnly(const AnsiString& key);
    void CloseKey();
    bool CreateKey(const AnsiString& key);  // false when it already existed or failed
    // Deletes the key with all its subkeys.
    bool DeleteKey(const AnsiString& key);
    bool KeyExists(const AnsiString& key);
    bool HasSubKeys();
    void GetKeyNames(TStrings* names);  // subkeys of the current key
    void GetValueNames(TStrings* names);  // the default value is the empty name

    bool ValueExists(const AnsiString& name);
    bool DeleteValue(const AnsiString& name);
    TRegDataType GetDataType(const AnsiString& name);  // rdUnknown when missing
    int GetDataSize(const AnsiString& name);  // -1 when missing

    // The typed values of the current key. Reads raise for a missing value
    // (except ReadString, which gives "") and for a value of another kind.
    AnsiString ReadString(const AnsiString& name);  // REG_SZ or REG_EXPAND_SZ
    void WriteString(const AnsiString& name, const AnsiString& value);  // REG_SZ
    void WriteExpandString(const AnsiString& name, const AnsiString& value);  // REG_EXPAND_SZ
    int ReadInteger(const AnsiString& name);  // REG_DWORD
    void WriteInteger(const AnsiString& name, int value);  // REG_DWORD
    bool ReadBool(const AnsiString& name);  // REG_DWORD, true unless 0
    void WriteBool(const AnsiString& name, bool value);  // REG_DWORD 1 or 0

private:
    HKEY BaseKey(bool relative) const;
    bool OpenOrCreate(const AnsiString& key, bool canCreate, unsigned access);
    void PutData(const AnsiString& name, DWORD type, const void* data, DWORD size);
    // The value's kind and bytes; raises when it cannot be read.
    void GetData(const AnsiString& name, DWORD& type, AnsiString& data);

    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    AnsiString FCurrentPath;
    unsigned FAccess;
};

// A registry key seen as an INI file: each section is a subkey of the key
// path (a section "A\B" a subkey two levels down), each item a value of it.
// The root is that of RegIniFile(), HKEY_CURRENT_USER unless the caller
// sets another; the key path stays the same whatever the root.
//
// Every call opens the section's key afresh, so nothing is held open and
// nothing is created until something is written. What each write stores:
//   WriteString     REG_SZ
//   WriteInteger    REG_DWORD (negative numbers as their 32-bit pattern)
//   WriteBool       REG_DWORD 1 or 0
//   WriteFloat      REG_SZ, the text FloatToStr gives
//   WriteDateTime   REG_SZ, the text DateTimeToStr gives
// Reads take both kinds and fall back to the default, as INI files do,
// when the value is missing or does not convert:
//   ReadString      REG_SZ / REG_EXPAND_SZ as is, REG_DWORD as its decimal text
//   ReadInteger     REG_DWORD, or text that StrToInt accepts
//   ReadBool        the same, true unless 0
//   ReadFloat       text that StrToFloat accepts, REG_DWORD, or the 8-byte
//                   binary double other registry writers store
//   ReadDateTime    text that StrToDateTime accepts, or the 8-byte binary
//                   double
// Item names are value names; the key's default value (the empty name) is
// not an item. Reads open keys with only the reading part of the access
// mask, so a root without write access still reads. Failures other than a
// missing section or value (no access, a damaged registry) raise
// ERegistryException.
class TRegistryIniFile : public TCustomIniFile {
public:
    explicit TRegistryIniFile(const AnsiString& keyPath, unsigned access = KEY_ALL_ACCESS);
    ~TRegistryIniFile() override;

    // The key path the sections are below.
    const AnsiString& FileName() const { return FFileName; }
    // The registry object whose root key and access mask this file uses.
    TRegistry* RegIniFile() const { return FRegistry.get(); }

    AnsiString ReadString(const AnsiString& section, const AnsiString& name,
                          const AnsiString& defaultValue) override;
    void WriteString(const AnsiString& section, const AnsiString& name,
                     const AnsiString& value) override;
    int ReadInteger(const AnsiString& section, const AnsiString& name, int defaultValue) override;
    void WriteInteger(const AnsiString& section, const AnsiString& name, int value) override;
    double ReadFloat(const AnsiString& section, const AnsiString& name, double defaultValue) override;
    void WriteFloat(const AnsiString& section, const AnsiString& name, double value) override;
    TDateTime ReadDateTime(const AnsiString& section, const AnsiString& name,
                           TDateTime defaultValue) override;
    void WriteDateTime(const AnsiString& section, const AnsiString& name, TDateTime value) override;
    bool ReadBool(const AnsiString& section, const AnsiString& name, bool defaultValue) override;
    void WriteBool(const AnsiString& section, const AnsiString& name, bool value) override;

    void ReadSection(const AnsiString& section, TStrings* names) override;
    void ReadSections(TStrings* sections) override;
    // One name=value line per value, in the order the values were written;
    // the list is cleared first.
    void ReadSectionValues(const AnsiString& section, TStrings* values) override;
    // Deletes the section's key with all its subkeys.
    void EraseSection(const AnsiString& section) override;
    void DeleteKey(const AnsiString& section, const AnsiString& name) override;
    bool SectionExists(const AnsiString& section) override;
    bool ValueExists(const AnsiString& section, const AnsiString& name) override;

private:
    AnsiString SectionPath(const AnsiString& section) const;
    REGSAM ReadAccess() const;
    // The section's key opened with that access, or null when missing.
    HKEY OpenSection(const AnsiString& section, REGSAM access) const;
    HKEY CreateSection(const AnsiString& section) const;
    // False when the value is missing; raises on other failures.
    bool Query(const AnsiString& section, const AnsiString& name, DWORD& type, AnsiString& data) const;
    // What convert makes of the value's kind and bytes (an optional T);
    // defaultValue when the value is missing or convert gives nothing.
    template <typename T, typename Convert>
    T ReadAs(const AnsiString& section, const AnsiString& name, const T& defaultValue, Convert convert) const;
    void Put(const AnsiString& section, const AnsiString& name, DWORD type, const void* data,
             DWORD size);

    AnsiString FFileName;
    std::unique_ptr<TRegistry> FRegistry;
};
