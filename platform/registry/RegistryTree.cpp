// RegKey lookups and edits, and the splitting of key paths.
#include "RegistryTree.h"

#include <algorithm>

#include "SysUtils.hpp"

namespace twsregistry {

std::size_t RegKey::LowerBound(const std::string& name) const
{
    const auto it = std::lower_bound(
        FChildren.begin(), FChildren.end(), name,
        [](const std::unique_ptr<RegKey>& child, const std::string& n) {
            return CompareText(child->Name(), n) < 0;
        });
    return static_cast<std::size_t>(it - FChildren.begin());
}

const RegKey* RegKey::FindChild(const std::string& name) const
{
    const std::size_t i = LowerBound(name);
    if (i < FChildren.size() && SameText(FChildren[i]->Name(), name))
        return FChildren[i].get();
    return nullptr;
}

RegKey* RegKey::FindChild(const std::string& name)
{
    return const_cast<RegKey*>(static_cast<const RegKey*>(this)->FindChild(name));
}

RegKey& RegKey::AddChild(const std::string& name, bool* created)
{
    const std::size_t i = LowerBound(name);
    const bool exists = i < FChildren.size() && SameText(FChildren[i]->Name(), name);
    if (created != nullptr)
        *created = !exists;
    if (exists)
        return *FChildren[i];
    auto it = FChildren.insert(FChildren.begin() + static_cast<long>(i),
                               std::make_unique<RegKey>(name));
    return **it;
}

bool RegKey::RemoveChild(const std::string& name)
{
    const std::size_t i = LowerBound(name);
    if (i >= FChildren.size() || !SameText(FChildren[i]->Name(), name))
        return false;
    FChildren.erase(FChildren.begin() + static_cast<long>(i));
    return true;
}

const RegValue* RegKey::FindValue(const std::string& name) const
{
    for (const auto& v : FValues)
        if (SameText(v.name, name))
            return &v;
    return nullptr;
}

bool RegKey::SetValue(const std::string& name, DWORD type, std::string data)
{
    for (auto& v : FValues)
        if (SameText(v.name, name)) {
            if (v.type == type && v.data == data)
                return false;
            v.type = type;
            v.data = std::move(data);
            return true;
        }
    FValues.push_back(RegValue{name, type, std::move(data)});
    return true;
}

bool RegKey::RemoveValue(const std::string& name)
{
    for (auto it = FValues.begin(); it != FValues.end(); ++it)
        if (SameText(it->name, name)) {
            FValues.erase(it);
            return true;
        }
    return false;
}

void RegKey::Clear()
{
    FValues.clear();
    FChildren.clear();
}

const RegKey* RegKey::Find(const std::vector<std::string>& path) const
{
    const RegKey* key = this;
    for (const auto& part : path) {
        key = key->FindChild(part);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

RegKey* RegKey::Find(const std::vector<std::string>& path)
{
    return const_cast<RegKey*>(static_cast<const RegKey*>(this)->Find(path));
}

namespace {
// Windows limits a key name to 255 characters; count UTF-8 lead bytes.
std::size_t CharCount(const std::string& s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}
}  // namespace

PathCheck SplitKeyPath(const char* text, KeyPath& parts)
{
    parts.clear();
    if (text == nullptr || *text == '\0')
        return PathCheck::Valid;
    std::string s(text);
    if (s.back() == '\\')
        s.pop_back();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find('\\', start);
        std::string part = s.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || CharCount(part) > 255)
            return PathCheck::Invalid;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return PathCheck::Invalid;
        parts.push_back(std::move(part));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return PathCheck::Valid;
}

std::string JoinKeyPath(const KeyPath& parts)
{
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty())
            out += '\\';
        out += p;
    }
    return out;
}

}  // namespace twsregistry
