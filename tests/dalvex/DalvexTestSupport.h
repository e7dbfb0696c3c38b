#pragma once
// What the display controls' tests share: the toolkit's applet host on the
// staged Trivex description (optionally connected to the simulated
// transmitter), the device variant written into its items, and a display
// window as the device user interface builds one: a display control, a
// measured-value selector and the display setting control, whose selection
// handler re-binds the display.
#include "dalvex/ctlDisplaySetting.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <QComboBox>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace dalvextest {

// The bus kinds' software specifics ("pbSoftwareSpecifics").
inline const QString kHart = QStringLiteral("XX4607215-A");
inline const QString kProfibus = QStringLiteral("XX4607221-A");
// Module type codes: below 30 (but 23) a differential pressure module.
constexpr int kDifferentialModule = 22;
constexpr int kAbsoluteModule = 23;

// A device information whose controller (PID) function is on.
class DeviceInfoWithPid : public clsDeviceInfo {
public:
    bool PidEnabled() override { return true; }
};

class TestDisplaySetting : public ctlDisplaySetting {
public:
    using ctlDisplaySetting::ctlDisplaySetting;
    bool pid = false;

protected:
    std::shared_ptr<IDeviceInfo> CreateDeviceInfo() override
    {
        return pid ? std::make_shared<DeviceInfoWithPid>() : ctlDisplaySetting::CreateDeviceInfo();
    }
};

// A display window: its selection handler applies each selection once.
template <class Display>
struct DisplayWindow {
    DisplayWindow()
    {
        pioitems::Ambient::SetUserMode(&form, true);
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(cmbMeasValue);
        layout->addWidget(displayCtrl);
        layout->addWidget(ctlDisplaySetting1);
        QObject::connect(cmbMeasValue, &QComboBox::currentIndexChanged, [this] {
            ++selections;
            if (selecting)
                return;
            selecting = true;
            ctlDisplaySetting1->ChangeDisplayedValue();
            selecting = false;
        });
    }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < cmbMeasValue->count(); ++i)
            lines << cmbMeasValue->itemText(i);
        return lines;
    }
    void Init() { ctlDisplaySetting1->Init(displayCtrl, cmbMeasValue); }

    QWidget form;
    QComboBox* cmbMeasValue = new QComboBox(&form);
    Display* displayCtrl = new Display(&form);
    TestDisplaySetting* ctlDisplaySetting1 = new TestDisplaySetting(&form);
    bool selecting = false;
    int selections = 0;
};

// The applet on the Trivex description with the device variant in its items.
class TrivexDevice {
public:
    bool Ready() const { return applet.Ready(); }

    void Put(const QString& item, const QString& text)
    {
        int32_t failed = 0;
        applet.manager->PutValueAsText(applet.manager->HandleOf(item), text, failed);
        EXPECT_EQ(failed, 0) << item.toStdString() << " = " << text.toStdString();
    }
    QString Text(const QString& item) const
    {
        QString value;
        int32_t failed = 0;
        applet.manager->GetValueAsText(applet.manager->HandleOf(item), value, false, failed);
        return value;
    }
    // The value as a read from the device leaves it (limits bind the device value).
    void PutDeviceValue(const QString& item, float value) { applet.PutShadow(item, QVariant(value)); }

    struct Variant {
        QString bus = kHart;
        int module = kDifferentialModule;
        bool mv = false;
        int blockMode = 8;
        int revision = 20;
    };
    void SetVariant(const Variant& variant)
    {
        Put(QStringLiteral("pbSoftwareSpecifics"), variant.bus);
        Put(QStringLiteral("ptrbModulType"), QString::number(variant.module));
        Put(QStringLiteral("pbMultivariableFunction"), variant.mv ? QStringLiteral("1") : QStringLiteral("0"));
        Put(QStringLiteral("mvModeBlkActual"), QString::number(variant.blockMode));
        Put(QStringLiteral("pbSoftwareRevisionHART"), QString::number(variant.revision));
    }

    piotest::TrivexApplet applet;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService dialogScope{dialogs};
};

#define DALVEX_REQUIRE_DEVICE(device)                                                                                 \
    if (!(device).Ready())                                                                                            \
    GTEST_FAIL() << "no staged Trivex description at " << loopbacktest::StagedTrivexDescription().toStdString()

} // namespace dalvextest
