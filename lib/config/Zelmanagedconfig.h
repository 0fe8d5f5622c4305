// The configuration tree: the root TManagedConfig and its sections
// TConfigSection, with typed access to items by identifier.
#pragma once

#include <map>
#include <memory>

#include "System.hpp"
#include "Zelconfigtypes.h"
#include "Zelgenerics.h"

namespace zelconfig {

class TConfigSection;
class TManagedConfig;

// Owning maps ordered by the plain byte order of their names (case-sensitive:
// "Files" and "files" are two sections). Destroying one, or erasing through
// it, deletes the mapped object.
using TManagedConfigSections =
    zelgenerics::TManagedContainer<std::map<AnsiString, TConfigSection*>, zelgenerics::TNoLockPolicy,
                                   zelgenerics::TOwnPairSecondObjectsPolicy,
                                   zelgenerics::TNoAssignmentPolicy, 0>;
using TManagedConfigData =
    zelgenerics::TManagedContainer<std::map<AnsiString, TBaseConfigType*>, zelgenerics::TNoLockPolicy,
                                   zelgenerics::TOwnPairSecondObjectsPolicy,
                                   zelgenerics::TNoAssignmentPolicy, 0>;
using TMappedConfigSection = TManagedConfigSections::value_type;
using TMappedBaseConfigType = TManagedConfigData::value_type;

// The item class that holds a value of type T: TConfigType<T>, or the
// collection item for a map.
template <typename T>
struct TConfigItemOf {
    using type = TConfigType<T>;
};
template <typename K, typename V>
struct TConfigItemOf<std::map<K, V>> {
    using type = TConfigCollectionType<K, V>;
};

// A named group of items and child sections. It owns both; its destructor
// deletes the items, then the child sections.
class TConfigSection {
public:
    TConfigSection(TManagedConfig* owner, const AnsiString& name, const AnsiString& description,
                   TConfigSection* parentSection = nullptr);
    ~TConfigSection();
    TConfigSection(const TConfigSection&) = delete;
    TConfigSection& operator=(const TConfigSection&) = delete;

    TManagedConfig* GetOwner() const { return FOwner; }
    // Null for a section added to the root.
    TConfigSection* GetParentSection() const { return FParentSection; }
    const AnsiString& GetName() const { return FName; }
    const AnsiString& GetDescription() const { return FDescription; }

    // Child sections. "TManagedConfig Section already exists: <name>" and
    // "TManagedConfig Section does not exist: <name>".
    TConfigSection* AddChildSection(const AnsiString& name, const AnsiString& description);
    TConfigSection* GetChildSection(const AnsiString& name) const;
    bool ChildSectionExists(const AnsiString& name) const;
    bool GetHasChildSections() const;
    void GetChildIterators(TManagedConfigSections::const_iterator& begin,
                           TManagedConfigSections::const_iterator& end) const;

    // Items, in item-name order. GetItem gives null for an unknown name;
    // GetItemName throws for an index at or beyond GetItemCount.
    TBaseConfigType* GetItem(const AnsiString& itemName) const;
    unsigned int GetItemCount() const;
    AnsiString GetItemName(unsigned int index) const;
    void GetDataIterators(TManagedConfigData::const_iterator& begin,
                          TManagedConfigData::const_iterator& end) const;

    // Every item of this section in item-name order, then, when recursive,
    // every child section in name order. The adaptor must already be open.
    void LoadSection(TBaseConfigAdaptor* adaptor, bool recursive);
    void SaveSection(TBaseConfigAdaptor* adaptor, bool recursive);
    void ResetSection(bool recursive);

    // Defines a typed item and maps the identifier to it. The section keeps
    // ownership; the handle may be ignored. Throws, leaving the tree as it
    // was:
    //   "Identifier already exists : <identifier>"        anywhere in the root
    //   "TConfigSection ItemName already exists : <name>" ignoring case
    //   "TConfigSection already contains a collection : <name>"
    template <typename T>
    zelgenerics::TDisableDelete<TConfigType<T>> DefineItem(const AnsiString& identifier,
                                                           const AnsiString& itemName,
                                                           const T& defaultValue,
                                                           const AnsiString& description)
    {
        CheckNewItem(identifier, itemName);
        auto item = std::make_unique<TConfigType<T>>(FName, itemName, defaultValue, description);
        zelgenerics::TDisableDelete<TConfigType<T>> handle(item.get());
        AdoptItem(identifier, std::move(item));
        return handle;
    }
    // A text default is an AnsiString item.
    zelgenerics::TDisableDelete<TConfigAnsiString> DefineItem(const AnsiString& identifier,
                                                              const AnsiString& itemName,
                                                              const char* defaultValue,
                                                              const AnsiString& description)
    {
        return DefineItem<AnsiString>(identifier, itemName, AnsiString(defaultValue), description);
    }

