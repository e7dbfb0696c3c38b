// The user curve follows the device table and back, its count stays two
// above the table's and inside what the table holds, and on PROFIBUS the
// table is written to the simulated transmitter point by point.
#include "ConnectedRuleSupport.h"
#include "corvane/rules/clsUserCurve.h"
#include "platform/applet/SubItemName.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

const QString kTableCount = QStringLiteral("ptrbTabActualNumber");
const QString kCurveCount = QStringLiteral("UserCurveActualNumber");

QString TableX(int k)
{
    return QStringLiteral("ptrbTabXValue_%1").arg(k, 2, 10, QLatin1Char('0'));
}
QString TableY(int k)
{
    return QStringLiteral("ptrbTabYValue_%1").arg(k, 2, 10, QLatin1Char('0'));
}
QString CurveX(int k)
{
    return QStringLiteral("UserCurveX_%1").arg(k, 2, 10, QLatin1Char('0'));
}
QString CurveY(int k)
{
    return QStringLiteral("UserCurveY_%1").arg(k, 2, 10, QLatin1Char('0'));
}

class UserCurve : public ::testing::Test {
protected:
    std::shared_ptr<clsUserCurve> Curve() const { return applet.Find<clsUserCurve>(QStringLiteral("clsUserCurve")); }
    // Connected to the simulated transmitter, which the applet takes for a
    // PROFIBUS device once its identification has ended; the curve
    // component registered anew for that bus.
    void ConnectAsProfibus()
    {
        ASSERT_TRUE(ConnectAndIdentify(applet));
        Curve()->UnRegister();
        applet.PutText(QStringLiteral("pbSoftwareSpecifics"), QStringLiteral("xx4607221xxx"));
        Curve()->Register(applet.View());
    }
    // A table of rising points: X 10 k, Y 10 k + 1, written from the user's curve.
    void EditCurve(int curveCount)
    {
        applet.PutNumber(kCurveCount, curveCount);
        for (int k = 1; k <= curveCount; ++k) {
            Put(CurveX(k - 1), 10 * k);
            Put(CurveY(k - 1), 10 * k + 1);
        }
    }
    // Starts a sequence as the download chain does and waits until the
    // point-by-point transfer has ended.
    bool RunTransfer(const QString& first)
    {
        ItemLog close(applet.manager);
        close.Watch(Compose(SubItemKind::SequenceState, QStringLiteral("CloseUserCurve")), QStringLiteral("close"));
        clsSequenceItem sequence;
        sequence.Register(applet.manager, first, false, 0, REGISTER_STATE);
        sequence.Start();
        return RunUntil([&] {
            return close.changes.contains(QStringLiteral("close=32")) && close.changes.last() == QStringLiteral("close=0")
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        });
    }
    void CountRequests()
    {
        QObject::connect(&applet.device, &sim::SimServer::requestHandled, [this](int command, int code) {
            if (command == kPointCommand)
                pointCodes.append(code);
            if (command == kCloseCommand)
                ++closes;
            if (command == kTableCommand)
                ++tables;
        });
    }
    void Put(const QString& name, double value) { applet.PutText(name, QString::number(value)); }
    double Value(const QString& name) const { return applet.Text(name).toDouble(); }
    float DeviceValue(const QString& name)
    {
        return applet.device.transmitter().parameters().value(name).toFloat();
    }

    static constexpr int kTableCommand = 148;
    static constexpr int kCloseCommand = 185;
    static constexpr int kPointCommand = 186;
    HomeFolder home;
    CorvaneApplet applet;
    QList<int> pointCodes;
    int closes = 0;
    int tables = 0;
};

TEST_F(UserCurve, TheCurveCountStaysTwoAboveTheTableCountBothWays)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(kCurveCount, QStringLiteral("curve"));
    log.Watch(kTableCount, QStringLiteral("table"));
    applet.PutNumber(kTableCount, 5);
    EXPECT_EQ(applet.Number(kCurveCount), 7);
    // Each count changes once: the copy does not come back.
    log.changes.sort();
    EXPECT_EQ(log.changes, QStringList({"curve=7", "table=5"}));
    log.changes.clear();
    applet.PutNumber(kCurveCount, 9);
    EXPECT_EQ(applet.Number(kTableCount), 7);
    log.changes.sort();
    EXPECT_EQ(log.changes, QStringList({"curve=9", "table=7"}));
    applet.PutNumber(kCurveCount, 2);
    EXPECT_EQ(applet.Number(kTableCount), 0);
    EXPECT_FALSE(Curve()->Busy());
}

TEST_F(UserCurve, CountsOutsideTheTableAreTakenAtTheNearestEndAndTraced)
{
    PIO_REQUIRE_APPLET(applet);
    ErrorTraces traces;
    applet.PutNumber(kTableCount, 25);
    EXPECT_EQ(applet.Number(kCurveCount), 22);
    EXPECT_TRUE(traces.Contains(QStringLiteral("ptrbTabActualNumber is 25")))
        << traces.lines.join(QLatin1Char('\n')).toStdString();
    applet.PutNumber(kCurveCount, 40);
    EXPECT_EQ(applet.Number(kTableCount), 20);
    applet.PutNumber(kCurveCount, 1);
    EXPECT_EQ(applet.Number(kTableCount), 0);
    EXPECT_TRUE(traces.Contains(QStringLiteral("UserCurveActualNumber is 1")));
    // A table point past a curve count beyond the table is still only copied.
    Put(TableX(22), 55);
    EXPECT_EQ(Value(CurveX(21)), 55);
}

