// The flow set-up page with the component library's flow rules and the flow
// engine beside it, on the simulated transmitter: water through an orifice
// plate set up on the page, calculated and written, gives the standard's mass
// flow in the device; the gas's compressibility matrix is reset all or
// nothing; the frames follow the medium, the primary element and the
// revision; the controls follow a revision change to the items they now show.
#include "merrow/pages/frmConfigFlow.h"
#include "merrow/shell/PageTabs.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioFieldControl.h"
#include "tests/common/OrificePlateReference.h"
#include "tests/merrow/PagesOnSimulatorSupport.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <set>

using namespace merrowtest;
using controls::PioFieldControl;

namespace {

using orificereference::StandardMassFlow;

class FlowSetUpPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
        window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        page = OpenPage<frmConfigFlow>(applet, *window, "mnuConfigureFlow");
        ASSERT_NE(page, nullptr);
    }

    // Revisions above 21 are told by the extended revision octets.
    void Revision(int revision)
    {
        int32_t failed = 0;
        applet.manager->fncPutOctetsValue(applet.manager->HandleOf(QStringLiteral("pbSoftwareSpecHOLLEN")),
                                          QByteArray(1, static_cast<char>(revision)) + QByteArray(2, '\0'), failed);
        ASSERT_EQ(failed, 0);
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
        piotest::Settle();
    }
    // The user sees the field's tab.
    void SelectTabOf(const QWidget& field)
    {
        for (int n = 0; n < 3; ++n)
            if (page->Tabs()->picOptions(n)->isAncestorOf(&field))
                page->Tabs()->SelectKey(QStringLiteral("%1t").arg(n));
    }
    // Types a value into a field of the page and leaves the field.
    void Type(const char* control, const QString& text)
    {
        PioFieldControl* field = page->Control(QLatin1String(control));
        ASSERT_TRUE(field && field->ValueField()) << control;
        SelectTabOf(*field);
        ASSERT_TRUE(field->isEnabled()) << control;
        field->ValueField()->setText(text);
        emit field->ValueField()->editingFinished();
        piotest::Settle();
    }
    void Choose(const char* control, int code)
    {
        PioFieldControl* field = page->Control(QLatin1String(control));
        ASSERT_TRUE(field && field->EntryList()) << control;
        SelectTabOf(*field);
        ASSERT_TRUE(field->isEnabled()) << control;
        const int index = field->EntryList()->findData(code);
        ASSERT_GE(index, 0) << control << " " << code;
        field->EntryList()->setCurrentIndex(index);
        piotest::Settle();
    }
    double Number(const char* item) const { return applet.Text(QLatin1String(item)).toDouble(); }
    bool Hidden(const char* frame) const { return page->Frame(QLatin1String(frame))->isHidden(); }

    double MeasuredMassFlow(double dpMbar)
    {
        return orificereference::MeasuredMassFlow(applet.device.transmitter(), dpMbar);
    }

    CorvaneDeviceApplet applet;
    frmMain* window = nullptr;
    frmConfigFlow* page = nullptr;
};

} // namespace

