// The simulation of the analog inputs of a fieldbus device, on a device
// double: the page shows what the device simulates, writes what the user
// sets, gives check boxes and enable items back when a write fails (so that a
// later download switches nothing on), and the main window does not close
// before the simulation is ended in the device. Without the flow function and
// with a plain pressure module the page offers the pressure only.
#include "FieldbusDeviceDouble.h"
#include "PagesOnSimulatorSupport.h"
#include "merrow/pages/frmSimulatePressureTemp.h"
#include "pioitems/PioSequenceItem.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

using namespace merrowtest;

namespace {

constexpr int kTemperature = 0;
constexpr int kPressure = 1;
constexpr int kStaticPressure = 2;

frmSimulatePressureTemp* Find(frmMain& window)
{
    for (PioPage* page : window.ChildForms())
        if (auto* wanted = qobject_cast<frmSimulatePressureTemp*>(page))
            return wanted;
    return nullptr;
}

// The main window of a FOUNDATION Fieldbus transmitter with the flow
// function, connected to the double.
frmMain* StartConnected(MerrowApplet& applet, const std::shared_ptr<FieldbusDeviceDouble>& device)
{
    applet.Variant("4607246", 1, true, 8, 137);
    applet.PutNumber(QStringLiteral("aiPXdScaleUnitFF"), 7); // bar
    applet.PutNumber(QStringLiteral("aiTXdScaleUnitFF"), 32); // degC
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    frmMain* window = applet.Start();
    int32_t code = -1;
    applet.host->fncSetCServer(device, code);
    applet.host->Connect(0, code);
    if (!window || code != 0
        || !piotest::RunUntil([&] { return applet.Number(QStringLiteral("&&private&&Connect")) == 2; }))
        return nullptr;
    window->MDIForm_Activate();
    return window;
}

// The page as the menu opens it, once it has read the device's simulation.
frmSimulatePressureTemp* Open(MerrowApplet& applet, frmMain& window)
{
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // the simulation influences the process
    QAction* entry = window.Menu(QStringLiteral("mnuDiagnosticsSimulatePressure"));
    if (!entry || !entry->isEnabled() || !entry->isVisible())
        return nullptr;
    entry->trigger();
    piotest::Settle();
    frmSimulatePressureTemp* page = Find(window);
    auto* read = page ? page->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqGetAiSimulation")) : nullptr;
    if (!read || !piotest::RunUntil([&] {
            return page->cmdSetSimulation()->isEnabled() && window.isEnabled() && read->PendingActions() == 0
                && read->SequenceState() == 0 && page->chkSimulate(kTemperature)->isChecked();
        }))
        return nullptr;
    return page;
}

} // namespace

