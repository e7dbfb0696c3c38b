#pragma once
// The busy-window control the main window carries. Its item handler registers
// it like an item control (Typ "PioItem"); the control then creates its busy
// window (frmBusyWindow), which follows the device communication through
// applet items. Every time the window shows, the control raises
// DisableWindow; every time a hide is carried out, EnableWindow. That is all
// the main window needs to know of it.
//
// One control has one busy window: a second Register binds the same window
// to the manager it is given. UnRegister releases the window's items (raising
// EnableWindow) and keeps the window for a later Register.
#include "pioitems/PioItemProtocol.h"
#include "pioitems/PioUserControl.h"
#include <memory>

class frmBusyWindow;

class ctlBusyWindow : public pioitems::PioUserControl, public pioitems::PioItemProtocol {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("MVTrivexBusyWindow.ctlBusyWindow");

    explicit ctlBusyWindow(QWidget* parent = nullptr);
    // Releases the busy window without raising EnableWindow: the form that
    // carries the control is going away with it.
    ~ctlBusyWindow() override;

    // PioItemProtocol
    QString Typ() const override { return pioitems::kPioItemTyp; }
    // Creates the busy window at the first call, binds it to the manager and
    // loads it without showing it; a later call binds the same window anew.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    void UnRegister() override;

    // For the busy window.
    void RaiseEnableWindow() { emit EnableWindow(); }
    void RaiseDisableWindow() { emit DisableWindow(); }
    void RaiseDataSaveUnconfirmed(int seconds) { emit DataSaveUnconfirmed(seconds); }
    // The form the control sits on; the control itself when it sits on none.
    QWidget* GetParentForm() const;

    // The busy window; none before the first Register.
    frmBusyWindow* BusyWindow() const { return m_window.get(); }

    // Nothing of the control is persisted.
    void ReadProperties(const automation::PropertyBag&) override {}
    void WriteProperties(automation::PropertyBag&) const override {}

signals:
    void EnableWindow();
    void DisableWindow();
    // The device did not end a data save within the window's limit; the window let go.
    void DataSaveUnconfirmed(int seconds);

protected:
    // The control takes the size of its label.
    void FitFace() override;

private:
    std::unique_ptr<frmBusyWindow> m_window;
};
