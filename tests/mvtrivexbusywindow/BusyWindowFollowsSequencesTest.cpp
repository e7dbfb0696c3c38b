// The busy window follows the items the device components write: the
// activity text, gauge caption and Cancel of each kind of sequence, the file
// transfers that only disable the main window, the hold of a data burn and a
// factory reset until the device reports its save ended, Cancel's abort
// request, the busy answers of each bus kind, the lost connection, the
// safety check, the languages, and one window per control.
#include "BusyWindowTestSupport.h"
#include "mvtrivexbusywindow/CountryTexts.h"
#include "mvtrivexbusywindow/MVTrivexBusyWindowClasses.h"
#include "pioitems/PioAppItem.h"
#include "platform/automation/ClassRegistry.h"
#include "tests/corvane/CorvaneTestSupport.h"
#include <QApplication>

namespace {

using busytest::BusyRig;

const QString kAbort = QStringLiteral("abortSequences");

TEST(BusyWindowFollowsSequences, EachKindOfSequenceShowsItsTextCaptionAndCancel)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.Window().cmdCancel()->text(), "Cancel");

    rig.Sequence(QStringLiteral("GetPtrbCalPoints"));
    EXPECT_TRUE(rig.Visible());
    EXPECT_EQ(rig.Status(), "Loading calibration data ...");
    // The bar shows how far, never the description's sequence name.
    EXPECT_EQ(rig.Caption(), "%p%");
    EXPECT_FALSE(rig.CancelEnabled());
    EXPECT_EQ(rig.disables, 1);
    EXPECT_EQ(rig.Window().appSequenceProgress()->AppItemName(), "&&Sequence_Progress&&GetPtrbCalPoints");

    // A further sequence while shown raises nothing more; a name the table does not know keeps the text.
    rig.Sequence(QStringLiteral("upload_Revision21"));
    EXPECT_EQ(rig.Status(), "Loading devicedata ...");
    EXPECT_TRUE(rig.CancelEnabled());
    rig.Sequence(QStringLiteral("downloadAi"));
    EXPECT_EQ(rig.Status(), "Saving devicedata ...");
    rig.Sequence(QStringLiteral("SetLevelCurr"));
    EXPECT_EQ(rig.Status(), "Saving devicedata ...");
    EXPECT_EQ(rig.Caption(), "%p%");
    EXPECT_TRUE(rig.CancelEnabled());
    EXPECT_EQ(rig.disables, 1);

    // The gauge shows the running sequence's progress.
    rig.applet.PutNumber(QStringLiteral("&&Sequence_Progress&&SetLevelCurr"), 40);
    EXPECT_EQ(rig.Window().progressBar()->value(), 40);

    rig.Sequence(QString());
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.enables, 1);
    EXPECT_FALSE(rig.Window().Shown());
}

TEST(BusyWindowFollowsSequences, ASequenceBeingAdjustedTakesTheCaptionAndCancelButIsNotShown)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Sequence(QStringLiteral("GetRangeValues"));
    rig.Sequence(QString());
    rig.applet.PutNumber(QStringLiteral("&&Sequence_State&&GetRangeValues"), 128);
    rig.disables = 0;
    rig.Sequence(QStringLiteral("GetRangeValues"));
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.disables, 0);
    EXPECT_EQ(rig.Caption(), "%p%");
    EXPECT_TRUE(rig.CancelEnabled());
}

TEST(BusyWindowFollowsSequences, FileTransfersDisableTheMainWindowWithoutShowingAndTheBurnDelayChangesNothing)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Sequence(QStringLiteral("ReadFile"));
    EXPECT_EQ(rig.disables, 1);
    EXPECT_FALSE(rig.Visible());
    rig.Sequence(QString());
    EXPECT_EQ(rig.enables, 1);
    // A new dataset from the defaults is no device sequence: nothing of it is bound.
    rig.Sequence(QStringLiteral("ReadDefaultdataset"));
    EXPECT_EQ(rig.disables, 2);
    EXPECT_FALSE(rig.Visible());
    EXPECT_FALSE(rig.Window().appSequenceProgress()->IsRegistered());
    rig.Sequence(QString());
    EXPECT_EQ(rig.enables, 2);

    rig.Sequence(QStringLiteral("SetEnableBurnDelayCyclic"));
    EXPECT_EQ(rig.disables, 2);
    EXPECT_EQ(rig.Caption(), "");
    EXPECT_FALSE(rig.Visible());
}

