// TLazyVector<T>: a sequence that costs one pointer until its first element
// is added. A report holds tens of thousands of elements, and most of them
// have no attributes, no presentation tags and no children: an empty
// std::vector would still take three pointers in each.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace zelhtmlbuilder {

template <typename T>
class TLazyVector {
public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;
    using size_type = std::size_t;

    iterator begin() { return FItems ? FItems->data() : nullptr; }
    iterator end() { return begin() + size(); }
    const_iterator begin() const { return FItems ? FItems->data() : nullptr; }
    const_iterator end() const { return begin() + size(); }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }

    size_type size() const { return FItems ? FItems->size() : 0; }
    bool empty() const { return size() == 0; }

    // index must be below size().
    T& operator[](size_type index) { return (*FItems)[index]; }
    const T& operator[](size_type index) const { return (*FItems)[index]; }

    void push_back(const T& value) { Items().push_back(value); }
    void push_back(T&& value) { Items().push_back(std::move(value)); }
    // Inserts before at; the new element's position.
    iterator insert(const_iterator at, T value)
    {
        const auto index = at - begin();
        auto& items = Items();
        items.insert(items.begin() + index, std::move(value));
        return items.data() + index;
    }
    void clear() { FItems.reset(); }
    void swap(TLazyVector& other) noexcept { FItems.swap(other.FItems); }

private:
    std::vector<T>& Items()
    {
        if (!FItems)
            FItems = std::make_unique<std::vector<T>>();
        return *FItems;
    }

    std::unique_ptr<std::vector<T>> FItems;
};

}  // namespace zelhtmlbuilder
