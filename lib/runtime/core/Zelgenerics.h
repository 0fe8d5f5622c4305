// Generic helpers of the framework (namespace zelgenerics):
//   TDisableDelete<T>     a non-owning handle through which the object cannot be deleted
//   TManagedContainer<>   a container that owns the objects it holds, with its policies
#pragma once

#include <cstddef>
#include <utility>

namespace zelgenerics {

// A handle to an object owned elsewhere. It reaches the object through ->
// and *, compares with others and tests for null, but never yields a plain
// pointer that could be passed to delete.
template <typename T>
class TDisableDelete {
public:
    TDisableDelete() = default;
    explicit TDisableDelete(T* object) : FObject(object) {}
    template <typename U>
    TDisableDelete(const TDisableDelete<U>& other) : FObject(other.operator->()) {}

    T* operator->() const { return FObject; }
    T& operator*() const { return *FObject; }
    explicit operator bool() const { return FObject != nullptr; }
    bool IsNull() const { return FObject == nullptr; }

    template <typename U>
    bool operator==(const TDisableDelete<U>& other) const { return FObject == other.operator->(); }
    bool operator==(const T* object) const { return FObject == object; }

private:
    void operator delete(void*) = delete;
    T* FObject = nullptr;
};

// Policies of TManagedContainer.

// No locking: the container belongs to one thread at a time.
struct TNoLockPolicy {
    struct Guard {
        explicit Guard(const TNoLockPolicy&) {}
    };
};

// The container deletes every held pointer (sequences of T*).
struct TOwnObjectsPolicy {
    template <typename Value>
    static void Dispose(Value& value) { delete value; }
};

// The container deletes the mapped pointer of every pair (maps of K -> T*).
struct TOwnPairSecondObjectsPolicy {
    template <typename Value>
    static void Dispose(Value& value) { delete value.second; }
};

// The container can be neither copied nor assigned.
struct TNoAssignmentPolicy {
    TNoAssignmentPolicy() = default;
    TNoAssignmentPolicy(const TNoAssignmentPolicy&) = delete;
    TNoAssignmentPolicy& operator=(const TNoAssignmentPolicy&) = delete;
};

// A standard container of pointers (a map K -> T* or a deque of T*) that
// owns what it holds: destroying the container, clearing it or erasing an
// entry through it deletes the objects, as OwnershipPolicy says. Release
// takes an entry out without deleting it.
template <typename Container, typename LockPolicy, typename OwnershipPolicy,
          typename AssignmentPolicy, int Reserved = 0>
class TManagedContainer : private AssignmentPolicy, private LockPolicy {
public:
    using container_type = Container;
    using value_type = typename Container::value_type;
    using iterator = typename Container::iterator;
    using const_iterator = typename Container::const_iterator;
    using size_type = typename Container::size_type;

    TManagedContainer() = default;
    ~TManagedContainer() { clear(); }

    iterator begin() { return FItems.begin(); }
    iterator end() { return FItems.end(); }
    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }
    size_type size() const { return FItems.size(); }
    bool empty() const { return FItems.empty(); }

    // Maps.
    template <typename Key>
    iterator find(const Key& key) { return FItems.find(key); }
    template <typename Key>
    const_iterator find(const Key& key) const { return FItems.find(key); }
    template <typename Key>
    bool contains(const Key& key) const { return FItems.find(key) != FItems.end(); }
    // Inserts the pair; when the key is present, nothing changes and the
    // caller keeps ownership of the pointer (second is false).
    std::pair<iterator, bool> insert(const value_type& value) { return FItems.insert(value); }
    template <typename Key>
    size_type erase(const Key& key)
    {
        auto it = FItems.find(key);
        if (it == FItems.end())
            return 0;
        erase(it);
        return 1;
    }

    // Sequences.
    void push_back(const value_type& value) { FItems.push_back(value); }
    void push_front(const value_type& value) { FItems.push_front(value); }
    value_type& operator[](size_type index) { return FItems[index]; }
    const value_type& operator[](size_type index) const { return FItems[index]; }
    value_type& front() { return FItems.front(); }
    value_type& back() { return FItems.back(); }

    iterator erase(iterator it)
    {
        value_type held = *it;
        auto next = FItems.erase(it);
        OwnershipPolicy::Dispose(held);
        return next;
    }

    value_type Release(iterator it)
    {
        value_type held = *it;
        FItems.erase(it);
        return held;
    }

    void clear()
    {
        Container items;
        items.swap(FItems);
        for (auto& held : items)
            OwnershipPolicy::Dispose(held);
    }

private:
    Container FItems;
};

}  // namespace zelgenerics
