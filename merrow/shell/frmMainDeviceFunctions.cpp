// The device and file functions of the main window's menus and toolbar:
// connection, transfers, dataset files and print-out through the component
// library's views, factory reset, the immediate data save, the operation-mode
// switch, range values, clipboard, window arrangement, help and read-me.
#include "merrow/shell/PioPage.h"
#include "merrow/shell/SequenceOutcome.h"
#include "merrow/shell/frmHelp.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaProperty>
#include <QScreen>
#include <QStyle>
#include <utility>

namespace {

// Text ids of this part of the main window.
constexpr int16_t kReadmeFileText = 1101;    // the read-me's file name
constexpr int16_t kHelpFileText = 1104;      // the help file's name, by language
constexpr int16_t kNoHelpFileText = 2121;    // no help file assigned
constexpr int16_t kFactoryResetText = 2144;  // warning before the factory reset
constexpr int16_t kFactoryResetTitle = 2146;
constexpr int16_t kOperationModeTitle = 2607; // warning before the operation-mode switch
constexpr int16_t kOperationModeText = 2608;
constexpr int16_t kNotOpenedText = 2690;      // "%1 could not be opened."
constexpr int16_t kUploadRefusedText = 2691;  // "Reading ... could not be started (%1)."
constexpr int16_t kViewRefusedText = 2692;    // "The function could not be started (%1)."
constexpr int16_t kRequestDroppedText = 2693; // "%1 could not be started: %2"
constexpr int16_t kLoadedText = 3816;         // "Dataset loaded from %1."
constexpr int16_t kSavedAsText = 3817;        // "Dataset saved as %1."
constexpr int16_t kUnsavedChangesText = 3819; // asked before the window closes
constexpr int16_t kSavedText = 3968;          // "Dataset saved. ..."
constexpr int16_t kOperationModePanelText = 3961; // panel 1 after the operation-mode switch
constexpr int16_t kOperationModeNotActivatedText = 3985;
constexpr int16_t kOperationModeNotWrittenText = 3991;
// The source item's value for a dataset read from a file.
const QString kSourceFile = QStringLiteral("1");

// The page of the help that offers its index and search, beside the help file.
const QString kHelpSearchSuffix = QStringLiteral("_search");

// Sequence controls whose request disables the main window until the busy
// window sees the sequence end, and the menu entry that names the function.
struct WindowBlockingRequest {
    const char* control;
    const char* entry;
};
const WindowBlockingRequest kWindowBlockingRequests[] = {
    {"seqInitiateFactoryReset", "mnuDeviceFactoryReset"},
    {"seqDisableBurnDelay", "mnuDeviceBurnData"},
};

// The sequence controls of the operation-mode switch.
const char* const kOperationModeControls[] = {"seqGetPidFfScale", "seqSetPidFfScale"};

// A control's "Text": the first of these properties it has.
const char* const kTextProperties[] = {"text", "plainText", "currentText"};

void Trace(const QString& text)
{
    applet::AppletTrace::Info(QStringLiteral("frmMain: %1").arg(text));
}

void TraceError(const QString& text)
{
    applet::AppletTrace::Error(QStringLiteral("frmMain: %1").arg(text));
}

// The control that has the focus in the active child window; none without one.
QWidget* ActiveControl(QMdiArea& area)
{
    QMdiSubWindow* window = area.activeSubWindow();
    if (!window)
        window = area.currentSubWindow();
    QWidget* page = window ? window->widget() : nullptr;
    QWidget* control = page ? page->focusWidget() : nullptr;
    return control && control != page ? control : nullptr;
}

// The name of the first text property of the control, or none.
const char* TextProperty(const QWidget& control, bool writable)
{
    const QMetaObject* meta = control.metaObject();
    for (const char* name : kTextProperties) {
        const int index = meta->indexOfProperty(name);
        if (index >= 0 && (!writable || meta->property(index).isWritable()))
            return name;
    }
    return nullptr;
}

} // namespace