TEST_F(FlowSetUpPage, WaterThroughAnOrificePlateSetUpOnThePageGivesTheStandardsMassFlowInTheDevice)
{
    // The units of the inputs belong to the channel pages.
    for (const auto& [item, value] : {std::pair{"mvInTUnit", "32"}, {"mvInPUnit", "7"}, {"mvInDPUnit", "8"}})
        applet.PutText(QLatin1String(item), QLatin1String(value));
    piotest::Settle();
    Choose("cmbMediumType", 1);
    Choose("PioCombo2(0)", 1);
    Choose("PioCombo15(3)", 49); // mm
    Choose("PioCombo15(2)", 92); // kg/m3
    Choose("PioCombo15(0)", 73); // kg/s
    Choose("PioCombo15(1)", 19); // m3/h
    Choose("PioCombo2(1)", 250);
    Choose("PioCombo2(2)", 250);
    const std::pair<const char*, const char*> typed[] = {
        {"PioText11(5)", "0"},   {"PioText12(5)", "500"},        {"PioText1(0)", "1"},        {"PioText2(0)", "10"},
        {"txtMvInTLimits(0)", "0"}, {"txtMvInTLimits(1)", "80"}, {"PioText46(1)", "100"},     {"PioText46(0)", "0.5"},
        {"PioText48", "200000"}, {"PioText42(0)", "250"},        {"txtDisplayedValue(0)", "5"}, {"txtDisplayedValue(1)", "20"},
        {"PioText49", "100"},    {"PioText44(0)", "0"},          {"txtDisplayedValueRho(0)", "998.2"},
    };
    for (const auto& [control, value] : typed)
        Type(control, QLatin1String(value));
    // Every unit label follows its unit item.
    for (const auto& [label, unit] : {std::pair{"lblDiffPressureUnit(0)", "mbar"}, {"lblDiffPressureUnit(1)", "mbar"},
                                      {"lblStaticPressureUnit(2)", "bar"}, {"lblTemperatureUnit(4)", "°C"},
                                      {"lblMvDensityUnit", "kg/m³"}, {"lblDensityUnit", "kg/m³"}})
        EXPECT_EQ(page->findChild<QLabel*>(QLatin1String(label))->text(), QString::fromUtf8(unit)) << label;
    EXPECT_EQ(Number("mvBeta"), 0.5);
    EXPECT_EQ(Number("mvRhor"), 998.2);
    EXPECT_EQ(Number("mvReserved5"), 100);

    // A diameter ratio the corner-tapped plate does not allow: the user is told, nothing is calculated.
    Type("PioText46(0)", QStringLiteral("0.8"));
    const size_t messages = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->cmdCalculate()->click();
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("1"));
    EXPECT_EQ(applet.dialogs.Requests().size(), messages + 1);
    EXPECT_NE(window->PanelText(4), global::LoadLocalizedText(3899));
    Type("PioText46(0)", QStringLiteral("0.5"));

    page->cmdCalculate()->click();
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("0"));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3899));
    EXPECT_GT(Number("mvOutVolFlowMaxValue"), 0); // the calculation's result, on the page
    EXPECT_EQ(page->Control(QStringLiteral("txtOutVolFlowMaxValue"))->ShownText().toDouble(),
              Number("mvOutVolFlowMaxValue"));

    // Until the download the device computes with coefficients of its own
    // (the factory's are those of a plate much like this one: set up for another).
    sim::DeviceParameters& held = applet.device.transmitter().parameters();
    held.set(QStringLiteral("mvKqm"), held.value(QStringLiteral("mvKqm")).toFloat() * 0.5f);
    EXPECT_GT(std::abs(MeasuredMassFlow(250) / StandardMassFlow(250) - 1.0), 0.01);
    page->Tabs()->SelectKey(QStringLiteral("1t"));
    Screenshot(*window, *page, QStringLiteral("flow-setup-liquid-en"), QSize(820, 720));

    int32_t result = -1;
    applet.commands.clear();
    ASSERT_TRUE(piotest::RunUntil([&] {
        applet.host->ForceSequence(QStringLiteral("downloadAi"), result);
        return result == 0;
    }));
    // The chain writes the reference values (154) before the coefficients (158).
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.commands.contains(154) && applet.commands.contains(158) && applet.SequenceState("downloadMv") == 0
            && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    }));
    for (double dp : {100.0, 250.0, 400.0}) {
        SCOPED_TRACE(dp);
        EXPECT_NEAR(MeasuredMassFlow(dp) / StandardMassFlow(dp), 1.0, 1e-3);
    }
}

