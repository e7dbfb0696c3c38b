// The display controls of a page on the toolkit with the Trivex description:
// a form with one control of each kind, registered by its control item
// handler, shows its items and follows their changes, writes what the user
// enters or chooses, refuses what an item does not take, honours enable
// masks, user level and read-only items, draws the simulated process value,
// and lets go of every item when it unregisters.
#include "pioitems/PioControlItemHandler.h"
#include "platform/applet/clsAppletHost.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioPlotter.h"
#include "platform/controls/PioText.h"
#include "platform/controls/PioUserCurve.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "sim/ProcessModel.h"
#include "tests/common/WindowScreenshot.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableWidget>
#include "platform/applet/ItemValue.h"
#include <gtest/gtest.h>

using namespace controls;

namespace {

struct PageForm {
    PageForm()
    {
        widget.setWindowTitle(QStringLiteral("Display controls"));
        auto* grid = new QGridLayout(&widget);
        text->SetObjectNameText(QStringLiteral("highAlarmCurr"));
        text->SetDecimalPlaces(2);
        combo->SetObjectNameCombo(QStringLiteral("alarmSelectCodeCurr"));
        label->SetObjectNameLabel(QStringLiteral("pbHardwareRev"));
        textUnit->SetObjectNameText(QStringLiteral("lowAlarmCurr"));
        textUnit->SetCaption(QStringLiteral("Low Alarm Current"));
        textUnit->SetUnitText(QStringLiteral("mA"));
        processValue->SetObjectNameLabel(QStringLiteral("hartPv"));
        processValue->SetObjectNameUnit(QStringLiteral("hartPvUnit"));
        processValue->SetCaptionTextId(2553);
        processValue->SetUpdateInterval(1);
        comboUnit->SetObjectNameCombo(QStringLiteral("pbWriteLock"));
        comboUnit->SetCaption(QStringLiteral("Write Protection"));
        comboUnit->SetUnitVisible(false);
        bar->SetObjectNameValue(QStringLiteral("hartPv"));
        bar->SetObjectNameUnit(QStringLiteral("hartPvUnit"));
        bar->SetObjectNameMin(QStringLiteral("0"));
        bar->SetObjectNameMax(QStringLiteral("100"));
        bar->SetObjectNameLoLim(QStringLiteral("aiDPLoLim"));
        bar->SetObjectNameHiLim(QStringLiteral("aiDPHiLim"));
        bar->SetObjectNameLoLoLim(QStringLiteral("aiDPLoLoLim"));
        bar->SetObjectNameHiHiLim(QStringLiteral("aiDPHiHiLim"));
        bar->SetDecimalPlaces(2);
        plotter->SetObjectNameValue(1, QStringLiteral("hartPv"));
        plotter->SetObjectNameUnit(1, QStringLiteral("hartPvUnit"));
        plotter->SetObjectNameMax(1, QStringLiteral("100"));
        plotter->SetObjectCaption(1, QStringLiteral("Differential Pressure"));
        plotter->SetObjectNameValue(2, QStringLiteral("hartSv"));
        plotter->SetObjectNameMax(2, QStringLiteral("10000"));
        plotter->SetObjectCaption(2, QStringLiteral("Static Pressure"));
        curve->setObjectnamex(QStringLiteral("UserCurveX"));
        curve->setObjectnamey(QStringLiteral("UserCurveY"));
        curve->setObjectnametabactno(QStringLiteral("UserCurveActualNumber"));
        curve->setObjectnameusercurve(QStringLiteral("ptrbLinType"));
        int row = 0;
        for (QWidget* field : std::initializer_list<QWidget*>{text, combo, label, textUnit, processValue, comboUnit})
            grid->addWidget(field, row++, 0);
        grid->addWidget(bar, row++, 0);
        grid->addWidget(plotter, 0, 1, row, 1);
        grid->addWidget(curve, row, 0, 1, 2);
        grid->addWidget(handler, row + 1, 0);
    }