// ---- Dispatch: menu entry -> function ----

bool frmMain::RunDeviceFunction(const QString& entry)
{
    using Function = void (frmMain::*)();
    struct DeviceFunction {
        const char* entry;
        Function run;
    };
    static const DeviceFunction kFunctions[] = {
        {"mnuDeviceConnect", &frmMain::DeviceConnect},
        {"mnuDeviceDisconnect", &frmMain::DeviceDisconnect},
        {"mnuDeviceLoadFromDevice", &frmMain::DeviceLoadFromDevice},
        {"mnuDeviceSaveToDevice", &frmMain::DeviceSaveToDevice},
        {"mnuDeviceFactoryReset", &frmMain::DeviceFactoryReset},
        {"mnuDeviceBurnData", &frmMain::DeviceBurnData},
        {"mnuDeviceModbusOn", &frmMain::DeviceModbusOn},
        {"mnuFileNew", &frmMain::FileNew},
        {"mnuFileOpen", &frmMain::FileOpen},
        {"mnuFileSave", &frmMain::FileSave},
        {"mnuFileSaveAs", &frmMain::FileSaveAs},
        {"mnuFilePrintPreview", &frmMain::FilePrintPreview},
        {"mnuFileExit", &frmMain::FileExit},
        {"mnuEditCopy", &frmMain::EditCopy},
        {"mnuEditPaste", &frmMain::EditPaste},
        {"mnuWindowCascade", &frmMain::WindowCascade},
        {"mnuWindowTileHorizontal", &frmMain::WindowTileHorizontal},
        {"mnuWindowTileVertical", &frmMain::WindowTileVertical},
        {"mnuHelpContents", &frmMain::HelpContents},
        {"mnuHelpSearchForHelpOn", &frmMain::HelpSearchForHelpOn},
        {"mnuHelpReadme", &frmMain::HelpReadme},
        {"mnuHelpAbout", &frmMain::ShowAbout},
    };
    for (const DeviceFunction& function : kFunctions) {
        if (entry == QLatin1String(function.entry)) {
            // The status line tells how the function ended: an earlier function's success goes.
            ShowStatus(QString());
            (this->*function.run)();
            return true;
        }
    }
    return false;
}

void frmMain::ConnectDeviceFunctionHandlers()
{
    using pioitems::PioSequenceItem;
    connect(SequenceControl("seqGetPidFfScale"), &PioSequenceItem::StatusChanged, this,
            &frmMain::seqGetPidFfScale_StatusChanged);
    connect(SequenceControl("seqSetPidFfScale"), &PioSequenceItem::StatusChanged, this,
            &frmMain::seqSetPidFfScale_StatusChanged);
    if (auto* record = findChild<pioitems::PioRecordItem*>(QStringLiteral("recReadPidFfScale"), Qt::FindDirectChildrenOnly))
        connect(record, &pioitems::PioRecordItem::StatusChanged, this, &frmMain::recReadPidFfScale_StatusChanged);
    connect(SequenceControl("seqGetRangeValues"), &PioSequenceItem::StatusChanged, this,
            &frmMain::seqGetRangeValues_StatusChanged);
    connect(SequenceControl("seqGetDeviceInfo"), &PioSequenceItem::StatusChanged, this,
            &frmMain::seqGetDeviceInfo_StatusChanged);
    for (const WindowBlockingRequest& request : kWindowBlockingRequests)
        if (PioSequenceItem* control = SequenceControl(request.control))
            connect(control, &PioSequenceItem::StatusChanged, this, [this, control](int32_t status) {
                if (status == applet::SequenceState::Ready)
                    OnHeldFunctionReady(control->AppItemName());
            });
}

pioitems::PioSequenceItem* frmMain::SequenceControl(const char* name) const
{
    auto* control = findChild<pioitems::PioSequenceItem*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!control)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("no control %1").arg(QLatin1String(name)),
                                   QStringLiteral("frmMain"));
    return control;
}