TEST(BusyWindowFollowsSequences, ADataBurnHoldsTheWindowUntilTheDeviceReportsItsSaveEnded)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Sequence(QStringLiteral("SetDisableBurnDelay"));
    EXPECT_EQ(rig.Status(), "Burning EEPROM data ...");
    EXPECT_TRUE(rig.CancelEnabled());
    EXPECT_TRUE(rig.Window().Held());
    for (const char* name : {"", "CheckDataBurn", "", "CheckBusy", ""})
        rig.Sequence(QLatin1String(name));
    rig.clock.Advance(3000); // the safety check does not break a hold
    EXPECT_TRUE(rig.Visible());
    EXPECT_EQ(rig.enables, 0);

    // A report without the save before the save was seen releases nothing.
    rig.DiagnosisExtension(0x00);
    EXPECT_TRUE(rig.Visible());
    rig.DiagnosisExtension(0x02);
    EXPECT_TRUE(rig.Visible());
    rig.DiagnosisExtension(0x00);
    EXPECT_FALSE(rig.Visible());
    EXPECT_FALSE(rig.Window().Held());
    EXPECT_EQ(rig.enables, 1);
}

TEST(BusyWindowFollowsSequences, AFactoryResetHoldsWithCancelDisabledUntilTheFirstReportWithoutSave)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Sequence(QStringLiteral("InitiateFactoryReset"));
    EXPECT_EQ(rig.Status(), "Reseting EEPROM data ...");
    EXPECT_FALSE(rig.CancelEnabled());
    EXPECT_TRUE(rig.Window().ResetPending());
    rig.Sequence(QString());
    rig.clock.Advance(1000);
    EXPECT_TRUE(rig.Visible());
    rig.DiagnosisExtension(0x10);
    EXPECT_FALSE(rig.Visible());
    EXPECT_FALSE(rig.Window().ResetPending());
}

TEST(BusyWindowFollowsSequences, TheEndOfACheckIsTheDevicesReportEvenWhenItReadWhatItReadBefore)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.DiagnosisExtension(0x00);
    rig.Sequence(QStringLiteral("InitiateFactoryReset"));
    rig.Sequence(QString());
    // The check reads the same status again: no change is notified.
    rig.Sequence(QStringLiteral("CheckBusy"));
    EXPECT_TRUE(rig.Visible());
    rig.Sequence(QString());
    EXPECT_FALSE(rig.Visible());
    EXPECT_FALSE(rig.Window().Held());

    rig.Sequence(QStringLiteral("SetDisableBurnDelay"));
    rig.Sequence(QStringLiteral("CheckDataBurn"));
    rig.DiagnosisExtension(0x02);
    rig.Sequence(QString());
    rig.Sequence(QStringLiteral("CheckDataBurn")); // still saving: the same status
    rig.Sequence(QString());
    EXPECT_TRUE(rig.Visible());
    rig.Sequence(QStringLiteral("CheckDataBurn"));
    rig.DiagnosisExtension(0x00);
    EXPECT_FALSE(rig.Visible());
    rig.Sequence(QString());
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.disables, 2);
}

TEST(BusyWindowFollowsSequences, CancelAsksForAnAbortEvenOverAnEarlierOneAndTheSafetyCheckHidesAfterIt)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    corvanetest::ItemLog log(rig.applet.manager);
    log.Watch(kAbort, QStringLiteral("abort"));
    rig.PutText(kAbort, QStringLiteral("1")); // left by an earlier request
    log.changes.clear();

    rig.Sequence(QStringLiteral("SetUserCurvePoint"));
    ASSERT_TRUE(rig.Window().Held());
    rig.Window().cmdCancel()->click();
    EXPECT_EQ(log.changes, QStringList({"abort=0", "abort=1"}));
    EXPECT_FALSE(rig.Window().Held());
    // The sequence still runs: the window stays until it ends.
    EXPECT_TRUE(rig.Visible());
    rig.clock.Advance(1000);
    EXPECT_TRUE(rig.Visible());

    // The sequence ends while held again; the safety check finds nothing running after the abort.
    rig.Sequence(QStringLiteral("CheckBusy"));
    rig.Sequence(QString());
    EXPECT_TRUE(rig.Visible());
    rig.PutText(kAbort, QStringLiteral("0"));
    rig.PutText(kAbort, QStringLiteral("1"));
    EXPECT_TRUE(rig.Visible());
    rig.clock.Advance(999);
    EXPECT_TRUE(rig.Visible());
    rig.clock.Advance(1);
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.enables, 1);
}

