// The display protocol: the display setting control re-binds the digital
// display and a bar graph with the same properties, sets the plain form in
// its order and skips what a display does not know, and drives one channel
// of a multi-channel display through the indexed form when its selector is
// an element of a control array.
#include "DalvexTestSupport.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioPlotter.h"

using namespace dalvextest;

namespace {

// A display that carries part of the protocol and logs what it is given.
class RecordingDisplay : public QWidget, public controls::DisplayProtocol {
public:
    using QWidget::QWidget;
    QStringList log;
    bool refuseUnRegister = false;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    QVariant userLevel;
    QVariant countryCode;

    void UnRegister() override
    {
        if (refuseUnRegister)
            RaiseRefused(kErrNotSupported, QStringLiteral("no UnRegister"));
        log << "UnRegister";
    }
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& m, const QVariant& level,
                  const QVariant& country) override
    {
        log << "Register";
        manager = m;
        userLevel = level;
        countryCode = country;
    }

protected:
    // Everything but the scale divisions, which it does not carry.
    bool ApplyDisplayProperty(Property property, const QVariant& value) override
    {
        if (property == Property::LargeStep || property == Property::SmallStep)
            return false;
        log << QStringLiteral("%1=%2").arg(QLatin1String(Name(property)), value.toString());
        return true;
    }
    // The indexed form: the value and the caption only.
    bool ApplyDisplayProperty(Property property, int channel, const QVariant& value) override
    {
        if (property != Property::ObjectNameValue && property != Property::objectcaption)
            return false;
        log << QStringLiteral("%1(%2)=%3").arg(QLatin1String(Name(property))).arg(channel).arg(value.toString());
        return true;
    }
    QString DisplayName() const override { return QStringLiteral("RecordingDisplay"); }

private:
    static const char* Name(Property property)
    {
        for (const Entry& entry : kDisplayProperties)
            if (entry.property == property)
                return entry.name;
        return "?";
    }
};

// What a display shows of the protocol's plain form.
template <class Display>
QStringList Bound(const Display& display)
{
    return {display.ObjectNameValue(),   display.ObjectNameUnit(),   display.ObjectNameMin(),
            display.ObjectNameMax(),     display.ObjectNameLoLim(),  display.ObjectNameHiLim(),
            display.ObjectNameLoLoLim(), display.ObjectNameHiHiLim(), QString::number(display.MaxDigits()),
            QString::number(display.DecimalPlaces())};
}

class DisplayProtocolRebindsAnyDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        DALVEX_REQUIRE_DEVICE(device);
        device.SetVariant({kHart, kDifferentialModule, false});
        device.PutDeviceValue(QStringLiteral("aiDPOutScale100"), 20);
    }
    template <class Window>
    void Open(Window& window)
    {
        window.ctlDisplaySetting1->Register(device.applet.manager);
        window.Init();
    }

    TrivexDevice device;
};

TEST_F(DisplayProtocolRebindsAnyDisplay, TheDigitalDisplayAndABarGraphReceiveTheSameProperties)
{
    DisplayWindow<ctlDigitalDisplay> digital;
    DisplayWindow<controls::PioBarGraph> bar;
    Open(digital);
    Open(bar);
    for (int line : {0, 3}) {
        digital.cmbMeasValue->setCurrentIndex(line);
        bar.cmbMeasValue->setCurrentIndex(line);
        EXPECT_EQ(Bound(*digital.displayCtrl), Bound(*bar.displayCtrl)) << "line " << line;
    }
    const auto& entry = digital.ctlDisplaySetting1->GetEntry(3);
    EXPECT_EQ(digital.displayCtrl->ObjectNameValue(), "aiDPoutValue");
    EXPECT_EQ(digital.displayCtrl->ObjectNameHiHiLim(), "aiDPHiHiLim");
    EXPECT_EQ(digital.displayCtrl->ObjectNameMax(), "20");
    EXPECT_EQ(digital.displayCtrl->DecimalPlaces(), entry.DecimalPlaces);
    EXPECT_EQ(digital.displayCtrl->MaxDigits(), 8);
    EXPECT_FLOAT_EQ(bar.displayCtrl->LargeStep(), 2);
    EXPECT_FLOAT_EQ(bar.displayCtrl->SmallStep(), 0.4f);

    // Both are bound to the named items now.
    EXPECT_TRUE(digital.displayCtrl->Registered());
    EXPECT_TRUE(bar.displayCtrl->IsRegistered());
    auto* measValue = digital.displayCtrl->ItemControl(ctlDigitalDisplay::appMeasValue);
    EXPECT_EQ(measValue->AppItemName(), "aiDPoutValue");
    EXPECT_TRUE(measValue->IsRegistered());
    EXPECT_EQ(measValue->DecimalPlaces(), entry.DecimalPlaces) << "the value is formatted as the line says";
    EXPECT_EQ(digital.displayCtrl->ItemControl(ctlDigitalDisplay::appAlarmLimit, 1)->AppItemName(), "aiDPHiHiLim");
    device.Put(QStringLiteral("aiDPHiLim"), QStringLiteral("18"));
    EXPECT_EQ(bar.displayCtrl->LimitValue(controls::PioBarGraph::HiLim), 18);
}

