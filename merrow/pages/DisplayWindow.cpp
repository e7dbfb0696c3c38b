#include "merrow/pages/DisplayWindow.h"
#include "dalvex/ctlDisplaySetting.h"
#include "merrow/pages/PageControls.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/Twips.h"
#include <QComboBox>

namespace {
constexpr int kSelectorLeft = 50; // twips
constexpr int kSelectorTop = 60;
} // namespace

DisplayWindow::DisplayWindow(const QString& name, bool restoreWidth, bool restoreHeight, QWidget* displayCtrl)
    : PioPage(name, restoreWidth, restoreHeight), m_displayCtrl(displayCtrl)
{
    m_cmbMeasValue = new QComboBox(this);
    m_cmbMeasValue->setObjectName(QStringLiteral("cmbMeasValue"));
    m_cmbMeasValue->move(controls::Twips::ToPixels(kSelectorLeft), controls::Twips::ToPixels(kSelectorTop));
    m_displayCtrl->setParent(this);
    m_displayCtrl->setObjectName(QStringLiteral("displayCtrl"));
    pioitems::Ambient::SetUserMode(this, false);
    m_setting = new ctlDisplaySetting(this);
    m_setting->setObjectName(QStringLiteral("ctlDisplaySetting1"));
    m_setting->hide();
    m_seqGetRangeValues = pagecontrols::SequenceItem(this, QStringLiteral("seqGetRangeValues"),
                                                     QStringLiteral("GetRangeValues"));
    m_seqGetRangeValues->SetRegisterControlItem(false); // the main window answers its requests
    pioitems::Ambient::SetUserMode(this, true);
    connect(m_cmbMeasValue, &QComboBox::currentIndexChanged, this, [this] { cmbMeasValue_Click(); });
}

void DisplayWindow::OnFirstActivation()
{
    pagecontrols::InitDisplaySetting(*m_setting, m_displayCtrl, m_cmbMeasValue);
    pagecontrols::RequestRangeValuesOnce(*m_seqGetRangeValues);
}

void DisplayWindow::cmbMeasValue_Click()
{
    // A click while one is applied is ignored.
    if (m_selecting)
        return;
    m_selecting = true;
    m_setting->ChangeDisplayedValue();
    m_selecting = false;
}
