#pragma once
// A form that carries the busy-window control, registered with the applet
// host on the staged Trivex description; the items the busy window follows
// are written as the device components would write them, and time stands
// still until the test advances the manual clock.
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "mvtrivexbusywindow/frmBusyWindow.h"
#include "pioextensions/IPioForm.h"
#include "pioextensions/IViewEx.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/ItemAccess.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace busytest {

class CarrierView : public IViewEx {
public:
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const override { return manager; }
    std::shared_ptr<applet::clsAppletItemManager> manager;
};

class CarrierForm : public QWidget, public IPioForm {
public:
    std::shared_ptr<IViewEx> viewRef() const override { return view; }
    std::shared_ptr<CarrierView> view = std::make_shared<CarrierView>();
};

class BusyRig {
public:
    BusyRig()
    {
        control = new ctlBusyWindow(&form);
        QObject::connect(control, &ctlBusyWindow::DisableWindow, [this] { ++disables; });
        QObject::connect(control, &ctlBusyWindow::EnableWindow, [this] { ++enables; });
        form.setGeometry(100, 100, 800, 600);
    }
    // Registers the control as the form's item handler would; false without the description.
    bool Start(int countryCode = 1)
    {
        if (!applet.Ready())
            return false;
        form.view->manager = applet.manager;
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), countryCode);
        applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
        control->Register(applet.manager);
        piotest::Settle(); // the manager's first refresh of every registered item
        // The load hides the window, as nothing runs yet: count from here.
        disables = enables = 0;
        return Window().Loaded();
    }
    frmBusyWindow& Window() const { return *control->BusyWindow(); }

    void Sequence(const QString& name) { itemaccess::PutString(*applet.manager, QStringLiteral("currentSequence"), name); }
    void PutText(const QString& item, const QString& value) { itemaccess::PutString(*applet.manager, item, value); }
    void Octets(const QString& item, const QByteArray& octets)
    {
        int32_t failed = 0;
        applet.manager->fncPutOctetsValue(applet.manager->HandleOf(item), octets, failed);
        EXPECT_EQ(failed, 0) << item.toStdString();
    }
    // The device's additional status as a read of command 48 leaves it.
    void DiagnosisExtension(uint8_t octet1)
    {
        ASSERT_TRUE(applet.manager->WriteShadow(applet.manager->HandleOf(QStringLiteral("diagnosisExtension")),
                                                QByteArray::fromHex("00") + QByteArray(1, char(octet1)) + QByteArray(4, 0)));
    }
    void Response(const QByteArray& octets) { Octets(QStringLiteral("currentResponseCode"), octets); }
    QString Status() const { return Window().lblDeviceStatus()->text(); }
    QString Caption() const { return Window().progressBar()->format(); }
    bool CancelEnabled() const { return Window().cmdCancel()->isEnabled(); }
    bool Visible() const { return Window().isVisible(); }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    piotest::TrivexApplet applet;
    CarrierForm form;
    ctlBusyWindow* control = nullptr;
    int disables = 0;
    int enables = 0;
};

#define START_BUSY_RIG(rig, ...)                                                                                      \
    if (!(rig).Start(__VA_ARGS__))                                                                                    \
    GTEST_FAIL() << "no staged Trivex description"

} // namespace busytest
