// The frame opening a stored DTM instance, as `trivex-frame show` and `info`
// do: the project file read into a property bag, the DTM created and loaded
// from it, configured, asked for its dataset and its information, and
// released. A reading command refuses the DTM's save request, so the file
// stays as it was. Whatever the file holds, every step answers, the DTM goes
// and the file is unchanged. "@INSTALL@" in the input stands for the
// installation's folder.
#include "corvane/frame/CorvaneClasses.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzInstallation.h"
#include "merrow/shell/MerrowClasses.h"
#include "platform/applet/AppletTrace.h"
#include "platform/comm/server/CommServerClasses.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/frame/FrameClasses.h"
#include "platform/frame/FrameContainer.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/printview/PrintviewClasses.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kTag = QStringLiteral("DTM_1");
// The DTM takes a few seconds at most to go; only a DTM that hangs waits this long.
constexpr int kReleaseLimitMs = 60000;

// The program's set-up of trivex-frame: an offscreen application, the
// classes it creates by name, the toolkit's traces kept off standard error.
void SetUpFrameProgram()
{
    fuzz::StartApplication(true);
    fuzz::FuzzInstallation::Get();
    applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    corvane::RegisterClasses();
    merrow::RegisterClasses();
    flowcalc::RegisterFlowcalcClasses();
    comm::RegisterCommServerClasses();
    frame::RegisterClasses();
    printview::RegisterClasses();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        SetUpFrameProgram();
        return true;
    }();
    (void)ready;
    static QTemporaryDir project;
    if (!project.isValid())
        fuzz::Fail("no temporary folder for the project");
    const QString instancePath = project.filePath(kTag + frame::ProjectFolder::kInstanceSuffix);
    // A stored instance names its description files by their paths; the
    // seeds name the installation by a placeholder.
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest().replace(
        "@INSTALL@", fuzz::FuzzInstallation::Get().Root().toUtf8());
    {
        QFile instance(instancePath);
        if (!instance.open(QIODevice::WriteOnly | QIODevice::Truncate) || instance.write(bytes) != bytes.size())
            fuzz::Fail("the project file cannot be written");
    }
    {
        frame::ReferenceFrame frame(project.path(), fuzz::FuzzInstallation::Get().SchemaFolder());
        const bool created = frame.CreateDtm(kTag);
        if (created)
            frame.Container(kTag)->SetSaveAnswer(frame::FrameContainer::SaveAnswer::Refuse);
        if (created && frame.LoadInstance(kTag) && frame.Configure(kTag, QStringLiteral("maintenance"))) {
            QString text;
            frame.GetParameters(kTag, text);
            frame.GetInformation(kTag, text);
        }
        if (frame.HasDtm(kTag) && frame.ReleaseInstance(kTag))
            fuzz::RunEventsUntil([&] { return !frame.HasDtm(kTag); }, kReleaseLimitMs, "the DTM did not go");
    }
    fuzz::DrainEvents();
    QFile instance(instancePath);
    if (!instance.open(QIODevice::ReadOnly) || instance.readAll() != bytes)
        fuzz::Fail("a reading command changed the project file");
    return 0;
}
