// The display protocol on the bar graph and the plotter: the properties set
// by name re-bind the display to the named items at the next Register, which
// then shows their values, scale and limits; the plotter takes its channels'
// properties in the indexed form; names, forms, values and channels that a
// display does not carry are refused with a trace and change nothing.
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioPlotter.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/ErrorNumber.h"
#include <gtest/gtest.h>

using controls::DisplayProtocol;

namespace {

std::shared_ptr<applet::clsAppletItemManager> MakeManager()
{
    auto description = std::make_shared<applet::Description>();
    const std::pair<const char*, applet::ItemType> items[] = {
        {"Pressure", applet::ItemType::Float},       {"PressureHiLim", applet::ItemType::Float},
        {"PressureUnit", applet::ItemType::Text},    {"Temperature", applet::ItemType::Float},
        {"TemperatureUnit", applet::ItemType::Text},
    };
    for (const auto& [name, type] : items) {
        applet::DescObject object;
        object.name = QString::fromLatin1(name);
        object.type = type;
        object.size = type == applet::ItemType::Text ? 8 : 4;
        object.scope = applet::ObjectScope::Applet;
        description->objects.append(object);
    }
    description->Index();
    return std::make_shared<applet::clsAppletItemManager>(description, nullptr, std::weak_ptr<applet::AppletHost>());
}

void Put(const std::shared_ptr<applet::clsAppletItemManager>& manager, const char* item, const QString& text)
{
    int32_t failed = 0;
    manager->PutValueAsText(manager->HandleOf(QString::fromLatin1(item)), text, failed);
    ASSERT_EQ(failed, 0) << item;
}

// Collects the toolkit's error traces while it lives.
class Traces {
public:
    Traces()
    {
        m_previous = applet::AppletTrace::SetSink([this](applet::AppletTrace::Level, const QString& text) {
            m_lines << text;
        });
    }
    ~Traces() { applet::AppletTrace::SetSink(m_previous); }
    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
    applet::AppletTrace::Sink m_previous;
};

} // namespace

