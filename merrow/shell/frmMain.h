#pragma once
// The MDI main window of the device user interface: its item controls, its
// load, activation, deactivation and unload, the menus, toolbar and status
// bar that follow the device variant and the connection, and the pages it
// opens as MDI children.
#include "merrow/shell/frmOutput.h"
#include "pioextensions/IPioForm.h"
#include "platform/dialogs/DialogTypes.h"
#include <QHash>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class ctlBusyWindow;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class PioPage;
struct SequenceOutcome;

namespace applet {
class AppletHost;
}
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
class PioControlItemHandler;
} // namespace pioitems

class QMdiSubWindow;

class frmMain : public QMainWindow, public IPioForm {
    Q_OBJECT
public:
    // The host ends the view: the frame asks about changes after the window, not the window.
    void LeaveChangesToTheFrame() { m_changesAnswered = true; }
    // The component library whose transfer views the main window starts.
    static inline const QString kComponentProject = QStringLiteral("Corvane");

    frmMain();
    ~frmMain() override;

    // IPioForm
    std::shared_ptr<IViewEx> viewRef() const override { return m_viewRef.lock(); }
    void setViewRef(const std::shared_ptr<IViewEx>& view) override { m_viewRef = view; }
    QString GetTextFromResource(int16_t iTextID) const override;
    void UpdatePioControls() override {}

    void MDIForm_Load();
    void MDIForm_Activate();
    void MDIForm_Deactivate();
    void MDIForm_Unload();
    bool Loaded() const { return m_loaded; }
    bool Unloaded() const { return m_unloaded; }

    // The country code the texts follow (the item "&&private&&countrycode").
    double CountryCodeValue() const;

    // Menus, toolbar and status bar.
    void ArrangeMenus();
    QAction* Menu(const QString& name) const;
    // A short confirmation in the status bar's free panel (a page's function ending well).
    void ShowStatus(const QString& text);
    QAction* Button(const QString& key) const;
    QString PanelText(int panel) const;
    // The name of the background picture in use; empty before the first.
    QString BackgroundPicture() const { return m_background; }
    QMenu* MenuOf(const QString& name) const;

    // Page management.
    void ShowChildForm(PioPage* form);
    // A page that reaches past the visible area: the window grows as far as
    // the screen lets it, and the page moves up and left as far as it must;
    // what the screen cannot show is reached by scrolling.
    void MakeRoomFor(QMdiSubWindow& frame);
    void UpdateAllForms();
    // Closes every child window; false when a page refused to close (it stays open).
    bool CloseAllChildForms();
    // Asks every page whether it may close, without closing any; false at
    // the first page that stays.
    bool QueryAllChildForms();
    void UnloadFrmMesswerte();
    void ReleaseFrmMesswerte();
    QMdiArea* MdiArea() const { return m_mdi; }
    // The open pages, in the order they were opened.
    QList<PioPage*> ChildForms() const;
    // Rebuilds the list of open child windows at the end of the Window menu.
    void ListChildWindows();

    frmOutput* ReportWindow() const { return m_output; }
    // The help windows open now.
    QList<QWidget*> HelpWindows() const;
    bool AskBeforeRefusing() const { return m_askFirst; }
    // Whether the changes of the dataset are to be saved (Yes), dropped (No)
    // or kept with the window open (Cancel): asked once, only when the
    // dataset differs from what is stored; none when nothing is asked.
    std::optional<dialogs::DialogResult> AskAboutChanges();
    // Carries out the answer Yes or No; false when the save failed.
    bool KeepOrDropChanges(dialogs::DialogResult answer);
    pioitems::PioControlItemHandler* PioControlItemHandler1() const { return m_handler; }

    // Answers of the busy-window control.
    void ctlBusyWindow1_DisableWindow();
    void ctlBusyWindow1_EnableWindow();
    ctlBusyWindow* ctlBusyWindow1() const { return m_busyWindow; }

