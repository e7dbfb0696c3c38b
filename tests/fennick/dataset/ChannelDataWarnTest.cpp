// The channel-data hint: its texts, top-most, and the one Done event with
// the state of its box however the window ends.
#include "fennick/dataset/frmChannelDataWarn.h"
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct DoneLog {
    std::vector<bool> calls;
    void Attach(frmChannelDataWarn& form)
    {
        QObject::connect(&form, &frmChannelDataWarn::Done, [this](bool suppress) { calls.push_back(suppress); });
    }
};

} // namespace

TEST(ChannelDataWarn, ShowsItsTextsAndStaysOnTop)
{
    frmChannelDataWarn form;
    EXPECT_EQ(form.windowTitle(), "Channel data consistency");
    EXPECT_EQ(form.lblRemember()->text(), "Remember ...");
    EXPECT_EQ(form.lblHint()->text(),
              "Channel information just read may be changed by currently opened configuration dialogs of the DTM."
              "To achieve consistent channel data you need to save configuration data and close configuration "
              "dialog(s).The frame work may protect channel data to prevent DTM from changing channel related "
              "parameters.");
    EXPECT_EQ(form.chkSuppress()->text(), "Don't show this message again");
    EXPECT_EQ(form.OKButton()->text(), "OK");
    EXPECT_FALSE(form.chkSuppress()->isChecked());
    form.show();
    EXPECT_TRUE(form.IsTopMost());
    form.resize(form.width() + 20, form.height());
    EXPECT_TRUE(form.IsTopMost());
    EXPECT_TRUE(form.isVisible());
}

TEST(ChannelDataWarn, OkReportsTheSuppressBoxOnce)
{
    DoneLog log;
    auto* form = new frmChannelDataWarn();
    QPointer<frmChannelDataWarn> alive(form);
    log.Attach(*form);
    form->show();
    form->chkSuppress()->setChecked(true);
    form->OKButton()->click();
    EXPECT_EQ(log.calls, std::vector<bool>{true});
    EXPECT_FALSE(form->isVisible());
    delete form;
    EXPECT_EQ(log.calls.size(), 1u);
}

TEST(ChannelDataWarn, ClosingByTheFrameOrByItsOwnerAlsoReports)
{
    {
        DoneLog log;
        frmChannelDataWarn form;
        log.Attach(form);
        form.show();
        form.close(); // the window's system menu
        EXPECT_EQ(log.calls, std::vector<bool>{false});
    }
    {
        DoneLog log;
        auto* form = new frmChannelDataWarn();
        log.Attach(*form);
        form->show();
        form->chkSuppress()->setCheckState(Qt::PartiallyChecked);
        delete form; // the DTM object unloads it
        EXPECT_EQ(log.calls, std::vector<bool>{true});
    }
    {
        DoneLog log;
        frmChannelDataWarn form;
        log.Attach(form);
        form.Unload();
        form.Unload();
        EXPECT_EQ(log.calls, std::vector<bool>{false});
    }
}
