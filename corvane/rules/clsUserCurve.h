#pragma once
// The user linearisation curve kept in step with the device's table: the
// user interface edits the curve ("UserCurveX_00".."UserCurveX_21", Y alike,
// count "UserCurveActualNumber"), the device holds the table
// ("ptrbTabXValue_01".."ptrbTabXValue_22", Y alike, count
// "ptrbTabActualNumber"); curve point k - 1 pairs with table point k and the
// curve has two points more than the table. On PROFIBUS the table goes to the
// device point by point: "SetUserCurve" opens the transfer, one
// "SetUserCurvePoint" follows for each further point and "CloseUserCurve"
// takes the curve in use.
#include "corvane/frame/IStartAlwaysComp.h"
#include "corvane/rules/clsRuleGuard.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <memory>

class clsDeviceInfo;

class clsUserCurve : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static constexpr int kTablePoints = 22;
    // The counts a curve can have; the table has two points fewer.
    static constexpr int kCurveCountMin = 2;
    static constexpr int kCurveCountMax = kTablePoints;
    static constexpr int kCountDifference = 2;
    // The value a curve point takes when the device's table ends there.
    static inline const QString kLastPointX = QStringLiteral("100");

    clsUserCurve();
    ~clsUserCurve() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Stops the point-by-point transfer at the next end of a curve sequence.
    void Abort() override { m_aborted = true; }
    void HandleUploadCompleted() override {}

    bool Registered() const { return m_guard.IsRegistered(); }
    bool Busy() const { return m_guard.InRule(); }
    bool Aborted() const { return m_aborted; }
    int PointIndex() const { return m_pointIndex; }

public slots:
    // Called by name by the numbered collections with the member's position k (1 to 22).
    void appUserCurveX_ValueChanged2(short index, const QString& Value, bool suppressRule);
    void appUserCurveY_ValueChanged2(short index, const QString& Value, bool suppressRule);
    void appPtrbTabXValue_ValueChanged2(short index, const QString& Value, bool suppressRule);
    void appPtrbTabYValue_ValueChanged2(short index, const QString& Value, bool suppressRule);
    // Called by name for "SetUserCurve" and "SetUserCurvePoint".
    void seqSetUserCurve_StatusChanged(const QString& name, int status);

    void m_TableCount_ValueChanged(const QString& Value);
    void m_CurveCount_ValueChanged(const QString& Value);
    void m_GetSequence_StatusChanged(int32_t sequenceStatus);
    void m_CloseSequence_StatusChanged(int32_t sequenceStatus);

private:
    // The counts as whole numbers inside what the table holds; a count
    // outside is traced and taken at the nearest end.
    int CurveCount() const;
    int TableCount() const;
    // Curve point edited: copied to the table while it lies inside the curve.
    void CurveToTable(clsAppItemCollection& curve, clsAppItemCollection& table, short index);
    // Table point changed: copied to the curve, or the curve's end set to 100.
    void TableToCurve(clsAppItemCollection& table, clsAppItemCollection& curve, short index);

    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    // Registered flag and the busy flag of the item handlers.
    clsRuleGuard m_guard;
    int m_pointIndex = 0;
    bool m_aborted = false;
    // A curve sequence is active: its next ready state ends it.
    bool m_running = false;
    bool m_requestSeen = false;

    clsAppItemCollection m_counts;
    clsAppItemCollection m_tableX;
    clsAppItemCollection m_tableY;
    clsAppItemCollection m_curveX;
    clsAppItemCollection m_curveY;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<clsAppItem> m_TableCount;
    std::shared_ptr<clsAppItem> m_CurveCount;
    std::shared_ptr<clsSequenceItem> m_GetSequence;
    std::shared_ptr<clsSequenceItem> m_CloseSequence;
};