TEST_F(FlowSetUpPage, NaturalGasMatrixIsResetAllOrNothingAndCalculates)
{
    Choose("cmbMediumType", 4);
    PageTabs* tabs = page->Tabs();
    ASSERT_EQ(tabs->IndexOfKey(QStringLiteral("2t")), 2);
    EXPECT_EQ(tabs->tbsOptions()->tabText(2), global::LoadLocalizedText(2179));
    tabs->SelectKey(QStringLiteral("2t"));
    EXPECT_EQ(tabs->HelpContextID(), 31);
    EXPECT_FALSE(Hidden("fraGas"));
    // The gas's own data: the N2 portion only, labelled as such; the items of
    // the materials are bound by the material lists alone.
    EXPECT_EQ(global::LoadLocalizedText(2265), QStringLiteral("Mol portion x N2"));
    EXPECT_EQ(global::LoadLocalizedText(12265), QStringLiteral("Molanteil x N2"));
    EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("lblMolN2"))->text(), QStringLiteral("Mol portion x N2"));
    QStringList materialControls;
    for (PioFieldControl* control : page->findChildren<PioFieldControl*>())
        for (const QString& item : {control->ObjectNameText(), control->ObjectNameLabel(), control->ObjectNameCombo()})
            if (item.compare(QStringLiteral("mvMolCO2"), Qt::CaseInsensitive) == 0
                || item.compare(QStringLiteral("mvh0"), Qt::CaseInsensitive) == 0)
                materialControls << control->objectName();
    materialControls.sort();
    EXPECT_EQ(materialControls, QStringList({"PioCombo2(1)", "PioCombo2(2)"}));

    const auto put = [&](const char* item, const char* value) { applet.PutText(QLatin1String(item), QLatin1String(value)); };
    put("mvPkb1", "2");
    put("mvPkb3", "8");
    put("mvTkb1", "0");
    put("mvTkb3", "40");
    put("mvZkb5", "0.9");
    put("mvZkb9", "0.8");
    piotest::Settle();
    page->optKorrektur(1)->click();
    piotest::Settle();
    EXPECT_EQ(Number("mvPkb2"), 5);
    EXPECT_EQ(Number("mvTkb2"), 20);
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(applet.Text(QStringLiteral("mvZkb%1").arg(i)).toDouble(), 1) << i;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(page->Control(QStringLiteral("txtFaktor(%1)").arg(i))->ShownText().toDouble(), 1) << i;
    EXPECT_FALSE(page->findChild<QGroupBox*>(QStringLiteral("fraMatrix(2)"))->isEnabled());
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3895));
    page->optKorrektur(0)->click();
    EXPECT_TRUE(page->findChild<QGroupBox*>(QStringLiteral("fraMatrix(2)"))->isEnabled());

    // Outer pressures whose mean overflows single precision: nothing is written, the user is told.
    put("mvPkb1", "3e38");
    put("mvPkb3", "3e38");
    put("mvZkb5", "0.9");
    piotest::Settle();
    const QString p2 = applet.Text(QStringLiteral("mvPkb2"));
    const QString t2 = applet.Text(QStringLiteral("mvTkb2"));
    const size_t messages = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->cmdReset()->click();
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("mvPkb2")), p2);
    EXPECT_EQ(applet.Text(QStringLiteral("mvTkb2")), t2);
    EXPECT_EQ(Number("mvZkb5"), 0.9);
    ASSERT_EQ(applet.dialogs.Requests().size(), messages + 1);
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3896));
    // Without correction, refused the same way: the correction stays on, the matrix usable.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->optKorrektur(1)->click();
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("mvPkb2")), p2);
    EXPECT_TRUE(page->optKorrektur(0)->isChecked());
    EXPECT_TRUE(page->findChild<QGroupBox*>(QStringLiteral("fraMatrix(2)"))->isEnabled());
    EXPECT_EQ(applet.dialogs.Requests().size(), messages + 2);

    put("mvPkb1", "2");
    put("mvPkb3", "8");
    piotest::Settle();
    page->cmdReset()->click();
    piotest::Settle();
    EXPECT_EQ(Number("mvPkb2"), 5);
    EXPECT_EQ(Number("mvZkb5"), 1);
    EXPECT_TRUE(page->findChild<QGroupBox*>(QStringLiteral("fraMatrix(2)"))->isEnabled());

    Type("txtDisplayedValueRho(1)", QStringLiteral("0.8"));
    page->cmdCalculate()->click();
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("0"));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3899));
    page->Tabs()->SelectKey(QStringLiteral("2t"));
    Screenshot(*window, *page, QStringLiteral("flow-setup-gas-en"), QSize(820, 720));
}

