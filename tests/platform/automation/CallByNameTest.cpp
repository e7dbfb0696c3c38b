// Late-bound calls by name: found without regard to case, arguments converted
// to the method's types, a missing method skipped, a raised error passed on.
#include "platform/automation/CallByName.h"
#include "platform/automation/ComError.h"
#include <QObject>
#include <QStringList>
#include <gtest/gtest.h>

using namespace automation;

namespace {

class Target : public QObject {
    Q_OBJECT
public:
    QStringList calls;

    Q_INVOKABLE void Changed(short index, const QString& value, bool suppressRule)
    {
        calls.append(QStringLiteral("Changed(%1,%2,%3)").arg(index).arg(value).arg(suppressRule ? "T" : "F"));
    }
    Q_INVOKABLE void Status(const QString& name, int status)
    {
        calls.append(QStringLiteral("Status(%1,%2)").arg(name).arg(status));
    }
    Q_INVOKABLE void Status(const QString& name)
    {
        calls.append(QStringLiteral("Status(%1)").arg(name));
    }
    Q_INVOKABLE void Refuse(int) { throw ComError(E_FAIL_, QStringLiteral("refused"), QStringLiteral("Target")); }

signals:
    void Raised(int);

private slots:
    void Hidden() { calls.append(QStringLiteral("Hidden")); }
};

} // namespace

TEST(CallByName, FindsThePublicMethodWithoutRegardToCaseAndByItsParameterCount)
{
    Target target;
    EXPECT_EQ(CallByName(&target, QStringLiteral("changed"), {7, QStringLiteral("1.5"), true}), CallResult::Called);
    EXPECT_EQ(CallByName(&target, QStringLiteral("STATUS"), {QStringLiteral("Upload"), 64}), CallResult::Called);
    EXPECT_EQ(CallByName(&target, QStringLiteral("status"), {QStringLiteral("Upload")}), CallResult::Called);
    // Numbers given as text and text given as a number convert.
    EXPECT_EQ(CallByName(&target, QStringLiteral("Status"), {12, QStringLiteral("3")}), CallResult::Called);
    EXPECT_EQ(target.calls, QStringList({"Changed(7,1.5,T)", "Status(Upload,64)", "Status(Upload)", "Status(12,3)"}));
}

TEST(CallByName, SkipsWhatIsNotThereOrDoesNotFitAndCallsNoSignalOrPrivateSlot)
{
    Target target;
    EXPECT_EQ(CallByName(nullptr, QStringLiteral("Status"), {}), CallResult::NoObject);
    EXPECT_EQ(CallByName(&target, QStringLiteral("Missing"), {}), CallResult::NoMethod);
    EXPECT_EQ(CallByName(&target, QStringLiteral("Status"), {1, 2, 3}), CallResult::NoMethod);
    EXPECT_EQ(CallByName(&target, QStringLiteral("Raised"), {1}), CallResult::NoMethod);
    EXPECT_EQ(CallByName(&target, QStringLiteral("Hidden"), {}), CallResult::NoMethod);
    EXPECT_EQ(CallByName(&target, QStringLiteral("Status"), {QStringLiteral("Upload"), QStringLiteral("busy")}),
              CallResult::BadArguments);
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_EQ(CallResultText(CallResult::NoMethod), QStringLiteral("no method"));
}

TEST(CallByName, AnErrorTheMethodRaisesReachesTheCaller)
{
    Target target;
    try {
        CallByName(&target, QStringLiteral("refuse"), {1});
        FAIL() << "no error";
    } catch (const ComError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("refused"));
    }
}

#include "CallByNameTest.moc"