TEST(BusyWindowFollowsSequences, AHartBusyAnswerShowsDeviceBusyAndAFreeAnswerHidesOnlyWhenNothingRuns)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Response(QByteArray::fromHex("002000"));
    EXPECT_TRUE(rig.Visible());
    EXPECT_EQ(rig.Status(), "Device busy");
    EXPECT_FALSE(rig.CancelEnabled());
    rig.Sequence(QStringLiteral("SetLevelCurr"));
    rig.Response(QByteArray::fromHex("000000"));
    EXPECT_TRUE(rig.Visible());
    rig.Response(QByteArray::fromHex("002000"));
    rig.Sequence(QString());
    EXPECT_FALSE(rig.Visible());
    // Busy while no sequence name is known.
    rig.Response(QByteArray::fromHex("000000"));
    rig.Response(QByteArray::fromHex("002000"));
    EXPECT_TRUE(rig.Visible());
    rig.Response(QByteArray::fromHex("000000"));
    EXPECT_FALSE(rig.Visible());
}

TEST(BusyWindowFollowsSequences, AResponseCodeShorterThanItsBusKindNeedsChangesNothing)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Response(QByteArray::fromHex("20"));
    EXPECT_FALSE(rig.Visible());
    rig.Response(QByteArray());
    EXPECT_FALSE(rig.Visible());
    // Two octets carry the HART response octet.
    rig.Response(QByteArray::fromHex("0020"));
    EXPECT_TRUE(rig.Visible());

    BusyRig fieldbus;
    START_BUSY_RIG(fieldbus);
    fieldbus.PutText(QStringLiteral("pbSoftwareSpecifics"), QStringLiteral("004607221000"));
    fieldbus.Response(QByteArray::fromHex("00C2"));
    EXPECT_FALSE(fieldbus.Visible());
    fieldbus.Response(QByteArray::fromHex("0000C1"));
    EXPECT_FALSE(fieldbus.Visible());
    fieldbus.Response(QByteArray::fromHex("0000C2"));
    EXPECT_TRUE(fieldbus.Visible());
    EXPECT_EQ(fieldbus.Status(), "Device busy");
    EXPECT_FALSE(fieldbus.CancelEnabled());
    fieldbus.Response(QByteArray::fromHex("000000"));
    EXPECT_FALSE(fieldbus.Visible());
    EXPECT_TRUE(fieldbus.CancelEnabled());
}

TEST(BusyWindowFollowsSequences, ALostConnectionHidesTheWindowUnlessItIsHeld)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    rig.Sequence(QStringLiteral("GetDiagnosis"));
    rig.applet.PutNumber(QStringLiteral("&&private&&Connect"), 0);
    EXPECT_FALSE(rig.Visible());

    rig.applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
    rig.Sequence(QStringLiteral("SetDisableBurnDelay"));
    rig.applet.PutNumber(QStringLiteral("&&private&&Connect"), 0);
    EXPECT_TRUE(rig.Visible());
}

TEST(BusyWindowFollowsSequences, CountryCode49ShowsGermanAndAnyOtherCodeEnglish)
{
    BusyRig german;
    START_BUSY_RIG(german, 49);
    german.Sequence(QStringLiteral("GetRangeValues"));
    EXPECT_EQ(german.Status(), "Lese Messbereichsgrenzen");
    EXPECT_EQ(german.Window().cmdCancel()->text(), "Abbrechen");

    BusyRig other;
    START_BUSY_RIG(other, 33);
    other.Sequence(QStringLiteral("SetParallelShiftData"));
    EXPECT_EQ(other.Status(), "Parallel shift ...");
    EXPECT_EQ(mvtrivexbusywindow::LoadCountryText(49, 116), QString::fromUtf8("Übernehme Prozesswert ..."));
    EXPECT_EQ(mvtrivexbusywindow::LoadCountryText(1, 120), "");
}

