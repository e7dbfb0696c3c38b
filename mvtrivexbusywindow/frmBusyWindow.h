#pragma once
// The busy window: a modeless window that follows the device communication
// through applet items. While a device sequence runs it shows an activity
// text, a progress bar captioned with the sequence name and a Cancel button;
// it reports a busy device; it holds itself open while the device burns its
// data or resets to the factory settings, until the device reports that its
// saving has ended; and it hides when nothing runs. Its control
// (ctlBusyWindow) creates, loads and owns it and raises the main window's
// DisableWindow and EnableWindow for it.
#include "pioextensions/IPioForm.h"
#include <QPointer>
#include <QWidget>
#include <memory>

class ctlBusyWindow;
class IDeviceInfo;
class QLabel;
class QProgressBar;
class QPushButton;

namespace applet {
class clsAppletItemManager;
}
namespace loop {
class Timer;
}
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
class PioControlItemHandler;
} // namespace pioitems

class frmBusyWindow : public QWidget, public IPioForm {
    Q_OBJECT
public:
    // The safety check's interval.
    static constexpr int kTimerIntervalMs = 1000;
    // How long the window waits for the device to begin and end a data save.
    static constexpr int kDataSaveLimitMs = 120000;

    frmBusyWindow();
    ~frmBusyWindow() override;

    // The manager the item handler and the device information object use at the next load.
    void SetAppletItemManagerRef(const std::shared_ptr<applet::clsAppletItemManager>& manager);
    void SetOwnerControl(ctlBusyWindow* control) { m_owner = control; }

    // IPioForm: the busy window has no view, no texts of its own for others
    // and nothing to refresh (the defaults).

    // Registers the items, localises the window and shows a sequence that
    // already runs; nothing when loaded.
    void Form_Load();
    // Raises EnableWindow, hides the window and releases the items; nothing unless loaded.
    void Form_Unload();

    // The device refused the function that holds the window (a data save, a
    // factory reset): there is nothing to wait for. The window goes once no
    // sequence runs, and the checks of the device's end that are still on
    // their way hold it no more, until a function holds it anew.
    void LetGo();

    bool Loaded() const { return m_loaded; }
    bool Shown() const { return m_shown; }
    bool Held() const { return m_hold; }
    bool ResetPending() const { return m_resetPending; }
    QLabel* lblDeviceStatus() const { return m_lblDeviceStatus; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    pioitems::PioAppItem* appSequenceProgress() const { return m_appSequenceProgress; }

protected:
    bool event(QEvent* event) override;
    // The window goes only when nothing runs: closing it by hand would leave the main window disabled.
    void closeEvent(QCloseEvent* event) override;

private:
    pioitems::PioAppItem* AppItem(const char* name, const char* item);
    int CountryCode() const;
    QString Text(int n) const;
    std::shared_ptr<applet::clsAppletItemManager> ParentManager() const;

    void appCurrentSequence_ValueChanged();
    void appCurrentResponseCode_ValueChanged();
    void appSequenceProgress_ValueChanged(const QString& value);
    void appDiagnosisExtension_ValueChanged();
    void appAbortSequences_ValueChanged();
    void appConnectionStatus_ValueChanged();
    void cmdCancel_Click();
    void Timer1_Timer();
    void Form_Activate();
    void BindSequence(const QString& name);
    // The bar's value for a sequence's own progress, over the whole chain.
    int ChainProgress(int sequenceProgress) const;

    void ShowBusyWindow();
    void HideBusyWindow();
    void CenterOnParent();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    QPointer<ctlBusyWindow> m_owner;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    std::unique_ptr<loop::Timer> m_timer1;

    QLabel* m_lblDeviceStatus = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    pioitems::PioControlItemHandler* m_handler = nullptr;
    pioitems::PioAppItem* m_appCountryCode = nullptr;
    pioitems::PioAppItem* m_appDiagnosisExtension = nullptr;
    pioitems::PioAppItem* m_appCurrentSequence = nullptr;
    pioitems::PioAppItem* m_appCurrentResponseCode = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioAppItem* m_appAbortSequences = nullptr;
    pioitems::PioAppItem* m_appCurrentRecord = nullptr;
    pioitems::PioAppItem* m_appSequenceProgress = nullptr;
    pioitems::PioSequenceItem* m_sequenceItem = nullptr;

    bool m_loaded = false;
    bool m_shown = false;
    bool m_hold = false;
    bool m_letGo = false; // LetGo: the checks of an end hold nothing
    bool m_resetPending = false;
    // Kept from one reaction to the next.
    bool m_dataSaveSeen = false;
    // When the window began to hold for a data save; -1 while it does not.
    qint64 m_dataSaveStartMs = -1;
    // The chain (upload or download) the bar shows; its sequences share one bar.
    QString m_chain;
    int m_chainSteps = 0;
    int m_lastHartResponse = 0;
    int m_lastFieldbusClass = 0;
    // The sequence name seen last, without surrounding blanks.
    QString m_lastSequence;
};
