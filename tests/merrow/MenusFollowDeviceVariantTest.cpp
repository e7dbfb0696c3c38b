// Menus, toolbar and status bar follow the device variant, the connection,
// the engineering context and the language; dataset reports ask first, then
// refuse.
#include "MerrowTestSupport.h"
#include "merrow/shell/frmOutput.h"

using namespace merrowtest;

namespace {

constexpr const char* kHart = "4607215";
constexpr const char* kProfibus = "4607221";
constexpr const char* kFieldbus = "4607246";

frmMain* StartVariant(MerrowApplet& applet, const char* bus, int module, bool mv, int block, int hartType,
                      int connection, int address = 0)
{
    applet.Variant(bus, module, mv, block, hartType);
    applet.PutText(QStringLiteral("&&private_PM&&Address"), QString::number(address));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    frmMain* window = applet.Start();
    if (window) {
        applet.PutNumber(QStringLiteral("&&private&&Connect"), connection);
        window->MDIForm_Activate();
    }
    return window;
}

} // namespace

TEST(MenusFollowDeviceVariant, HartModbusFlowVariantShowsBusAndFlowEntriesWithoutCurrentOrPressureSimulation)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, true, 8, 139, 2);
    ASSERT_NE(w, nullptr);
    for (const char* entry : {"mnuDeviceModbusOn", "mnuConfigureBusparameter", "mnuFlowBuffer", "mnuConfigureFlow",
                              "mnuDiagnosticsSimulate", "mnuDiagnosticsSimulateFlow", "mnuConfigureTemperature"})
        EXPECT_TRUE(Shown(*w, entry)) << entry;
    for (const char* entry : {"mnuDiagnosticsSimulateCurrent", "mnuDiagnosticsSimulatePressure", "mnuOperate"})
        EXPECT_FALSE(Shown(*w, entry)) << entry;
    EXPECT_EQ(w->Menu(QStringLiteral("mnuConfigurePressure"))->text(), "Differential Pressure Measurement");
}

TEST(MenusFollowDeviceVariant, SimulationSubmenuHiddenForModbusWithoutFlowReturnsWithAnotherVariant)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 139, 2);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Shown(*w, "mnuDiagnosticsSimulate"));
    // A dataset of a plain HART device opened from file in the same window.
    applet.Variant(kHart, 1, false, 8, 137);
    w->ArrangeMenus();
    EXPECT_TRUE(Shown(*w, "mnuDiagnosticsSimulate"));
    EXPECT_TRUE(Shown(*w, "mnuDiagnosticsSimulateCurrent"));
}

TEST(MenusFollowDeviceVariant, HartWithPollingAddressDisablesCurrentSimulationAndMvOffNamesPressure)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 40, false, 8, 137, 2, 3);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(Shown(*w, "mnuDiagnosticsSimulateCurrent"));
    EXPECT_FALSE(Usable(*w, "mnuDiagnosticsSimulateCurrent"));
    EXPECT_TRUE(Shown(*w, "mnuCalibrateCurrent"));
    EXPECT_FALSE(Shown(*w, "mnuDeviceModbusOn"));
    EXPECT_FALSE(Shown(*w, "mnuConfigureStaticPressure"));
    EXPECT_FALSE(Shown(*w, "mnuConfigureTemperature"));
    EXPECT_EQ(w->Menu(QStringLiteral("mnuConfigurePressure"))->text(), "Pressure Measurement");
    EXPECT_EQ(w->Menu(QStringLiteral("mnuDiagnosticsSimulatePressure"))->text(), "Pressure Measurement");
}

TEST(MenusFollowDeviceVariant, BeforeTheBusIsKnownTheFieldbusOnlyMenuStaysHidden)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    // A dataset that does not yet tell its bus, as after a factory reset while connecting.
    applet.PutText(QStringLiteral("pbSoftwareSpecifics"), QString());
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Shown(*w, "mnuOperate"));
    applet.Variant(kFieldbus, 1, true, 128, 0);
    w->ArrangeMenus();
    EXPECT_TRUE(Shown(*w, "mnuOperate"));
}

TEST(MenusFollowDeviceVariant, FieldbusShowsOperateAndProfibusNever)
{
    {
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* w = StartVariant(applet, kFieldbus, 1, true, 128, 0, 2);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(Shown(*w, "mnuOperate"));
        EXPECT_TRUE(Shown(*w, "mnuDiagnosticsSimulatePressure"));
        EXPECT_FALSE(Shown(*w, "mnuDiagnosticsSimulateFlow"));
        EXPECT_EQ(w->Menu(QStringLiteral("mnuDiagnosticsSimulatePressure"))->text(), "Pressure/Temperature Measurement");
    }
    MerrowApplet applet;
    frmMain* w = StartVariant(applet, kProfibus, 1, false, 8, 0, 2);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Shown(*w, "mnuOperate"));
    EXPECT_FALSE(Shown(*w, "mnuDiagnosticsSimulateCurrent"));
    EXPECT_TRUE(Shown(*w, "mnuDiagnosticsSimulatePressure"));
}

