// A German user on the simulated transmitter: numbers typed with a decimal
// comma are taken in every field and reach the items in their point form,
// numbers are shown with a comma and never in exponent form, enumerated values
// read in German while their codes stay, a refused or adjusted value is named
// by the caption the page shows, with its unit and the limit it broke, and
// every message box carries the DTM's name.
#include "merrow/pages/frmConfigFlow.h"
#include "merrow/pages/frmBusparameter.h"
#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/frmIdentificationHART.h"
#include "merrow/shell/PageTabs.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/controls/PioUserCurve.h"
#include "sim/SimOptions.h"
#include "tests/merrow/PagesOnSimulatorSupport.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace merrowtest;
using controls::PioFieldControl;

namespace {

const QString kGerman = QStringLiteral("49");
const QString kTitle = QStringLiteral("Trivex DTM");

// Types text into a field as the user does: the text, then leaving the field.
void Type(PioFieldControl& field, const QString& text)
{
    ASSERT_TRUE(field.ValueField());
    ASSERT_TRUE(field.ValueField()->isEnabled()) << field.objectName().toStdString();
    field.ValueField()->setText(text);
    field.ValueField()->setModified(true);
    emit field.ValueField()->editingFinished();
    piotest::Settle();
}

size_t MessageCount(const dialogs::ScriptedDialogService& dialogs)
{
    size_t count = 0;
    for (const auto& request : dialogs.Requests())
        count += request.kind == dialogs::DialogKind::Message ? 1 : 0;
    return count;
}

// The German user's window on the device with the dataset read from it, and the page of the menu entry.
template <class Page>
void OpenInGerman(CorvaneDeviceApplet& applet, const char* entry, frmMain*& window, Page*& page)
{
    ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
    applet.PutText(QStringLiteral("&&private&&countrycode"), kGerman);
    window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    page = OpenPage<Page>(applet, *window, entry);
    ASSERT_NE(page, nullptr);
}

} // namespace

TEST(GermanUser, RangeEndWithADecimalCommaIsTakenAndNumbersShowWithACommaNeverAnExponent)
{
    CorvaneDeviceApplet applet;
    frmMain* window = nullptr;
    frmConfigPressure* page = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenInGerman(applet, "mnuConfigurePressure", window, page));
    PioFieldControl& end = *page->txtMessende();

    const size_t messages = MessageCount(applet.dialogs);
    Type(end, QStringLiteral("24,5"));
    EXPECT_EQ(MessageCount(applet.dialogs), messages) << LastMessage(applet.dialogs).toStdString();
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")), QStringLiteral("24.5"));
    EXPECT_EQ(end.ShownText(), QStringLiteral("24,5"));
    // A point is no German decimal separator, and "1.000" no one: refused
    // with a word on the comma, never read the English way.
    size_t told = messages;
    for (const char* typed : {"150.5", "1.000"}) {
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        Type(end, QString::fromLatin1(typed));
        EXPECT_EQ(MessageCount(applet.dialogs), ++told) << typed;
        EXPECT_TRUE(LastMessage(applet.dialogs).contains(QStringLiteral("Dezimalzeichen ist das Komma")))
            << LastMessage(applet.dialogs).toStdString();
        EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")), QStringLiteral("24.5")) << typed;
        EXPECT_EQ(end.ShownText(), QStringLiteral("24,5")) << typed;
    }

    // A value wider than the field loses decimals, not its form.
    applet.PutText(QStringLiteral("ptrbScaleIn100"), QStringLiteral("12.3456789"));
    piotest::Settle();
    EXPECT_EQ(end.ShownText(), QStringLiteral("12,34568"));
    applet.PutText(QStringLiteral("ptrbScaleIn100"), QStringLiteral("7.5"));
    piotest::Settle();
    EXPECT_EQ(end.ShownText(), QStringLiteral("7,5"));

    // A grouped number is no number: refused, named by its label and unit, the value kept.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(end, QStringLiteral("1.000,5"));
    ASSERT_EQ(MessageCount(applet.dialogs), told + 1);
    const QString unit = page->txtMessende()->UnitLabel()->text();
    ASSERT_FALSE(unit.isEmpty());
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("\"1.000,5\" ist kein Wert, den Messende (%1) annehmen kann.").arg(unit));
    EXPECT_EQ(applet.dialogs.Requests().back().title, kTitle);
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")), QStringLiteral("7.5"));

    // The user curve's buttons speak German as well.
    QStringList buttons;
    for (const QPushButton* button : page->UserCurve(0)->findChildren<QPushButton*>())
        buttons << button->text();
    EXPECT_EQ(buttons, QStringList({"Lesen", "Schreiben", "Laden", "Speichern", "Neu", "Ändern"}));
}