    QWidget widget;
    PioText* text = new PioText(&widget);
    PioCombo* combo = new PioCombo(&widget);
    PioLabel* label = new PioLabel(&widget);
    PioLabelTextUnit* textUnit = new PioLabelTextUnit(&widget);
    PioLabelTextUnit* processValue = new PioLabelTextUnit(&widget);
    PioLabelComboUnit* comboUnit = new PioLabelComboUnit(&widget);
    PioBarGraph* bar = new PioBarGraph(&widget);
    PioPlotter* plotter = new PioPlotter(&widget);
    PioUserCurve* curve = new PioUserCurve(&widget);
    pioitems::PioControlItemHandler* handler = new pioitems::PioControlItemHandler(&widget);
};

class DisplayControlsOnAForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        PIO_REQUIRE_APPLET(applet);
        pioitems::Ambient::SetUserMode(&form.widget, true);
        PioDisplayControl::SetTextSource([](int32_t id, int32_t country) {
            return id == 2553 ? (country == 49 ? QStringLiteral("Prozesswert") : QStringLiteral("Process Value"))
                              : QString();
        });
    }
    void TearDown() override { PioDisplayControl::SetTextSource({}); }

    void Register()
    {
        form.handler->Register1(&form.widget, applet.manager);
        pioitemstest::Settle();
    }
    QString Text(const QString& item) const
    {
        QString value;
        int32_t failed = 0;
        applet.manager->GetValueAsText(applet.manager->HandleOf(item), value, false, failed);
        return value;
    }
    void Put(const QString& item, const QString& text)
    {
        int32_t failed = 0;
        applet.manager->PutValueAsText(applet.manager->HandleOf(item), text, failed);
        ASSERT_EQ(failed, 0) << item.toStdString();
    }
    static void Enter(QLineEdit* field, const QString& text)
    {
        field->setText(text);
        emit field->editingFinished();
    }

    piotest::TrivexApplet applet;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService dialogScope{dialogs};
    PageForm form;
};

} // namespace

TEST_F(DisplayControlsOnAForm, RegisteredControlsShowTheirItemsFollowChangesAndAreReleasedAtUnregister)
{
    Register();
    EXPECT_EQ(form.text->ShownText(), "21.00");
    EXPECT_EQ(form.combo->ShownText(), "High");
    EXPECT_EQ(form.combo->EntryList()->count(), 7) << "every entry of the enumeration, in its order";
    EXPECT_EQ(form.combo->EntryList()->itemText(2), "Hold last output value");
    EXPECT_EQ(form.label->ShownText(), "8") << "the revision byte 8: hardware revision 1.0";
    EXPECT_EQ(form.textUnit->UnitLabel()->text(), "mA");
    EXPECT_EQ(form.processValue->Caption(), "Process Value") << "the caption comes from its text id";
    EXPECT_FALSE(form.processValue->UnitLabel()->text().isEmpty()) << "the unit item's entry text";
    EXPECT_FALSE(form.comboUnit->UnitLabel()->isVisibleTo(&form.widget));
    EXPECT_EQ(form.bar->LimitValue(PioBarGraph::HiLim), 90);
    EXPECT_EQ(form.bar->LimitValue(PioBarGraph::LoLoLim), 0);
    EXPECT_EQ(applet.manager->UpdateIntervals()[applet.manager->HandleOf("hartPv")], 1)
        << "a measured value is registered with its refresh cycle";

    // Changes made elsewhere show at once.
    Put("highAlarmCurr", "22.25");
    Put("alarmSelectCodeCurr", "1");
    // The measured value shows what the device reports, its unit too.
    const applet::AppletItem* unit = applet.manager->Item(applet.manager->HandleOf("hartPvUnit"));
    QVariant kPa;
    ASSERT_TRUE(applet::ItemValue::FromText(unit->Type(), unit->Size(), "12", kPa));
    applet.PutShadow("hartPvUnit", kPa);
    EXPECT_EQ(form.text->ShownText(), "22.25");
    EXPECT_EQ(form.combo->ShownText(), "Low");
    EXPECT_EQ(form.processValue->UnitLabel()->text(), "kPa");
    Put("&&private&&countrycode", "49");
    form.handler->Register1(&form.widget, applet.manager);
    EXPECT_EQ(form.processValue->Caption(), "Prozesswert");

    // UpdatePioControls shows the values again, now in the German user's format.
    form.text->ValueField()->setText("scribble");
    form.handler->UpdatePioControls();
    EXPECT_EQ(form.text->ShownText(), "22,25");

    form.handler->UnRegister();
    for (const char* item : {"highAlarmCurr", "alarmSelectCodeCurr", "pbHardwareRev", "lowAlarmCurr", "hartPv",
                             "hartPvUnit", "pbWriteLock", "aiDPHiLim", "hartSv", "UserCurveX_00", "ptrbLinType"})
        EXPECT_FALSE(applet.manager->HasRegistrations(applet.manager->HandleOf(item))) << item;
    EXPECT_FALSE(form.text->IsRegistered());
    EXPECT_EQ(form.text->ShownText(), "");
    Put("highAlarmCurr", "21.5");
    EXPECT_EQ(form.text->ShownText(), "") << "a released control follows nothing";
}

