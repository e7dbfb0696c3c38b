#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/ClassRegistry.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace automation;

namespace {
class IGreeter {
public:
    virtual ~IGreeter() = default;
    virtual QString Greet() const = 0;
};
class Greeter : public ComObject, public IGreeter {
public:
    QString Greet() const override { return QStringLiteral("hello"); }
};
class Plain : public ComObject {};
} // namespace

TEST(ClassRegistry, CreatesByProgIdOrClassIdWithoutRegardToCaseOrBraces)
{
    ClassRegistry registry;
    registry.Register("Test.Greeter", "{0A1B2C3D-0000-1111-2222-333344445555}",
                      [] { return std::make_shared<Greeter>(); });
    EXPECT_EQ(registry.Create<IGreeter>("test.GREETER")->Greet(), "hello");
    EXPECT_EQ(registry.Create<IGreeter>("0a1b2c3d-0000-1111-2222-333344445555")->Greet(), "hello");
    EXPECT_EQ(registry.ClassIdOf("Test.Greeter"), "0A1B2C3D-0000-1111-2222-333344445555");
}

TEST(ClassRegistry, UnknownNamesMissingInterfacesAndFailingFactoriesRaise)
{
    ClassRegistry registry;
    registry.Register("Test.Plain", "", [] { return std::make_shared<Plain>(); });
    registry.Register("Test.Broken", "", [] { return std::shared_ptr<ComObject>(); });
    try {
        registry.CreateObject("Test.Missing");
        FAIL() << "no error raised";
    } catch (const ComError& e) {
        EXPECT_EQ(e.number(), ERR_CANT_CREATE_OBJECT);
        EXPECT_TRUE(e.description().contains("Test.Missing"));
    }
    EXPECT_THROW(registry.Create<IGreeter>("Test.Plain"), ComError);
    EXPECT_THROW(registry.CreateObject("Test.Broken"), ComError);
    EXPECT_THROW(registry.Register("", "", [] { return std::make_shared<Plain>(); }), ComError);
    registry.Unregister("test.plain");
    EXPECT_FALSE(registry.IsRegistered("Test.Plain"));
}

TEST(CategoryRegistry, MarksAndWithdrawsClassesAndRefusesBadIdentifiers)
{
    QTemporaryDir dir;
    CategoryRegistry categories(dir.path() + "/cats.ini");
    const QString cat = "{036D1498-387B-11D4-86E1-00E0987270B9}";
    const QString cls = "{11111111-2222-3333-4444-555555555555}";
    categories.RegisterCategory(cat, "FDT DTM");
    categories.RegisterClassImplCategory(cls, cat);
    categories.RegisterClassImplCategory(cls, cat);
    EXPECT_EQ(categories.CategoryDescription(cat), "FDT DTM");
    EXPECT_EQ(categories.CategoriesOfClass(cls), QStringList{"036D1498-387B-11D4-86E1-00E0987270B9"});

    CategoryRegistry reopened(dir.path() + "/cats.ini");
    reopened.UnRegisterClassImplCategory(cls, cat);
    EXPECT_TRUE(reopened.CategoriesOfClass(cls).isEmpty());
    EXPECT_THROW(reopened.RegisterCategory("not-a-guid", "x"), ComError);
}
