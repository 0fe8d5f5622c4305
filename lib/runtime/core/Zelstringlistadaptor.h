// TStringListAdaptor: the framework's list-of-strings value. It owns one
// TStringList, copies deeply, and is handed around by value; code that needs
// the list itself reaches it through the arrow operator or Get().
#pragma once

#include <deque>
#include <memory>

#include "Classes.hpp"

namespace zelcore {

class TStringListAdaptor {
public:
    TStringListAdaptor();
    TStringListAdaptor(const TStringListAdaptor& other);
    TStringListAdaptor& operator=(const TStringListAdaptor& other);
    TStringListAdaptor(TStringListAdaptor&& other) noexcept = default;
    TStringListAdaptor& operator=(TStringListAdaptor&& other) noexcept = default;
    ~TStringListAdaptor();

    // The strings of the deque, in deque order.
    TStringListAdaptor(const std::deque<AnsiString>& strings);
    TStringListAdaptor& operator=(const std::deque<AnsiString>& strings);

    TStrings* operator->() const { return FList.get(); }
    TStrings* Get() const { return FList.get(); }

    // Same strings in the same order (compared exactly).
    bool operator==(const TStringListAdaptor& other) const;

private:
    std::unique_ptr<TStringList> FList;
};

}  // namespace zelcore