TEST_F(DisplayControlsOnAForm, EntriesWriteTheirItemsAndARefusedValueIsShownAndUndone)
{
    Register();
    Enter(form.text->ValueField(), "22.5");
    EXPECT_EQ(Text("highAlarmCurr"), "22.5");
    EXPECT_EQ(form.text->ShownText(), "22.50");
    EXPECT_TRUE(dialogs.Requests().empty());

    // Out of the item's range: the user reads why, the item keeps its value.
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Enter(form.text->ValueField(), "30");
    EXPECT_EQ(Text("highAlarmCurr"), "22.5");
    EXPECT_EQ(form.text->ShownText(), "22.50");
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_TRUE(dialogs.Requests()[0].text.contains("High alarm current")) << dialogs.Requests()[0].text.toStdString();
    EXPECT_TRUE(dialogs.Requests()[0].text.contains("21 to 23")) << dialogs.Requests()[0].text.toStdString();
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Enter(form.textUnit->ValueField(), "abc");
    EXPECT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_EQ(form.textUnit->ShownText(), Text("lowAlarmCurr"));

    // Leaving the field unchanged writes nothing.
    emit form.text->ValueField()->editingFinished();
    EXPECT_EQ(dialogs.Requests().size(), 2u);

    // A choice in a list writes the entry's value, also one made by code.
    form.combo->EntryList()->setCurrentIndex(2);
    EXPECT_EQ(Text("alarmSelectCodeCurr"), "239");
    form.comboUnit->EntryList()->setCurrentIndex(1);
    EXPECT_EQ(Text("pbWriteLock"), form.comboUnit->EntryList()->itemData(1).toString());
}

TEST_F(DisplayControlsOnAForm, EnableMasksDisableOrHideEntriesButKeepTheItemsOwnValue)
{
    Register();
    Put("&&ObjectLimit&&alarmSelectCodeCurr", "1,0,1,0,0,0,0");
    auto* model = qobject_cast<QStandardItemModel*>(form.combo->EntryList()->model());
    ASSERT_EQ(form.combo->EntryList()->count(), 7);
    EXPECT_TRUE(model->item(0)->isEnabled());
    EXPECT_FALSE(model->item(1)->isEnabled());
    EXPECT_TRUE(model->item(2)->isEnabled());

    form.combo->SetHideMaskedEntries(true);
    EXPECT_EQ(form.combo->EntryList()->count(), 2);
    EXPECT_EQ(form.combo->EntryList()->itemText(1), "Hold last output value");
    // A masked value the item holds stays shown.
    Put("alarmSelectCodeCurr", "250");
    EXPECT_EQ(form.combo->EntryList()->count(), 3);
    EXPECT_EQ(form.combo->ShownText(), "Not used");
    EXPECT_EQ(Text("alarmSelectCodeCurr"), "250") << "showing writes nothing back";
}

TEST_F(DisplayControlsOnAForm, ReadOnlyItemsAndAnInsufficientUserLevelDisableTheEntry)
{
    auto* readOnly = new PioText(&form.widget);
    readOnly->SetObjectNameText(QStringLiteral("pbHardwareRev"));
    form.text->SetWriteUserLevel(1);
    Put("&&private&&UserLevel", "0");
    Register();
    EXPECT_FALSE(readOnly->ValueField()->isEnabled()) << "no command writes the hardware revision";
    EXPECT_TRUE(form.textUnit->ValueField()->isEnabled());
    EXPECT_FALSE(form.text->ValueField()->isEnabled());
    Put("&&private&&UserLevel", "1");
    EXPECT_TRUE(form.text->ValueField()->isEnabled()) << "follows the user level";
}