// The frames by medium, primary element, diameter ratio and revision; the
// material lists are there only where the device holds the materials.
TEST_F(FlowSetUpPage, FramesFollowMediumElementBetaAndRevision)
{
    struct Case {
        int medium;
        int element;
        double beta;
        double revision;
        std::set<std::string> hidden;
        const char* betaLabel;
    };
    const std::set<std::string> materials = {"fraTubeMaterial", "fraPrimaryElementMaterial"};
    const Case cases[] = {
        {1, 13, 0.5, 22, {"fraKapa", "fraMvReDr", "fraMvKQCL", "fraTubeMaterial", "fraTubeDiameter", "fraMvBeta"}, "Ratio Of Diameter"},
        {6, 13, 0.5, 22, {"fraMvReDr", "fraTubeMaterial", "fraTubeDiameter"}, "Ratio Of Diameter"},
        {6, 2, 0.5, 21, {"fraTubeDiameter", "fraTubeMaterial", "fraPrimaryElementMaterial"}, "Ratio Of Diameter"},
        {6, 2, 0.5, 22, {}, "Ratio Of Diameter"},
        {6, 29, 0, 22, {"fraMvReDr", "fraPrimaryElementMaterial", "fraKapa"}, "Factor Expansion"},
        {6, 29, 0.6, 22, {"fraMvReDr", "fraPrimaryElementMaterial"}, "Factor Expansion"},
        {3, 1, 0.5, 22, {"fraCorrRangeTemp", "fraKapa", "fraTemperature"}, "Ratio Of Diameter"},
        {4, 32, 0.5, 22, {"fraMvReDr", "fraMvKQCL", "fraTubeMaterial", "fraPrimaryElementMaterial", "fraTubeDiameter",
                          "fraMvBeta", "fraKapa"}, "Ratio Of Diameter"},
    };
    const char* const frames[] = {"fraKapa", "fraCorrRangeTemp", "fraMvReDr", "fraMvBeta", "fraMvKQCL",
                                  "fraTubeMaterial", "fraPrimaryElementMaterial", "fraTubeDiameter", "fraTemperature"};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "medium " << c.medium << ", element " << c.element << ", beta " << c.beta
                                        << ", revision " << c.revision);
        page->Arrange(c.medium, c.element, c.beta, c.revision);
        std::set<std::string> hidden;
        for (const char* frame : frames)
            if (Hidden(frame))
                hidden.insert(frame);
        EXPECT_EQ(hidden, c.hidden);
        EXPECT_EQ(page->lblBeta()->text(), QLatin1String(c.betaLabel));
    }

    // Gas, then liquid, chosen on the page: the gas tab gives way to the liquid's.
    Choose("cmbMediumType", 4);
    EXPECT_EQ(page->lblMassFlow()->text(), global::LoadLocalizedText(2233));
    page->Tabs()->SelectKey(QStringLiteral("1t"));
    EXPECT_TRUE(page->Control(QStringLiteral("txtDisplayedValueRho(0)"))->isEnabled());
    Choose("cmbMediumType", 5);
    page->Tabs()->SelectKey(QStringLiteral("1t"));
    // The table's liquid has its design density calculated, not typed.
    EXPECT_FALSE(page->Control(QStringLiteral("txtDisplayedValueRho(0)"))->isEnabled());
    PageTabs* tabs = page->Tabs();
    EXPECT_EQ(tabs->tbsOptions()->count(), 3);
    ASSERT_EQ(tabs->IndexOfKey(QStringLiteral("2t")), 2);
    EXPECT_EQ(tabs->tbsOptions()->tabText(2), global::LoadLocalizedText(2267));
    EXPECT_TRUE(Hidden("fraGas"));
    EXPECT_FALSE(Hidden("FraFluid"));
    EXPECT_EQ(page->lblMassFlow()->text(), global::LoadLocalizedText(2191));
    Choose("cmbMediumType", 1);
    EXPECT_EQ(tabs->IndexOfKey(QStringLiteral("2t")), -1);

    // The window fits its content on every tab, in English and in German.
    for (int country : {1, 49}) {
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        global::LocalizeForm(*page);
        for (const char* key : {"0t", "1t", "2t"}) {
            tabs->SelectKey(QLatin1String(key));
            piotest::Settle();
            for (QWidget* field : page->findChildren<QWidget*>()) {
                if (!field->isVisibleTo(page) || !qobject_cast<PioFieldControl*>(field))
                    continue;
                const QRect inPage(field->mapTo(page, QPoint(0, 0)), field->size());
                EXPECT_TRUE(page->rect().contains(inPage)) << country << " " << field->objectName().toStdString();
            }
        }
    }
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 1);
    global::LocalizeForm(*page);

    // The fixed temperature value: bit 4 of the input selection.
    tabs->SelectKey(QStringLiteral("0t"));
    applet.PutText(QStringLiteral("mvDefaultInpSel"), QStringLiteral("5"));
    piotest::Settle();
    EXPECT_TRUE(page->chkFixedTemperatureValue()->isChecked());
    page->chkFixedTemperatureValue()->click();
    EXPECT_EQ(applet.Text(QStringLiteral("mvDefaultInpSel")), QStringLiteral("1"));
    EXPECT_FALSE(page->Control(QStringLiteral("txtMvInTLimits(2)"))->isEnabled());
    page->chkFixedTemperatureValue()->click();
    EXPECT_EQ(applet.Text(QStringLiteral("mvDefaultInpSel")), QStringLiteral("5"));
    EXPECT_TRUE(page->Control(QStringLiteral("txtMvInTLimits(2)"))->isEnabled());

    // The flow block leaves flow computing: the page closes.
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    EXPECT_TRUE(piotest::RunUntil([&] { return window->ChildForms().isEmpty(); }));
}

