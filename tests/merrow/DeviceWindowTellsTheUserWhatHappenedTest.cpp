// Functions that change nothing visible on their page still tell the user
// how they ended: the self-test, forcing and ending the output current and
// saving the dataset confirm in the status bar, and a disconnection the
// program made itself says why instead of reading as the user's, and keeps
// saying it while the window stays disconnected.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmSimulateCurrent.h"
#include "merrow/pages/frmStatus.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace merrowtest;

TEST(DeviceWindowTellsTheUserWhatHappened, SelftestOutputCurrentAndSaveConfirmInTheStatusBar)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    AddSaveThatTakesTheChanges(views);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Button(QStringLiteral("tbCopy"))->toolTip(), "Copy") << "no access-key mark in a tooltip";

    auto* status = OpenPage<frmStatus>(applet, *window, "mnuDiagnosticsStatus");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && status->cmdSelftest()->isEnabled(); }));
    EXPECT_EQ(window->PanelText(4), "");
    status->cmdSelftest()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->PanelText(4).startsWith("Self-test done: the device reports"); }))
        << window->PanelText(4).toStdString();
    EXPECT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // the simulation influences the process
    auto* current = OpenPage<frmSimulateCurrent>(applet, *window, "mnuDiagnosticsSimulateCurrent");
    ASSERT_NE(current, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return current->chkSimulate()->isEnabled(); }));
    current->txtStromwert()->setText(QStringLiteral("12"));
    current->chkSimulate()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !current->SequenceRunning(); }));
    ASSERT_TRUE(current->chkSimulate()->isChecked());
    EXPECT_EQ(window->PanelText(4), "Output current fixed at 12 mA.");
    current->chkSimulate()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !current->SequenceRunning(); }));
    EXPECT_EQ(window->PanelText(4), "Current simulation ended; the output follows the measurement again.");

    applet.PutNumber(QStringLiteral("&&private&&Dirty"), 1);
    applet.Trigger(*window, "mnuFileSave");
    EXPECT_EQ(window->PanelText(4), "Dataset saved. The project file takes it when the window closes.");
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}

TEST(DeviceWindowTellsTheUserWhatHappened, ADisconnectionTheProgramMadeSaysWhy)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    for (int state : {1, 2})
        applet.PutNumber(QStringLiteral("&&private&&Connect"), state);

    // The module type differs: "No" to the read-out, and the program disconnects.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.PutNumber(QStringLiteral("InCompatibleDataset"), 1);
    if (applet.Number(QStringLiteral("&&private&&Connect")) != 0)
        for (int state : {3, 0})
            applet.PutNumber(QStringLiteral("&&private&&Connect"), state);
    EXPECT_EQ(window->PanelText(1), "Disconnected: the dataset does not fit the device");
    // The question and what declining it left; no word of a lost connection.
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    // The question opens with the reason.
    EXPECT_EQ(applet.dialogs.Requests().front().text.section(QLatin1Char('\n'), 0, 0),
              "The module type of the dataset differs from that of the device.");
    // The window is active again once the box has closed: the reason stays.
    window->MDIForm_Activate();
    EXPECT_EQ(window->PanelText(1), "Disconnected: the dataset does not fit the device");
    for (int state : {1, 2})
        applet.PutNumber(QStringLiteral("&&private&&Connect"), state);
    EXPECT_EQ(window->PanelText(1), "Connection Established");

    // A German user reads the reason in German, as the question after it.
    MerrowApplet german;
    german.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    frmMain* second = german.Start();
    ASSERT_NE(second, nullptr);
    for (int state : {1, 2})
        german.PutNumber(QStringLiteral("&&private&&Connect"), state);
    german.dialogs.AnswerMessage(dialogs::DialogResult::No);
    german.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    german.PutNumber(QStringLiteral("InCompatibleDataset"), 1);
    ASSERT_FALSE(german.dialogs.Requests().empty());
    EXPECT_EQ(german.dialogs.Requests().front().text,
              "Der Modultyp des Datensatzes weicht von dem des Geräts ab.\nSollen die Daten aus dem Gerät gelesen werden?");
}
