// TTagAttributeValues packed into one string; TTagAttributes as a sorted
// sequence of entries.
#include "Zelhtmlattributes.h"

#include <algorithm>

namespace zelhtmlbuilder {

void TTagAttributeValues::push_back(const AnsiString& value)
{
    std::size_t length = value.size();
    while (length >= 0x80) {
        FPacked.push_back(static_cast<char>(0x80 | (length & 0x7F)));
        length >>= 7;
    }
    FPacked.push_back(static_cast<char>(length));
    FPacked.append(value);
}

std::pair<std::size_t, std::size_t> TTagAttributeValues::Next(std::size_t& offset) const
{
    std::size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(FPacked[offset++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            break;
    }
    const std::size_t start = offset;
    offset += length;
    return {start, length};
}

std::size_t TTagAttributeValues::size() const
{
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < FPacked.size(); ++count)
        Next(offset);
    return count;
}

AnsiString TTagAttributeValues::operator[](std::size_t index) const
{
    std::size_t offset = 0;
    for (;; --index) {
        const auto [start, length] = Next(offset);
        if (index == 0)
            return FPacked.substr(start, length);
    }
}

TTagAttributes::const_iterator TTagAttributes::LowerBound(const AnsiString& name) const
{
    return std::lower_bound(begin(), end(), name,
                            [](const value_type& entry, const AnsiString& key) { return entry.first < key; });
}

TTagAttributeValues& TTagAttributes::operator[](const AnsiString& name)
{
    const std::size_t index = static_cast<std::size_t>(LowerBound(name) - begin());
    if (index < FEntries.size() && FEntries[index].first == name)
        return FEntries[index].second;
    return FEntries.insert(begin() + index, value_type(name, TTagAttributeValues()))->second;
}

TTagAttributes::const_iterator TTagAttributes::find(const AnsiString& name) const
{
    const_iterator at = LowerBound(name);
    return at != end() && at->first == name ? at : end();
}

}  // namespace zelhtmlbuilder
