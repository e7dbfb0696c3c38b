#include "corvane/frame/clsCompCol.h"
#include "platform/automation/ComError.h"
#include <gtest/gtest.h>

namespace {

// Records the calls it gets into a shared log; fails UnRegister when asked.
class LoggingComponent : public IStartAlwaysComp {
public:
    LoggingComponent(QString name, QStringList& log, bool failUnRegister = false)
        : m_name(std::move(name)), m_log(log), m_fail(failUnRegister)
    {
    }
    void Register(const std::shared_ptr<IViewEx>&) override { m_log.append(m_name + QStringLiteral(".Register")); }
    void UnRegister() override
    {
        m_log.append(m_name + QStringLiteral(".UnRegister"));
        if (m_fail)
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("cannot let go"));
    }

private:
    QString m_name;
    QStringList& m_log;
    bool m_fail;
};

TEST(ComponentCollection, FindsByKeyAndPositionAndRefusesUnknownKeysAndDuplicates)
{
    QStringList log;
    clsCompCol components;
    auto first = std::make_shared<LoggingComponent>(QStringLiteral("a"), log);
    auto second = std::make_shared<LoggingComponent>(QStringLiteral("b"), log);
    EXPECT_EQ(components.Add(first, QStringLiteral("clsDatasetValidation")), first);
    components.Add(second, QString());
    EXPECT_EQ(components.Count(), 2);
    EXPECT_EQ(components.Item(QStringLiteral("clsdatasetvalidation")), first);
    EXPECT_EQ(components.Item(2), second);
    EXPECT_THROW(components.Item(QStringLiteral("clsDatasetValid")), automation::ComError);
    EXPECT_THROW(components.Item(3), automation::ComError);
    EXPECT_THROW(components.Add(second, QStringLiteral("clsDatasetValidation")), automation::ComError);
    EXPECT_THROW(components.Add(nullptr, QStringLiteral("x")), automation::ComError);
    EXPECT_EQ(components.Count(), 2);
    components.Remove(QStringLiteral("clsDatasetValidation"));
    EXPECT_EQ(components.Item(1), second);
}

TEST(ComponentCollection, UnRegistersEveryComponentInOrderPastOneThatFails)
{
    QStringList log;
    clsCompCol components;
    components.Add(std::make_shared<LoggingComponent>(QStringLiteral("a"), log), QStringLiteral("a"));
    components.Add(std::make_shared<LoggingComponent>(QStringLiteral("b"), log, true), QStringLiteral("b"));
    components.Add(std::make_shared<LoggingComponent>(QStringLiteral("c"), log), QStringLiteral("c"));
    components.Register(nullptr);
    EXPECT_EQ(components.UnRegister(), 1);
    EXPECT_EQ(log, QStringList({"a.Register", "b.Register", "c.Register", "a.UnRegister", "b.UnRegister",
                                "c.UnRegister"}));
}

} // namespace