TEST(GermanUser, FlowSetUpReadsInGermanTakesCommasAndNamesARefusedValueByItsLabelAndUnit)
{
    CorvaneDeviceApplet applet;
    frmMain* window = nullptr;
    frmConfigFlow* page = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenInGerman(applet, "mnuConfigureFlow", window, page));
    const auto field = [&](const char* name) {
        PioFieldControl* control = page->Control(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        for (int n = 0; control && n < 3; ++n)
            if (page->Tabs()->picOptions(n)->isAncestorOf(control))
                page->Tabs()->SelectKey(QStringLiteral("%1t").arg(n));
        return control;
    };

    // The medium reads in German; choosing it stores its code.
    PioFieldControl* medium = field("cmbMediumType");
    ASSERT_TRUE(medium && medium->EntryList());
    const int liquid = medium->EntryList()->findData(1);
    ASSERT_GE(liquid, 0);
    EXPECT_EQ(medium->EntryList()->itemText(liquid), QStringLiteral("Flüssigkeit"));
    medium->EntryList()->setCurrentIndex(liquid);
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("mvMediumType")), QStringLiteral("1"));
    EXPECT_EQ(medium->ShownText(), QStringLiteral("Flüssigkeit"));

    // A density with a decimal comma; a percentage shown with one.
    PioFieldControl* density = field("txtDisplayedValueRho(0)");
    ASSERT_NE(density, nullptr);
    Type(*density, QStringLiteral("998,2"));
    EXPECT_EQ(applet.Text(QStringLiteral("mvRhor")).toDouble(), 998.2);
    applet.PutText(QStringLiteral("mvKQCL"), QStringLiteral("43.42"));
    piotest::Settle();
    PioFieldControl* design = field("PioText49");
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(design->ShownText(), QStringLiteral("43,42"));

    // A tube diameter beyond the range: the message names the field the user sees, with its unit.
    applet.PutText(QStringLiteral("mvReserved6"), QStringLiteral("49")); // mm
    piotest::Settle();
    PioFieldControl* diameter = field("PioText46(1)");
    ASSERT_NE(diameter, nullptr);
    const QString before = applet.Text(QStringLiteral("mvReserved5"));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(*diameter, QStringLiteral("2500,5"));
    EXPECT_EQ(LastMessage(applet.dialogs), QStringLiteral("\"2500,5\" ist kein gültiger Wert für "
                                                          "Rohrinnendurchmesser (mm). Zulässig: 0 bis 2000."));
    EXPECT_EQ(applet.Text(QStringLiteral("mvReserved5")), before);

    // The flow calculation's refusal, from the component library, carries the same title.
    Type(*field("PioText46(0)"), QStringLiteral("0,8"));
    EXPECT_EQ(applet.Text(QStringLiteral("mvBeta")).toDouble(), 0.8);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    const size_t messages = MessageCount(applet.dialogs);
    page->cmdCalculate()->click();
    piotest::Settle();
    EXPECT_EQ(MessageCount(applet.dialogs), messages + 1);
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
    // Its numbers in the reader's format too.
    EXPECT_TRUE(LastMessage(applet.dialogs).contains(QStringLiteral("0,8"))) << LastMessage(applet.dialogs).toStdString();
    for (const auto& request : applet.dialogs.Requests()) {
        if (request.kind == dialogs::DialogKind::Message) {
            EXPECT_EQ(request.title, kTitle) << request.text.toStdString();
        }
    }
}

