// The channel configuration pages: the static-pressure page of each bus
// kind with its items, the output scale owned by the flow function while the
// flow block computes, the low cut-off offered for the square-root transfer
// function only, and the parallel shift shown by revision and flow block.
#include "MerrowTestSupport.h"
#include "merrow/pages/frmConfigStaticPressureHart.h"
#include "merrow/pages/frmConfigStaticPressureProfi.h"
#include "merrow/pages/frmConfigTemperature.h"
#include "merrow/shell/PageTabs.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "platform/controls/PioFieldControl.h"
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

using namespace merrowtest;

namespace {

constexpr const char* kHart = "4607215";
constexpr const char* kFieldbus = "4607246";

template <class Page>
Page* Open(MerrowApplet& applet, const char* bus, int blockMode, const char* entry)
{
    applet.Variant(bus, 1, true, blockMode, 137);
    applet.PutText(QStringLiteral("pbSoftwareRevisionHART"), QStringLiteral("21"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    frmMain* window = applet.Start();
    if (!window)
        return nullptr;
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
    window->MDIForm_Activate();
    QAction* action = window->Menu(QLatin1String(entry));
    if (!action || !action->isEnabled())
        return nullptr;
    action->trigger();
    piotest::Settle();
    for (PioPage* page : window->ChildForms())
        if (auto* wanted = qobject_cast<Page*>(page))
            return wanted;
    return nullptr;
}

// Enabled by the page's rules (the frame of a tab not selected is disabled as a whole).
bool Usable(const frmConfigChannel& page, const char* name)
{
    return page.Field(QLatin1String(name))->isEnabledTo(page.Tabs()->picOptions(1));
}

} // namespace

TEST(ChannelPages, FieldbusStaticPressureBindsThePressureBlockAndTheFlowBlockOwnsTheOutputScale)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto* page = Open<frmConfigStaticPressureProfi>(applet, kFieldbus, 8, "mnuConfigureStaticPressure");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Field(QStringLiteral("txtAipLimit(0)"))->ObjectNameText(), "aipOutScale0");
    EXPECT_EQ(page->Field(QStringLiteral("cmbAiLinType"))->ObjectNameCombo(), "aipLType");
    EXPECT_EQ(page->Field(QStringLiteral("PioText1(2)"))->ObjectNameText(), "aipLoLoLim");
    // The flow function computes: the output scale is its own.
    for (const char* name : {"cmbOutScaleUnit", "txtAipLimit(0)", "txtAipLimit(1)"})
        EXPECT_FALSE(Usable(*page, name)) << name;
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    piotest::Settle();
    for (const char* name : {"cmbOutScaleUnit", "txtAipLimit(0)", "txtAipLimit(1)"})
        EXPECT_TRUE(Usable(*page, name)) << name;
    EXPECT_FALSE(page->fraParallelverschiebung()->isVisibleTo(page));

    // The low cut-off belongs to the square-root transfer function only.
    QComboBox* linType = page->Field(QStringLiteral("cmbAiLinType"))->EntryList();
    ASSERT_GE(linType->count(), 3);
    controls::PioFieldControl* lowCut = page->Field(QStringLiteral("txtNullRücker"));
    for (int index : {1, 2, 0, 1}) {
        linType->setCurrentIndex(index);
        piotest::Settle();
        EXPECT_EQ(!lowCut->isHidden(), index == 1) << index;
    }
    // The unit labels follow the chosen output unit.
    QComboBox* unit = page->Field(QStringLiteral("cmbOutScaleUnit"))->EntryList();
    ASSERT_GE(unit->count(), 2);
    unit->setCurrentIndex(1);
    piotest::Settle();
    EXPECT_EQ(page->lblOutScaleUnit(2)->text(), unit->itemText(1));
}

TEST(ChannelPages, HartStaticPressureOfRevision21KeepsTheParallelShiftOutsideItsWindow)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto* page = Open<frmConfigStaticPressureHart>(applet, kHart, 8, "mnuConfigureStaticPressure");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Field(QStringLiteral("txtMessende"))->ObjectNameText(), "ptrbStaticPressureScaleIn100");
    ASSERT_EQ(global::gDeviceInfo->softwareRevision(), "21");
    EXPECT_EQ(page->HeightTwips(), 1200);
    EXPECT_FALSE(page->fraParallelverschiebung()->isVisibleTo(page));
}

TEST(ChannelPages, TemperatureKeepsItsOwnItemsAndFollowsTheFlowBlock)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto* page = Open<frmConfigTemperature>(applet, kHart, 8, "mnuConfigureTemperature");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Field(QStringLiteral("txtAiTLimit(1)"))->ObjectNameText(), "aitOutScale100");
    EXPECT_EQ(page->Field(QStringLiteral("cmbAiLinType"))->ObjectNameCombo(), "aiTLType");
    EXPECT_FALSE(Usable(*page, "txtAiTLimit(0)"));
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    piotest::Settle();
    EXPECT_TRUE(Usable(*page, "txtAiTLimit(0)"));
}
