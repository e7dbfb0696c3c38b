// The bulk-data view: it acts once, on the applet's first refresh, and ends
// its registration then, also when there is no folder to hand over.
#include "fennick/dataset/clsBulkDataManager.h"
#include "platform/applet/StateInfo.h"
#include "tests/fennick/fdt/DtmTestSupport.h"

namespace {

using dtmtest::FakeAppletHost;

TEST(BulkData, WithoutAFolderNothingIsWrittenAndTheViewStillEnds)
{
    TraceCapture traces;
    const auto host = FakeAppletHost::Make();
    const int32_t path = host->Handle(clsBulkDataManager::kPathItem);
    ASSERT_GT(path, 0);
    auto view = std::make_shared<clsBulkDataManager>();
    view->RegisterView(host);
    ASSERT_TRUE(host->manager->IsRegistered(view.get()));

    // Changes are no announcement.
    int32_t result = -1;
    view->NotifyChanged(path, false, applet::StateInfo::kValueValid, 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(host->manager->IsRegistered(view.get()));

    // No DTM object, so no folder: nothing is written, the registration ends.
    view->NotifyChanged(path, false, applet::StateInfo::kRefreshBits, 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(host->manager->IsRegistered(view.get()));
    QString text;
    int32_t failed = 0;
    host->manager->GetStringValue(path, text, failed);
    EXPECT_EQ(text, QString());
    view->NotifyChanged(path, false, applet::StateInfo::kRefreshBits, 0, result);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(traces.contains(QStringLiteral("privAppletItemManager Is Nothing")));

    // An applet without the item: the registration failure is traced.
    view = std::make_shared<clsBulkDataManager>();
    view->RegisterView(nullptr);
    EXPECT_EQ(dtmtest::CountMessage(traces, QStringLiteral("Registration on AppletItem "
                                                           "&&private_Fdt&&InstanceRelatedPath failed!")),
              1);
}

} // namespace
