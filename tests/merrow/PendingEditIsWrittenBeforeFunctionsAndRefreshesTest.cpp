// A value the user typed into a field of a page and has not confirmed with
// Enter is the user's dataset: a toolbar function that reads the items finds
// it written, and a change that shows the field again (a value read from the
// device) writes it first instead of overwriting it.
#include "DeviceFunctionSupport.h"
#include "platform/applet/ItemValue.h"
#include "platform/controls/PioText.h"
#include <QLineEdit>
#include <QTest>

using namespace merrowtest;

TEST(PendingEdit, IsWrittenBeforeAFunctionReadsTheItemsAndBeforeARefreshShowsTheField)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    const QString item = QStringLiteral("ptrbScaleIn100");
    QStringList savedValues;
    TransferViewDoubles views;
    views.Add(QStringLiteral("clsSaveToFile"), [&](applet::clsAppletItemManager& manager) {
        savedValues << itemaccess::ReadString(manager, item);
    });
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    QWidget page;
    controls::PioText field(&page);
    field.SetObjectNameText(item);
    field.Register(applet.manager);
    auto type = [&](const char* text) {
        field.ValueField()->selectAll();
        QTest::keyClicks(field.ValueField(), QLatin1String(text));
        ASSERT_TRUE(field.HasPendingEdit());
    };

    type("250");
    window->Button(QStringLiteral("tbSave"))->trigger();
    ASSERT_EQ(savedValues.size(), 1);
    EXPECT_EQ(savedValues.first().toDouble(), 250);
    EXPECT_FALSE(field.HasPendingEdit());

    // The device's value arrives while the user types: the typed value is kept and written.
    type("260");
    const applet::AppletItem* described = applet.manager->Item(applet.manager->HandleOf(item));
    QVariant deviceValue;
    ASSERT_TRUE(applet::ItemValue::FromNumber(described->Type(), described->Size(), 99, deviceValue));
    applet.PutShadow(item, deviceValue);
    EXPECT_EQ(field.ShownText(), "260");
    piotest::Settle();
    EXPECT_EQ(applet.Text(item).toDouble(), 260);
    EXPECT_FALSE(field.HasPendingEdit());
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}
