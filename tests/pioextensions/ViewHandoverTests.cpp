// An object registered through a stand-in view: it hears of the view handle
// within the registration, its result is the view's, and letting go of the
// binding unregisters the stand-in so that the object is told nothing more.
#include "pioextensions/ItemViewBinding.h"
#include "pioextensions/enmExeption.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::ErrorTraces;
using piotest::TrivexApplet;

struct Handovers {
    clsAppItemView::Handover Recorder(int32_t answer)
    {
        return [this, answer](int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                              int32_t& result) {
            handles.append(lViewHandle);
            managers.append(manager.get());
            result = answer;
        };
    }
    QList<int32_t> handles;
    QList<applet::clsAppletItemManager*> managers;
};

bool IsRegistered(const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t viewHandle)
{
    for (const auto& view : manager->RegisteredViews()) {
        const auto* itemView = dynamic_cast<const clsAppItemView*>(view.get());
        if (itemView && itemView->ViewHandle() == viewHandle)
            return true;
    }
    return false;
}

} // namespace

TEST(ViewHandover, TheObjectHearsOfTheHandleWithinTheRegistrationAndNothingAfterTheRelease)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ErrorTraces traces;
    Handovers heard;
    ItemViewBinding binding;
    binding.Attach(applet.manager, nullptr, QStringLiteral("stand-in"), heard.Recorder(0));
    ASSERT_EQ(heard.handles.size(), 1);
    EXPECT_GT(heard.handles.front(), 0);
    EXPECT_EQ(heard.handles.front(), binding.ViewHandle());
    EXPECT_EQ(heard.managers.front(), applet.manager.get());
    EXPECT_TRUE(traces.lines.isEmpty());
    const int32_t first = binding.ViewHandle();
    EXPECT_TRUE(IsRegistered(applet.manager, first));

    // Attaching again lets go of the first stand-in.
    binding.Attach(applet.manager, nullptr, QStringLiteral("stand-in"), heard.Recorder(0));
    ASSERT_EQ(heard.handles.size(), 2);
    EXPECT_NE(heard.handles.back(), first);
    EXPECT_FALSE(IsRegistered(applet.manager, first));

    binding.ReleaseView();
    EXPECT_FALSE(IsRegistered(applet.manager, heard.handles.back()));
    EXPECT_EQ(heard.handles.size(), 2);
}

TEST(ViewHandover, TheObjectsResultIsTheViewsAndARefusalIsTraced)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ErrorTraces traces;
    Handovers heard;
    ItemViewBinding binding;
    binding.Attach(applet.manager, nullptr, QStringLiteral("stand-in"), heard.Recorder(REGISTRATION_FAILED));
    EXPECT_EQ(heard.handles.size(), 1);
    EXPECT_TRUE(traces.Contains(QStringLiteral("refused the view of stand-in (0x80040064)")));
}