    // Defines the section's collection item ("Items"), which must be its only
    // item. Throws "Identifier already exists : <identifier>" or
    // "TConfigSection already contains defined items".
    template <typename K, typename V>
    zelgenerics::TDisableDelete<TConfigCollectionType<K, V>> DefineCollection(
        const AnsiString& identifier, const std::map<K, V>& defaultValue, const AnsiString& description)
    {
        CheckNewCollection(identifier);
        auto item = std::make_unique<TConfigCollectionType<K, V>>(FName, defaultValue, description);
        zelgenerics::TDisableDelete<TConfigCollectionType<K, V>> handle(item.get());
        AdoptItem(identifier, std::move(item));
        return handle;
    }

private:
    TManagedConfig& Root() const;
    void CheckNewItem(const AnsiString& identifier, const AnsiString& itemName) const;
    void CheckNewCollection(const AnsiString& identifier) const;
    void AdoptItem(const AnsiString& identifier, std::unique_ptr<TBaseConfigType> item);
    bool HoldsCollection() const;

    TManagedConfig* FOwner;
    TConfigSection* FParentSection;
    AnsiString FName;
    AnsiString FDescription;
    TManagedConfigSections FChildSections;
    TManagedConfigData FItems;
};

// The root of a configuration: its top-level sections, and the map from
// program-wide identifiers to the items they name (which the sections own).
class TManagedConfig {
public:
    using iterator = TManagedConfigSections::iterator;

    TManagedConfig();
    virtual ~TManagedConfig();
    TManagedConfig(const TManagedConfig&) = delete;
    TManagedConfig& operator=(const TManagedConfig&) = delete;

    // Top-level sections. "TManagedConfig Section already exists: <name>" and
    // "TManagedConfig Section does not exist: <name>".
    TConfigSection* AddSection(const AnsiString& name, const AnsiString& description);
    TConfigSection* GetSection(const AnsiString& name) const;
    bool SectionExists(const AnsiString& name) const;
    // Deletes the section with its items and children, and forgets the
    // identifiers of the deleted items.
    void RemoveSection(const AnsiString& name);

    // Walk the top-level sections in name order; while the result is true,
    // it refers to the current (name, section) pair.
    bool GetFirstSection(iterator& it);
    bool GetNextSection(iterator& it);
    // The same walk for readers of a const tree.
    void GetSectionIterators(TManagedConfigSections::const_iterator& begin,
                             TManagedConfigSections::const_iterator& end) const;

    // Every item of the tree back to its default.
    void ResetToDefaults();

    bool IdentifierExists(const AnsiString& identifier) const;
    // Enters or replaces the mapping, unchecked (the definitions use it).
    void MapIdentifierToConfigType(const AnsiString& identifier, TBaseConfigType* item);

    // Typed access by identifier for int, double, TDateTime, bool,
    // AnsiString, TStringListAdaptor and maps (collection items). Only the
    // value in memory changes. Throws "Identifier does not exist: <id>" or
    // "Unable to cast to the required type for Identifier : <id>".
    template <typename T>
    T GetValue(const AnsiString& identifier) const
    {
        return TypedItem<T>(identifier).Value;
    }
    template <typename T>
    void SetValue(const AnsiString& identifier, const T& value)
    {
        TypedItem<T>(identifier).Value = value;
    }

private:
    friend class TConfigSection;

    TBaseConfigType& Item(const AnsiString& identifier) const;
    [[noreturn]] static void ThrowWrongType(const AnsiString& identifier);

    template <typename T>
    typename TConfigItemOf<T>::type& TypedItem(const AnsiString& identifier) const
    {
        auto* item = dynamic_cast<typename TConfigItemOf<T>::type*>(&Item(identifier));
        if (item == nullptr)
            ThrowWrongType(identifier);
        return *item;
    }

    std::map<AnsiString, TBaseConfigType*> FIdentifiers;
    TManagedConfigSections FSections;
};

}  // namespace zelconfig
