// The trend plotter on a small description: every change of a channel's value
// adds a point at the timer service's time, another value on a channel starts
// a new curve, a channel outside 1 to 4 changes nothing, and a released
// plotter takes no more points; a display control of a dropped manager or a
// deleted form does not fail.
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/PioPlotter.h"
#include "platform/controls/PioText.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<applet::clsAppletItemManager> MakeManager()
{
    auto description = std::make_shared<applet::Description>();
    for (const char* name : {"Flow", "Level"}) {
        applet::DescObject value;
        value.name = QString::fromLatin1(name);
        value.type = applet::ItemType::Float;
        value.scope = applet::ObjectScope::Applet;
        description->objects.append(value);
    }
    description->Index();
    return std::make_shared<applet::clsAppletItemManager>(description, nullptr, std::weak_ptr<applet::AppletHost>());
}

void Put(const std::shared_ptr<applet::clsAppletItemManager>& manager, const char* item, double value)
{
    int32_t failed = 0;
    manager->fncPutFloatValue(manager->HandleOf(QString::fromLatin1(item)), static_cast<float>(value), failed);
    ASSERT_EQ(failed, 0);
}

} // namespace

TEST(PioPlotter, ChangesOfAChannelBecomePointsAtTheirTime)
{
    loop::ManualClock clock;
    loop::ScopedTimerService timers(clock);
    const auto manager = MakeManager();
    controls::PioPlotter plotter;
    plotter.SetObjectNameValue(1, QStringLiteral("Flow"));
    plotter.SetObjectNameValue(2, QStringLiteral("Level"));
    QStringList errors;
    const auto previous = applet::AppletTrace::SetSink([&](applet::AppletTrace::Level, const QString& text) {
        errors << text;
    });
    plotter.SetObjectNameValue(5, QStringLiteral("Flow"));
    applet::AppletTrace::SetSink(previous);
    EXPECT_EQ(errors.size(), 1) << "no fifth channel";
    EXPECT_TRUE(plotter.ObjectNameValue(5).isEmpty());

    plotter.Register(manager);
    clock.Advance(1000);
    Put(manager, "Flow", 12.5);
    clock.Advance(1000);
    Put(manager, "Flow", 14);
    EXPECT_EQ(plotter.Points(1), QList<QPointF>({{0, 0}, {1000, 12.5}, {2000, 14}}));
    EXPECT_EQ(plotter.Points(2).size(), 1) << "only the value at registration";

    // Another value on channel 1 starts a new curve at the next registration.
    plotter.SetObjectNameValue(1, QStringLiteral("Level"));
    EXPECT_TRUE(plotter.Points(1).isEmpty());
    plotter.UnRegister();
    Put(manager, "Level", 3);
    EXPECT_TRUE(plotter.Points(1).isEmpty()) << "a released plotter takes no points";
    plotter.Register(manager);
    EXPECT_EQ(plotter.Points(1).last(), QPointF(2000, 3));
}

TEST(PioCtrlItemHandler, ControlsOutliveNeitherTheirFormNorTheManager)
{
    auto manager = MakeManager();
    auto form = std::make_unique<QWidget>();
    auto* text = new controls::PioText(form.get());
    text->SetObjectNameText(QStringLiteral("Flow"));
    const auto handler = std::make_shared<controls::PioCtrlItemHandler>();
    ASSERT_EQ(handler->Register(form.get(), manager), 0);
    EXPECT_TRUE(text->IsRegistered());
    EXPECT_EQ(text->ValueField()->text(), "0");

    // The form goes first: the manager tells nobody of later changes.
    form.reset();
    Put(manager, "Flow", 1);
    handler->UpdateControls();
    handler->Unregister();
    EXPECT_FALSE(manager->HasRegistrations(manager->HandleOf(QStringLiteral("Flow"))));

    // The manager goes first: the control lets go of it at its release.
    auto* second = new controls::PioText();
    second->SetObjectNameText(QStringLiteral("Level"));
    second->Register(manager);
    manager.reset();
    second->UnRegister();
    EXPECT_FALSE(second->IsRegistered());
    delete second;
}
