// The digital display on the toolkit with the Trivex description: value and
// unit right-aligned to a pattern that keeps its width while the value's
// length stays within one character, the control's height that follows its
// label, the persisted properties, and what registration binds and keeps.
#include "DalvexTestSupport.h"
#include "dalvex/DalvexClasses.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "lumette/DynamicLabel.h"
#include "pioitems/PioAppItem.h"
#include "platform/automation/PropertyBag.h"
#include "platform/controls/Twips.h"
#include <QSignalSpy>

using namespace dalvextest;

namespace {

class DigitalDisplayShowsValueAndUnit : public ::testing::Test {
protected:
    void SetUp() override
    {
        DALVEX_REQUIRE_DEVICE(device);
        pioitems::Ambient::SetUserMode(&form, true);
        display->SetObjectNameValue(QStringLiteral("ptrbScaleIn100"));
        display->SetObjectNameUnit(QStringLiteral("ptrbScaleInUnit"));
        display->SetMaxDigits(8);
        display->SetDecimalPlaces(2);
    }
    // The value as the device measured it: the display reads its value
    // and unit cyclically, so it binds the device's copies.
    void Measure(float value) { device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), value); }
    QStringList Lines() const { return display->lblValue()->Caption().split(QStringLiteral("\r\n")); }
    QString Unit() const { return display->ItemControl(ctlDigitalDisplay::appUnit)->EnumValue(); }

    TrivexDevice device;
    QWidget form;
    ctlDigitalDisplay* display = new ctlDigitalDisplay(&form);
};

TEST_F(DigitalDisplayShowsValueAndUnit, ThePatternKeepsItsWidthWhileTheValueStaysWithinOneCharacter)
{
    Measure(12.34f);
    display->Register(device.applet.manager);
    ASSERT_FALSE(Unit().isEmpty());
    EXPECT_EQ(display->Pattern(), "@@@@@@@") << "5 characters give 7";
    EXPECT_EQ(Lines(), QStringList({"  12.34", Unit().rightJustified(7)}));

    Measure(123.45f);
    EXPECT_EQ(display->Pattern().size(), 7);
    EXPECT_EQ(Lines().at(0), " 123.45");
    Measure(1234.5f);
    EXPECT_EQ(display->Pattern().size(), 9);
    EXPECT_EQ(Lines().at(0), "  1234.50");
    Measure(123.25f);
    EXPECT_EQ(display->Pattern().size(), 9) << "6 is within the width minus 3";
    Measure(12.5f);
    EXPECT_EQ(display->Pattern().size(), 7) << "5 is shorter: renewed";

    // A unit longer than the pattern is shown in full, as the symbol a reader expects.
    display->UnRegister();
    display->SetDecimalPlaces(0);
    device.applet.PutShadow(QStringLiteral("ptrbScaleInUnit"), QVariant::fromValue<quint64>(10));
    Measure(5);
    display->Register(device.applet.manager);
    EXPECT_EQ(display->Pattern(), "@@@@@") << "at least one decimal: 3 characters";
    EXPECT_EQ(Lines(), QStringList({"  5.0", QStringLiteral("kg/cm²")}));
}

TEST_F(DigitalDisplayShowsValueAndUnit, RegistrationBindsTheNamedItemsAndUnregisteredTheCaptionStays)
{
    display->SetObjectNameMin(QStringLiteral("ptrbScaleIn0"));
    display->SetObjectNameMax(QStringLiteral("100"));
    display->SetObjectNameHiHiLim(QStringLiteral("aiDPHiHiLim"));
    EXPECT_EQ(display->ItemControl(ctlDigitalDisplay::appMeasValue)->AppItemName(), ctlDigitalDisplay::kPlaceholderItem);
    display->Register(device.applet.manager);
    EXPECT_EQ(display->ItemControl(ctlDigitalDisplay::appMinMax, 0)->AppItemName(), "ptrbScaleIn0");
    EXPECT_TRUE(display->ItemControl(ctlDigitalDisplay::appMinMax, 0)->IsRegistered());
    EXPECT_FALSE(display->ItemControl(ctlDigitalDisplay::appMinMax, 1)->IsRegistered())
        << "a scale end given as a number names no item";
    EXPECT_TRUE(display->ItemControl(ctlDigitalDisplay::appAlarmLimit, 1)->IsRegistered());
    EXPECT_FALSE(display->ItemControl(ctlDigitalDisplay::appWarningLimit, 0)->IsRegistered()) << "no name, no item";
    EXPECT_TRUE(display->ItemControl(ctlDigitalDisplay::appConnectionStatus)->IsRegistered());

    Measure(42);
    const QString shown = display->lblValue()->Caption();
    EXPECT_EQ(shown.split(QStringLiteral("\r\n")).at(0), "   42.00") << "the width 100.00 set is kept";
    display->UnRegister();
    EXPECT_FALSE(display->Registered());
    Measure(43);
    EXPECT_EQ(display->lblValue()->Caption(), shown);
    EXPECT_FALSE(device.applet.manager->HasRegistrations(device.applet.manager->HandleOf("ptrbScaleIn100")));
}