TEST(DisplayProtocol, SetsABarGraphByNameAndRebindsIt)
{
    const auto manager = MakeManager();
    Put(manager, "Pressure", QStringLiteral("12.5"));
    Put(manager, "PressureHiLim", QStringLiteral("8"));
    Put(manager, "PressureUnit", QStringLiteral("bar"));
    Put(manager, "Temperature", QStringLiteral("21.34"));
    Put(manager, "TemperatureUnit", QStringLiteral("degC"));

    controls::PioBarGraph bar;
    DisplayProtocol& display = bar;
    display.UnRegister();
    // The plain form in the selector's order; names without regard to case.
    display.SetDisplayProperty(QStringLiteral("ObjectNameMin"), QStringLiteral("0"));
    display.SetDisplayProperty(QStringLiteral("ObjectNameMax"), QStringLiteral("20"));
    display.SetDisplayProperty(QStringLiteral("ObjectNameLoLim"), QString());
    display.SetDisplayProperty(QStringLiteral("ObjectNameHiLim"), QStringLiteral("PressureHiLim"));
    display.SetDisplayProperty(QStringLiteral("ObjectNameLoLoLim"), QString());
    display.SetDisplayProperty(QStringLiteral("ObjectNameHiHiLim"), QString());
    display.SetDisplayProperty(QStringLiteral("LargeStep"), 2.0f);
    display.SetDisplayProperty(QStringLiteral("SmallStep"), QStringLiteral("0.4"));
    display.SetDisplayProperty(QStringLiteral("objectnameunit"), QStringLiteral("PressureUnit"));
    display.SetDisplayProperty(QStringLiteral("OBJECTNAMEVALUE"), QStringLiteral("Pressure"));
    display.SetDisplayProperty(QStringLiteral("MaxDigits"), 8);
    display.SetDisplayProperty(QStringLiteral("DecimalPlaces"), int16_t{2});
    EXPECT_FALSE(bar.Value()) << "bound only at Register";
    display.Register(manager, QVariant(1), QVariant(QStringLiteral("49")));

    EXPECT_EQ(bar.Value(), 12.5);
    EXPECT_EQ(bar.ValueText(), QStringLiteral("12.50 bar"));
    EXPECT_EQ(bar.Scale().minimum, 0);
    EXPECT_EQ(bar.Scale().maximum, 20);
    EXPECT_FLOAT_EQ(static_cast<float>(bar.Scale().largeStep), 2.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(bar.Scale().smallStep), 0.4f);
    EXPECT_EQ(bar.LimitValue(controls::PioBarGraph::HiLim), 8);
    EXPECT_FALSE(bar.LimitValue(controls::PioBarGraph::LoLim));
    EXPECT_EQ(bar.UserLevel(), 1);
    EXPECT_EQ(bar.CountryCode(), 49);

    // Re-bound to another value: the first one no longer reaches it, and
    // extra arguments that are no numbers keep the user level.
    display.UnRegister();
    EXPECT_FALSE(bar.Value());
    display.SetDisplayProperty(QStringLiteral("ObjectNameHiLim"), QString());
    display.SetDisplayProperty(QStringLiteral("ObjectNameUnit"), QStringLiteral("TemperatureUnit"));
    display.SetDisplayProperty(QStringLiteral("ObjectNameValue"), QStringLiteral("Temperature"));
    display.SetDisplayProperty(QStringLiteral("DecimalPlaces"), 1);
    display.Register(manager, QVariant(), QVariant(QStringLiteral("none")));
    EXPECT_EQ(bar.ValueText(), QStringLiteral("21.3 degC"));
    EXPECT_FALSE(bar.LimitValue(controls::PioBarGraph::HiLim));
    EXPECT_EQ(bar.UserLevel(), 1);
    EXPECT_EQ(bar.CountryCode(), 49);
    Put(manager, "Pressure", QStringLiteral("3"));
    EXPECT_NEAR(*bar.Value(), 21.34, 1e-5);
    Put(manager, "Temperature", QStringLiteral("22"));
    EXPECT_EQ(bar.Value(), 22);
}

TEST(DisplayProtocol, DrivesThePlotterChannelsByIndex)
{
    loop::ManualClock clock;
    loop::ScopedTimerService timers(clock);
    const auto manager = MakeManager();
    Put(manager, "Pressure", QStringLiteral("12.5"));
    Put(manager, "PressureUnit", QStringLiteral("bar"));
    Put(manager, "Temperature", QStringLiteral("21"));
    Put(manager, "TemperatureUnit", QStringLiteral("degC"));

    controls::PioPlotter plotter;
    DisplayProtocol& display = plotter;
    const auto bind = [&](int channel, const QString& value, const QString& unit, const QString& max) {
        display.UnRegister();
        display.SetDisplayProperty(QStringLiteral("ObjectNameMin"), channel, QStringLiteral("0"));
        display.SetDisplayProperty(QStringLiteral("ObjectNameMax"), channel, max);
        display.SetDisplayProperty(QStringLiteral("ObjectNameUnit"), channel, unit);
        display.SetDisplayProperty(QStringLiteral("ObjectNameValue"), channel, value);
        display.SetDisplayProperty(QStringLiteral("objectcaption"), channel, value);
        display.Register(manager, QVariant(0), QVariant(1));
    };
    bind(2, QStringLiteral("Pressure"), QStringLiteral("PressureUnit"), QStringLiteral("20"));
    bind(3, QStringLiteral("Temperature"), QStringLiteral("TemperatureUnit"), QStringLiteral("80"));

    EXPECT_TRUE(plotter.ObjectNameValue(1).isEmpty());
    EXPECT_EQ(plotter.LegendText(2), QStringLiteral("Pressure: 12.5 bar"));
    EXPECT_EQ(plotter.LegendText(3), QStringLiteral("Temperature: 21 degC"));
    EXPECT_EQ(plotter.Scale(2).maximum, 20);
    EXPECT_EQ(plotter.Scale(3).maximum, 80);
    clock.Advance(1000);
    Put(manager, "Temperature", QStringLiteral("23"));
    EXPECT_EQ(plotter.Points(3).last(), QPointF(1000, 23));

    // The plain form carries only the number format; a channel the plotter
    // does not have is refused.
    Traces traces;
    EXPECT_EQ(ErrorNumber([&] { display.SetDisplayProperty(QStringLiteral("ObjectNameValue"), QStringLiteral("x")); }),
              DisplayProtocol::kErrNotSupported);
    display.SetDisplayProperty(QStringLiteral("DecimalPlaces"), 0);
    EXPECT_EQ(plotter.DecimalPlaces(), 0);
    EXPECT_EQ(ErrorNumber([&] { display.SetDisplayProperty(QStringLiteral("ObjectNameValue"), 5, QStringLiteral("x")); }),
              DisplayProtocol::kErrSubscriptOutOfRange);
    EXPECT_EQ(ErrorNumber([&] { display.SetDisplayProperty(QStringLiteral("objectcaption"), 0, QStringLiteral("x")); }),
              DisplayProtocol::kErrSubscriptOutOfRange);
    EXPECT_EQ(traces.lines().size(), 3);
    EXPECT_EQ(plotter.ObjectCaption(2), QStringLiteral("Pressure"));
}

