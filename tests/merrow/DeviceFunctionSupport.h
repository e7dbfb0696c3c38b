#pragma once
// What the tests of the main window's device and file functions share: the
// simulated transmitter attached as the communication channel (connected by
// the menu or at once), small stand-ins for the component library's transfer
// views where the real ones are not registered, the desktop opener replaced
// by a recorder, and the menu entries triggered as the user would.
#include "MerrowTestSupport.h"
#include "merrow/pages/frmSimulateFlow.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/View.h"
#include "sim/SimOptions.h"
#include <QPushButton>
#include <QSet>
#include <functional>

namespace merrowtest {

inline const QString kComponentPrefix = QStringLiteral("Corvane.");

// A transfer view of the component library as its ProgID promises: it does
// its work while the host hands it the manager, then unregisters itself.
class TransferViewDouble : public automation::ComObject, public applet::View {
public:
    using Work = std::function<void(applet::clsAppletItemManager& manager)>;

    TransferViewDouble(QString progId, Work work) : m_progId(std::move(progId)), m_work(std::move(work)) {}

    void SetAppletItemManagRef(int32_t, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override
    {
        result = 0;
        Started().append(m_progId);
        if (m_work)
            m_work(*manager);
        int32_t unregistered = 0;
        manager->UnregisterView(this, unregistered);
    }
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override { result = 0; }
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

    // The ProgIDs of the views started, in order.
    static QStringList& Started()
    {
        static QStringList started;
        return started;
    }

private:
    QString m_progId;
    Work m_work;
};

// Registers stand-ins under the transfer views' ProgIDs that have no class,
// and removes them again at the end of the test.
class TransferViewDoubles {
public:
    TransferViewDoubles() { TransferViewDouble::Started().clear(); }
    ~TransferViewDoubles()
    {
        for (const QString& progId : m_registered)
            automation::ClassRegistry::instance().Unregister(progId);
    }
    TransferViewDoubles(const TransferViewDoubles&) = delete;
    TransferViewDoubles& operator=(const TransferViewDoubles&) = delete;

    // className: "clsSaveToDevice", ...
    void Add(const QString& className, TransferViewDouble::Work work)
    {
        const QString progId = kComponentPrefix + className;
        if (automation::ClassRegistry::instance().IsRegistered(progId))
            return;
        automation::ClassRegistry::instance().Register(progId, QString(), [progId, work] {
            return std::static_pointer_cast<automation::ComObject>(std::make_shared<TransferViewDouble>(progId, work));
        });
        m_registered.append(progId);
    }

private:
    QStringList m_registered;
};

// The save of the dataset as the component library does it: the change mark goes.
inline void AddSaveThatTakesTheChanges(TransferViewDoubles& views)
{
    views.Add(QStringLiteral("clsSaveToFile"), [](applet::clsAppletItemManager& manager) {
        itemaccess::PutString(manager, QStringLiteral("&&private&&Dirty"), QStringLiteral("0"));
    });
}

// The main window on a simulated transmitter that the applet can reach; the
// device counts the commands it answered.
class DeviceApplet : public MerrowApplet {
public:
    DeviceApplet()
    {
        m_counting = QObject::connect(&device, &sim::SimServer::requestHandled,
                                      [this](int command, int) { commands.append(command); });
    }
    // The device still answers while the applet ends; the count ends first.
    ~DeviceApplet() { QObject::disconnect(m_counting); }
    DeviceApplet(const DeviceApplet&) = delete;
    DeviceApplet& operator=(const DeviceApplet&) = delete;

    // The main window, the frame letting the user connect and disconnect.
    frmMain* StartWithConnectAllowed()
    {
        PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
        return Start();
    }

    // The main window of a variant, connected to the simulator, the frame
    // letting the user connect and disconnect; the dataset names the module.
    frmMain* StartConnected(int hartType = 137, int moduleType = 1)
    {
        Variant("4607215", moduleType, true, 8, hartType);
        frmMain* window = StartWithConnectAllowed();
        if (!window || !Connect())
            return nullptr;
        piotest::Settle();
        window->MDIForm_Activate();
        commands.clear();
        return window;
    }