TEST_F(DisplayProtocolRebindsAnyDisplay, ThePlainFormGoesInItsOrderAndADisplaySkipsWhatItDoesNotKnow)
{
    DisplayWindow<RecordingDisplay> window;
    pioitemstest::Traces traces;
    Open(window);
    window.displayCtrl->log.clear();
    window.cmbMeasValue->setCurrentIndex(3);
    EXPECT_EQ(window.displayCtrl->log,
              QStringList({"UnRegister", "ObjectNameMin=0", "ObjectNameMax=20", "ObjectNameLoLim=aiDPLoLim",
                           "ObjectNameHiLim=aiDPHiLim", "ObjectNameLoLoLim=aiDPLoLoLim", "ObjectNameHiHiLim=aiDPHiHiLim",
                           "ObjectNameUnit=aiDPOutScaleUnit", "ObjectNameValue=aiDPoutValue", "MaxDigits=8",
                           "DecimalPlaces=2", "Register"}));
    EXPECT_GT(traces.CountContaining("LargeStep"), 0) << "the display traces what it refuses";
    EXPECT_EQ(window.displayCtrl->manager, device.applet.manager);
    EXPECT_EQ(window.displayCtrl->userLevel, "0") << "the user level's value";
    EXPECT_EQ(window.displayCtrl->countryCode, "1");
}

TEST_F(DisplayProtocolRebindsAnyDisplay, ASelectorOfAControlArrayDrivesItsOwnChannelThroughTheIndexedForm)
{
    device.PutDeviceValue(QStringLiteral("ptrbStaticPressureScaleIn100"), 16);
    DisplayWindow<controls::PioPlotter> trend;
    trend.cmbMeasValue->setProperty(ctlDisplaySetting::kControlArrayIndex, 2);
    Open(trend);
    trend.cmbMeasValue->setCurrentIndex(1);
    EXPECT_EQ(trend.displayCtrl->ObjectNameValue(2), "ptrbStaticPressureValue");
    EXPECT_EQ(trend.displayCtrl->ObjectCaption(2), "Static Pressure");
    EXPECT_EQ(trend.displayCtrl->Scale(2).maximum, 16);
    EXPECT_TRUE(trend.displayCtrl->ObjectNameValue(1).isEmpty()) << "the other channels stay as they were";
    EXPECT_TRUE(trend.displayCtrl->IsRegistered());

    DisplayWindow<RecordingDisplay> recorded;
    recorded.cmbMeasValue->setProperty(ctlDisplaySetting::kControlArrayIndex, 3);
    Open(recorded);
    EXPECT_EQ(recorded.displayCtrl->log,
              QStringList({"UnRegister", "ObjectNameValue(3)=ptrbSecondaryValue1",
                           "objectcaption(3)=Differential Pressure", "Register"}))
        << "only the indexed properties the display knows, for the selector's channel";
}

TEST_F(DisplayProtocolRebindsAnyDisplay, ADisplayThatRefusesUnRegisterTakesThePlainFormEvenFromAControlArray)
{
    DisplayWindow<RecordingDisplay> window;
    window.displayCtrl->refuseUnRegister = true;
    window.cmbMeasValue->setProperty(ctlDisplaySetting::kControlArrayIndex, 1);
    Open(window);
    EXPECT_EQ(window.displayCtrl->log.first(), "ObjectNameMin=0");
    EXPECT_TRUE(window.displayCtrl->log.contains("ObjectNameValue=ptrbSecondaryValue1"));
    EXPECT_EQ(window.displayCtrl->log.last(), "Register");

    // An object that takes no display protocol is left alone.
    QObject plain;
    pioitemstest::Traces traces;
    window.ctlDisplaySetting1->Init(&plain, window.cmbMeasValue);
    EXPECT_TRUE(traces.ErrorContains("takes no display protocol"));
}

} // namespace