TEST(MenusFollowDeviceVariant, ConnectionStateSwitchesEntriesButtonsAndStatusText)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 137, 2);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->PanelText(1), "Connection Established");
    EXPECT_FALSE(Shown(*w, "mnuDeviceConnect"));
    EXPECT_TRUE(Usable(*w, "mnuDeviceDisconnect"));
    EXPECT_TRUE(w->Button(QStringLiteral("tbReadFromDevice"))->isEnabled());
    EXPECT_FALSE(w->Button(QStringLiteral("tbNew"))->isEnabled());
    EXPECT_FALSE(Usable(*w, "mnuFileNew"));
    // The status and pressure pages open while connected.
    EXPECT_TRUE(w->Button(QStringLiteral("tbDiagnostics"))->isEnabled());
    EXPECT_TRUE(Usable(*w, "mnuConfigurePressure"));

    // A disconnect passes through "disconnecting".
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 3);
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 0);
    EXPECT_EQ(w->PanelText(1), "Connection Canceled");
    EXPECT_TRUE(Shown(*w, "mnuDeviceConnect"));
    EXPECT_FALSE(Shown(*w, "mnuDeviceDisconnect"));
    EXPECT_FALSE(Usable(*w, "mnuDeviceLoadFromDevice"));
    EXPECT_FALSE(w->Button(QStringLiteral("tbWriteToDevice"))->isEnabled());
    EXPECT_TRUE(Usable(*w, "mnuFileOpen"));
}

TEST(MenusFollowDeviceVariant, EngineeringContextIsTheLowByteOfTheNumberTheFrameWrites)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 137, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(Usable(*w, "mnuDeviceConnect"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0x153); // low byte 0x53: no connect bit
    EXPECT_FALSE(Usable(*w, "mnuDeviceConnect"));
    EXPECT_FALSE(w->Button(QStringLiteral("tbConnect"))->isEnabled());
    // A single-digit context, as the frame writes it for one function, is a context.
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 8);
    EXPECT_TRUE(Usable(*w, "mnuDeviceConnect"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0x40);
    EXPECT_FALSE(Usable(*w, "mnuDeviceConnect"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0x80);
    EXPECT_TRUE(Usable(*w, "mnuDeviceConnect"));
}

TEST(MenusFollowDeviceVariant, GermanCaptionsAndTheWindowEntriesKeepTheirTexts)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 137, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Menu(QStringLiteral("mnuWindowTileVertical"))->text(), "Cascade");
    EXPECT_EQ(w->Menu(QStringLiteral("mnuWindowCascade"))->text(), "Overlapped");
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    global::LocalizeForm(*w);
    EXPECT_EQ(w->Menu(QStringLiteral("mnuFile"))->text(), "&Datei");
    EXPECT_EQ(w->Menu(QStringLiteral("mnuWindowTileVertical"))->text(), "&Nebeneinander");
    EXPECT_EQ(w->Button(QStringLiteral("tbConnect"))->toolTip(), "Verbindung aufbauen");
    EXPECT_EQ(global::LoadLocalizedText(2534),
              "Die Simulation des Ausgangssignals beeinflusst den Prozess.\nSimulation trotzdem starten?");
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 33);
    EXPECT_EQ(global::LoadLocalizedText(2001), "Connection Canceled");
}

TEST(MenusFollowDeviceVariant, FirstIncompatibleDatasetAsksAndSecondDisconnectsWithWarning)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 137, 2);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->AskBeforeRefusing());
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    applet.PutNumber(QStringLiteral("InCompatibleDataset"), 3);
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
    EXPECT_FALSE(Usable(*w, "mnuDeviceSaveToDevice"));
    EXPECT_FALSE(w->AskBeforeRefusing());
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.PutNumber(QStringLiteral("InCompatibleDataset"), 4);
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}

TEST(MenusFollowDeviceVariant, RevisionChangeReportListsEachLineOnceOnlyWhileConnected)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = StartVariant(applet, kHart, 1, false, 8, 137, 0);
    ASSERT_NE(w, nullptr);
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("ignored"));
    EXPECT_EQ(w->ReportWindow(), nullptr);
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("unit changed"));
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("damping changed"));
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("unit changed"));
    ASSERT_NE(w->ReportWindow(), nullptr);
    EXPECT_EQ(w->ReportWindow()->Lines(), QStringList({"unit changed", "damping changed"}));
    // Closed, the window forgets: the next report starts a new list, and a line reported before counts anew.
    w->ReportWindow()->close();
    piotest::Settle();
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("range changed"));
    applet.PutText(QStringLiteral("ChangesByRevision"), QStringLiteral("unit changed"));
    ASSERT_NE(w->ReportWindow(), nullptr);
    EXPECT_TRUE(w->ReportWindow()->isVisible());
    EXPECT_EQ(w->ReportWindow()->Lines(), QStringList({"range changed", "unit changed"}));
}