    void Trigger(frmMain& window, const char* entry)
    {
        QAction* action = window.Menu(QLatin1String(entry));
        ASSERT_NE(action, nullptr) << entry;
        ASSERT_TRUE(action->isEnabled()) << entry;
        action->trigger();
    }

    double SequenceState(const char* sequence) const
    {
        return Number(applet::SubItemName::Compose(applet::SubItemKind::SequenceState, QLatin1String(sequence)));
    }

    // Runs the loop until the device answered command (or the patience ends).
    bool AnsweredCommand(int command)
    {
        return piotest::RunUntil([this, command] { return commands.contains(command); });
    }

    QList<int> commands;

private:
    QMetaObject::Connection m_counting;
};

// The transmitter as the flow computer (device type 139), which offers every
// function: a differential pressure module with the multivariable function.
inline bool MakeFlowComputer(sim::SimTransmitter& device, QString& error)
{
    sim::VariantOptions variant;
    variant.deviceType = 139;
    variant.module = sim::ModuleType::Differential;
    variant.multivariable = true;
    return sim::applyVariant(device, variant, error);
}

// Opens the page of a menu entry and returns it; null when none of that class opened.
// Reads the device through the sequence and takes what it read into the
// dataset, as a load from the device does.
inline bool ReadIntoDataset(DeviceApplet& applet, const char* sequence)
{
    int32_t result = -1;
    applet.commands.clear();
    // What the connection started (the device information, the feed-forward
    // scale) may still run on a loaded machine: the host refuses the sequence
    // until it has ended.
    if (!piotest::RunUntil([&] {
            applet.host->ForceSequence(QLatin1String(sequence), result);
            return result == 0;
        }))
        return false;
    // The device also answers the cyclic reads, and the sequence's state reads
    // "ready" until it begins: neither tells that it has ended. The host takes
    // the adjust only once no sequence runs, so it is asked until it does.
    if (!piotest::RunUntil([&] {
            if (applet.commands.isEmpty())
                return false;
            applet.host->StartAdjust(QLatin1String(sequence), result);
            return result != applet::kResultBusy;
        }))
        return false;
    piotest::Settle();
    return result == 0 && applet.SequenceState(sequence) == 0;
}

// The first open page of that class; none when none is open.
template <class Page>
Page* FindPage(frmMain& window)
{
    for (PioPage* page : window.ChildForms())
        if (auto* wanted = qobject_cast<Page*>(page))
            return wanted;
    return nullptr;
}

// The page the menu entry opened; none when it opened no page of that class.
template <class Page>
Page* OpenPage(DeviceApplet& applet, frmMain& window, const char* entry)
{
    applet.Trigger(window, entry);
    piotest::Settle();
    return FindPage<Page>(window);
}

// Opens the flow simulation, answering that a simulation influences the process;
// the page once the device's simulation is read and taken into the dataset, null when not.
inline frmSimulateFlow* OpenFlowSimulation(DeviceApplet& applet, frmMain& window)
{
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // the simulation influences the process
    applet.Trigger(window, "mnuDiagnosticsSimulateFlow");
    piotest::Settle();
    auto* page = FindPage<frmSimulateFlow>(window);
    auto* read = page ? page->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqGetMvSimulation")) : nullptr;
    if (!read || !piotest::RunUntil([&] {
            return page->cmdSetSimulation()->isEnabled() && window.isEnabled() && read->PendingActions() == 0
                && applet.SequenceState("GetMvSimulation") == 0 && applet.SequenceState("SetMvSimulation") == 0;
        }))
        return nullptr;
    piotest::Settle();
    return page;
}

inline pioitems::PioSequenceItem* SequenceControl(frmMain& window, const char* name)
{
    return window.findChild<pioitems::PioSequenceItem*>(QLatin1String(name));
}

// The text of the last message box the user saw; empty for none.
inline QString LastMessage(const dialogs::ScriptedDialogService& dialogs)
{
    for (auto it = dialogs.Requests().rbegin(); it != dialogs.Requests().rend(); ++it)
        if (it->kind == dialogs::DialogKind::Message)
            return it->text;
    return QString();
}

} // namespace merrowtest
