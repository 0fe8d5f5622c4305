// The binder against a small configuration and Qt objects with declared
// properties: the five refusals with their messages, and the values moved
// each way for every data type.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QStringList>
#include <cstdlib>
#include <functional>

#include "Zelconfigbinder.h"
#include "Zelstringlistadaptor.h"

using namespace zelconfig;

class TProbe : public QObject {
    Q_OBJECT
    Q_PROPERTY(int number MEMBER number)
    Q_PROPERTY(double real MEMBER real)
    Q_PROPERTY(QDateTime when MEMBER when)
    Q_PROPERTY(bool flag MEMBER flag)
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(QStringList lines MEMBER lines)
    Q_PROPERTY(QVariant anything MEMBER anything)

public:
    int number = 0;
    double real = 0;
    QDateTime when;
    bool flag = false;
    QString text;
    QStringList lines;
    QVariant anything;
};

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "zelkitconfigbinder_test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class BinderTest : public ::testing::Test {
protected:
    BinderTest()
    {
        App();
        TConfigSection* s = config.AddSection("Main", "");
        s->DefineItem<int>("Count", "Count", 7, "");
        s->DefineItem<double>("Ratio", "Ratio", 2.5, "");
        s->DefineItem<TDateTime>("Stamp", "Stamp", TDateTime(45000.5), "");
        s->DefineItem<bool>("Enabled", "Enabled", true, "");
        s->DefineItem("Name", "Name", "alpha", "");
        s->DefineItem<zelcore::TStringListAdaptor>("Folders", "Folders",
                                                    zelcore::TStringListAdaptor({"/a", "/b c"}), "");
        binder.SetManagedConfig(&config);
    }

    TManagedConfig config;
    TManagedConfigBinder binder;
    TProbe probe;
};

template <typename E>
std::string MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const E& e) {
        return e.Message();
    }
    return "<no exception>";
}

TEST(BinderWithoutConfig, EveryCallButSetManagedConfigRefuses)
{
    App();
    TManagedConfigBinder binder;
    TProbe probe;
    const std::function<void()> calls[] = {
        [&] { binder.BindControl("Count", bdtInteger, &probe, "number", false); },
        [&] { binder.UnbindControl(&probe); },
        [&] { (void)binder.IsBound(&probe); },
        [&] { binder.ReadBindings(); },
        [&] { binder.WriteBindings(); },
    };
    for (const auto& call : calls)
        EXPECT_EQ(MessageOf<ENoManagedConfigAssociation>(call),
                  "TManagedConfigBinder is not associated to a TManagedConfig");
}