TEST_F(UserCurve, CurvePointsReachTheTableInsideTheCurveAndTablePointsTheCurve)
{
    PIO_REQUIRE_APPLET(applet);
    applet.PutNumber(kCurveCount, 4);
    Put(CurveX(0), 12.5);
    EXPECT_EQ(Value(TableX(1)), 12.5);
    Put(CurveY(2), 33);
    EXPECT_EQ(Value(TableY(3)), 33);
    // Curve point 03 is member 4, not below the count 4: not copied.
    Put(CurveX(3), 44);
    EXPECT_EQ(Value(TableX(4)), 0);

    Put(TableX(2), 21);
    EXPECT_EQ(Value(CurveX(1)), 21);
    // The table point at the curve count ends the curve at 100.
    Put(TableY(4), 48);
    EXPECT_EQ(Value(CurveY(3)), 100);
    EXPECT_EQ(Value(TableY(4)), 48);
}

TEST_F(UserCurve, AFailedHandlerLeavesTheCurveFreeForTheNextEdit)
{
    PIO_REQUIRE_APPLET(applet);
    ErrorTraces traces;
    applet.PutNumber(kCurveCount, 5);
    // A position the collections do not hold fails inside the rule.
    EXPECT_THROW(Curve()->appPtrbTabXValue_ValueChanged2(23, QString(), false), automation::ComError);
    EXPECT_FALSE(Curve()->Busy());
    Put(CurveX(1), 7);
    EXPECT_EQ(Value(TableX(2)), 7);
}

TEST_F(UserCurve, OnProfibusTheTableIsWrittenPointByPointAndReadsBackTheSame)
{
    PIO_REQUIRE_APPLET(applet);
    ConnectAsProfibus();
    EditCurve(5); // table count 3: points 2 to 4 follow the table write
    ASSERT_EQ(applet.Number(kTableCount), 3);
    CountRequests();
    ErrorTraces traces;
    ASSERT_TRUE(RunTransfer(QStringLiteral("SetUserCurve"))) << traces.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(pointCodes, QList<int>({0, 0, 0}));
    EXPECT_EQ(tables, 1);
    EXPECT_EQ(closes, 2); // the table write's own and the transfer's
    EXPECT_EQ(Curve()->PointIndex(), 4);
    // The last point written is table point 4.
    EXPECT_EQ(DeviceValue(QStringLiteral("ptrbTabXValue")), 40.0f);
    EXPECT_EQ(DeviceValue(QStringLiteral("ptrbTabYValue")), 41.0f);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(DeviceValue(TableX(k)), 10.0f * k) << k;
    EXPECT_TRUE(traces.lines.isEmpty()) << traces.lines.join(QLatin1Char('\n')).toStdString();

    // The device's curve read back into the user's curve.
    applet.device.transmitter().parameters().set(TableX(3), 31.0f);
    clsSequenceItem get;
    get.Register(applet.manager, QStringLiteral("GetUserCurve"), false, 0, REGISTER_STATE);
    get.Start();
    ASSERT_TRUE(RunUntil([&] { return Value(CurveX(2)) == 31; }));
    EXPECT_EQ(Value(TableX(3)), 31);
    EXPECT_EQ(Value(CurveY(1)), 21);
}

TEST_F(UserCurve, ACurveOfTwoPointsClosesAtOnceAndAnAbortStopsTheTransfer)
{
    PIO_REQUIRE_APPLET(applet);
    ConnectAsProfibus();
    CountRequests();
    EditCurve(2);
    ASSERT_TRUE(RunTransfer(QStringLiteral("SetUserCurve")));
    EXPECT_TRUE(pointCodes.isEmpty());

    EditCurve(6);
    closes = 0;
    clsAppItem pointState;
    pointState.Register(applet.manager, Compose(SubItemKind::SequenceState, QStringLiteral("SetUserCurvePoint")));
    // Aborted while the first point is written: nothing follows it.
    QObject::connect(&pointState, &clsAppItem::ValueChanged, [&](const QString& state) {
        if (state == QStringLiteral("32"))
            Curve()->Abort();
    });
    clsSequenceItem set;
    set.Register(applet.manager, QStringLiteral("SetUserCurve"), false, 0, REGISTER_STATE);
    set.Start();
    ASSERT_TRUE(RunUntil([&] { return pointCodes.size() == 1 && applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    Settle();
    EXPECT_EQ(pointCodes.size(), 1);
    EXPECT_EQ(closes, 1); // only the table write's own
    EXPECT_TRUE(Curve()->Aborted());
}

TEST_F(UserCurve, OnHartTheTableWriteEndsTheTransfer)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectAndIdentify(applet));
    CountRequests();
    EditCurve(5);
    clsSequenceItem set;
    set.Register(applet.manager, QStringLiteral("SetUserCurve"), false, 0, REGISTER_STATE);
    set.Start();
    ASSERT_TRUE(RunUntil([&] { return closes == 1 && applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    Settle();
    EXPECT_TRUE(pointCodes.isEmpty());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(DeviceValue(TableY(4)), 41.0f);
}

} // namespace
