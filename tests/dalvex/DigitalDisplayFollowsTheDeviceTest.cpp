// The digital display connected to the simulated transmitter: it shows the
// process value the device measures as it is read, beside a bar graph bound
// the same way, and its colour follows the connection state once registered.
#include "DalvexTestSupport.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "lumette/DynamicLabel.h"
#include "platform/controls/PioBarGraph.h"
#include "sim/ProcessModel.h"
#include "tests/common/WindowScreenshot.h"
#include <QHBoxLayout>

using namespace dalvextest;

namespace {

class DigitalDisplayFollowsTheDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        DALVEX_REQUIRE_DEVICE(device);
        pioitems::Ambient::SetUserMode(&form, true);
        form.setWindowTitle(QStringLiteral("Differential pressure"));
        auto* layout = new QHBoxLayout(&form);
        layout->addWidget(digital, 0, Qt::AlignTop);
        layout->addWidget(bar);
        QObject::connect(digital->lblValue(), &lumette::DynamicLabel::PropertyChanged, [this](const QString& name) {
            if (name == QLatin1String("ForeColor"))
                colours << digital->lblValue()->ForeColor();
        });
    }
    // Both displays bound to the measured process value, as a display
    // setting control binds them.
    void Bind(controls::DisplayProtocol& display)
    {
        display.UnRegister();
        display.SetDisplayProperty(QStringLiteral("ObjectNameMin"), QStringLiteral("0"));
        display.SetDisplayProperty(QStringLiteral("ObjectNameMax"), QStringLiteral("50"));
        display.SetDisplayProperty(QStringLiteral("ObjectNameUnit"), QStringLiteral("hartPvUnit"));
        display.SetDisplayProperty(QStringLiteral("ObjectNameValue"), QStringLiteral("hartPv"));
        display.SetDisplayProperty(QStringLiteral("MaxDigits"), 8);
        display.SetDisplayProperty(QStringLiteral("DecimalPlaces"), 2);
        display.Register(device.applet.manager, QVariant(), QVariant());
    }
    void ReadProcessValue(double dp)
    {
        device.applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, dp);
        const QString before = device.Text(QStringLiteral("hartPv"));
        int32_t result = -1;
        device.applet.host->StartSequence(QStringLiteral("ReadProcessValues"), result);
        ASSERT_EQ(result, 0);
        ASSERT_TRUE(piotest::RunUntil([&] { return device.Text(QStringLiteral("hartPv")) != before; }));
        pioitemstest::Settle();
    }
    QString ValueLine() const { return digital->lblValue()->Caption().split(QStringLiteral("\r\n")).at(0).trimmed(); }

    TrivexDevice device;
    QWidget form;
    ctlDigitalDisplay* digital = new ctlDigitalDisplay(&form);
    controls::PioBarGraph* bar = new controls::PioBarGraph(&form);
    QList<uint32_t> colours;
};

TEST_F(DigitalDisplayFollowsTheDevice, ShowsTheMeasuredProcessValueAndTheConnectionState)
{
    device.Put(QStringLiteral("&&private&&Connect"), QStringLiteral("0"));
    EXPECT_TRUE(colours.isEmpty()) << "nothing changes the colour before the first registration";
    Bind(*digital);
    Bind(*bar);
    EXPECT_EQ(colours, QList<uint32_t>({ctlDigitalDisplay::kNotConnectedColor}))
        << "registration shows the state it finds: not connected";

    colours.clear();
    ASSERT_TRUE(device.applet.Connect());
    ASSERT_FALSE(colours.isEmpty());
    EXPECT_EQ(colours.first(), ctlDigitalDisplay::kNotConnectedColor) << "grey while connecting";
    EXPECT_EQ(colours.last(), ctlDigitalDisplay::kConnectedColor) << "green once connected";

    ReadProcessValue(12.5);
    ASSERT_TRUE(bar->Value().has_value());
    EXPECT_EQ(ValueLine().toDouble(), std::round(*bar->Value() * 100) / 100) << ValueLine().toStdString();
    const QString first = ValueLine();
    ReadProcessValue(31.25);
    EXPECT_NE(ValueLine(), first);
    EXPECT_EQ(ValueLine().toDouble(), std::round(*bar->Value() * 100) / 100);
    EXPECT_FALSE(digital->lblValue()->Caption().split(QStringLiteral("\r\n")).at(1).trimmed().isEmpty())
        << "the unit's text on the second line";

    bar->SetCaption(QStringLiteral("Differential Pressure"));
    form.resize(520, 150);
    TakeScreenshot(form, QStringLiteral("digital-display-and-bar-graph"));

    for (const char* state : {"3", "1", "2"}) {
        device.Put(QStringLiteral("&&private&&Connect"), QLatin1String(state));
        EXPECT_EQ(digital->lblValue()->ForeColor(), qstrcmp(state, "2") == 0 ? ctlDigitalDisplay::kConnectedColor
                                                                             : ctlDigitalDisplay::kNotConnectedColor)
            << "state " << state;
    }
    digital->UnRegister();
    device.Put(QStringLiteral("&&private&&Connect"), QStringLiteral("0"));
    EXPECT_EQ(digital->lblValue()->ForeColor(), ctlDigitalDisplay::kConnectedColor) << "an unregistered display keeps it";
}

} // namespace
