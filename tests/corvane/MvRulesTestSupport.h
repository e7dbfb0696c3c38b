#pragma once
// The multivariable block rules on the toolkit with the Trivex description:
// the rule control on a form of its own, registered with the applet's item
// manager as the form's control item handler would, and item access by name
// as the pages write and read.
#include "corvane/frame/clsStartAlwaysView.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include "platform/automation/ClassRegistry.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <QWidget>
#include <memory>

namespace mvtest {

using piotest::ErrorTraces;

// HART unit codes the tests use.
constexpr int kBar = 7, kMbar = 8, kDegC = 32, kKelvin = 35, kKgPerM3 = 92, kGPerCm3 = 91, kKgPerS = 73,
              kKgPerH = 75, kM3PerS = 28, kM3PerH = 19, kLPerS = 24, kMm = 49, kIn = 47;
// The software code of a PROFIBUS transmitter, in characters 3 to 9 of "pbSoftwareSpecifics".
inline const QString kProfibusSpecifics = QStringLiteral("XX4607221-A");

// Stands in for the pressure-rule control on the form: counts the calls the
// multivariable rules make on it by name.
class PtrbStandIn : public QObject {
    Q_OBJECT
public:
    explicit PtrbStandIn(QObject* form) : QObject(form) { setObjectName(QStringLiteral("ctlPtrbObjectMgr1")); }
    Q_INVOKABLE void OnMvModeBlkActualChanged() { ++calls; }
    int calls = 0;
};

class MvRig {
public:
    MvRig()
    {
        if (!applet.Ready())
            return;
        SetRevision(21);
    }
    ~MvRig()
    {
        if (control)
            control->UnRegister();
    }
    MvRig(const MvRig&) = delete;
    MvRig& operator=(const MvRig&) = delete;

    bool Ready() const { return applet.Ready(); }

    // Registers the control (values set before this are the dataset it meets)
    // and lets the registrations' refresh notifications arrive.
    void Start()
    {
        control = new ctlMvObjectMgr(&form);
        control->Register(applet.manager);
        piotest::Settle();
    }

    QString Text(const QString& name) const
    {
        QString value;
        int32_t failed = 0;
        applet.manager->fncReadString(applet.manager->HandleOf(name), value, false, failed);
        return failed == 0 ? value : QStringLiteral("<unreadable>");
    }
    double Number(const QString& name) const { return Text(name).toDouble(); }
    // A write as a page makes it: the rules see a user edit.
    void Put(const QString& name, const QString& value)
    {
        int32_t failed = 0;
        applet.manager->fncPutString(applet.manager->HandleOf(name), value, failed);
        EXPECT_EQ(failed, 0) << name.toStdString() << " := " << value.toStdString();
    }
    void Put(const QString& name, double value) { Put(name, QString::number(value, 'g', 10)); }

    // Revisions above 21 are told by the extended revision bytes, least significant first.
    void SetRevision(int revision)
    {
        Put(QStringLiteral("pbSoftwareRevisionHART"), revision);
        int32_t failed = 0;
        applet.manager->fncPutOctetsValue(applet.manager->HandleOf(QStringLiteral("pbSoftwareSpecHOLLEN")),
                                          QByteArray(1, char(revision)) + QByteArray(2, '\0'), failed);
        EXPECT_EQ(failed, 0);
    }
    void SetSequence(const QString& name) { Put(QStringLiteral("currentSequence"), name); }

    // The frame's own rule control would act too, once an earlier test of
    // this process has registered the frame's classes.
    struct WithoutFrameView {
        WithoutFrameView() { automation::ClassRegistry::instance().Unregister(clsStartAlwaysView::kProgId); }
    } withoutFrameView;
    piotest::TrivexApplet applet;
    QWidget form;
    PtrbStandIn* ptrb = new PtrbStandIn(&form);
    ctlMvObjectMgr* control = nullptr; // a child of form
};

#define MV_REQUIRE_RIG(rig)                                                                                           \
    if (!(rig).Ready())                                                                                               \
    GTEST_FAIL() << "no staged Trivex description"

} // namespace mvtest