    // Device and file functions (frmMainDeviceFunctions.cpp). The help file:
    // the application's directory and the localised help file name; empty
    // when there is none.
    QString HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString& path) { m_helpFile = path; }
    // The step of the operation-mode switch: 0 idle, 1 read requested, 2 adjust requested.
    int OperationModeStep() const { return m_operationModeStep; }

    // A device function the user started whose end the window confirms in the
    // status bar (panel 4) or reports with a message.
    enum class Pending { None, Upload, Download, FactoryReset, DataSave };
    Pending PendingFunction() const { return m_pending; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateItemControls();
    void BuildMenus();
    void BuildToolbar();
    void BuildStatusBar();
    void ConnectHandlers();
    pioitems::PioAppItem* AppItem(const char* name, const char* item);
    pioitems::PioSequenceItem* SequenceItem(const char* name, const char* sequence);

    void ShowEntry(const char* name, bool visible);
    void EnableEntry(const char* name, bool enabled);
    // True when the menu entry and every menu above it are shown and enabled.
    bool EntryUsable(const QString& name) const;
    void FollowEntries();
    void CaptionEntry(const char* name, int16_t textId);
    void SetPanel(int panel, int16_t textId);
    void FitStatusLine();

    void OnConnectionStatus();
    void OnEngineeringContext();
    void OnUserLevel(const QString& value);
    void OnCurrentSource(const QString& value);
    void OnInCompatibleDataset();
    void OnChangesByRevision(const QString& value, bool suppressRule);
    void OnCaptionItem();
    void ApplyDatasetCompatibility();
    void DeclineReadOut();
    // The verdict of "InCompatibleDataset" that keeps "Save to device" disabled while it stands.
    bool SaveToDeviceRefused() const;
    void OnTransferCompleted();
    void OnAbortSequences();
    void OnDataSaveUnconfirmed(int seconds);
    void StartPendingFunction(Pending function);
    void EndPendingFunction(bool succeeded);
    // A sequence of a function the busy window holds ended: a refusal or a
    // stop ends the function at once, told, and ends the watch for the
    // device's end that holds the busy window.
    void OnHeldFunctionReady(const QString& sequence);
    void UpdateClipboardEntries();
    void FitToContent();
    void PlaceBeside(const QString& entry, const QString& other);
    // The pages opened together (entry, the one beside it), kept apart as they grow.
    QPair<QString, QString> m_besides;
    bool m_placingBeside = false;
    // The window was kept on the screen once the window manager's frame was known.
    bool m_framedOnScreen = false;
    // The MDI background for the desktop's work area.
    void SetBackgroundPicture();
    void ScaleBackground();
    void EnableSaveToDevice();
    void DisableSaveToDevice();
    int ConnectionState() const;

    void Trigger(const QString& entry);
    void OpenPage(const QString& entry);
    // Opens (or brings back) the entry's page; false when the device has no page for it.
    bool ShowPage(const QString& entry);
    void ShowAbout();
    void FileNew();
    // Whether the dataset changed since it was last loaded or saved.
    bool DatasetChanged() const;
    std::shared_ptr<applet::AppletHost> Host() const;

    // Device and file functions of the menus and toolbar (frmMainDeviceFunctions.cpp).
    bool RunDeviceFunction(const QString& entry);
    void ConnectDeviceFunctionHandlers();
    void AssignHelpFile();
    void DeviceConnect();
    void DeviceDisconnect();
    // A disconnection the program makes itself; panel 1 then shows textId.
    void DisconnectBecause(int16_t textId);
    // Reads the device information again; its end brings the dataset's verdict.
    void RecheckDataset();
    void seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus);
    void DeviceLoadFromDevice();
    void DeviceSaveToDevice();
    void DeviceFactoryReset();
    void DeviceBurnData();
    void DeviceModbusOn();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FilePrintPreview();
    void FileExit();
    void EditCopy();
    void EditPaste();
    void WindowCascade();
    void WindowTileHorizontal();
    void WindowTileVertical();
    void HelpContents();
    void HelpSearchForHelpOn();
    void HelpReadme();
    int32_t StartTransferView(const char* className);
    void TellStartFailure(int16_t textId, int32_t result);
    void TileChildWindows(Qt::Orientation orientation);
    bool HelpFileAssigned();
    void OpenShippedFile(const QString& path);
    void ConfirmFile(int16_t textId);
    pioitems::PioSequenceItem* SequenceControl(const char* name) const;
    void seqGetPidFfScale_StatusChanged(int32_t sequenceStatus);
    void seqSetPidFfScale_StatusChanged(int32_t sequenceStatus);
    void recReadPidFfScale_StatusChanged(int32_t recordStatus);
    // After a factory reset that ended well: the dataset is read from the device again.
    void ReadDeviceAfterReset();
    void seqGetRangeValues_StatusChanged(int32_t sequenceStatus);
    // The sequence ended stopped or failed (its control item at Stop).
    SequenceOutcome HowSequenceEnded(const QString& sequence) const;
    void OnSequenceRequestDropped(const QString& control, const QString& action, int32_t number,
                                  const QString& description);

    std::weak_ptr<IViewEx> m_viewRef;
    QMdiArea* m_mdi = nullptr;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_panels[4] = {};
    QHash<QString, QAction*> m_menus;
    QHash<QString, QMenu*> m_submenus;
    QHash<QString, QAction*> m_buttons;
    QHash<QString, pioitems::PioAppItem*> m_items;
    pioitems::PioAppItem* m_arrangeControls[3] = {};
    QHash<QString, QPointer<PioPage>> m_singlePages;
    QPointer<PioPage> m_activePage;
    pioitems::PioControlItemHandler* m_handler = nullptr;
    ctlBusyWindow* m_busyWindow = nullptr;
    QPointer<frmOutput> m_output;
    QString m_componentProject;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_messwerteByMenu = false;
    bool m_askFirst = true;
    bool m_verdictHandled = false;    // the dataset's verdict was acted on in this connection
    bool m_deviceInfoRunning = false; // "GetDeviceInfo" left ready since the last check
    bool m_changesAnswered = false;   // the question about the changes was answered
    int16_t m_disconnectReason = 0;   // panel 1 text of a disconnection the program made
    int16_t m_connectionEndText = 0;  // panel 1 text that told how the last connection ended
    int m_lastConnectState = 0;
    int m_operationModeStep = 0;
    bool m_operationModeReadFailed = false; // the read of the switch's step 1 got no valid answer
    Pending m_pending = Pending::None;
    bool m_pendingAborted = false;
    bool m_pendingBusySeen = false; // the busy window took the window for the pending function
    bool m_fileNameWritten = false; // a dataset file was read or written since the flag was cleared
    // 0 none, 1 "SetPidFfScale" forced by the operation-mode switch, 2 its write request answered.
    int m_operationModeWrite = 0;
    QString m_helpFile;
    QList<QPointer<QWidget>> m_helpWindows;
    QString m_background;
    QPixmap m_backgroundPicture;
};
