#pragma once
// The pressure configuration page: the measuring range and its unit (typed,
// or taken from the applied pressure), the parallel shift of the range, the
// tilt adjustment of an oblique sensor, the output of the pressure
// analog-input block, the transfer function with its curves, and the
// digitisation behaviour of the converter.
#include "merrow/shell/PioPage.h"
#include <QString>
#include <array>
#include <memory>
#include <optional>

class IChangeUnitValue;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
namespace controls {
class PioCombo;
class PioFieldControl;
class PioUserCurve;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

class frmConfigPressure : public PioPage {
    Q_OBJECT
public:
    frmConfigPressure();
    ~frmConfigPressure() override;

    // Rebuilds the preset curves of the transfer-function control.
    void InitUserCurve();

    // The percentage typed for the parallel shift: a number in the user's
    // language (decimal comma in German) or with a decimal point, nothing else.
    static std::optional<double> ParsePercent(const QString& text, bool german);

    QRadioButton* optWerteingabe() const { return m_optWerteingabe; }
    QRadioButton* optProzessdruckuebernahme() const { return m_optProzess; }
    QPushButton* cmdSetLowerRangeValue() const { return m_cmdSetLower; }
    QPushButton* cmdSetUpperRangeValue() const { return m_cmdSetUpper; }
    QPushButton* cmdMesswerkschieflageAbgleichen() const { return m_cmdTilt; }
    QPushButton* cmdParallelShift() const { return m_cmdParallelShift; }
    QPushButton* cmdAutoAdjust() const { return m_cmdAutoAdjust; }
    QLineEdit* txtMesswertAktuell() const { return m_txtMesswertAktuell; }
    controls::PioFieldControl* txtMessanfang() const { return m_txtMessanfang; }
    controls::PioFieldControl* txtMessende() const { return m_txtMessende; }
    QSlider* sldMeasIntegrationTime() const { return m_sldIntegration; }
    QSlider* sldThresholdTime() const { return m_sldThreshold; }
    QLabel* lblMeasIntegrationTime() const { return m_lblIntegration; }
    QLabel* lblThresholdTime() const { return m_lblThreshold; }
    controls::PioUserCurve* UserCurve(int index) const { return m_curves[static_cast<size_t>(index)]; }

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;
    void OnLoad() override;

private:
    QWidget* BuildProcessVariableTab();
    QWidget* BuildOutputTab();
    QWidget* BuildTransferFunctionTab();
    QWidget* BuildOrificeTab();
    QWidget* BuildDigitisationTab();

    void ApplyDeviceVariant();
    void appConnectionStatus_ValueChanged();
    void optWerteingabe_Click();
    void optProzessdruckuebernahme_Click();
    void cmdSetRangeValue_Click(pioitems::PioSequenceItem& sequence);
    void seqSetRangeValue_StatusChanged(pioitems::PioSequenceItem& sequence, int32_t status);
    void cmdMesswerkschieflageAbgleichen_Click();
    void seqSetSecondaryVariable1Zero_StatusChanged(int32_t status);
    void txtMesswertAktuell_Change();
    void cmdParallelShift_Click();
    void seqGetParallelShiftData_StatusChanged(int32_t status);
    void seqSetParallelShiftData_StatusChanged(int32_t status);
    bool ComputeParallelShift();
    void appMeasIntegrationTime_ValueChanged();
    void appThresholdTime_ValueChanged();
    void SliderScroll(QSlider& slider, pioitems::PioAppItem& item);
    void AutoAdjustThreshold();
    void cmbAiLinType_Click();
    void cmbOutScaleUnit_Click();
    void appPtrbLinType_ValueChanged();
    void BuildSquareRootCurves();
    void UserCurve_ReadCurveRequest();
    void UserCurve_WriteCurveRequest();
    void seqUserCurve_StatusChanged(pioitems::PioSequenceItem& sequence, int32_t status);
    void appCurrentSequence_ValueChanged();
    // The visible end of a function the user started: the text's confirmation, or the failure message.
    void Finished(int16_t textId);
    bool Connected() const;
    bool German() const;

