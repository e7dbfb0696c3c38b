#include "merrow/pages/frmDisplayTrend.h"
#include "dalvex/ctlDisplaySetting.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/PioPlotter.h"
#include <QComboBox>
#include <QGridLayout>

// The trend window comes back at its place with its design size; it stores its size all the same.
frmDisplayTrend::frmDisplayTrend() : PioPage(QStringLiteral("frmDisplayTrend"), false, false)
{
    setProperty("Tag", QStringLiteral("2597"));
    setWindowTitle(QStringLiteral("Trend Display"));
    auto* grid = new QGridLayout(this);
    m_plotter = new controls::PioPlotter(this);
    m_plotter->setObjectName(QStringLiteral("PioPlotter"));
    // No caption of its own: the legend names each curve's value and unit,
    // and the control's name means nothing to a user.
    m_plotter->SetCaption(QString());
    m_plotter->SetUpdateInterval(1);
    grid->addWidget(m_plotter, 0, 0, 1, 2);
    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 1; i <= kCurves; ++i) {
        auto* selector = new QComboBox(this);
        selector->setObjectName(QStringLiteral("cmbMeasValue(%1)").arg(i));
        // An element of a control array: its setting control drives curve i.
        selector->setProperty(ctlDisplaySetting::kControlArrayIndex, i);
        grid->addWidget(selector, 1 + (i - 1) / 2, (i - 1) % 2);
        auto* setting = new ::ctlDisplaySetting(this);
        setting->setObjectName(QStringLiteral("ctlDisplaySetting(%1)").arg(i));
        setting->hide();
        m_cmbMeasValue[static_cast<size_t>(i - 1)] = selector;
        m_setting[static_cast<size_t>(i - 1)] = setting;
        connect(selector, &QComboBox::currentIndexChanged, this, [this, i] { cmbMeasValue_Click(i); });
    }
    m_seqGetRangeValues = pagecontrols::SequenceItem(this, QStringLiteral("seqGetRangeValues"),
                                                     QStringLiteral("GetRangeValues"));
    m_seqGetRangeValues->SetRegisterControlItem(false); // the main window answers its requests
    pioitems::Ambient::SetUserMode(this, true);
}

void frmDisplayTrend::OnFirstActivation()
{
    for (int i = 1; i <= kCurves; ++i)
        pagecontrols::InitDisplaySetting(*DisplaySetting(i), m_plotter, cmbMeasValue(i));
    // Curve j shows the j-th value offered, or none when fewer are offered.
    for (int j = 1; j <= kCurves; ++j) {
        QComboBox* selector = cmbMeasValue(j);
        const int line = selector->count() >= j ? j - 1 : -1;
        if (selector->currentIndex() == line)
            cmbMeasValue_Click(j); // the same line binds its curve all the same
        else
            selector->setCurrentIndex(line);
    }
    pagecontrols::RequestRangeValuesOnce(*m_seqGetRangeValues);
}

void frmDisplayTrend::cmbMeasValue_Click(int index)
{
    if (m_selecting)
        return;
    m_selecting = true;
    DisplaySetting(index)->ChangeDisplayedValue();
    m_selecting = false;
}

void frmDisplayTrend::OnUnload()
{
    global::SaveFormPosition(*this, true, true);
}
