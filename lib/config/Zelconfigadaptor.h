// TBaseConfigAdaptor: the storage back end that configuration items read
// themselves from and write themselves to.
#pragma once

#include "System.hpp"
#include "Zelstringlistadaptor.h"

namespace zelconfig {

using zelcore::TStringListAdaptor;

// Every value is addressed by a section name and an item name; each adaptor
// decides how those map onto its storage.
//
// Life cycle: closed after construction; Open reaches storage (an open
// adaptor that is opened again starts over with a fresh storage object);
// Close, or the destructor, lets go of it.
//
// A closed adaptor never fails: every read hands back its default and every
// write is dropped. Text in storage that does not parse as the requested type
// also reads as the default, silently. Errors of the storage itself (a file
// or key that cannot be written) pass through unchanged.
//
// The order of the virtual operations is part of the interface.
class TBaseConfigAdaptor {
public:
    virtual ~TBaseConfigAdaptor();

    virtual bool Open() = 0;    // true when open afterwards
    virtual bool Close() = 0;   // true when it was open
    virtual bool IsOpen() = 0;

    // A section as name=value lines, one per value.
    virtual void ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                   TStringListAdaptor& values) = 0;
    // Replaces the whole section by the lines of the list.
    virtual void WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values) = 0;

    virtual void ReadInteger(const AnsiString& section, const AnsiString& name, const int& defaultValue,
                             int& value) = 0;
    virtual void ReadDouble(const AnsiString& section, const AnsiString& name, const double& defaultValue,
                            double& value) = 0;
    virtual void ReadDateTime(const AnsiString& section, const AnsiString& name,
                              const TDateTime& defaultValue, TDateTime& value) = 0;
    virtual void ReadBool(const AnsiString& section, const AnsiString& name, const bool& defaultValue,
                          bool& value) = 0;
    virtual void ReadString(const AnsiString& section, const AnsiString& name,
                            const AnsiString& defaultValue, AnsiString& value) = 0;
    virtual void ReadMultiString(const AnsiString& section, const AnsiString& name,
                                 const TStringListAdaptor& defaultValue, TStringListAdaptor& value) = 0;

    virtual void WriteInteger(const AnsiString& section, const AnsiString& name, const int& value) = 0;
    virtual void WriteDouble(const AnsiString& section, const AnsiString& name, const double& value) = 0;
    virtual void WriteDateTime(const AnsiString& section, const AnsiString& name,
                               const TDateTime& value) = 0;
    virtual void WriteBool(const AnsiString& section, const AnsiString& name, const bool& value) = 0;
    virtual void WriteString(const AnsiString& section, const AnsiString& name,
                             const AnsiString& value) = 0;
    virtual void WriteMultiString(const AnsiString& section, const AnsiString& name,
                                  const TStringListAdaptor& value) = 0;
};

}  // namespace zelconfig
