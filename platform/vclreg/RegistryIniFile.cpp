// TRegistryIniFile: sections as subkeys of a key path, items as values,
// typed items stored as the value kinds listed in Registry.hpp.
#include <cstring>
#include <optional>

#include "Registry.hpp"
#include "RegistryKeys.h"
#include "SysUtils.hpp"

using vclreg::Raise;

namespace {

// Closes a key handle when the scope ends.
class KeyHolder {
public:
    explicit KeyHolder(HKEY key) : FKey(key) {}
    ~KeyHolder()
    {
        if (FKey != nullptr)
            RegCloseKey(FKey);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY Get() const { return FKey; }

private:
    HKEY FKey;
};

AnsiString TrimBackslashes(const AnsiString& path)
{
    std::size_t a = 0, b = path.size();
    while (a < b && path[a] == '\\')
        ++a;
    while (b > a && path[b - 1] == '\\')
        --b;
    return path.substr(a, b - a);
}

AnsiString Quoted(const AnsiString& name) { return "'" + name + "'"; }

// The text of REG_SZ data: up to its first zero.
AnsiString Text(const AnsiString& data) { return data.substr(0, std::strlen(data.c_str())); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

bool IsDword(DWORD type, const AnsiString& data) { return type == REG_DWORD && data.size() == 4; }

int DwordOf(const AnsiString& data)
{
    DWORD v;
    std::memcpy(&v, data.data(), 4);
    return static_cast<int>(v);
}

// What each typed read takes from a value of each kind: nothing where the
// kind, or the text, gives no value of its type.

std::optional<AnsiString> StringOf(DWORD type, const AnsiString& data)
{
    if (IsText(type))
        return Text(data);
    if (IsDword(type, data))
        return IntToStr(DwordOf(data));
    return std::nullopt;
}

std::optional<int> IntegerOf(DWORD type, const AnsiString& data)
{
    int v;
    if (IsDword(type, data))
        return DwordOf(data);
    if (IsText(type) && TryStrToInt(Text(data), v))
        return v;
    return std::nullopt;
}

std::optional<bool> BoolOf(DWORD type, const AnsiString& data)
{
    const std::optional<int> v = IntegerOf(type, data);
    return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

// A double stored as its eight bytes.
std::optional<double> BinaryDoubleOf(DWORD type, const AnsiString& data)
{
    double v;
    if (type != REG_BINARY || data.size() != sizeof v)
        return std::nullopt;
    std::memcpy(&v, data.data(), sizeof v);
    return v;
}

std::optional<double> FloatOf(DWORD type, const AnsiString& data)
{
    double v;
    if (IsText(type))
        return TryStrToFloat(Text(data), v) ? std::optional<double>(v) : std::nullopt;
    if (IsDword(type, data))
        return DwordOf(data);
    return BinaryDoubleOf(type, data);
}

std::optional<TDateTime> DateTimeOf(DWORD type, const AnsiString& data)
{
    TDateTime v;
    if (IsText(type))
        return TryStrToDateTime(Text(data), v) ? std::optional<TDateTime>(v) : std::nullopt;
    const std::optional<double> days = BinaryDoubleOf(type, data);
    return days ? std::optional<TDateTime>(TDateTime(*days)) : std::nullopt;
}

}  // namespace

TRegistryIniFile::TRegistryIniFile(const AnsiString& keyPath, unsigned access)
    : FFileName(keyPath), FRegistry(std::make_unique<TRegistry>(access))
{
}

TRegistryIniFile::~TRegistryIniFile() = default;

AnsiString TRegistryIniFile::SectionPath(const AnsiString& section) const
{
    const AnsiString base = TrimBackslashes(FFileName);
    const AnsiString sub = TrimBackslashes(section);
    if (base.empty())
        return sub;
    return sub.empty() ? base : base + "\\" + sub;
}

REGSAM TRegistryIniFile::ReadAccess() const
{
    // Reads ask only for the reading part of the mask, so that a root
    // without write access still reads.
    const REGSAM read = FRegistry->Access() & KEY_READ;
    return read != 0 ? read : FRegistry->Access();
}

HKEY TRegistryIniFile::OpenSection(const AnsiString& section, REGSAM access) const
{
    const AnsiString path = SectionPath(section);
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(FRegistry->RootKey(), path.c_str(), 0, access, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return nullptr;
    if (rc != ERROR_SUCCESS)
        Raise("Failed to open key " + path, rc);
    return key;
}

HKEY TRegistryIniFile::CreateSection(const AnsiString& section) const
{
    const AnsiString path = SectionPath(section);
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(FRegistry->RootKey(), path.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, FRegistry->Access(), nullptr, &key,
                                    nullptr);
    if (rc != ERROR_SUCCESS)
        Raise("Failed to create key " + path, rc);
    return key;
}

bool TRegistryIniFile::Query(const AnsiString& section, const AnsiString& name, DWORD& type,
                             AnsiString& data) const
{
    if (name.empty())
        return false;  // the default value is not an item
    KeyHolder key(OpenSection(section, ReadAccess()));
    if (key.Get() == nullptr)
        return false;
    data.assign(64, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
        if (rc == ERROR_FILE_NOT_FOUND)
            return false;
        if (rc != ERROR_MORE_DATA)
            Raise("Failed to get data for " + Quoted(name), rc);
        data.resize(size);
    }
}

template <typename T, typename Convert>
T TRegistryIniFile::ReadAs(const AnsiString& section, const AnsiString& name, const T& defaultValue,
                           Convert convert) const
{
    DWORD type;
    AnsiString data;
    if (!Query(section, name, type, data))
        return defaultValue;
    return convert(type, data).value_or(defaultValue);
}

void TRegistryIniFile::Put(const AnsiString& section, const AnsiString& name, DWORD type,
                           const void* data, DWORD size)
{
    if (name.empty())
        throw ERegistryException("Failed to set data for '': an item needs a name");
    // Without the right to set values, fail before creating the section.
    if ((FRegistry->Access() & KEY_SET_VALUE) == 0)
        Raise("Failed to set data for " + Quoted(name), ERROR_ACCESS_DENIED);
    KeyHolder key(CreateSection(section));
    const LONG rc =
        RegSetValueExA(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS)
        Raise("Failed to set data for " + Quoted(name), rc);
}

AnsiString TRegistryIniFile::ReadString(const AnsiString& section, const AnsiString& name,
                                        const AnsiString& defaultValue)
{
    return ReadAs(section, name, defaultValue, StringOf);
}

void TRegistryIniFile::WriteString(const AnsiString& section, const AnsiString& name,
                                   const AnsiString& value)
{
    Put(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

int TRegistryIniFile::ReadInteger(const AnsiString& section, const AnsiString& name,
                                  int defaultValue)
{
    return ReadAs(section, name, defaultValue, IntegerOf);
}

void TRegistryIniFile::WriteInteger(const AnsiString& section, const AnsiString& name, int value)
{
    const DWORD v = static_cast<DWORD>(value);
    Put(section, name, REG_DWORD, &v, sizeof v);
}

bool TRegistryIniFile::ReadBool(const AnsiString& section, const AnsiString& name, bool defaultValue)
{
    return ReadAs(section, name, defaultValue, BoolOf);
}

void TRegistryIniFile::WriteBool(const AnsiString& section, const AnsiString& name, bool value)
{
    WriteInteger(section, name, value ? 1 : 0);
}

double TRegistryIniFile::ReadFloat(const AnsiString& section, const AnsiString& name,
                                   double defaultValue)
{
    return ReadAs(section, name, defaultValue, FloatOf);
}

void TRegistryIniFile::WriteFloat(const AnsiString& section, const AnsiString& name, double value)
{
    WriteString(section, name, FloatToStr(value));
}

TDateTime TRegistryIniFile::ReadDateTime(const AnsiString& section, const AnsiString& name,
                                         TDateTime defaultValue)
{
    return ReadAs(section, name, defaultValue, DateTimeOf);
}

void TRegistryIniFile::WriteDateTime(const AnsiString& section, const AnsiString& name,
                                     TDateTime value)
{
    WriteString(section, name, DateTimeToStr(value));
}

void TRegistryIniFile::ReadSection(const AnsiString& section, TStrings* names)
{
    names->Clear();
    KeyHolder key(OpenSection(section, ReadAccess()));
    if (key.Get() == nullptr)
        return;
    TStringList all;
    if (const LONG rc = vclreg::EnumerateNames(key.Get(), vclreg::NameKind::Values, &all);
        rc != ERROR_SUCCESS)
        Raise("Failed to read key " + SectionPath(section), rc);
    for (int i = 0; i < all.Count(); ++i)
        if (!all[i].empty())
            names->Add(all[i]);
}

void TRegistryIniFile::ReadSections(TStrings* sections)
{
    sections->Clear();
    KeyHolder key(OpenSection("", ReadAccess()));
    if (key.Get() == nullptr)
        return;
    if (const LONG rc = vclreg::EnumerateNames(key.Get(), vclreg::NameKind::SubKeys, sections);
        rc != ERROR_SUCCESS)
        Raise("Failed to read key " + SectionPath(""), rc);
}

void TRegistryIniFile::ReadSectionValues(const AnsiString& section, TStrings* values)
{
    TStringList names;
    ReadSection(section, &names);
    values->Clear();
    for (int i = 0; i < names.Count(); ++i)
        values->Add(names[i] + "=" + ReadString(section, names[i], AnsiString()));
}

void TRegistryIniFile::EraseSection(const AnsiString& section)
{
    const AnsiString path = SectionPath(section);
    const LONG rc = RegDeleteTreeA(FRegistry->RootKey(), path.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        Raise("Failed to delete key " + path, rc);
}

void TRegistryIniFile::DeleteKey(const AnsiString& section, const AnsiString& name)
{
    if (name.empty())
        return;
    KeyHolder key(OpenSection(section, FRegistry->Access()));
    if (key.Get() == nullptr)
        return;
    const LONG rc = RegDeleteValueA(key.Get(), name.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        Raise("Failed to delete value " + Quoted(name), rc);
}

bool TRegistryIniFile::SectionExists(const AnsiString& section)
{
    KeyHolder key(OpenSection(section, ReadAccess()));
    return key.Get() != nullptr;
}

bool TRegistryIniFile::ValueExists(const AnsiString& section, const AnsiString& name)
{
    DWORD type;
    AnsiString data;
    return Query(section, name, type, data);
}
