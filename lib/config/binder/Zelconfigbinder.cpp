// The binder: bindings kept by control, values moved through Qt's
// meta-object properties.
#include "Zelconfigbinder.h"

#include <cmath>

#include <QDateTime>
#include <QMetaProperty>
#include <QStringList>
#include <QWidget>

#include "Zelstringlistadaptor.h"

namespace zelconfig {

namespace {

// The library's message table, in the order of its string resources.
constexpr const char* kNoAssociation = "TManagedConfigBinder is not associated to a TManagedConfig";
constexpr const char* kPropertyMissing = "Property '%s' does not exist for control '%s'";
constexpr const char* kUndefinedIdentifier = "Identifier does not exist : '%s'";
constexpr const char* kAlreadyBound = "Control is already bound : '%s'";
constexpr const char* kNotBound = "Control is not bound : '%s'";

// Replaces each "%s" of format by the next argument, in order.
AnsiString FormatMessage(const char* format, std::initializer_list<AnsiString> args)
{
    AnsiString out;
    auto arg = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && arg != args.end()) {
            out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// TDateTime counts days from 1899-12-30 00:00 (local time).
const QDateTime& Epoch()
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

QDateTime ToQDateTime(TDateTime value)
{
    return Epoch().addMSecs(static_cast<qint64>(std::llround(value.Val * 86400000.0)));
}

TDateTime FromQDateTime(const QDateTime& value)
{
    return TDateTime(static_cast<double>(Epoch().msecsTo(value)) / 86400000.0);
}

bool IsDateTimeType(int typeId)
{
    return typeId == QMetaType::QDateTime || typeId == QMetaType::QDate || typeId == QMetaType::QTime;
}

[[noreturn]] void ThrowConversion(const QVariant& value, const char* target)
{
    // An empty variant has no type name.
    const char* source = value.isValid() ? value.typeName() : "Empty";
    throw EConvertError(AnsiString("Could not convert variant of type (") + source +
                        ") into type (" + target + ")");
}

int PropertyType(QObject* control, const AnsiString& name)
{
    const QMetaObject* meta = control->metaObject();
    return meta->property(meta->indexOfProperty(name.c_str())).userType();
}

QVariant ReadProperty(QObject* control, const AnsiString& name)
{
    return control->property(name.c_str());
}

void WriteProperty(QObject* control, const AnsiString& name, const QVariant& value)
{
    if (!control->setProperty(name.c_str(), value)) {
        const QMetaObject* meta = control->metaObject();
        ThrowConversion(value, meta->property(meta->indexOfProperty(name.c_str())).typeName());
    }
}

int ToInt(const QVariant& value)
{
    bool ok = false;
    const int result = value.toInt(&ok);
    if (!ok)
        ThrowConversion(value, "Integer");
    return result;
}

double ToDouble(const QVariant& value)
{
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (!ok)
        ThrowConversion(value, "Double");
    return result;
}

TDateTime ToDateTime(const QVariant& value)
{
    if (value.userType() == QMetaType::QDateTime)
        return FromQDateTime(value.toDateTime());
    if (value.userType() == QMetaType::QDate)
        return FromQDateTime(QDateTime(value.toDate(), QTime(0, 0)));
    return TDateTime(ToDouble(value));
}

// Qt reads any non-empty text but "0" and "false" as true; a text here must
// name a truth value or be a number.
bool ToBool(const QVariant& value)
{
    if (value.userType() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare("true", Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare("false", Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok)
            ThrowConversion(value, "Boolean");
        return number != 0.0;
    }
    if (!value.canConvert<bool>())
        ThrowConversion(value, "Boolean");
    return value.toBool();
}

AnsiString ToAnsiString(const QVariant& value)
{
    if (!value.isValid() || !value.canConvert<QString>())
        ThrowConversion(value, "String");
    return value.toString().toStdString();
}

}  // namespace

ENoManagedConfigAssociation::ENoManagedConfigAssociation() : Exception(kNoAssociation) {}
EControlPropertyDoesNotExist::EControlPropertyDoesNotExist(const AnsiString& propertyName,
                                                           const AnsiString& className)
    : Exception(FormatMessage(kPropertyMissing, {propertyName, className}))
{
}
EUndefinedConfigIdentifier::EUndefinedConfigIdentifier(const AnsiString& identifier)
    : Exception(FormatMessage(kUndefinedIdentifier, {identifier}))
{
}
EControlIsAlreadyBound::EControlIsAlreadyBound(const AnsiString& controlName)
    : Exception(FormatMessage(kAlreadyBound, {controlName}))
{
}
EControlIsNotBound::EControlIsNotBound(const AnsiString& controlName)
    : Exception(FormatMessage(kNotBound, {controlName}))
{
}

TManagedConfig& TManagedConfigBinder::Config() const
{
    if (FConfig == nullptr)
        throw ENoManagedConfigAssociation();
    return *FConfig;
}

AnsiString TManagedConfigBinder::ControlName(QObject* control)
{
    if (control->isWidgetType())
        return control->objectName().toStdString();
    return control->metaObject()->className();
}

void TManagedConfigBinder::BindControl(const AnsiString& identifier, TBinderDataType dataType, QObject* control,
                                       const AnsiString& propertyName, bool readOnly)
{
    TManagedConfig& config = Config();
    if (control == nullptr || control->metaObject()->indexOfProperty(propertyName.c_str()) < 0)
        throw EControlPropertyDoesNotExist(propertyName,
                                           control == nullptr ? "" : control->metaObject()->className());
    if (!config.IdentifierExists(identifier))
        throw EUndefinedConfigIdentifier(identifier);
    if (FBindings.count(control) != 0)
        throw EControlIsAlreadyBound(ControlName(control));
    if (dataType < bdtInteger || dataType > bdtMultiString)
        throw Exception("Unknown binder data type: " + IntToStr(static_cast<int>(dataType)));
    FBindings.emplace(control, TBoundControlInfo(identifier, dataType, propertyName, readOnly));
}

void TManagedConfigBinder::UnbindControl(QObject* control)
{
    Config();
    const auto it = FBindings.find(control);
    if (it == FBindings.end())
        throw EControlIsNotBound(control == nullptr ? AnsiString() : ControlName(control));
    FBindings.erase(it);
}

bool TManagedConfigBinder::IsBound(QObject* control) const
{
    Config();
    return FBindings.count(control) != 0;
}

void TManagedConfigBinder::WriteBindings()
{
    TManagedConfig& config = Config();
    for (const auto& [control, info] : FBindings) {
        const AnsiString& id = info.Identifier;
        switch (info.DataType) {
        case bdtInteger:
            WriteProperty(control, info.PropertyName, config.GetValue<int>(id));
            break;
        case bdtDouble:
            WriteProperty(control, info.PropertyName, config.GetValue<double>(id));
            break;
        case bdtDateTime: {
            const TDateTime value = config.GetValue<TDateTime>(id);
            if (IsDateTimeType(PropertyType(control, info.PropertyName)))
                WriteProperty(control, info.PropertyName, ToQDateTime(value));
            else
                WriteProperty(control, info.PropertyName, value.Val);
            break;
        }
        case bdtBool:
            WriteProperty(control, info.PropertyName, config.GetValue<bool>(id));
            break;
        case bdtAnsiString:
            WriteProperty(control, info.PropertyName, QString::fromStdString(config.GetValue<AnsiString>(id)));
            break;
        case bdtMultiString: {
            const zelcore::TStringListAdaptor copy = config.GetValue<zelcore::TStringListAdaptor>(id);
            QStringList lines;
            for (int i = 0; i < copy->Count(); ++i)
                lines << QString::fromStdString(copy->Get(i));
            WriteProperty(control, info.PropertyName, lines);
            break;
        }
        }
    }
}

void TManagedConfigBinder::ReadBindings()
{
    TManagedConfig& config = Config();
    for (const auto& [control, info] : FBindings) {
        if (info.ReadOnly)
            continue;
        const AnsiString& id = info.Identifier;
        const QVariant value = ReadProperty(control, info.PropertyName);
        switch (info.DataType) {
        case bdtInteger:
            config.SetValue<int>(id, ToInt(value));
            break;
        case bdtDouble:
            config.SetValue<double>(id, ToDouble(value));
            break;
        case bdtDateTime:
            config.SetValue<TDateTime>(id, ToDateTime(value));
            break;
        case bdtBool:
            config.SetValue<bool>(id, ToBool(value));
            break;
        case bdtAnsiString:
            config.SetValue<AnsiString>(id, ToAnsiString(value));
            break;
        case bdtMultiString: {
            zelcore::TStringListAdaptor lines;
            if (value.canConvert<QStringList>())
                for (const QString& line : value.toStringList())
                    lines->Add(line.toStdString());
            config.SetValue<zelcore::TStringListAdaptor>(id, lines);
            break;
        }
        }
    }
}

}  // namespace zelconfig