TEST(BusyWindowFollowsSequences, ASecondRegisterRebindsTheOneWindowOfTheControl)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    frmBusyWindow* first = rig.control->BusyWindow();
    rig.control->Register(rig.applet.manager);
    EXPECT_EQ(rig.control->BusyWindow(), first);
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        windows += qobject_cast<frmBusyWindow*>(widget) != nullptr;
    EXPECT_EQ(windows, 1);

    rig.disables = rig.enables = 0;
    rig.Sequence(QStringLiteral("GetDiagnosis"));
    EXPECT_EQ(rig.disables, 1);
    rig.Sequence(QString());
    EXPECT_EQ(rig.enables, 1);

    // UnRegister lets the window go (raising EnableWindow) and it reacts to nothing until registered again.
    rig.control->UnRegister();
    EXPECT_EQ(rig.enables, 2);
    rig.Sequence(QStringLiteral("GetDiagnosis"));
    EXPECT_EQ(rig.disables, 1);
    EXPECT_FALSE(rig.Visible());
    rig.control->Register(rig.applet.manager); // the sequence that runs is shown at once
    EXPECT_TRUE(rig.Visible());
    EXPECT_EQ(rig.Status(), "Loading diagnosis ...");
}

TEST(BusyWindowFollowsSequences, TheControlIsCreatedByNameAndAnswersPioItem)
{
    mvtrivexbusywindow::RegisterClasses();
    auto object = automation::ClassRegistry::instance().Create<ctlBusyWindow>(QStringLiteral("MVTrivexBusyWindow.ctlBusyWindow"));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->Typ(), "PioItem");
    EXPECT_EQ(object->BusyWindow(), nullptr);
    object->UnRegister();
}

} // namespace

TEST(BusyWindowFollowsSequences, TheSequencesOfOneTransferShareOneBarThatOnlyMovesOn)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    const auto progress = [&](const char* sequence, int percent) {
        rig.applet.PutNumber(QStringLiteral("&&Sequence_Progress&&") + QLatin1String(sequence), percent);
        return rig.Window().progressBar()->value();
    };
    rig.Sequence(QStringLiteral("upload"));
    EXPECT_EQ(progress("upload", 100), 50);
    rig.Sequence(QString());
    rig.Sequence(QStringLiteral("uploadMv_Revision21"));
    EXPECT_EQ(rig.Window().progressBar()->value(), 50);
    EXPECT_EQ(rig.Status(), "Loading devicedata ...");
    EXPECT_EQ(rig.Caption(), "%p%");
    EXPECT_EQ(progress("uploadMv_Revision21", 0), 50);
    EXPECT_EQ(progress("uploadMv_Revision21", 100), 75);
    rig.Sequence(QString());

    // Another kind of work starts its own bar.
    rig.Sequence(QStringLiteral("GetRangeValues"));
    EXPECT_EQ(rig.Window().progressBar()->value(), 0);
    EXPECT_EQ(progress("GetRangeValues", 30), 30);
}

TEST(BusyWindowFollowsSequences, ADataSaveTheDeviceNeverEndsIsGivenUpAfterTheLimitAndSaidSo)
{
    BusyRig rig;
    START_BUSY_RIG(rig);
    int unconfirmed = 0;
    int seconds = 0;
    QObject::connect(rig.control, &ctlBusyWindow::DataSaveUnconfirmed, [&](int limit) {
        ++unconfirmed;
        seconds = limit;
    });
    rig.Sequence(QStringLiteral("SetDisableBurnDelay"));
    rig.Sequence(QString());
    rig.Sequence(QStringLiteral("CheckDataBurn"));
    rig.DiagnosisExtension(0x02);
    rig.Sequence(QString());
    rig.clock.Advance(frmBusyWindow::kDataSaveLimitMs - 1000);
    EXPECT_TRUE(rig.Visible());
    EXPECT_EQ(unconfirmed, 0);
    rig.clock.Advance(1000);
    EXPECT_EQ(unconfirmed, 1);
    EXPECT_EQ(seconds, 120);
    EXPECT_EQ(rig.Status(), "The device did not confirm the data save within 120 s.");
    EXPECT_FALSE(rig.Window().Held());
    EXPECT_FALSE(rig.Visible());
    EXPECT_EQ(rig.enables, 1);

    // A save that ends in time is not given up later.
    rig.Sequence(QStringLiteral("SetDisableBurnDelay"));
    rig.Sequence(QString());
    rig.DiagnosisExtension(0x00);
    rig.DiagnosisExtension(0x02);
    rig.DiagnosisExtension(0x00);
    EXPECT_FALSE(rig.Visible());
    rig.clock.Advance(frmBusyWindow::kDataSaveLimitMs);
    EXPECT_EQ(unconfirmed, 1);
}
