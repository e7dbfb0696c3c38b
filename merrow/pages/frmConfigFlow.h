#pragma once
// The set-up of the flow calculation: the medium and its data, the
// correction range of the inputs, the primary element with its geometry and
// design state, the temperature/density table of a liquid or the
// compressibility matrix of a gas, and the request to calculate the flow
// coefficients. The page shows the frames the medium and the primary element
// need, and binds the values that older devices keep in fixed units to the
// copies in the user's units. It closes itself when the flow block leaves
// flow computing.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

class clsDeviceInfo;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
namespace controls {
class PioCombo;
class PioFieldControl;
} // namespace controls
namespace pioitems {
class PioAppItem;
} // namespace pioitems

class frmConfigFlow : public PioPage {
    Q_OBJECT
public:
    frmConfigFlow();
    ~frmConfigFlow() override;

    // The frames shown or hidden as a whole, by their names.
    QWidget* Frame(const QString& name) const;
    controls::PioFieldControl* Control(const QString& name) const;
    QLabel* lblMassFlow() const { return m_lblMassFlow; }
    QLabel* lblBeta() const { return m_lblBeta; }
    QCheckBox* chkFixedTemperatureValue() const { return m_chkFixedTemperature; }
    QPushButton* cmdCalculate() const { return m_cmdCalculate; }
    QPushButton* cmdReset() const { return m_cmdReset; }
    QRadioButton* optKorrektur(int index) const { return m_optKorrektur[static_cast<size_t>(index)]; }
    pioitems::PioAppItem* appMvPkb(int index) const { return m_appMvPkb[static_cast<size_t>(index)]; }
    pioitems::PioAppItem* appMvTkb(int index) const { return m_appMvTkb[static_cast<size_t>(index)]; }

    // Shows the frames that the medium, the primary element and the diameter
    // ratio call for, on a device of the revision; runs the page set-up with
    // the values the device holds when asked without arguments.
    void PageSetUp();
    void Arrange(int medium, int element, double beta, double revision);

    void cmdCalculate_Click();
    void cmdReset_Click();
    void optKorrektur_Click(int index);
    void chkFixedTemperatureValue_Click();

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    QWidget* BuildBasicTab();
    QWidget* BuildPrimaryDeviceTab();
    QWidget* BuildMediumTab();
    // Binds the density, pressure and temperature controls to the items of the revision.
    void BindByRevision(bool registerAgain);
    void m_DeviceInfo_SoftwareRevisionChanged();
    void appMvDefaultInpSel_ValueChanged();
    void appMvModeBlkActual_ValueChanged();
    void UnitChanged(pioitems::PioAppItem& unit, const QList<QLabel*>& labels);
    // The design differential pressure the device can measure: its sensor
    // limits in the unit of the input.
    void LimitDesignDifferentialPressure();
    // The middle pressure and temperature to the means of the outer ones and
    // every factor to 1, all of them or none; false (the user told) when not.
    bool ResetMatrix();
    void EnableMatrix(bool enabled);
    double Revision() const;
    int MediumCode() const;

    std::shared_ptr<clsDeviceInfo> m_DeviceInfo;
    bool m_updating = false;
    int m_setUpMedium = 0; // the medium of the last set-up: its tab "2t" is the one to take out

    QLabel* m_lblMassFlow = nullptr;
    QLabel* m_lblBeta = nullptr;
    QCheckBox* m_chkFixedTemperature = nullptr;
    QPushButton* m_cmdCalculate = nullptr;
    QPushButton* m_cmdReset = nullptr;
    std::array<QRadioButton*, 2> m_optKorrektur{};
    std::array<QGroupBox*, 3> m_fraMatrix{};
    controls::PioCombo* m_cmbMediumType = nullptr;
    controls::PioFieldControl* m_txtFixedTemperature = nullptr;
    // Rebound by revision: density group, then pressure/temperature group.
    std::vector<controls::PioFieldControl*> m_rhoControls;
    std::vector<controls::PioFieldControl*> m_ptControls;
    QList<QLabel*> m_lblDiffPressureUnit;
    QList<QLabel*> m_lblStaticPressureUnit;
    QList<QLabel*> m_lblTemperatureUnit;
    QList<QLabel*> m_lblDensityUnits; // lblMvDensityUnit, lblDensityUnit

    pioitems::PioAppItem* m_appCalculateMV = nullptr;
    pioitems::PioAppItem* m_appAbortSequences = nullptr;
    pioitems::PioAppItem* m_appMvBeta = nullptr;
    pioitems::PioAppItem* m_appMvBlendeDuese = nullptr;
    pioitems::PioAppItem* m_appMvDefaultInpSel = nullptr;
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    std::array<pioitems::PioAppItem*, 3> m_appMvPkb{};
    std::array<pioitems::PioAppItem*, 3> m_appMvTkb{};
    std::array<pioitems::PioAppItem*, 9> m_appMvZkb{};
    pioitems::PioAppItem* m_appMvDensityUnit = nullptr;
    pioitems::PioAppItem* m_appMvInPUnit = nullptr;
    pioitems::PioAppItem* m_appMvInTUnit = nullptr;
    pioitems::PioAppItem* m_appMvInDpUnit = nullptr;
    pagecontrols::RangeLimitItems m_sensorLimits;
    pioitems::PioAppItem* m_appUserLevel = nullptr;
    pioitems::PioAppItem* m_appCountryCode = nullptr;
};