    std::shared_ptr<IChangeUnitValue> m_converter;
    bool m_scrolling = false;
    bool m_parallelShiftPending = false;
    int m_parallelShiftPhase = 0;
    // A range sequence this page started and that has not ended yet.
    bool m_rangeSequenceRunning = false;
    // The end sign of a range sequence, shown once the range has been read back.
    int16_t m_rangeResult = 0;
    // The tilt adjustment and the write of a shifted range, once running: their end gives the window back.
    bool m_tiltRunning = false;
    bool m_shiftWriting = false;
    // The curve sequence the user asked for and that has not ended yet.
    pioitems::PioSequenceItem* m_curveSequence = nullptr;
    // The modified state last written to "userCurveDirty".
    bool m_dirtyWritten = false;

    QRadioButton* m_optWerteingabe = nullptr;
    QRadioButton* m_optProzess = nullptr;
    QPushButton* m_cmdSetLower = nullptr;
    QPushButton* m_cmdSetUpper = nullptr;
    QPushButton* m_cmdTilt = nullptr;
    QPushButton* m_cmdParallelShift = nullptr;
    QPushButton* m_cmdAutoAdjust = nullptr;
    QLineEdit* m_txtMesswertAktuell = nullptr;
    QGroupBox* m_fraParallelShift = nullptr;
    QGroupBox* m_fraRadiziert = nullptr;
    controls::PioFieldControl* m_txtMessanfang = nullptr;
    controls::PioFieldControl* m_txtMessende = nullptr;
    controls::PioCombo* m_cmbPvScaleUnit = nullptr;
    controls::PioFieldControl* m_cmbAiLinType = nullptr;
    controls::PioFieldControl* m_txtNullRuecker = nullptr;
    controls::PioFieldControl* m_cmbOutScaleUnit = nullptr;
    std::array<controls::PioFieldControl*, 2> m_txtAidpLimit{};
    std::array<QLabel*, 3> m_lblOutScaleUnit{};
    QSlider* m_sldIntegration = nullptr;
    QSlider* m_sldThreshold = nullptr;
    QLabel* m_lblIntegration = nullptr;
    QLabel* m_lblThreshold = nullptr;
    std::array<controls::PioUserCurve*, 2> m_curves{};

    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioAppItem* m_appMessanfang = nullptr;
    pioitems::PioAppItem* m_appMessende = nullptr;
    pioitems::PioAppItem* m_appPercentRange = nullptr;
    pioitems::PioAppItem* m_appLowerSensorLimit = nullptr;
    pioitems::PioAppItem* m_appUpperSensorLimit = nullptr;
    pioitems::PioAppItem* m_appSensorLimitUnit = nullptr;
    pioitems::PioAppItem* m_appScaleInUnit = nullptr;
    std::array<pioitems::PioAppItem*, 2> m_appMeasIntegrationTime{};
    std::array<pioitems::PioAppItem*, 2> m_appThresholdTime{};
    pioitems::PioAppItem* m_appThresholdValue = nullptr;
    pioitems::PioAppItem* m_appPtrbLinType = nullptr;
    std::array<pioitems::PioAppItem*, 2> m_appSqareRoot{};
    pioitems::PioAppItem* m_appCurrentSequence = nullptr;
    pioitems::PioAppItem* m_appUserCurveDirty = nullptr;
    pioitems::PioAppItem* m_appAdjustUserCurve = nullptr;
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    pioitems::PioAppItem* m_appSensorType = nullptr;

    pioitems::PioSequenceItem* m_seqSetLower = nullptr;
    pioitems::PioSequenceItem* m_seqSetUpper = nullptr;
    pioitems::PioSequenceItem* m_seqGetParallelShiftData = nullptr;
    pioitems::PioSequenceItem* m_seqSetParallelShiftData = nullptr;
    pioitems::PioSequenceItem* m_seqSetSecondaryVariable1Zero = nullptr;
    pioitems::PioSequenceItem* m_seqGetUserCurve = nullptr;
    pioitems::PioSequenceItem* m_seqSetUserCurve = nullptr;
    pioitems::PioSequenceItem* m_seqCloseUserCurve = nullptr;
};
