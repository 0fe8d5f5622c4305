// The configuration tree: sections, the root, and the identifier map.
#include "Zelmanagedconfig.h"

#include <set>
#include <vector>

#include "SysUtils.hpp"

namespace zelconfig {

namespace {

[[noreturn]] void ThrowSectionExists(const AnsiString& name)
{
    throw Exception("TManagedConfig Section already exists: " + name);
}

[[noreturn]] void ThrowNoSection(const AnsiString& name)
{
    throw Exception("TManagedConfig Section does not exist: " + name);
}

// Every item of the section and of its children, at any depth.
void CollectItems(const TConfigSection& section, std::set<const TBaseConfigType*>& items)
{
    TManagedConfigData::const_iterator item, itemsEnd;
    section.GetDataIterators(item, itemsEnd);
    for (; item != itemsEnd; ++item)
        items.insert(item->second);
    TManagedConfigSections::const_iterator child, childrenEnd;
    section.GetChildIterators(child, childrenEnd);
    for (; child != childrenEnd; ++child)
        CollectItems(*child->second, items);
}

}  // namespace

// ---- TConfigSection -----------------------------------------------------------

TConfigSection::TConfigSection(TManagedConfig* owner, const AnsiString& name,
                               const AnsiString& description, TConfigSection* parentSection)
    : FOwner(owner), FParentSection(parentSection), FName(name), FDescription(description)
{
}

TConfigSection::~TConfigSection()
{
    FItems.clear();
    FChildSections.clear();
}

TConfigSection* TConfigSection::AddChildSection(const AnsiString& name, const AnsiString& description)
{
    if (ChildSectionExists(name))
        ThrowSectionExists(name);
    auto child = std::make_unique<TConfigSection>(FOwner, name, description, this);
    FChildSections.insert({name, child.get()});
    return child.release();
}

TConfigSection* TConfigSection::GetChildSection(const AnsiString& name) const
{
    const auto it = FChildSections.find(name);
    if (it == FChildSections.end())
        ThrowNoSection(name);
    return it->second;
}

bool TConfigSection::ChildSectionExists(const AnsiString& name) const { return FChildSections.contains(name); }

bool TConfigSection::GetHasChildSections() const { return !FChildSections.empty(); }

void TConfigSection::GetChildIterators(TManagedConfigSections::const_iterator& begin,
                                       TManagedConfigSections::const_iterator& end) const
{
    begin = FChildSections.begin();
    end = FChildSections.end();
}

TBaseConfigType* TConfigSection::GetItem(const AnsiString& itemName) const
{
    const auto it = FItems.find(itemName);
    return it == FItems.end() ? nullptr : it->second;
}

unsigned int TConfigSection::GetItemCount() const { return static_cast<unsigned int>(FItems.size()); }

AnsiString TConfigSection::GetItemName(unsigned int index) const
{
    if (index >= FItems.size())
        throw Exception("TConfigSection item index out of range: " + IntToStr(index));
    return std::next(FItems.begin(), static_cast<long>(index))->first;
}

void TConfigSection::GetDataIterators(TManagedConfigData::const_iterator& begin,
                                      TManagedConfigData::const_iterator& end) const
{
    begin = FItems.begin();
    end = FItems.end();
}

void TConfigSection::LoadSection(TBaseConfigAdaptor* adaptor, bool recursive)
{
    for (auto& [name, item] : FItems)
        item->LoadValue(adaptor);
    if (recursive)
        for (auto& [name, child] : FChildSections)
            child->LoadSection(adaptor, /*recursive=*/true);
}

void TConfigSection::SaveSection(TBaseConfigAdaptor* adaptor, bool recursive)
{
    for (auto& [name, item] : FItems)
        item->SaveValue(adaptor);
    if (recursive)
        for (auto& [name, child] : FChildSections)
            child->SaveSection(adaptor, /*recursive=*/true);
}

void TConfigSection::ResetSection(bool recursive)
{
    for (auto& [name, item] : FItems)
        item->ResetValue();
    if (recursive)
        for (auto& [name, child] : FChildSections)
            child->ResetSection(/*recursive=*/true);
}

TManagedConfig& TConfigSection::Root() const
{
    if (FOwner == nullptr)
        throw Exception("TConfigSection has no TManagedConfig: " + FName);
    return *FOwner;
}

bool TConfigSection::HoldsCollection() const
{
    for (const auto& [name, item] : FItems)
        if (dynamic_cast<const TConfigCollectionTag*>(item) != nullptr)
            return true;
    return false;
}

void TConfigSection::CheckNewItem(const AnsiString& identifier, const AnsiString& itemName) const
{
    if (Root().IdentifierExists(identifier))
        throw Exception("Identifier already exists : " + identifier);
    for (const auto& [name, item] : FItems)
        if (SameText(item->ItemName, itemName))
            throw Exception("TConfigSection ItemName already exists : " + itemName);
    // A collection stores itself as the whole section: any other item in it
    // would be erased on save and read back as an entry of the collection.
    if (HoldsCollection())
        throw Exception("TConfigSection already contains a collection : " + itemName);
}

void TConfigSection::CheckNewCollection(const AnsiString& identifier) const
{
    if (Root().IdentifierExists(identifier))
        throw Exception("Identifier already exists : " + identifier);
    if (!FItems.empty())
        throw Exception("TConfigSection already contains defined items");
}

void TConfigSection::AdoptItem(const AnsiString& identifier, std::unique_ptr<TBaseConfigType> item)
{
    TBaseConfigType* held = item.get();
    FItems.insert({held->ItemName, held});
    item.release();
    Root().MapIdentifierToConfigType(identifier, held);
}

// ---- TManagedConfig -----------------------------------------------------------

TManagedConfig::TManagedConfig() = default;

TManagedConfig::~TManagedConfig()
{
    FIdentifiers.clear();
    FSections.clear();
}

TConfigSection* TManagedConfig::AddSection(const AnsiString& name, const AnsiString& description)
{
    if (SectionExists(name))
        ThrowSectionExists(name);
    auto section = std::make_unique<TConfigSection>(this, name, description);
    FSections.insert({name, section.get()});
    return section.release();
}

TConfigSection* TManagedConfig::GetSection(const AnsiString& name) const
{
    const auto it = FSections.find(name);
    if (it == FSections.end())
        ThrowNoSection(name);
    return it->second;
}

bool TManagedConfig::SectionExists(const AnsiString& name) const { return FSections.contains(name); }

void TManagedConfig::RemoveSection(const AnsiString& name)
{
    const auto it = FSections.find(name);
    if (it == FSections.end())
        ThrowNoSection(name);
    std::set<const TBaseConfigType*> doomed;
    CollectItems(*it->second, doomed);
    std::erase_if(FIdentifiers, [&](const auto& entry) { return doomed.contains(entry.second); });
    FSections.erase(it);
}

bool TManagedConfig::GetFirstSection(iterator& it)
{
    it = FSections.begin();
    return it != FSections.end();
}

bool TManagedConfig::GetNextSection(iterator& it)
{
    if (it == FSections.end())
        return false;
    ++it;
    return it != FSections.end();
}

void TManagedConfig::GetSectionIterators(TManagedConfigSections::const_iterator& begin,
                                         TManagedConfigSections::const_iterator& end) const
{
    begin = FSections.begin();
    end = FSections.end();
}

void TManagedConfig::ResetToDefaults()
{
    for (auto& [name, section] : FSections)
        section->ResetSection(/*recursive=*/true);
}

bool TManagedConfig::IdentifierExists(const AnsiString& identifier) const
{
    return FIdentifiers.find(identifier) != FIdentifiers.end();
}

void TManagedConfig::MapIdentifierToConfigType(const AnsiString& identifier, TBaseConfigType* item)
{
    FIdentifiers[identifier] = item;
}

TBaseConfigType& TManagedConfig::Item(const AnsiString& identifier) const
{
    const auto it = FIdentifiers.find(identifier);
    if (it == FIdentifiers.end())
        throw Exception("Identifier does not exist: " + identifier);
    return *it->second;
}

void TManagedConfig::ThrowWrongType(const AnsiString& identifier)
{
    throw Exception("Unable to cast to the required type for Identifier : " + identifier);
}

}  // namespace zelconfig
