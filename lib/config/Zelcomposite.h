// TBaseComposite: a fixed number of text members with typed access by
// position, the building block of values that consist of several parts.
#pragma once

#include <memory>

#include "Classes.hpp"
#include "System.hpp"

namespace zelconfig {

// The members live as the lines of a string list, which always has at least
// the member count of lines (lines beyond it are kept).
//
// Member texts:
//   int        decimal digits, "-" for negatives
//   double     general format, up to 15 significant digits, "." as the
//              decimal separator
//   TDateTime  "yyyy-mm-dd hh:nn:ss" (the time left out at midnight), the
//              runtime's date-time text, to whole seconds: SetDateTime
//              writes it and GetDateTime reads it back
//   bool       "1" or "0"; any integer but 0 reads as true
//   AnsiString as is
// An index outside the list raises EStringListError, a member text that does
// not parse as the requested type EConvertError.
//
// The order of the virtual operations is part of the interface.
class TBaseComposite {
public:
    // memberCount must not be negative.
    explicit TBaseComposite(int memberCount);
    virtual ~TBaseComposite();
    TBaseComposite(const TBaseComposite&) = delete;
    TBaseComposite& operator=(const TBaseComposite&) = delete;

    // Takes every line of the source, then pads to the member count.
    virtual void Assign(TStrings* const source);

    // Appends empty lines until there are member-count lines.
    void CheckMemberCount();
    // The member lines; the composite keeps them.
    TStrings* ToStrings() const;
    int MemberCount() const { return FMemberCount; }

    int GetInt(int index) const;
    double GetDouble(int index) const;
    TDateTime GetDateTime(int index) const;
    bool GetBool(int index) const;
    AnsiString GetAnsiString(int index) const;

    void SetInt(int index, int value);
    void SetDouble(int index, double value);
    void SetDateTime(int index, TDateTime value);
    void SetBool(int index, bool value);
    void SetAnsiString(int index, const AnsiString& value);

private:
    const int FMemberCount;
    const std::unique_ptr<TStringList> FMembers;
};

}  // namespace zelconfig
