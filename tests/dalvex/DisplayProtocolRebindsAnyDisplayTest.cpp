// The display protocol: the display setting control re-binds the digital
// display and a bar graph with the same properties, sets the plain form in
// its order and skips what a display does not know, and drives one channel
// of a multi-channel display through the indexed form when its selector is
// an element of a control array.
#include "DalvexTestSupport.h"
#include "dalvex/DisplayProtocol.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioPlotter.h"

using namespace dalvextest;

namespace {

// A display that knows part of the protocol and logs what it is given.
class RecordingDisplay : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    QStringList log;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    QObject* userLevel = nullptr;
    QObject* countryCode = nullptr;

    Q_INVOKABLE void UnRegister() { log << "UnRegister"; }
    Q_INVOKABLE void Register(const std::shared_ptr<applet::clsAppletItemManager>& m, QObject* level, QObject* country)
    {
        log << "Register";
        manager = m;
        userLevel = level;
        countryCode = country;
    }
    Q_INVOKABLE void SetObjectNameMin(const QString& v) { log << "Min=" + v; }
    Q_INVOKABLE void SetObjectNameMax(const QString& v) { log << "Max=" + v; }
    Q_INVOKABLE void SetObjectNameLoLim(const QString& v) { log << "LoLim=" + v; }
    Q_INVOKABLE void SetObjectNameHiLim(const QString& v) { log << "HiLim=" + v; }
    Q_INVOKABLE void SetObjectNameLoLoLim(const QString& v) { log << "LoLoLim=" + v; }
    Q_INVOKABLE void SetObjectNameHiHiLim(const QString& v) { log << "HiHiLim=" + v; }
    Q_INVOKABLE void SetObjectNameUnit(const QString& v) { log << "Unit=" + v; }
    Q_INVOKABLE void SetObjectNameValue(const QString& v) { log << "Value=" + v; }
    Q_INVOKABLE void SetMaxDigits(int v) { log << QStringLiteral("MaxDigits=%1").arg(v); }
    Q_INVOKABLE void SetDecimalPlaces(int v) { log << QStringLiteral("DecimalPlaces=%1").arg(v); }
    // The indexed form, channel first.
    Q_INVOKABLE void ObjectNameValue(int channel, const QString& v) { log << QStringLiteral("Value(%1)=%2").arg(channel).arg(v); }
    Q_INVOKABLE void SetObjectCaption(int channel, const QString& v) { log << QStringLiteral("caption(%1)=%2").arg(channel).arg(v); }
    // A display whose setter fails.
    Q_INVOKABLE void SetLargeStep(float) { throw automation::ComError(380, QStringLiteral("Invalid property value")); }
};

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
        for (const char* property : {"ObjectNameValue", "ObjectNameUnit", "ObjectNameMin", "ObjectNameMax",
                                     "ObjectNameLoLim", "ObjectNameHiLim", "ObjectNameLoLoLim", "ObjectNameHiHiLim",
                                     "MaxDigits", "DecimalPlaces"})
            EXPECT_EQ(digital.displayCtrl->property(property), bar.displayCtrl->property(property))
                << property << " of line " << line;
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
              QStringList({"UnRegister", "Min=0", "Max=20", "LoLim=aiDPLoLim", "HiLim=aiDPHiLim", "LoLoLim=aiDPLoLoLim",
                           "HiHiLim=aiDPHiHiLim", "Unit=aiDPOutScaleUnit", "Value=aiDPoutValue", "MaxDigits=8",
                           "DecimalPlaces=2", "Register"}));
    EXPECT_TRUE(traces.ErrorContains("Invalid property value")) << "a failing setter is traced";
    EXPECT_EQ(window.displayCtrl->manager, device.applet.manager);
    EXPECT_EQ(window.displayCtrl->userLevel,
              window.ctlDisplaySetting1->ItemControl(ctlDisplaySetting::appUserlevel));
    EXPECT_EQ(window.displayCtrl->countryCode,
              window.ctlDisplaySetting1->ItemControl(ctlDisplaySetting::appCountryCode));
}

TEST_F(DisplayProtocolRebindsAnyDisplay, ASelectorOfAControlArrayDrivesItsOwnChannelThroughTheIndexedForm)
{
    device.PutDeviceValue(QStringLiteral("ptrbStaticPressureScaleIn100"), 16);
    DisplayWindow<controls::PioPlotter> trend;
    trend.cmbMeasValue->setProperty(dalvex::DisplayProtocol::kControlArrayIndex, 2);
    Open(trend);
    trend.cmbMeasValue->setCurrentIndex(1);
    EXPECT_EQ(trend.displayCtrl->ObjectNameValue(2), "ptrbStaticPressureValue");
    EXPECT_EQ(trend.displayCtrl->ObjectCaption(2), "Static Pressure");
    EXPECT_EQ(trend.displayCtrl->Scale(2).maximum, 16);
    EXPECT_TRUE(trend.displayCtrl->ObjectNameValue(1).isEmpty()) << "the other channels stay as they were";
    EXPECT_TRUE(trend.displayCtrl->IsRegistered());

    DisplayWindow<RecordingDisplay> recorded;
    recorded.cmbMeasValue->setProperty(dalvex::DisplayProtocol::kControlArrayIndex, 3);
    Open(recorded);
    EXPECT_EQ(recorded.displayCtrl->log,
              QStringList({"UnRegister", "Value(3)=ptrbSecondaryValue1", "caption(3)=Differential Pressure", "Register"}))
        << "only the indexed properties the display knows, for the selector's channel";
}

TEST_F(DisplayProtocolRebindsAnyDisplay, ADisplayWithoutUnRegisterTakesThePlainFormEvenFromAControlArray)
{
    DisplayWindow<controls::PioBarGraph> bar;
    bar.cmbMeasValue->setProperty(dalvex::DisplayProtocol::kControlArrayIndex, 1);
    QObject* display = new QObject(&bar.form);
    display->setObjectName("plain");
    bar.ctlDisplaySetting1->Register(device.applet.manager);
    pioitemstest::Traces traces;
    bar.ctlDisplaySetting1->Init(display, bar.cmbMeasValue);
    EXPECT_EQ(bar.cmbMeasValue->currentIndex(), 0);
    EXPECT_FALSE(traces.HasErrors()) << traces.errors.join("\n").toStdString();
    EXPECT_GE(traces.CountContaining("skips LargeStep"), 1) << "the plain form was tried";
    EXPECT_EQ(traces.CountContaining("skips objectcaption"), 0) << "the indexed form was not";
}

} // namespace

#include "DisplayProtocolRebindsAnyDisplayTest.moc"
