// The registry in memory: a key with its values and subkeys, and the key
// paths that name keys below a root.
//
// Names are found ignoring case (SameText) and kept as first written.
// Subkeys stay in name order ignoring case, as Windows enumerates them;
// values stay in the order they were first written.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "winreg.h"

namespace twsregistry {

struct RegValue {
    std::string name;  // empty: the key's default value
    DWORD type = 0;
    std::string data;  // the bytes exactly as set
};

class RegKey {
public:
    explicit RegKey(std::string name) : FName(std::move(name)) {}

    const std::string& Name() const { return FName; }

    const std::vector<std::unique_ptr<RegKey>>& Children() const { return FChildren; }
    const RegKey* FindChild(const std::string& name) const;
    RegKey* FindChild(const std::string& name);
    // The existing child of that name, or a new one named as given.
    RegKey& AddChild(const std::string& name, bool* created = nullptr);
    bool RemoveChild(const std::string& name);

    const std::vector<RegValue>& Values() const { return FValues; }
    const RegValue* FindValue(const std::string& name) const;
    // False when the value already held exactly that kind and data.
    bool SetValue(const std::string& name, DWORD type, std::string data);
    bool RemoveValue(const std::string& name);

    // Drops every value and subkey.
    void Clear();

    // The key at the path below this one (itself for an empty path), or null.
    const RegKey* Find(const std::vector<std::string>& path) const;
    RegKey* Find(const std::vector<std::string>& path);

private:
    std::size_t LowerBound(const std::string& name) const;

    std::string FName;
    std::vector<RegValue> FValues;
    std::vector<std::unique_ptr<RegKey>> FChildren;
};

// A key path below a root, one name per part.
using KeyPath = std::vector<std::string>;

enum class PathCheck { Valid, Invalid };

// Splits "a\b\c" into its parts. A trailing backslash is allowed; a leading
// one, an empty part, a control character or a part longer than 255
// characters makes the path invalid. Null and "" give the empty path.
PathCheck SplitKeyPath(const char* text, KeyPath& parts);
std::string JoinKeyPath(const KeyPath& parts);

}  // namespace twsregistry