TEST(InputSimulationOnFieldbus, SetWritesTheDeviceAFailedWriteRestoresAndClosingEndsTheSimulation)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto device = std::make_shared<FieldbusDeviceDouble>();
    device->SetEnabled(FieldbusDeviceDouble::Temperature, 1); // the device simulates already
    device->SetValue(FieldbusDeviceDouble::Temperature, 85.0f);
    device->SetValue(FieldbusDeviceDouble::DifferentialPressure, 125.0f);
    device->SetValue(FieldbusDeviceDouble::StaticPressure, 4.5f);
    frmMain* window = StartConnected(applet, device);
    ASSERT_NE(window, nullptr);
    frmSimulatePressureTemp* page = Open(applet, *window);
    ASSERT_NE(page, nullptr);
    // A differential-pressure module with the flow function offers all three.
    EXPECT_EQ(page->Frame(kPressure)->title(), global::LoadLocalizedText(2167));
    EXPECT_FALSE(page->Frame(kStaticPressure)->isHidden());
    EXPECT_FALSE(page->Frame(kTemperature)->isHidden());
    EXPECT_EQ(page->HeightTwips(), 3400 + 1275 + 1000);
    EXPECT_FALSE(page->chkSimulate(kPressure)->isChecked());

    page->chkSimulate(kPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return !device->written.empty() && window->isEnabled(); }));
    EXPECT_EQ(device->Enabled(FieldbusDeviceDouble::DifferentialPressure), 1);
    EXPECT_EQ(device->Enabled(FieldbusDeviceDouble::Temperature), 1);
    EXPECT_EQ(device->Enabled(FieldbusDeviceDouble::StaticPressure), 0);
    piotest::Settle();
    EXPECT_TRUE(page->chkSimulate(kPressure)->isChecked());
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3901));
    Screenshot(*window, *page, QStringLiteral("simulate-pressure-temperature-en"));
    EXPECT_EQ(page->Frame(kPressure)->title(), global::LoadLocalizedText(2167)); // localised again, kept

    // The device refuses: nothing it does not simulate stays switched on, on the page or in the dataset.
    device->refuseWrites = true;
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->chkSimulate(kStaticPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return !page->chkSimulate(kStaticPressure)->isChecked() && window->isEnabled(); }));
    EXPECT_EQ(applet.Number(QStringLiteral("aiPSimulateEnabled")), 0);
    EXPECT_EQ(applet.Number(QStringLiteral("aiDPSimulateEnabled")), 1);
    EXPECT_TRUE(page->chkSimulate(kPressure)->isChecked());
    EXPECT_EQ(device->written.size(), 1u);
    EXPECT_EQ(applet.dialogs.Requests().back().text, global::LoadLocalizedText(3902)); // and the user is told
    device->refuseWrites = false;

    // Closing the main window asks first; Cancel keeps everything open and simulating.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    EXPECT_FALSE(window->close());
    piotest::Settle();
    EXPECT_EQ(Find(*window), page);
    EXPECT_EQ(device->Enabled(FieldbusDeviceDouble::DifferentialPressure), 1);
    // Yes: the main window waits while the page switches every channel off in
    // the device, then goes on closing with the question about the changes
    // (Cancel here: the window stays).
    applet.PutNumber(QStringLiteral("&&private&&Dirty"), 1);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    const auto before = applet.dialogs.Requests().size();
    EXPECT_FALSE(window->close());
    ASSERT_TRUE(piotest::RunUntil([&] {
        return Find(*window) == nullptr && window->isEnabled() && applet.dialogs.Requests().size() > before + 1;
    }));
    piotest::Settle();
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3819));
    for (auto block : {FieldbusDeviceDouble::DifferentialPressure, FieldbusDeviceDouble::StaticPressure,
                       FieldbusDeviceDouble::Temperature})
        EXPECT_EQ(device->Enabled(block), 0) << block;
    EXPECT_TRUE(applet.dialogs.Errors().isEmpty()) << applet.dialogs.Errors().join(", ").toStdString();
    // Now nothing simulates: the main window closes without asking (the
    // dataset's change mark, which the simulation's writes set, asks apart).
    applet.PutNumber(QStringLiteral("&&private&&Dirty"), 0);
    const auto asked = applet.dialogs.Requests().size();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(applet.dialogs.Requests().size(), asked);
}

TEST(InputSimulationOnFieldbus, PressureOnlyVariantOffersOneChannelAndAWriteThatCannotStartRestores)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607221", 35, false, 8, 137); // PROFIBUS, absolute pressure module, no flow function
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    auto* page = new frmSimulatePressureTemp;
    window->ShowChildForm(page);
    piotest::Settle();
    EXPECT_EQ(page->windowTitle(), global::LoadLocalizedText(2558));
    EXPECT_EQ(page->Frame(kPressure)->title(), global::LoadLocalizedText(2533));
    EXPECT_TRUE(page->Frame(kStaticPressure)->isHidden());
    EXPECT_TRUE(page->Frame(kTemperature)->isHidden());
    EXPECT_EQ(page->HeightTwips(), 2100 + 1000);
    // Usable only while connected.
    EXPECT_FALSE(page->chkSimulate(kPressure)->isEnabled());
    EXPECT_FALSE(page->cmdSetSimulation()->isEnabled());

    // Without a device the write cannot start: check box and enable item stay off.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->chkSimulate(kPressure)->setChecked(true);
    page->cmdSetSimulation_Click();
    ASSERT_TRUE(piotest::RunUntil([&] { return !page->chkSimulate(kPressure)->isChecked() && window->isEnabled(); }));
    EXPECT_EQ(applet.Number(QStringLiteral("aiDPSimulateEnabled")), 0);
    EXPECT_EQ(applet.dialogs.Requests().back().text, global::LoadLocalizedText(3902));
    EXPECT_TRUE(applet.dialogs.Errors().isEmpty()) << applet.dialogs.Errors().join(", ").toStdString();
    // Disconnected, the page closes without asking.
    const auto asked = applet.dialogs.Requests().size();
    page->parentWidget()->close();
    piotest::Settle();
    EXPECT_EQ(applet.dialogs.Requests().size(), asked);
    EXPECT_EQ(Find(*window), nullptr);
}