// A revision change while the page is open binds the controls to the items
// of the new revision, and they show those items' values at once.
TEST_F(FlowSetUpPage, ARevisionChangeRebindsTheControlsAndTheyShowTheNewItemsValues)
{
    Revision(20);
    EXPECT_EQ(page->Control(QStringLiteral("txtDisplayedValue(0)"))->ObjectNameText(), "mvPrGUI");
    EXPECT_EQ(page->Control(QStringLiteral("txtDisplayedValueRho(1)"))->ObjectNameText(), "mvRhoNormGUI");
    EXPECT_EQ(page->appMvPkb(0)->AppItemName(), "mvPkb1GUI");
    EXPECT_EQ(page->Control(QStringLiteral("PioLabel1(0)"))->ObjectNameLabel(), "mvTkb1GUI");
    EXPECT_TRUE(page->Frame(QStringLiteral("fraTubeMaterial"))->isHidden());

    // The copies and the device values apart, so that a stale control shows.
    for (const auto& [item, value] : {std::pair{"mvPrGUI", "3.5"}, {"mvPr", "6.25"}, {"mvTkb1GUI", "-5"},
                                      {"mvTkb1", "12.5"}, {"mvRhorGUI", "900"}, {"mvRhor", "750"}})
        applet.PutText(QLatin1String(item), QLatin1String(value));
    Revision(22);
    EXPECT_EQ(page->Control(QStringLiteral("txtDisplayedValueRho(0)"))->ObjectNameText(), "mvRhor");
    EXPECT_EQ(page->Control(QStringLiteral("txtDisplayedValueRho(1)"))->ObjectNameText(), "mvRhoNorm");
    EXPECT_EQ(page->appMvPkb(0)->AppItemName(), "mvPkb1");
    EXPECT_EQ(page->appMvTkb(2)->AppItemName(), "mvTkb3");
    for (const auto& [control, item] : {std::pair{"txtDisplayedValue(0)", "mvPr"}, {"txtDisplayedValue(1)", "mvTr"},
                                        {"txtDisplayedValue(2)", "mvPkb2"}, {"txtDisplayedValue(3)", "mvTkb2"},
                                        {"PioLabel1(0)", "mvTkb1"}, {"PioLabel1(5)", "mvPkb3"},
                                        {"txtDisplayedValueRho(0)", "mvRhor"}}) {
        SCOPED_TRACE(control);
        PioFieldControl* shown = page->Control(QLatin1String(control));
        EXPECT_EQ(shown->ObjectNameText() + shown->ObjectNameLabel(), QLatin1String(item));
        EXPECT_DOUBLE_EQ(shown->ShownText().toDouble(), Number(item));
    }
    EXPECT_EQ(page->Control(QStringLiteral("PioLabel1(0)"))->ShownText().toDouble(), 12.5);
    EXPECT_FALSE(page->Frame(QStringLiteral("fraTubeMaterial"))->isHidden());
}

// A calculation the engine refuses is told with the value as the user typed
// it, in the user's unit, and the status line never says it was calculated:
// a German user with the differential pressure in kPa types the value and
// clicks the button.
TEST_F(FlowSetUpPage, ARefusedCalculationIsToldInTheUsersUnitAndNeverReportedDone)
{
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    global::LocalizeForm(*page);
    applet.PutText(QStringLiteral("ptrbScaleInUnit"), QStringLiteral("12")); // kPa, which the flow block follows
    piotest::Settle();
    ASSERT_EQ(applet.Text(QStringLiteral("mvInDPUnit")), QStringLiteral("12"));
    PioFieldControl* field = page->Control(QStringLiteral("PioText42(0)"));
    ASSERT_TRUE(field && field->ValueField());
    SelectTabOf(*field);
    // The values as they are calculate.
    page->cmdCalculate()->click();
    piotest::Settle();
    const QString calculated = QStringLiteral("Durchflusskoeffizienten berechnet.");
    ASSERT_EQ(window->PanelText(4), calculated);
    field->ValueField()->setFocus();
    field->ValueField()->selectAll();
    QTest::keyClicks(field->ValueField(), QStringLiteral("-5"));
    const size_t messages = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    QTest::mouseClick(page->cmdCalculate(), Qt::LeftButton);
    piotest::Settle();
    ASSERT_EQ(applet.dialogs.Requests().size(), messages + 1);
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("Fehler in MV Berechnung.\nReferenz-Differenzdruck (-5 kPa) muss größer als 0 sein."));
    EXPECT_NE(window->PanelText(4), calculated);
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("1"));
}