TEST_F(BinderTest, RefusalsNameWhatWasWrongAndKeepTheBindings)
{
    QLineEdit edit;
    edit.setObjectName("edtName");
    binder.BindControl("Name", bdtAnsiString, &edit, "text", false);
    binder.BindControl("Count", bdtInteger, &probe, "number", false);

    struct Case {
        const char* what;
        std::function<void()> call;
        std::string message;
    };
    QCheckBox box;
    box.setProperty("dynamicOnly", 1);  // not declared, so not published
    const Case cases[] = {
        {"missing property", [&] { binder.BindControl("Count", bdtInteger, &box, "nothing", false); },
         "Property 'nothing' does not exist for control 'QCheckBox'"},
        {"dynamic property", [&] { binder.BindControl("Count", bdtInteger, &box, "dynamicOnly", false); },
         "Property 'dynamicOnly' does not exist for control 'QCheckBox'"},
        {"unknown identifier", [&] { binder.BindControl("Nope", bdtInteger, &box, "checked", false); },
         "Identifier does not exist : 'Nope'"},
        {"widget bound twice", [&] { binder.BindControl("Count", bdtAnsiString, &edit, "text", false); },
         "Control is already bound : 'edtName'"},
        {"object bound twice", [&] { binder.BindControl("Ratio", bdtDouble, &probe, "real", false); },
         "Control is already bound : 'TProbe'"},
        {"unbinding an unbound widget", [&] { binder.UnbindControl(&box); }, "Control is not bound : ''"},
        {"data type 0", [&] { binder.BindControl("Count", TBinderDataType(0), &box, "checked", false); },
         "Unknown binder data type: 0"},
        {"data type 7", [&] { binder.BindControl("Count", TBinderDataType(7), &box, "checked", false); },
         "Unknown binder data type: 7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf<Exception>(c.call), c.message) << c.what;
        EXPECT_TRUE(binder.IsBound(&edit)) << c.what;
        EXPECT_TRUE(binder.IsBound(&probe)) << c.what;
        EXPECT_FALSE(binder.IsBound(&box)) << c.what;
    }
    // The order of the checks: a missing property is found before an
    // unknown identifier, and both before a second binding.
    EXPECT_EQ(MessageOf<EControlPropertyDoesNotExist>(
                  [&] { binder.BindControl("Nope", bdtInteger, &edit, "nothing", false); }),
              "Property 'nothing' does not exist for control 'QLineEdit'");
    EXPECT_EQ(MessageOf<EUndefinedConfigIdentifier>(
                  [&] { binder.BindControl("Nope", bdtInteger, &edit, "text", false); }),
              "Identifier does not exist : 'Nope'");
}

TEST_F(BinderTest, UnbindForgetsAndASecondUnbindRefuses)
{
    QLineEdit edit;
    edit.setObjectName("edtName");
    binder.BindControl("Name", bdtAnsiString, &edit, "text", false);
    binder.UnbindControl(&edit);
    EXPECT_FALSE(binder.IsBound(&edit));
    EXPECT_EQ(MessageOf<EControlIsNotBound>([&] { binder.UnbindControl(&edit); }),
              "Control is not bound : 'edtName'");
    binder.BindControl("Name", bdtAnsiString, &edit, "text", false);  // free again
    EXPECT_TRUE(binder.IsBound(&edit));
}

TEST_F(BinderTest, WriteFillsEveryKindAndReadTakesThemBack)
{
    TProbe a, b, c, d, e, f;
    binder.BindControl("Count", bdtInteger, &a, "number", false);
    binder.BindControl("Ratio", bdtDouble, &b, "real", false);
    binder.BindControl("Stamp", bdtDateTime, &c, "when", false);
    binder.BindControl("Enabled", bdtBool, &d, "flag", false);
    binder.BindControl("Name", bdtAnsiString, &e, "text", false);
    binder.BindControl("Folders", bdtMultiString, &f, "lines", false);
    binder.WriteBindings();
    EXPECT_EQ(a.number, 7);
    EXPECT_EQ(b.real, 2.5);
    EXPECT_EQ(c.when, QDateTime(QDate(2023, 3, 15), QTime(12, 0)));
    EXPECT_TRUE(d.flag);
    EXPECT_EQ(e.text, "alpha");
    EXPECT_EQ(f.lines, QStringList({"/a", "/b c"}));

    a.number = -3;
    b.real = 0.125;
    c.when = QDateTime(QDate(1899, 12, 31), QTime(6, 0));
    d.flag = false;
    e.text = QString::fromUtf8("bêta");
    f.lines = QStringList({"x"});
    binder.ReadBindings();
    EXPECT_EQ(config.GetValue<int>("Count"), -3);
    EXPECT_EQ(config.GetValue<double>("Ratio"), 0.125);
    EXPECT_DOUBLE_EQ(config.GetValue<TDateTime>("Stamp").Val, 1.25);
    EXPECT_FALSE(config.GetValue<bool>("Enabled"));
    EXPECT_EQ(config.GetValue<AnsiString>("Name"), "b\xC3\xAAta");
    EXPECT_EQ(config.GetValue<zelcore::TStringListAdaptor>("Folders"), zelcore::TStringListAdaptor({"x"}));
}

TEST_F(BinderTest, PropertiesOfAnotherTypeAreConvertedBothWays)
{
    // The value in a property of another type, and what reading it back
    // stores; a text that names no value of the type raises EConvertError.
    struct Case {
        const char* identifier;
        TBinderDataType type;
        QVariant propertyValue;
        std::function<bool()> stored;  // null: the read must fail
    };
    const Case cases[] = {
        {"Count", bdtInteger, QVariant(QString("42")), [&] { return config.GetValue<int>("Count") == 42; }},
        {"Count", bdtInteger, QVariant(QString("4x")), nullptr},
        {"Ratio", bdtDouble, QVariant(QString("1.5")), [&] { return config.GetValue<double>("Ratio") == 1.5; }},
        {"Ratio", bdtDouble, QVariant(QString("")), nullptr},
        {"Stamp", bdtDateTime, QVariant(2.75), [&] { return config.GetValue<TDateTime>("Stamp").Val == 2.75; }},
        {"Enabled", bdtBool, QVariant(QString("0")), [&] { return !config.GetValue<bool>("Enabled"); }},
        {"Enabled", bdtBool, QVariant(QString("TRUE")), [&] { return config.GetValue<bool>("Enabled"); }},
        {"Enabled", bdtBool, QVariant(QString("maybe")), nullptr},
        {"Enabled", bdtBool, QVariant(3), [&] { return config.GetValue<bool>("Enabled"); }},
        {"Name", bdtAnsiString, QVariant(12), [&] { return config.GetValue<AnsiString>("Name") == "12"; }},
        {"Name", bdtAnsiString, QVariant(), nullptr},
        {"Folders", bdtMultiString, QVariant(5),  // holds no string list: the list becomes empty
         [&] { return config.GetValue<zelcore::TStringListAdaptor>("Folders")->Count() == 0; }},
    };
    for (const Case& c : cases) {
        TProbe p;
        TManagedConfigBinder one;
        one.SetManagedConfig(&config);
        one.BindControl(c.identifier, c.type, &p, "anything", false);
        p.anything = c.propertyValue;
        if (c.stored) {
            one.ReadBindings();
            EXPECT_TRUE(c.stored()) << c.identifier << " from " << c.propertyValue.toString().toStdString();
        } else {
            EXPECT_THROW(one.ReadBindings(), EConvertError) << c.identifier;
        }
    }
}

TEST_F(BinderTest, ReadOnlyBindingsAreFilledButNotRead)
{
    QLineEdit edit;
    binder.BindControl("Name", bdtAnsiString, &edit, "text", true);
    binder.WriteBindings();
    EXPECT_EQ(edit.text(), "alpha");
    edit.setText("changed");
    binder.ReadBindings();
    EXPECT_EQ(config.GetValue<AnsiString>("Name"), "alpha");
}

TEST_F(BinderTest, AFailedConversionKeepsTheValuesReadBeforeIt)
{
    // Bindings run in the order of the control pointers.
    TProbe pair[2];
    binder.BindControl("Count", bdtInteger, &pair[0], "anything", false);
    binder.BindControl("Ratio", bdtDouble, &pair[1], "anything", false);
    pair[0].anything = 11;
    pair[1].anything = QString("not a number");
    EXPECT_THROW(binder.ReadBindings(), EConvertError);
    EXPECT_EQ(config.GetValue<int>("Count"), 11);
    EXPECT_EQ(config.GetValue<double>("Ratio"), 2.5);
}

TEST_F(BinderTest, AValueThePropertyCannotTakeRaisesAndTheConfigurationsOwnErrorsPropagate)
{
    QCheckBox box;
    binder.BindControl("Folders", bdtMultiString, &box, "checked", false);
    EXPECT_THROW(binder.WriteBindings(), EConvertError);

    TManagedConfigBinder wrongType;
    wrongType.SetManagedConfig(&config);
    wrongType.BindControl("Name", bdtInteger, &probe, "number", false);  // the type is not checked here
    EXPECT_EQ(MessageOf<Exception>([&] { wrongType.WriteBindings(); }),
              "Unable to cast to the required type for Identifier : Name");
}

}  // namespace

#include "Zelconfigbinder_test.moc"
