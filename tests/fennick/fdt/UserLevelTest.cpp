// The FDT user level: the role mapping, its publication to the applet and the
// Config answer that depends on it.
#include "DtmTestSupport.h"
#include "fennick/fdt/clsUserLevel.h"
#include "platform/frame/FrameDocuments.h"

namespace {

using namespace dtmtest;

class UserLevel : public DtmTest {
protected:
    UserLevel()
    {
        XMLHelper::LoadSchemaCache(QStringLiteral(TRIVEX_SCHEMA_DIR));
        // The applet offers its levels as it starts: no user, no service.
        host->Write(clsUserLevel::kUserLevelItem, 9);
    }
    bool Apply(const QString& document)
    {
        return std::make_shared<clsUserLevel>()->ApplyUserInformation(host, document);
    }
    bool ApplyLevel(const QString& level, bool oem = false)
    {
        return Apply(frame::FrameDocuments::UserInformationDocument(level, oem));
    }
};

TEST_F(UserLevel, RolesMapToFdtAndAppletLevels)
{
    struct Case {
        const char* role;
        bool accepted;
        int32_t fdtLevel;
        double appletItem; // 9: not written
        const char* trace;
    };
    const Case cases[] = {
        {"maintenance", true, 2, 1, "User mapped to: Specialist"},
        {"operator", true, 1, 0, "User mapped to: Maintenance"},
        {"planningEngineer", true, 3, 1, "User mapped to: Specialist"},
        {"observer", true, 0, 9, "User mapped to: -1"},
        {"Maintenance", false, 0, 9, "Attribute userLevel contains invalid data :Maintenance"},
        {"", false, 0, 9, "Attribute userLevel contains invalid data :"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.role);
        host->Write(clsUserLevel::kUserLevelItem, 9);
        global::FdtUserLevel() = 7;
        traces.clear();
        EXPECT_EQ(ApplyLevel(QString::fromUtf8(c.role)), c.accepted);
        EXPECT_EQ(global::FdtUserLevel(), c.fdtLevel);
        EXPECT_EQ(host->Value(clsUserLevel::kUserLevelItem), c.appletItem);
        EXPECT_TRUE(traces.contains(QString::fromUtf8(c.trace)));
        EXPECT_TRUE(traces.contains(QStringLiteral("FDT User = ") + QString::fromUtf8(c.role)));
        // The view is gone from the item manager once it has published.
        EXPECT_TRUE(host->manager->RegisteredViews().empty());
    }
}

TEST_F(UserLevel, OemServiceIsSwitchedOnOnlyWhereTheAppletOffersIt)
{
    host->Write(clsUserLevel::kOemServiceItem, 0);
    EXPECT_TRUE(ApplyLevel(QStringLiteral("maintenance"), true));
    EXPECT_EQ(host->Value(clsUserLevel::kOemServiceItem), 0);

    host->Write(clsUserLevel::kOemServiceItem, 1);
    EXPECT_TRUE(ApplyLevel(QStringLiteral("maintenance"), false));
    EXPECT_EQ(host->Value(clsUserLevel::kOemServiceItem), 1);
    EXPECT_TRUE(ApplyLevel(QStringLiteral("operator"), true));
    EXPECT_EQ(host->Value(clsUserLevel::kOemServiceItem), 2);
}

TEST_F(UserLevel, DocumentWithoutUserInformationFailsAndKeepsTheLevel)
{
    global::FdtUserLevel() = 3;
    EXPECT_FALSE(Apply(QStringLiteral("<FDT xmlns=\"x-schema:FDTUserInformationSchema.xml\"/>")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Element FDTUserInformation not found!")));
    EXPECT_FALSE(Apply(QStringLiteral("no xml")));
    EXPECT_EQ(global::FdtUserLevel(), 3);
}

TEST_F(UserLevel, MissingItemsAreTracedAndTheLevelStillApplies)
{
    auto bare = std::make_shared<applet::Description>();
    bare->Index();
    host->manager = std::make_shared<applet::clsAppletItemManager>(bare, nullptr, host);
    EXPECT_TRUE(ApplyLevel(QStringLiteral("maintenance"), true));
    EXPECT_TRUE(traces.contains(QStringLiteral("Registration on AppletItem &&private&&Userlevel failed!")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Registration on AppletItem &&private&&OEMservice failed!")));
    EXPECT_EQ(global::FdtUserLevel(), 2);
}

TEST_F(UserLevel, WithoutAppletOnlyTheObserverIsAccepted)
{
    auto none = std::shared_ptr<applet::AppletHost>();
    EXPECT_FALSE(std::make_shared<clsUserLevel>()->ApplyUserInformation(
        none, frame::FrameDocuments::UserInformationDocument("operator", false)));
    EXPECT_TRUE(std::make_shared<clsUserLevel>()->ApplyUserInformation(
        none, frame::FrameDocuments::UserInformationDocument("observer", false)));
}

TEST_F(UserLevel, RejectedUserInformationLeavesTheDtmRunning)
{
    NewInstance();
    frame->Events().Clear();
    EXPECT_FALSE(frame->Configure(kTag, QStringLiteral("Maintenance")));
    EXPECT_EQ(Status(), DtmStatus::Running);
    EXPECT_FALSE(traces.contains(QStringLiteral("Not allowed in Status:")));
    clock.Advance(100);
    EXPECT_TRUE(Events().isEmpty()) << Events().join('\n').toStdString();
    EXPECT_TRUE(frame->Configure(kTag, QStringLiteral("planningEngineer")));
    EXPECT_EQ(global::FdtUserLevel(), 3);
    EXPECT_EQ(Status(), DtmStatus::Configured);
}

} // namespace