TEST(DisplayProtocol, RefusesWhatADisplayDoesNotCarryWithATrace)
{
    controls::PioBarGraph bar;
    bar.setObjectName(QStringLiteral("displayCtrl"));
    DisplayProtocol& display = bar;
    display.SetDisplayProperty(QStringLiteral("LargeStep"), 5);
    display.SetDisplayProperty(QStringLiteral("DecimalPlaces"), 3);
    Traces traces;
    struct Case {
        const char* name;
        int index; // 0: the plain form
        QVariant value;
        int32_t error;
    };
    const Case cases[] = {
        {"ObjectNameFoo", 0, QStringLiteral("x"), DisplayProtocol::kErrNotSupported},
        {"objectcaption", 0, QStringLiteral("x"), DisplayProtocol::kErrNotSupported}, // indexed only
        {"LargeStep", 1, 1.0, DisplayProtocol::kErrNotSupported},                     // plain only
        {"ObjectNameValue", 1, QStringLiteral("x"), DisplayProtocol::kErrNotSupported}, // one channel
        {"LargeStep", 0, QStringLiteral("wide"), DisplayProtocol::kErrTypeMismatch},
        {"LargeStep", 0, 1e300, DisplayProtocol::kErrOverflow},
        {"DecimalPlaces", 0, 40000, DisplayProtocol::kErrOverflow},
        {"ObjectNameValue", 0, QVariant::fromValue(QStringList{QStringLiteral("x")}), DisplayProtocol::kErrTypeMismatch},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        const int32_t error = ErrorNumber([&] {
            if (c.index == 0)
                display.SetDisplayProperty(name, c.value);
            else
                display.SetDisplayProperty(name, c.index, c.value);
        });
        EXPECT_EQ(error, c.error) << c.name;
    }
    ASSERT_EQ(traces.lines().size(), static_cast<qsizetype>(std::size(cases)));
    EXPECT_TRUE(traces.lines().first().startsWith(QStringLiteral("displayCtrl: ")));
    EXPECT_TRUE(traces.lines().first().contains(QStringLiteral("ObjectNameFoo")));
    EXPECT_FLOAT_EQ(static_cast<float>(bar.Scale().largeStep), 5.0f);
    EXPECT_EQ(bar.DecimalPlaces(), 3);
    EXPECT_TRUE(bar.ObjectNameValue().isEmpty());
}
