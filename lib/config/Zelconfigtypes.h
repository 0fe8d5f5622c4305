// Configuration items: the abstract item TBaseConfigType, the typed item
// TConfigType<T> with its six aliases, and the map-valued item
// TConfigCollectionType<K,V>.
#pragma once

#include <map>
#include <type_traits>
#include <utility>

#include "SysUtils.hpp"
#include "System.hpp"
#include "Zelconfigadaptor.h"
#include "Zelconvert.h"
#include "Zelstringlistadaptor.h"

namespace zelconfig {

// One setting. Its item name is the key under which it is stored inside its
// section; the program-wide identifier through which programs reach it is
// kept by the configuration root, never by the item, and never reaches
// storage. Items are owned by their section and deleted through this base.
//
// The order of the virtual operations is part of the interface.
class TBaseConfigType {
public:
    TBaseConfigType(const AnsiString& sectionName, const AnsiString& itemName,
                    const AnsiString& description);
    virtual ~TBaseConfigType();
    TBaseConfigType(const TBaseConfigType&) = delete;
    TBaseConfigType& operator=(const TBaseConfigType&) = delete;

    // Takes the stored value, or the default when storage has none.
    virtual void LoadValue(TBaseConfigAdaptor* adaptor) = 0;
    virtual void SaveValue(TBaseConfigAdaptor* adaptor) = 0;
    virtual void ResetValue() = 0;
    // The values as shown to people (HTML export, diagnostics).
    virtual AnsiString GetDefaultAsString() = 0;
    virtual AnsiString GetValueAsString() = 0;

    // The name of the holding section when the item was defined.
    const AnsiString SectionName;
    const AnsiString ItemName;
    const AnsiString Description;

protected:
    // Adaptors are handed in as pointers; a null one is a caller's error.
    TBaseConfigAdaptor& Checked(TBaseConfigAdaptor* adaptor) const;
};

namespace detail {

// The adaptor operation that moves a value of each supported type.
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const int& d, int& v)
{
    a.ReadInteger(s, n, d, v);
}
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const double& d,
                 double& v)
{
    a.ReadDouble(s, n, d, v);
}
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const TDateTime& d,
                 TDateTime& v)
{
    a.ReadDateTime(s, n, d, v);
}
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const bool& d, bool& v)
{
    a.ReadBool(s, n, d, v);
}
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const AnsiString& d,
                 AnsiString& v)
{
    a.ReadString(s, n, d, v);
}
inline void Read(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n,
                 const TStringListAdaptor& d, TStringListAdaptor& v)
{
    a.ReadMultiString(s, n, d, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const int& v)
{
    a.WriteInteger(s, n, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const double& v)
{
    a.WriteDouble(s, n, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const TDateTime& v)
{
    a.WriteDateTime(s, n, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const bool& v)
{
    a.WriteBool(s, n, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n, const AnsiString& v)
{
    a.WriteString(s, n, v);
}
inline void Write(TBaseConfigAdaptor& a, const AnsiString& s, const AnsiString& n,
                  const TStringListAdaptor& v)
{
    a.WriteMultiString(s, n, v);
}

}  // namespace detail

// A typed setting: int, double, TDateTime, bool, AnsiString or a string list
// (see the aliases below). Value starts as a copy of DefaultValue.
template <typename T>
class TConfigType : public TBaseConfigType {
public:
    using value_type = T;

    TConfigType(const AnsiString& sectionName, const AnsiString& itemName, const T& defaultValue,
                const AnsiString& description)
        : TBaseConfigType(sectionName, itemName, description), DefaultValue(defaultValue), Value(defaultValue)
    {
    }

    // The fallback is always the default, never the current value: a key
    // missing from storage puts the item back to its default.
    void LoadValue(TBaseConfigAdaptor* adaptor) override
    {
        detail::Read(Checked(adaptor), SectionName, ItemName, DefaultValue, Value);
    }
    void SaveValue(TBaseConfigAdaptor* adaptor) override
    {
        detail::Write(Checked(adaptor), SectionName, ItemName, Value);
    }
    void ResetValue() override { Value = DefaultValue; }
    AnsiString GetDefaultAsString() override { return zelcore::ConvertToString(DefaultValue); }
    AnsiString GetValueAsString() override { return zelcore::ConvertToString(Value); }

    const T DefaultValue;
    T Value;
};

using TConfigInt = TConfigType<int>;
using TConfigDouble = TConfigType<double>;
using TConfigDateTime = TConfigType<TDateTime>;
using TConfigBool = TConfigType<bool>;
using TConfigAnsiString = TConfigType<AnsiString>;
using TConfigMultiString = TConfigType<TStringListAdaptor>;

extern template class TConfigType<int>;
extern template class TConfigType<double>;
extern template class TConfigType<TDateTime>;
extern template class TConfigType<bool>;
extern template class TConfigType<AnsiString>;
extern template class TConfigType<TStringListAdaptor>;

// The item name every collection has.
inline const AnsiString CollectionItemName = "Items";

// A map-valued setting that is stored as its section's whole list of
// name=value lines, one per entry (keys and values as ConvertToString gives
// them). It must therefore be the only item of its section, and its item
// name is always "Items".
// Marks the collection items whatever their key and value types.
class TConfigCollectionTag {};

template <typename K, typename V>
class TConfigCollectionType : public TBaseConfigType, public TConfigCollectionTag {
public:
    using value_type = std::map<K, V>;

    TConfigCollectionType(const AnsiString& sectionName, const value_type& defaultValue,
                          const AnsiString& description)
        : TBaseConfigType(sectionName, CollectionItemName, description),
          DefaultValue(defaultValue),
          Value(defaultValue)
    {
    }

    // Value becomes the section's lines; a section missing from storage
    // gives an empty map. When names repeat (ignoring case) the first wins.
    void LoadValue(TBaseConfigAdaptor* adaptor) override
    {
        TStringListAdaptor lines;
        Checked(adaptor).ReadSectionValues(SectionName, FEmptyList, lines);
        Value.clear();
        for (int i = 0; i < lines->Count(); ++i) {
            const AnsiString name = lines->Names(i);
            K key;
            zelcore::ConvertFromString(name, &key);
            // A text value is taken as it is, not copied once more: a list
            // of folders may be megabytes long.
            if constexpr (std::is_same_v<V, AnsiString>) {
                Value[key] = lines->Values(name);
            } else {
                V value;
                zelcore::ConvertFromString(lines->Values(name), &value);
                Value[key] = std::move(value);
            }
        }
    }
    // Replaces the whole section with one line per entry, in key order.
    void SaveValue(TBaseConfigAdaptor* adaptor) override
    {
        TStringListAdaptor lines;
        for (const auto& [key, value] : Value)
            lines->Add(zelcore::ConvertToString(key) + "=" + zelcore::ConvertToString(value));
        Checked(adaptor).WriteSectionValues(SectionName, lines);
    }
    void ResetValue() override { Value = DefaultValue; }
    // The values only, as the comma text of Items1=..., Items2=..., in key order.
    AnsiString GetDefaultAsString() override { return AsString(DefaultValue); }
    AnsiString GetValueAsString() override { return AsString(Value); }

    const value_type DefaultValue;
    value_type Value;

private:
    AnsiString AsString(const value_type& map) const
    {
        TStringListAdaptor lines;
        int n = 0;
        for (const auto& entry : map)
            lines->Add(ItemName + IntToStr(++n) + "=" + zelcore::ConvertToString(entry.second));
        return lines->CommaText();
    }

    const TStringListAdaptor FEmptyList;
};

extern template class TConfigCollectionType<AnsiString, AnsiString>;

}  // namespace zelconfig
