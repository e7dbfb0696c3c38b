#pragma once
// The applet host on the staged Trivex description with the device user
// interface registered, its main view started as the frame starts the
// application, and scripted answers for every message box.
#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/PioPage.h"
#include "merrow/shell/clsMainView.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/common/ItemAccess.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <QAction>
#include <QSettings>
#include <QTemporaryDir>

namespace merrowtest {

struct MerrowRegistered {
    MerrowRegistered()
    {
        merrow::RegisterClasses();
        QSettings(global::SettingsPath(), QSettings::IniFormat).clear();
    }
};

class MerrowApplet : private MerrowRegistered, public piotest::TrivexApplet {
public:
    MerrowApplet() : scope(dialogs) {}
    ~MerrowApplet()
    {
        if (auto view = View()) {
            int32_t result = 0;
            view->Destroy(result);
        }
        piotest::Settle();
    }
    // Starts the application "Parameterize the device" as the frame does.
    frmMain* Start()
    {
        int32_t result = -1;
        host->StartSingleView(QStringLiteral("MdiMain"), result);
        EXPECT_EQ(result, 0);
        piotest::Settle();
        frmMain* window = global::MainWindow();
        if (window)
            window->MDIForm_Activate();
        return window;
    }
    std::shared_ptr<clsMainView> View() const
    {
        if (!manager)
            return nullptr;
        for (const auto& view : manager->RegisteredViews())
            if (auto main = std::dynamic_pointer_cast<clsMainView>(view))
                return main;
        return nullptr;
    }
    QString Text(const QString& name) const
    {
        return itemaccess::ReadString(*manager, name);
    }
    void PutText(const QString& name, const QString& value)
    {
        itemaccess::PutString(*manager, name, value);
    }
    // A device variant: bus kind by its software code, module type, MV function, block mode, HART type.
    void Variant(const char* softwareCode, int moduleType, bool mv, int blockMode, int hartType)
    {
        PutText(QStringLiteral("pbSoftwareSpecifics"), QStringLiteral("00%1000").arg(QLatin1String(softwareCode)));
        PutNumber(QStringLiteral("ptrbModulType"), moduleType);
        PutNumber(QStringLiteral("pbMultivariableFunction"), mv ? 1 : 0);
        PutNumber(QStringLiteral("mvModeBlkActual"), blockMode);
        PutNumber(QStringLiteral("_mfrDeviceTypeHART"), hartType);
    }

    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService scope;
};

inline bool Shown(const frmMain& window, const char* entry)
{
    const QAction* action = window.Menu(QLatin1String(entry));
    return action && action->isVisible();
}
inline bool Usable(const frmMain& window, const char* entry)
{
    const QAction* action = window.Menu(QLatin1String(entry));
    return action && action->isEnabled();
}

} // namespace merrowtest
