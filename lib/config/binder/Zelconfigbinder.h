// TManagedConfigBinder: ties properties of user-interface controls to
// identifiers of a TManagedConfig, and copies every value from the
// configuration into the controls (WriteBindings) or back (ReadBindings).
//
// A control is any QObject; its published properties are the properties
// its class declares to Qt's meta-object system (Q_PROPERTY). Dynamic
// properties set at run time are not published and cannot be bound.
#pragma once

#include <map>

#include <QObject>

#include "Classes.hpp"
#include "SysUtils.hpp"
#include "System.hpp"
#include "Zelmanagedconfig.h"

namespace zelconfig {

// The kinds of value a binding moves, and the configuration type of each:
//   bdtInteger int, bdtDouble double, bdtDateTime TDateTime, bdtBool bool,
//   bdtAnsiString AnsiString: the property's value, converted by Qt to and
//       from the property's own type (a QDateTime property takes and gives
//       the serial day number of a TDateTime);
//   bdtMultiString TStringListAdaptor: a QStringList property, one line per
//       entry.
enum TBinderDataType {
    bdtInteger = 1,
    bdtDouble = 2,
    bdtDateTime = 3,
    bdtBool = 4,
    bdtAnsiString = 5,
    bdtMultiString = 6,
};

struct TBoundControlInfo {
    TBoundControlInfo() = default;
    TBoundControlInfo(const AnsiString& identifier, TBinderDataType dataType, const AnsiString& propertyName,
                      bool readOnly)
        : Identifier(identifier), DataType(dataType), PropertyName(propertyName), ReadOnly(readOnly)
    {
    }

    AnsiString Identifier;
    TBinderDataType DataType{};  // 0 until set
    AnsiString PropertyName;
    // ReadBindings leaves a read-only binding out; WriteBindings fills it.
    bool ReadOnly = false;
};

// At most one binding per control, in the order of the control pointers.
using TMappedConfigControls = std::map<QObject*, TBoundControlInfo>;

// Raised by every binder call but SetManagedConfig while no configuration
// is associated.
class ENoManagedConfigAssociation : public Exception {
public:
    ENoManagedConfigAssociation();
};
class EControlPropertyDoesNotExist : public Exception {
public:
    EControlPropertyDoesNotExist(const AnsiString& propertyName, const AnsiString& className);
};
class EUndefinedConfigIdentifier : public Exception {
public:
    explicit EUndefinedConfigIdentifier(const AnsiString& identifier);
};
class EControlIsAlreadyBound : public Exception {
public:
    explicit EControlIsAlreadyBound(const AnsiString& controlName);
};
class EControlIsNotBound : public Exception {
public:
    explicit EControlIsNotBound(const AnsiString& controlName);
};

class TManagedConfigBinder {
public:
    TManagedConfigBinder() = default;
    TManagedConfigBinder(const TManagedConfigBinder&) = delete;
    TManagedConfigBinder& operator=(const TManagedConfigBinder&) = delete;

    // The configuration the bindings name; not owned.
    void SetManagedConfig(TManagedConfig* config) { FConfig = config; }

    // Binds the control's property to the identifier. Checked in this
    // order, each failure leaving the bindings as they were: a configuration
    // is associated; the control declares the property
    // (EControlPropertyDoesNotExist); the configuration defines the
    // identifier (EUndefinedConfigIdentifier); the control is not bound yet
    // (EControlIsAlreadyBound, naming a widget by its object name and any
    // other control by its class). A data type outside bdtInteger ..
    // bdtMultiString is refused with "Unknown binder data type: <n>", so
    // that the copy operations never meet one. The property's type is not
    // compared with the data type here.
    void BindControl(const AnsiString& identifier, TBinderDataType dataType, QObject* control,
                     const AnsiString& propertyName, bool readOnly);
    // EControlIsNotBound when the control has no binding.
    void UnbindControl(QObject* control);
    bool IsBound(QObject* control) const;

    // Controls into configuration, bindings in map order, read-only ones
    // left out. A property value that does not convert to the binding's type
    // raises EConvertError; bindings handled before it keep their new
    // values.
    void ReadBindings();
    // Configuration into controls, bindings in map order. The configuration's
    // exceptions propagate; a value the property refuses raises
    // EConvertError.
    void WriteBindings();

private:
    TManagedConfig& Config() const;
    static AnsiString ControlName(QObject* control);

    TManagedConfig* FConfig = nullptr;
    TMappedConfigControls FBindings;
};

}  // namespace zelconfig
