// How an app item turns the manager's notifications into its events and the
// call of its handler by name, on the toolkit with the Trivex description.
#include "pioextensions/clsAppItem.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/StateInfo.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::Handler;
using piotest::Settle;
using piotest::TrivexApplet;

// Records the three events of an item in the order they come, beside the
// handler's calls.
struct EventLog {
    explicit EventLog(clsAppItem& item, QStringList& into)
    {
        QObject::connect(&item, &clsAppItem::ValueChanged3, [&into](const QString& v, int32_t state) {
            into.append(QStringLiteral("ValueChanged3(%1,%2)").arg(v).arg(state));
        });
        QObject::connect(&item, &clsAppItem::ValueChanged,
                         [&into](const QString& v) { into.append(QStringLiteral("ValueChanged(%1)").arg(v)); });
        QObject::connect(&item, &clsAppItem::ValueChanged2, [&into](const QString& v, bool suppress) {
            into.append(QStringLiteral("ValueChanged2(%1,%2)").arg(v).arg(suppress ? "true" : "false"));
        });
    }
};

} // namespace

TEST(AppItemNotification, EventsComeInOrderThenTheHandlerFoundByNameWithoutRegardToCase)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Handler handler;
    clsAppItem item;
    item.Init(QStringLiteral("abortSequences"), false, 0, &handler, QStringLiteral("APPITEM_valuechanged2"), 7);
    item.Register1(applet.manager);
    Settle(); // the registration's refresh
    handler.calls.clear();
    QStringList& log = handler.calls;
    EventLog events(item, log);

    applet.PutNumber(QStringLiteral("abortSequences"), 1);
    // All of it ran before the write returned.
    const int valid = applet::StateInfo::kValueValid;
    EXPECT_EQ(log, QStringList({QStringLiteral("ValueChanged3(1,%1)").arg(valid), QStringLiteral("ValueChanged(1)"),
                                QStringLiteral("ValueChanged2(1,false)"), QStringLiteral("handler(7,1,false)")}));

    // Writing the same value again is no change.
    log.clear();
    applet.PutNumber(QStringLiteral("abortSequences"), 1);
    EXPECT_TRUE(log.isEmpty());
}

TEST(AppItemNotification, RefreshCarriesNoRulesAndShadowOnlyChangesAreIgnored)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Handler handler;
    clsAppItem onDataset;
    onDataset.Register(applet.manager, QStringLiteral("hartAlarmSelection"), false, 0, &handler,
                       QStringLiteral("appItem_ValueChanged2"));
    QStringList log;
    EventLog events(onDataset, log);

    // The refresh after the registration: bits 8 and 16, so suppressRule.
    Settle();
    ASSERT_EQ(handler.calls.size(), 1);
    EXPECT_EQ(handler.calls.front(), QStringLiteral("handler(0,0,true)"));
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[2], QStringLiteral("ValueChanged2(0,true)"));

    // The device's value changes alone: the dataset view gets bit 4 and raises nothing.
    handler.calls.clear();
    log.clear();
    applet.PutShadow(QStringLiteral("hartAlarmSelection"), QVariant::fromValue<quint64>(1));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(handler.calls.isEmpty());

    // An item on the shadow value hears the same change as an ordinary one.
    clsAppItem onShadow;
    onShadow.Register(applet.manager, QStringLiteral("hartAlarmSelection"), true);
    Settle();
    QStringList shadowLog;
    EventLog shadowEvents(onShadow, shadowLog);
    applet.PutShadow(QStringLiteral("hartAlarmSelection"), QVariant::fromValue<quint64>(2));
    EXPECT_EQ(shadowLog.value(1), QStringLiteral("ValueChanged(2)"));
    EXPECT_TRUE(log.isEmpty());
}

TEST(AppItemNotification, WriteFromAHandlerIsMarkedRuleSuppressedForTheOtherItem)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem source;
    clsAppItem target;
    source.Register(applet.manager, QStringLiteral("ptrbScaleInUnit"));
    target.Register(applet.manager, QStringLiteral("ptrbSensorLimitUnit"));
    Settle();
    QObject::connect(&source, &clsAppItem::ValueChanged,
                     [&](const QString& value) { target.SetStringValue(value); });
    QList<bool> suppressed;
    QList<int32_t> states;
    QObject::connect(&target, &clsAppItem::ValueChanged2,
                     [&](const QString&, bool suppressRule) { suppressed.append(suppressRule); });
    QObject::connect(&target, &clsAppItem::ValueChanged3, [&](const QString&, int32_t state) { states.append(state); });

    source.SetStringValue(QStringLiteral("12"));
    EXPECT_EQ(target.StringValue(), QStringLiteral("12"));
    ASSERT_EQ(suppressed.size(), 1);
    EXPECT_TRUE(suppressed.front());
    EXPECT_NE(states.front() & applet::StateInfo::kNoRules, 0);
}

TEST(AppItemNotification, AFailingHandlerNeitherReachesTheManagerNorSpoilsTheNextNotification)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    Handler handler;
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("calculateMV"), false, 0, &handler,
                  QStringLiteral("appItem_ValueChanged2"));
    Settle();
    handler.calls.clear();
    QStringList log;
    EventLog events(item, log);

    handler.failNext = true;
    applet.PutNumber(QStringLiteral("calculateMV"), 1);
    EXPECT_EQ(handler.calls.size(), 1);
    EXPECT_TRUE(traces.Contains(QStringLiteral("handler refused")));

    applet.PutNumber(QStringLiteral("calculateMV"), 2);
    EXPECT_EQ(handler.calls.size(), 2);
    EXPECT_EQ(log.size(), 6);
}

TEST(AppItemNotification, AHandlerMethodThatDoesNotExistIsTracedAndTheEventsStillCome)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    Handler handler;
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("calculateMV"), false, 0, &handler, QStringLiteral("NoSuchHandler"));
    Settle();
    QStringList log;
    EventLog events(item, log);
    applet.PutNumber(QStringLiteral("calculateMV"), 1);
    EXPECT_EQ(log.size(), 3);
    EXPECT_TRUE(handler.calls.isEmpty());
    EXPECT_TRUE(traces.Contains(QStringLiteral("NoSuchHandler not called: no method")));
}

TEST(AppItemNotification, AnItemThatUnregistersItselfInItsOwnNotificationHearsNoMore)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("calculateMV"));
    Settle();
    int heard = 0;
    QObject::connect(&item, &clsAppItem::ValueChanged, [&](const QString&) {
        ++heard;
        item.UnRegister();
    });
    applet.PutNumber(QStringLiteral("calculateMV"), 1);
    applet.PutNumber(QStringLiteral("calculateMV"), 2);
    EXPECT_EQ(heard, 1);
    EXPECT_FALSE(item.IsRegistered());
    // The kept handle still reads.
    EXPECT_EQ(item.StringValue(), QStringLiteral("2"));
}
