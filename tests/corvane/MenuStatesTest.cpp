// The menu entries follow the connection state and the debug switch.
#include "CorvaneTestSupport.h"

namespace {

using namespace corvanetest;

const QStringList kEntries = {"Connect", "Disconnect", "MenuSetSlaveAddr", "GenericView",
                              "DebugSequences", "MdiMain", "Test", "Labortool"};

// The eight entries' states in binding order, as one text ("3 0 0 ...").
QString States(const CorvaneApplet& applet)
{
    QStringList states;
    for (const QString& entry : kEntries)
        states.append(applet.Text(QStringLiteral("&&Menu_State&&") + entry));
    return states.join(QLatin1Char(' '));
}

TEST(MenuStates, NotConnectedWithTheDebugSwitchOffOffersConnectAndTheMainWindowOnly)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    EXPECT_EQ(States(applet), QStringLiteral("3 0 0 0 0 3 0 0"));
}

TEST(MenuStates, TheEntriesChangeOnlyWhenTheDeviceIsConnectedOrNotConnected)
{
    HomeFolder home;
    home.SwitchDebugOn();
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    EXPECT_EQ(States(applet), QStringLiteral("3 0 0 3 3 3 3 3"));
    applet.PutNumber(loopbacktest::kConnectItem, 1);
    EXPECT_EQ(States(applet), QStringLiteral("3 0 0 3 3 3 3 3"));
    {
        ErrorTraces traces; // "connected" without a device: the identification cannot start
        applet.PutNumber(loopbacktest::kConnectItem, 2);
    }
    EXPECT_EQ(States(applet), QStringLiteral("0 3 3 3 3 3 3 3"));
    applet.PutNumber(loopbacktest::kConnectItem, 3);
    EXPECT_EQ(States(applet), QStringLiteral("0 3 3 3 3 3 3 3"));
    applet.PutNumber(loopbacktest::kConnectItem, 0);
    EXPECT_EQ(States(applet), QStringLiteral("3 0 0 3 3 3 3 3"));
}

} // namespace
