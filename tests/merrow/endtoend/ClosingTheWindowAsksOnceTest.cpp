// The device window opened by the frame as a user works with it: closing it
// asks about the changes once, in the window; after "No" the dataset is the
// project's again, and the frame asks nothing more.
#include "corvane/frame/CorvaneClasses.h"
#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/printview/PrintviewClasses.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "tests/fennick/fdt/FrameLoopbackSupport.h"
#include <QSettings>

namespace {

// The window's and the component library's classes, there before the frame
// creates the DTM (whose host starts the component library at once).
struct DeviceWindowClasses {
    DeviceWindowClasses()
    {
        merrow::RegisterClasses();
        corvane::RegisterClasses();
        flowcalc::RegisterFlowcalcClasses();
        printview::RegisterClasses();
        QSettings(global::SettingsPath(), QSettings::IniFormat).clear();
    }
};

class ClosingTheWindow : private DeviceWindowClasses, public loopbacktest::FrameLoopback {
protected:
    // Online parameterisation as the frame starts it; the window once it has
    // opened and the device's data it offered to read were read.
    frmMain* Open()
    {
        if (Dtm()->ConnectObject()->Connect() != 0 || !WaitUntil([&] { return Status() == DtmStatus::Online; }))
            return nullptr;
        dialogService.AnswerMessage(dialogs::DialogResult::Yes);
        if (!frame->StartApplication(dtmtest::kTag, QStringLiteral("p1"), 12, QStringLiteral("commissioning")))
            return nullptr;
        frmMain* window = nullptr;
        if (!QTest::qWaitFor([&] {
                window = global::MainWindow();
                return window && window->Loaded() && dialogService.PendingAnswers() == 0 && window->isEnabled()
                    && window->PendingFunction() == frmMain::Pending::None
                    && itemaccess::ReadString(*Manager(), QStringLiteral("currentSequence")).isEmpty();
            }, kFramePatienceMs))
            return nullptr;
        return window;
    }
    std::shared_ptr<applet::clsAppletItemManager> Manager() const
    {
        std::shared_ptr<applet::clsAppletItemManager> manager;
        global::AppletHost()->GetItemManager(manager);
        return manager;
    }
    QStringList Questions() const
    {
        QStringList texts;
        for (const auto& request : dialogService.Requests())
            texts << request.text;
        return texts;
    }
};

} // namespace

TEST_F(ClosingTheWindow, NoToTheWindowsQuestionIsTheOnlyQuestion)
{
    frmMain* window = Open();
    ASSERT_NE(window, nullptr) << Questions().join('|').toStdString();
    const qsizetype before = dialogService.Requests().size();
    // A change of the user's, then "No" in the window's question.
    itemaccess::PutString(*Manager(), QStringLiteral("pbDeviceMessage"), QStringLiteral("CHANGED BY THE USER"));
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    window->close();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnApplicationClosed(p1)")));
    ASSERT_EQ(dialogService.Requests().size(), before + 1) << Questions().join('|').toStdString();
    EXPECT_EQ(Questions().last(), "The data have been changed. Save the changes in the project before the window closes?");
}