TEST_F(DisplayControlsOnAForm, ADeviceValueThatDiffersMarksTheCaption)
{
    Register();
    EXPECT_FALSE(form.textUnit->DeviceValueMarked());
    applet.PutShadow(QStringLiteral("lowAlarmCurr"), QVariant(3.7f));
    EXPECT_TRUE(form.textUnit->DeviceValueMarked());
    EXPECT_TRUE(form.textUnit->CaptionLabel()->styleSheet().contains("underline"));
    Put("lowAlarmCurr", "3.7");
    EXPECT_FALSE(form.textUnit->DeviceValueMarked());
}

TEST_F(DisplayControlsOnAForm, BarGraphAndPlotterFollowTheSimulatedProcessValue)
{
    ASSERT_TRUE(applet.Connect());
    Register();
    const auto readProcessValues = [this](double dp) {
        applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, dp);
        const QString before = Text(QStringLiteral("hartPv"));
        int32_t result = -1;
        applet.host->StartSequence(QStringLiteral("ReadProcessValues"), result);
        ASSERT_EQ(result, 0);
        ASSERT_TRUE(piotest::RunUntil([&] { return Text(QStringLiteral("hartPv")) != before; }));
        pioitemstest::Settle();
    };
    // 25 and 50 mbar: inside the bar's scale of 0 to 100.
    readProcessValues(2.5);
    ASSERT_TRUE(form.bar->Value().has_value());
    const double first = *form.bar->Value();
    EXPECT_EQ(QString::number(first), Text("hartPv"));
    readProcessValues(5.0);
    ASSERT_TRUE(form.bar->Value().has_value());
    EXPECT_NE(*form.bar->Value(), first);
    EXPECT_GT(form.bar->Scale().Fraction(*form.bar->Value()), form.bar->Scale().Fraction(first));
    const QList<QPointF> points = form.plotter->Points(1);
    ASSERT_GE(points.size(), 2);
    EXPECT_EQ(points.last().y(), *form.bar->Value());
    EXPECT_TRUE(form.plotter->LegendText(1).startsWith("Differential Pressure: "));
    EXPECT_FALSE(form.plotter->Points(2).isEmpty());
    // The readings came within a second: show that second.
    form.plotter->SetTimeSpanSeconds(1);
    form.widget.resize(640, 520);
    TakeScreenshot(form.widget, QStringLiteral("display-controls"));
}

TEST_F(DisplayControlsOnAForm, UserCurveShowsPresetsOrEditsThePointTable)
{
    Register();
    form.curve->Curves().DefineCurve(0);
    form.curve->Curves().AddCurveSegment(0, QStringLiteral("x"), 0, 100, 100);
    form.curve->RefreshCurves();
    Put("ptrbLinType", "0");
    EXPECT_TRUE(form.curve->ShowsPreset());
    EXPECT_EQ(form.curve->ShownCurve(), QList<QPointF>({{0, 0}, {100, 100}}));

    Put("ptrbLinType", "4"); // the user curve: no preset is defined for it
    EXPECT_FALSE(form.curve->ShowsPreset());
    form.curve->RunCommand(PioUserCurve::NewCurve);
    EXPECT_EQ(form.curve->UserPoints(), QList<QPointF>({{0, 0}, {100, 100}}));
    form.curve->RunCommand(PioUserCurve::ChangeCurve);
    EXPECT_EQ(Text("UserCurveActualNumber"), "3");
    form.curve->SetModified(false);
    form.curve->Table()->item(2, 0)->setText("50");
    EXPECT_EQ(Text("UserCurveX_02"), "50");
    EXPECT_TRUE(form.curve->Modified());

    // Only 2 to 22 points: the count item refuses more.
    Put("UserCurveActualNumber", "22");
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    EXPECT_FALSE(form.curve->SetPoint(22, 1, 1));
    EXPECT_EQ(form.curve->UserPoints().size(), 22);

    QList<int> reads;
    QObject::connect(form.curve, &PioUserCurve::ReadCurveRequest, [&](int index) { reads << index; });
    form.curve->SetIndex(1);
    form.curve->RunCommand(PioUserCurve::ReadCurve);
    form.curve->setProperty("enablecmdreadcrv", false); // as a page sets it by name
    form.curve->RunCommand(PioUserCurve::ReadCurve);
    EXPECT_EQ(reads, QList<int>({1}));
}