TEST_F(DigitalDisplayShowsValueAndUnit, TheControlTakesItsLabelsHeightAndPassesItsResizeOn)
{
    form.show();
    QSignalSpy resized(display, &ctlDigitalDisplay::Resize);
    Measure(12.34f);
    display->Register(device.applet.manager);
    display->resize(controls::Twips::ToPixels(1190 * 2), 10);
    EXPECT_EQ(display->lblValue()->Width(), controls::Twips::FromPixels(display->width()));
    EXPECT_EQ(display->height(), controls::Twips::ToPixels(display->lblValue()->Height()));
    EXPECT_GT(display->lblValue()->Height(), 0);
    const int reports = static_cast<int>(resized.count());
    EXPECT_GE(reports, 1);
    display->resize(display->width() * 2, display->height());
    EXPECT_GT(resized.count(), reports) << "wider digits are taller";
    EXPECT_EQ(display->height(), controls::Twips::ToPixels(display->lblValue()->Height()));
}

TEST_F(DigitalDisplayShowsValueAndUnit, PropertiesPersistUnderTheirNamesWithTheirDefaults)
{
    ctlDigitalDisplay fresh;
    EXPECT_EQ(fresh.MaxDigits(), 10);
    EXPECT_EQ(fresh.DecimalPlaces(), 10);
    automation::PropertyBag bag;
    display->SetObjectNameLoLim(QStringLiteral("aiDPLoLim"));
    display->WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), QStringList({"DecimalPlaces", "MaxDigits", "ObjectNameLoLim", "ObjectNameUnit",
                                       "ObjectNameValue"}))
        << "defaults are not stored";
    fresh.ReadProperties(bag);
    EXPECT_EQ(fresh.ObjectNameValue(), "ptrbScaleIn100");
    EXPECT_EQ(fresh.ObjectNameLoLim(), "aiDPLoLim");
    EXPECT_EQ(fresh.DecimalPlaces(), 2);
    EXPECT_EQ(fresh.ItemControl(ctlDigitalDisplay::appMeasValue)->DecimalPlaces(), 2);

    automation::PropertyBag wrong;
    wrong.Write(QStringLiteral("ObjectNameValue"), QStringLiteral("hartPv"));
    wrong.Write(QStringLiteral("MaxDigits"), QStringLiteral("many"));
    EXPECT_THROW(fresh.ReadProperties(wrong), automation::ComError);
    EXPECT_EQ(fresh.ObjectNameValue(), "ptrbScaleIn100") << "a refused bag changes nothing";
}

TEST_F(DigitalDisplayShowsValueAndUnit, BothControlsAreCreatedByName)
{
    dalvex::RegisterClasses();
    for (const QString& progId : {ctlDisplaySetting::kProgId, ctlDigitalDisplay::kProgId}) {
        const auto object = automation::ClassRegistry::instance().CreateObject(progId);
        EXPECT_NE(dynamic_cast<pioitems::PioItemProtocol*>(object.get()), nullptr) << progId.toStdString();
        EXPECT_EQ(dynamic_cast<pioitems::PioItemProtocol*>(object.get())->Typ(), "PioItem");
    }
}

} // namespace