TEST(GermanUser, IsToldInGermanWhichFieldTookAnotherValueOrRefusedOneTypedKeyByKey)
{
    CorvaneDeviceApplet applet;
    frmMain* window = nullptr;
    frmConfigPressure* page = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenInGerman(applet, "mnuConfigurePressure", window, page));
    PioFieldControl& end = *page->txtMessende();
    const QString unit = end.UnitLabel()->text();
    ASSERT_FALSE(unit.isEmpty());

    // Above the sensor limit the rules take the limit: the notice names the field and the unit.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(end, QStringLiteral("99999"));
    const QString taken = end.ShownText();
    ASSERT_NE(taken, QStringLiteral("99999"));
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("Messende: Der Wert 99999 %1 liegt außerhalb dessen, was das Gerät annimmt; "
                             "stattdessen wurde %2 %1 übernommen.")
                  .arg(unit, taken));

    // A grouped number typed key by key keeps every key and is refused, not read as 1,0005.
    const QString before = applet.Text(QStringLiteral("ptrbScaleIn100"));
    const size_t messages = MessageCount(applet.dialogs);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    end.ValueField()->clear();
    QTest::keyClicks(end.ValueField(), QStringLiteral("1.000,5"));
    EXPECT_EQ(end.ValueField()->text(), QStringLiteral("1.000,5"));
    end.CommitPendingEdit();
    piotest::Settle();
    ASSERT_EQ(MessageCount(applet.dialogs), messages + 1);
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("\"1.000,5\" ist kein Wert, den Messende (%1) annehmen kann.").arg(unit));
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")), before);

    // The tag is named as its label reads, with the characters it holds.
    applet.Trigger(*window, "mnuDeviceIdentification");
    piotest::Settle();
    auto* identification = FindPage<frmIdentificationHART>(*window);
    ASSERT_NE(identification, nullptr);
    auto* tag = identification->findChild<PioFieldControl*>(QStringLiteral("PioText1(4)"));
    ASSERT_NE(tag, nullptr);
    const QString oldTag = applet.Text(QStringLiteral("_tagHart"));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(*tag, QStringLiteral("FT4711ABC"));
    EXPECT_EQ(LastMessage(applet.dialogs), QStringLiteral("\"FT4711ABC\" ist kein gültiger Wert für "
                                                          "Messstellenkennzeichen. Höchstens 8 Zeichen."));
    EXPECT_EQ(applet.Text(QStringLiteral("_tagHart")), oldTag);
    for (const auto& request : applet.dialogs.Requests()) {
        if (request.kind == dialogs::DialogKind::Message) {
            EXPECT_EQ(request.title, kTitle) << request.text.toStdString();
        }
    }
}

TEST(GermanUser, AModbusBusAddressTakesWholeNumbersOnlyAndIsNamedAsOnThePage)
{
    CorvaneDeviceApplet applet;
    ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
    sim::VariantOptions modbus;
    modbus.deviceType = 139;
    QString error;
    ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), modbus, error)) << error.toStdString();
    applet.PutText(QStringLiteral("&&private&&countrycode"), kGerman);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset(139);
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmBusparameter>(applet, *window, "mnuConfigureBusparameter");
    ASSERT_NE(page, nullptr);
    auto* address = page->findChild<PioFieldControl*>(QStringLiteral("PioLabelTextUnit1(1)"));
    auto* delay = page->findChild<PioFieldControl*>(QStringLiteral("PioLabelTextUnit1(0)"));
    ASSERT_TRUE(address && delay);
    const QString before = applet.Text(QStringLiteral("pidOutScaleDecimal"));

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(*address, QStringLiteral("2,5"));
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("\"2,5\" ist kein Wert, den Busadresse annehmen kann. Nur ganze Zahlen."));
    EXPECT_EQ(applet.Text(QStringLiteral("pidOutScaleDecimal")), before);

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    Type(*delay, QStringLiteral("300"));
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("\"300\" ist kein gültiger Wert für Antwortverzögerung (ms). Zulässig: 0 bis 250."));
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}
