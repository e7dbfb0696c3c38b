// The multivariable block rules stay alive after a failure and end their
// chains: a rule that fails mid-way leaves no busy or bulk flag set, and one
// write of every bound item ends after a bounded number of notifications.
#include "pioextensions/clsAppItem.h"
#include "tests/corvane/MvRulesTestSupport.h"

namespace {

using namespace mvtest;

} // namespace

TEST(MvRuleGuards, AFailedRuleReleasesItsBusyAndBulkFlags)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.SetRevision(20);
    rig.Put(QStringLiteral("ttrbLowerSensorLimit"), -200);
    rig.Put(QStringLiteral("ttrbUpperSensorLimit"), 850);
    rig.Start();
    ErrorTraces traces;

    // The pressure-point rule fails while it shows a point that is no number.
    rig.Put(QStringLiteral("mvInPUnit"), kMbar);
    rig.Put(QStringLiteral("mvPkb3"), QStringLiteral("nan"));
    EXPECT_TRUE(traces.Contains(QStringLiteral("mvPkb3 holds no number")));
    rig.Put(QStringLiteral("mvPkb3"), 3); // the rule runs again and shows the point
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb3GUI")), 3000);

    // The temperature unit rule fails while its bulk flag is set.
    rig.Put(QStringLiteral("mvTkb1GUI"), QStringLiteral("nan"));
    rig.Put(QStringLiteral("mvInTUnit"), kKelvin);
    EXPECT_TRUE(traces.Contains(QStringLiteral("mvTkb1GUI holds no number")));
    rig.Put(QStringLiteral("mvInTUnit"), kDegC);
    rig.Put(QStringLiteral("mvInTLoLim"), -300); // clamped again: the bulk flag is clear
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTLoLim")), -200);
}

TEST(MvRuleGuards, WritingEveryBoundItemOnceEndsItsNotifications)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("ttrbUpperSensorLimit"), 850);
    rig.Put(QStringLiteral("ptrbUpperSensorLimit"), 1000);
    rig.Start();
    int notifications = 0;
    std::vector<std::unique_ptr<clsAppItem>> watched;
    QStringList names;
    for (int control = 0; control < ctlMvObjectMgr::kCtlCount; ++control)
        for (int index = 0; index < ctlMvObjectMgr::ElementCount(ctlMvObjectMgr::Ctl(control)); ++index)
            names.append(rig.control->Item(ctlMvObjectMgr::Ctl(control), index).Name());
    for (const QString& name : names) {
        auto item = std::make_unique<clsAppItem>();
        item->Register(rig.applet.manager, name);
        QObject::connect(item.get(), &clsAppItem::ValueChanged, [&notifications] { ++notifications; });
        watched.push_back(std::move(item));
    }
    piotest::Settle();
    notifications = 0;

    for (const QString& name : names) {
        if (name == QLatin1String("currentSequence"))
            continue; // the rules act only while it is empty
        const QString value = rig.Text(name);
        double number = 0;
        if (name.startsWith(QLatin1String("&&ObjectLimit&&")))
            rig.Put(name, QString(value).replace(QLatin1Char('1'), QLatin1Char('0')));
        else if (bool isNumber = false; (number = value.toDouble(&isNumber)), isNumber)
            rig.Put(name, number + 3);
        else
            rig.Put(name, QStringLiteral("1"));
    }
    EXPECT_GT(notifications, static_cast<int>(names.size()) - 1);
    EXPECT_LT(notifications, 20 * static_cast<int>(names.size()));
}

TEST(MvRuleGuards, AChangeWrittenByAnotherRuleIsNeitherClampedNorConverted)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("ptrbUpperSensorLimit"), 1000);
    rig.Start();
    // Another rule reacts to the medium by writing the range and a unit.
    clsAppItem medium;
    medium.Register(rig.applet.manager, QStringLiteral("mvMediumType"));
    QObject::connect(&medium, &clsAppItem::ValueChanged2, [&rig](const QString&, bool) {
        rig.Put(QStringLiteral("mvInDpLoLim"), -5);
        rig.Put(QStringLiteral("mvInDPUnit"), kBar);
    });
    piotest::Settle();
    rig.Put(QStringLiteral("mvMediumType"), 6);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), -5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 250);
    // The unit it wrote is where the values are now.
    QObject::disconnect(&medium, nullptr, nullptr, nullptr);
    rig.Put(QStringLiteral("mvInDPUnit"), kMbar);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 250000);
}