// ---- Device ----

void frmMain::DeviceConnect()
{
    int32_t result = 0;
    Host()->Connect(0, result);
    if (result != 0)
        Trace(QStringLiteral("connect answered %1").arg(applet::ResultText(result)));
}

void frmMain::DeviceDisconnect()
{
    DisconnectBecause(0);
}

void frmMain::DisconnectBecause(int16_t textId)
{
    // Set first: the state may reach 0 before the host returns.
    m_disconnectReason = textId;
    int32_t result = 0;
    Host()->Disconnect(0, result);
    if (result != 0)
        Trace(QStringLiteral("disconnect answered %1").arg(applet::ResultText(result)));
}

void frmMain::RecheckDataset()
{
    // A read still running brings the verdict at its end; a second request
    // then could be refused and the end missed.
    double state = applet::SequenceState::Ready;
    int32_t failed = 0;
    if (const auto manager = viewRef() ? viewRef()->appletItemManagerRef() : nullptr)
        manager->fncGetUIntValue(
            manager->HandleOf(applet::SubItemName::Compose(applet::SubItemKind::SequenceState, QStringLiteral("GetDeviceInfo"))),
            state, failed);
    if (failed == 0 && static_cast<int32_t>(state) != applet::SequenceState::Ready) {
        m_deviceInfoRunning = true;
        return;
    }
    try {
        SequenceControl("seqGetDeviceInfo")->Start();
    } catch (const std::exception& error) {
        TraceError(QStringLiteral("the device information was not read again: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

// The verdict on the dataset comes at the end of "GetDeviceInfo", unchanged
// at times from the one the last disconnection left, or before the window
// opened: the end itself brings the verdict's handling, once a connection.
void frmMain::seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus)
{
    if (sequenceStatus != applet::SequenceState::Ready) {
        m_deviceInfoRunning = true;
        return;
    }
    if (!std::exchange(m_deviceInfoRunning, false))
        return;
    // After every handler of the end, the component that publishes the verdict included.
    QMetaObject::invokeMethod(this, [this] {
        if (m_loaded && !m_verdictHandled && ConnectionState() == 2)
            OnInCompatibleDataset();
    }, Qt::QueuedConnection);
}

void frmMain::DeviceLoadFromDevice()
{
    global::SetMainWindowEnabled(false);
    int32_t result = 0;
    try {
        Host()->LoadFromDevice(0, result);
    } catch (...) {
        global::SetMainWindowEnabled(true);
        throw;
    }
    // Otherwise the busy window enables the main window when the upload ends.
    if (result != 0) {
        global::SetMainWindowEnabled(true);
        TellStartFailure(kUploadRefusedText, result);
        return;
    }
    StartPendingFunction(Pending::Upload);
}

void frmMain::DeviceSaveToDevice()
{
    UpdateAllForms();
    const int32_t result = StartTransferView(".clsSaveToDevice");
    // The view starts the download before it returns, unless the dataset does
    // not fit or the flow calculation refused it (which say so themselves).
    const bool refusedByCalculation = m_items.value(QStringLiteral("appAbortSequences"))->UIntValue() == 1;
    if (refusedByCalculation || result != 0)
        global::SetMainWindowEnabled(true);
    else
        StartPendingFunction(Pending::Download);
}

void frmMain::DeviceFactoryReset()
{
    const dialogs::OwnTitle title{global::LoadLocalizedText(kFactoryResetTitle)};
    if (!dialogs::DialogService::instance().AskOkCancel(title, global::LoadLocalizedText(kFactoryResetText),
                                                        dialogs::MessageIcon::Warning))
        return;
    try {
        m_items.value(QStringLiteral("appFactoryReset"))->SetUIntValue(1);
    } catch (const std::exception& error) {
        TraceError(QStringLiteral("factoryReset not written: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    try {
        SequenceControl("seqInitiateFactoryReset")->Force();
    } catch (const std::exception& error) {
        TraceError(QStringLiteral("factory reset not requested: %1").arg(QString::fromLocal8Bit(error.what())));
        return;
    }
    // The busy window enables the main window when the reset ends; a request
    // that fails later does (OnSequenceRequestDropped).
    StartPendingFunction(Pending::FactoryReset);
    global::SetMainWindowEnabled(false);
}

void frmMain::DeviceBurnData()
{
    try {
        SequenceControl("seqDisableBurnDelay")->Force();
    } catch (const std::exception& error) {
        TraceError(QStringLiteral("data save not requested: %1").arg(QString::fromLocal8Bit(error.what())));
        return;
    }
    StartPendingFunction(Pending::DataSave);
    global::SetMainWindowEnabled(false);
}

// ---- Operation-mode switch (Modbus variant) ----
// GetPidFfScale: read request -> step 1, run; ready at step 1 -> step 2,
// adjust; ready at step 2 -> "pidFfScaleDecimal" := 0, step 0, force
// SetPidFfScale. SetPidFfScale: write request -> run; ready after the
// switch's own write request -> disconnect.

void frmMain::DeviceModbusOn()
{
    const dialogs::OwnTitle title{global::LoadLocalizedText(kOperationModeTitle)};
    if (!dialogs::DialogService::instance().AskOkCancel(title, global::LoadLocalizedText(kOperationModeText),
                                                        dialogs::MessageIcon::Warning))
        return;
    try {
        SequenceControl("seqGetPidFfScale")->Start();
    } catch (const std::exception& error) {
        TraceError(QStringLiteral("operation mode not switched: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

SequenceOutcome frmMain::HowSequenceEnded(const QString& sequence) const
{
    const auto view = viewRef();
    return sequenceoutcome::Judge(view ? view->appletItemManagerRef().get() : nullptr, sequence);
}

void frmMain::seqGetPidFfScale_StatusChanged(int32_t sequenceStatus)
{
    if (!m_loaded)
        return;
    auto* sequence = SequenceControl("seqGetPidFfScale");
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        m_operationModeStep = 1;
        m_operationModeReadFailed = false;
        sequence->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::Ready && m_operationModeStep == 1) {
        // A read that failed or was cancelled leaves nothing to adjust: writing
        // the scale then would send the dataset's values, not the device's.
        // A refusal the record rules took or passed over ends the sequence
        // ready, not stopped: its record's state told it.
        const SequenceOutcome outcome = HowSequenceEnded(QStringLiteral("GetPidFfScale"));
        if (outcome.Failed() || std::exchange(m_operationModeReadFailed, false)) {
            m_operationModeStep = 0;
            TraceError(QStringLiteral("the feed-forward scale was not read; the operation mode stays off"));
            dialogs::DialogService::instance().Warning(
                global::LoadLocalizedText(kOperationModeTitle),
                sequenceoutcome::FailureText(global::LoadLocalizedText(kOperationModeNotActivatedText), outcome));
            return;
        }
        m_operationModeStep = 2;
        sequence->Adjust();
    } else if (sequenceStatus == applet::SequenceState::Ready && m_operationModeStep == 2) {
        m_items.value(QStringLiteral("apppidFfScaleDecimal"))->SetUIntValue(0);
        m_operationModeStep = 0;
        SequenceControl("seqSetPidFfScale")->Force();
        m_operationModeWrite = 1;
    }
}

void frmMain::recReadPidFfScale_StatusChanged(int32_t recordStatus)
{
    if (m_operationModeStep != 1)
        return;
    // A repeat sends the record again; only its last answer counts.
    if (recordStatus == applet::RecordState::ReadActive)
        m_operationModeReadFailed = false;
    else if (recordStatus >= applet::RecordState::ReadFailed) {
        m_operationModeReadFailed = true;
        TraceError(QStringLiteral("the feed-forward scale's read failed (record state %1)").arg(recordStatus));
    }
}

void frmMain::seqSetPidFfScale_StatusChanged(int32_t sequenceStatus)
{
    if (!m_loaded)
        return;
    if (sequenceStatus == applet::SequenceState::WriteRequest) {
        SequenceControl("seqSetPidFfScale")->DoAction(applet::SequenceAction::Run);
        if (m_operationModeWrite == 1)
            m_operationModeWrite = 2;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_operationModeWrite == 2) {
        // Only the end of the switch's own write disconnects: the state the
        // window hears when it opens, or a write started elsewhere, does not.
        m_operationModeWrite = 0;
        // A device that did not take the scale is not in the operation mode:
        // the connection stays.
        if (const SequenceOutcome outcome = HowSequenceEnded(QStringLiteral("SetPidFfScale")); outcome.Failed()) {
            TraceError(QStringLiteral("the feed-forward scale was not written; the operation mode stays off"));
            dialogs::DialogService::instance().Warning(
                global::LoadLocalizedText(kOperationModeTitle),
                sequenceoutcome::FailureText(global::LoadLocalizedText(kOperationModeNotWrittenText), outcome));
            return;
        }
        DisconnectBecause(kOperationModePanelText);
    }
}

void frmMain::seqGetRangeValues_StatusChanged(int32_t sequenceStatus)
{
    if (m_loaded && sequenceStatus == applet::SequenceState::ReadRequest)
        SequenceControl("seqGetRangeValues")->DoAction(applet::SequenceAction::Run);
    if (sequenceStatus != applet::SequenceState::Ready || !global::RangeValuesRequested)
        return;
    // Only a sequence that ended well read the ranges; a stopped or failed
    // one ends with its control item at Stop, and the next display window
    // of this connection asks again.
    global::RangeValuesRequested = false;
    global::RangeValuesRead = !HowSequenceEnded(QStringLiteral("GetRangeValues")).Failed();
    if (!global::RangeValuesRead)
        Trace(QStringLiteral("the range values were not read; the next display window asks again"));
}

void frmMain::OnSequenceRequestDropped(const QString& control, const QString& action, int32_t number,
                                       const QString& description)
{
    // The sequence will not run, so the busy window will not enable the main window.
    global::SetMainWindowEnabled(true);
    m_pending = Pending::None; // its message follows
    const auto tell = [&](const char* entry) {
        QString function = m_menus.value(QLatin1String(entry))->text();
        function.remove(QLatin1Char('&'));
        const QString reason =
            QStringLiteral("%1 (0x%2)").arg(description).arg(static_cast<uint32_t>(number), 8, 16, QLatin1Char('0'));
        dialogs::DialogService::instance().Warning(
            global::kProductTitle,
            global::FillPlaceholders(global::LoadLocalizedText(kRequestDroppedText), {function, reason}));
    };
    for (const char* name : kOperationModeControls)
        if (control == QLatin1String(name) && (m_operationModeStep != 0 || m_operationModeWrite != 0)) {
            TraceError(QStringLiteral("%1 of %2 failed; the operation-mode switch ends").arg(action, control));
            m_operationModeStep = 0;
            m_operationModeWrite = 0;
            tell("mnuDeviceModbusOn");
        }
    for (const WindowBlockingRequest& request : kWindowBlockingRequests)
        if (control == QLatin1String(request.control))
            tell(request.entry);
}

// ---- Transfer views of the component library ----

int32_t frmMain::StartTransferView(const char* className)
{
    const QString progId = m_componentProject + QLatin1String(className);
    int32_t result = 0;
    Host()->StartView(progId, result);
    if (result != 0) {
        TraceError(QStringLiteral("view %1 not started: %2").arg(progId, applet::ResultText(result)));
        TellStartFailure(kViewRefusedText, result);
    }
    return result;
}

void frmMain::TellStartFailure(int16_t textId, int32_t result)
{
    dialogs::DialogService::instance().Warning(
        global::kProductTitle, global::FillPlaceholders(global::LoadLocalizedText(textId), {applet::ResultText(result)}));
}

// ---- File ----

void frmMain::FileOpen()
{
    // The applet names the file it read; a cancelled or refused file leaves the name alone.
    m_fileNameWritten = false;
    const bool started = StartTransferView(".clsLoadFromFile") == 0;
    // Whatever the file held, it is checked against the device at the next connection.
    m_items.value(QStringLiteral("appInCompatibleDataset"))->SetStringValue(QStringLiteral("0"));
    ArrangeMenus();
    if (started && m_fileNameWritten) {
        m_items.value(QStringLiteral("appCurrentSource"))->SetStringValue(kSourceFile);
        ConfirmFile(kLoadedText);
    }
}

void frmMain::ConfirmFile(int16_t textId)
{
    const QString path = m_items.value(QStringLiteral("appFileName"))->StringValue();
    ShowStatus(global::FillPlaceholders(global::LoadLocalizedText(textId), {QFileInfo(path).fileName()}));
}

void frmMain::FileSave()
{
    UpdateAllForms();
    // A refused save tells its reason itself; a save that took everything clears the change mark.
    if (StartTransferView(".clsSaveToFile") == 0 && !DatasetChanged())
        ShowStatus(global::LoadLocalizedText(kSavedText));
}

void frmMain::FileSaveAs()
{
    UpdateAllForms();
    m_fileNameWritten = false;
    const bool changedBefore = DatasetChanged();
    const bool started = StartTransferView(".clsSaveAsToFile") == 0;
    // A new name is written; the same name again shows as the change mark cleared.
    if (started && (m_fileNameWritten || (changedBefore && !DatasetChanged())))
        ConfirmFile(kSavedAsText);
}

void frmMain::FilePrintPreview()
{
    StartTransferView(".clsHTMLPrintOut");
}

void frmMain::FileExit()
{
    close(); // the window asks about changes as it closes
}

std::optional<dialogs::DialogResult> frmMain::AskAboutChanges()
{
    // A mark left by values that came back to what is stored asks nothing.
    if (m_changesAnswered || !DatasetChanged() || !Host()->HoldsChanges())
        return std::nullopt;
    return dialogs::DialogService::instance().AskYesNoCancel(global::kProductTitle,
                                                             global::LoadLocalizedText(kUnsavedChangesText));
}

bool frmMain::KeepOrDropChanges(dialogs::DialogResult answer)
{
    if (answer == dialogs::DialogResult::Yes) {
        FileSave();
        if (DatasetChanged())
            return false; // not saved (the save said why): the window stays with its changes
    } else {
        // The applet goes back to the instance data, so nothing asks again after the window.
        int32_t result = 0;
        try {
            Host()->LoadFromDatabase(0, result);
        } catch (const std::exception& error) {
            TraceError(QStringLiteral("the changes were not dropped: %1").arg(QString::fromLocal8Bit(error.what())));
        }
        if (result != 0)
            TraceError(QStringLiteral("the changes were not dropped: %1").arg(applet::ResultText(result)));
    }
    m_changesAnswered = true;
    return true;
}

// ---- Edit ----

void frmMain::EditCopy()
{
    QWidget* control = ActiveControl(*m_mdi);
    const char* property = control ? TextProperty(*control, false) : nullptr;
    if (!property)
        return;
    QApplication::clipboard()->setText(control->property(property).toString());
}

void frmMain::EditPaste()
{
    QWidget* control = ActiveControl(*m_mdi);
    const char* property = control ? TextProperty(*control, true) : nullptr;
    if (!property)
        return;
    if (!control->setProperty(property, QApplication::clipboard()->text()))
        Trace(QStringLiteral("%1 took no text").arg(control->objectName()));
}

// Copy and Paste act only on a control with text in the active child window.
void frmMain::UpdateClipboardEntries()
{
    QWidget* control = ActiveControl(*m_mdi);
    const bool copy = control && TextProperty(*control, false);
    const bool paste = control && TextProperty(*control, true) && !QApplication::clipboard()->text().isEmpty();
    EnableEntry("mnuEditCopy", copy);
    EnableEntry("mnuEditPaste", paste);
}

// ---- Window ----

void frmMain::WindowCascade()
{
    m_mdi->cascadeSubWindows();
}

void frmMain::WindowTileHorizontal()
{
    TileChildWindows(Qt::Horizontal);
}

void frmMain::WindowTileVertical()
{
    TileChildWindows(Qt::Vertical);
}

// Horizontal: the windows lie one below the other, each as wide as the area;
// vertical: side by side, each as high as the area. Minimised windows stay.
void frmMain::TileChildWindows(Qt::Orientation orientation)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (window->isVisible() && !window->isMinimized())
            windows.append(window);
    if (windows.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows[i];
        window->showNormal();
        if (orientation == Qt::Horizontal) {
            const int top = area.height() * i / count;
            window->setGeometry(0, top, area.width(), area.height() * (i + 1) / count - top);
        } else {
            const int left = area.width() * i / count;
            window->setGeometry(left, 0, area.width() * (i + 1) / count - left, area.height());
        }
    }
}

// ---- Help ----

void frmMain::AssignHelpFile()
{
    const QString name = global::LoadLocalizedText(kHelpFileText);
    m_helpFile = name.isEmpty() ? QString() : QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

bool frmMain::HelpFileAssigned()
{
    if (!m_helpFile.isEmpty())
        return true;
    dialogs::DialogService::instance().Information(windowTitle(), global::LoadLocalizedText(kNoHelpFileText));
    return false;
}

void frmMain::HelpContents()
{
    if (HelpFileAssigned())
        OpenShippedFile(m_helpFile);
}

void frmMain::HelpSearchForHelpOn()
{
    if (!HelpFileAssigned())
        return;
    const QFileInfo help(m_helpFile);
    const QString suffix = help.suffix().isEmpty() ? QString() : QLatin1Char('.') + help.suffix();
    OpenShippedFile(help.dir().filePath(help.completeBaseName() + kHelpSearchSuffix + suffix));
    // Find begins with the text to look for.
    if (auto* opened = qobject_cast<frmHelp*>(m_helpWindows.isEmpty() ? nullptr : m_helpWindows.back().data()))
        opened->FindField()->setFocus();
}

void frmMain::HelpReadme()
{
    OpenShippedFile(QDir(QCoreApplication::applicationDirPath()).filePath(global::LoadLocalizedText(kReadmeFileText)));
}

void frmMain::OpenShippedFile(const QString& path)
{
    // A file already open comes to the front instead of a second window over it.
    for (const QPointer<QWidget>& window : m_helpWindows) {
        auto* open = qobject_cast<frmHelp*>(window.data());
        if (open && open->isVisible() && open->File() == QFileInfo(path).absoluteFilePath()) {
            open->raise();
            open->activateWindow();
            return;
        }
    }
    // Our own window: the help works where no browser or editor is installed.
    auto* help = new frmHelp(this);
    if (help->ShowFile(path)) {
        QWidget* last = nullptr;
        for (const QPointer<QWidget>& window : m_helpWindows)
            if (window && window->isVisible())
                last = window.data();
        m_helpWindows.append(help);
        global::CenterOnOwner(*help, *this);
        // Another help window stays in sight: the new one opens down and to the right of it.
        if (last) {
            const int step = help->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
            QRect place(last->geometry().topLeft() + QPoint(step, step), help->size());
            const QRect area = last->screen()->availableGeometry();
            if (!area.contains(place))
                place.moveTopLeft(area.topLeft());
            help->move(place.topLeft());
        }
        help->show();
        return;
    }
    delete help;
    TraceError(QStringLiteral("%1 not opened").arg(path));
    dialogs::DialogService::instance().Critical(
        global::kProductTitle, global::FillPlaceholders(global::LoadLocalizedText(kNotOpenedText), {QDir::toNativeSeparators(path)}));
}
