#include "corvane/rules/clsUserCurve.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletTrace.h"
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString kSource = QStringLiteral("clsUserCurve");
const QString kTableCount = QStringLiteral("ptrbTabActualNumber");
const QString kCurveCount = QStringLiteral("UserCurveActualNumber");
// The table point being written, on PROFIBUS only.
const QString kPointX = QStringLiteral("ptrbTabXValue");
const QString kPointY = QStringLiteral("ptrbTabYValue");

const QString kGetUserCurve = QStringLiteral("GetUserCurve");
const QString kSetUserCurve = QStringLiteral("SetUserCurve");
const QString kSetUserCurvePoint = QStringLiteral("SetUserCurvePoint");
const QString kCloseUserCurve = QStringLiteral("CloseUserCurve");

// Sequence states and the action that lets a requested sequence run.
constexpr int kReady = 0;
constexpr int kWriteRequest = 1;
constexpr int kReadRequest = 2;
constexpr int kWriteActive = 32;
constexpr int32_t kRunSequence = 1;

constexpr int16_t kStateAndControl = REGISTER_STATE | REGISTER_CONTROL;

// Member k of a numbered collection: the table counts from 1, the curve from 0.
QString Member(const char* prefix, int number)
{
    return QLatin1String(prefix) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// count inside [low, high]; a count outside is traced.
int Bounded(const QString& item, double count, int low, int high)
{
    const double whole = std::round(count);
    const int bounded = static_cast<int>(std::clamp(whole, static_cast<double>(low), static_cast<double>(high)));
    if (bounded != whole)
        applet::AppletTrace::Error(QStringLiteral("%1: %2 is %3, outside %4 to %5; %6 is used")
                                       .arg(kSource, item, QString::number(count))
                                       .arg(low)
                                       .arg(high)
                                       .arg(bounded));
    return bounded;
}

} // namespace

clsUserCurve::clsUserCurve() = default;

clsUserCurve::~clsUserCurve()
{
    for (const auto& item : {m_TableCount, m_CurveCount})
        if (item)
            disconnect(item.get(), nullptr, this, nullptr);
    for (const auto& sequence : {m_GetSequence, m_CloseSequence})
        if (sequence)
            disconnect(sequence.get(), nullptr, this, nullptr);
}

void clsUserCurve::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_guard.IsRegistered())
        return;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;
    m_deviceInfo = std::make_shared<clsDeviceInfo>();
    m_deviceInfo->Register(manager);

    m_TableCount = m_counts.Add(kTableCount, false, 0);
    m_CurveCount = m_counts.Add(kCurveCount, false, 0);
    connect(m_TableCount.get(), &clsAppItem::ValueChanged, this, &clsUserCurve::m_TableCount_ValueChanged,
            Qt::UniqueConnection);
    connect(m_CurveCount.get(), &clsAppItem::ValueChanged, this, &clsUserCurve::m_CurveCount_ValueChanged,
            Qt::UniqueConnection);
    if (m_deviceInfo->CommType() == enmCommType::PROFIBUS) {
        m_counts.Add(kPointX, false, 0);
        m_counts.Add(kPointY, false, 0);
    }
    for (int k = 1; k <= kTablePoints; ++k) {
        m_tableX.Add(Member("ptrbTabXValue_", k), false, 0, this, QStringLiteral("appPtrbTabXValue_ValueChanged2"));
        m_tableY.Add(Member("ptrbTabYValue_", k), false, 0, this, QStringLiteral("appPtrbTabYValue_ValueChanged2"));
        m_curveX.Add(Member("UserCurveX_", k - 1), false, 0, this, QStringLiteral("appUserCurveX_ValueChanged2"));
        m_curveY.Add(Member("UserCurveY_", k - 1), false, 0, this, QStringLiteral("appUserCurveY_ValueChanged2"));
    }

    m_GetSequence = m_sequences.Add(kGetUserCurve, false, 0, kStateAndControl);
    m_sequences.Add(kSetUserCurve, false, 0, kStateAndControl, this, QStringLiteral("seqSetUserCurve_StatusChanged"));
    m_sequences.Add(kSetUserCurvePoint, false, 0, kStateAndControl, this,
                    QStringLiteral("seqSetUserCurve_StatusChanged"));
    m_CloseSequence = m_sequences.Add(kCloseUserCurve, false, 0, kStateAndControl);
    connect(m_GetSequence.get(), &clsSequenceItem::StatusChanged, this, &clsUserCurve::m_GetSequence_StatusChanged,
            Qt::UniqueConnection);
    connect(m_CloseSequence.get(), &clsSequenceItem::StatusChanged, this,
            &clsUserCurve::m_CloseSequence_StatusChanged, Qt::UniqueConnection);

    m_counts.Register(manager);
    m_tableX.Register(manager);
    m_tableY.Register(manager);
    m_curveX.Register(manager);
    m_curveY.Register(manager);
    m_sequences.Register(manager);
    m_guard.SetRegistered(true);
}

void clsUserCurve::UnRegister()
{
    if (!m_guard.IsRegistered())
        return;
    m_counts.UnRegister();
    m_tableX.UnRegister();
    m_tableY.UnRegister();
    m_curveX.UnRegister();
    m_curveY.UnRegister();
    m_sequences.UnRegister();
    m_guard.SetRegistered(false);
}

int clsUserCurve::CurveCount() const
{
    return Bounded(kCurveCount, m_CurveCount->UIntValue(), kCurveCountMin, kCurveCountMax);
}

int clsUserCurve::TableCount() const
{
    return Bounded(kTableCount, m_TableCount->UIntValue(), kCurveCountMin - kCountDifference,
                   kCurveCountMax - kCountDifference);
}

// --- Counts ----------------------------------------------------------------------

void clsUserCurve::m_TableCount_ValueChanged(const QString& /*Value*/)
{
    if (const auto scope = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule))
        m_CurveCount->SetUIntValue(TableCount() + kCountDifference);
}

void clsUserCurve::m_CurveCount_ValueChanged(const QString& /*Value*/)
{
    if (const auto scope = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule))
        m_TableCount->SetUIntValue(CurveCount() - kCountDifference);
}

// --- Points ----------------------------------------------------------------------

void clsUserCurve::CurveToTable(clsAppItemCollection& curve, clsAppItemCollection& table, short index)
{
    const auto scope = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule);
    if (scope && index < CurveCount())
        table.Item(index)->SetStringValue(curve.Item(index)->StringValue());
}

void clsUserCurve::TableToCurve(clsAppItemCollection& table, clsAppItemCollection& curve, short index)
{
    const auto scope = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule);
    if (!scope)
        return;
    if (index != CurveCount())
        curve.Item(index)->SetStringValue(table.Item(index)->StringValue());
    else
        curve.Item(index)->SetStringValue(kLastPointX);
}

void clsUserCurve::appUserCurveX_ValueChanged2(short index, const QString& /*Value*/, bool /*suppressRule*/)
{
    CurveToTable(m_curveX, m_tableX, index);
}

void clsUserCurve::appUserCurveY_ValueChanged2(short index, const QString& /*Value*/, bool /*suppressRule*/)
{
    CurveToTable(m_curveY, m_tableY, index);
}

void clsUserCurve::appPtrbTabXValue_ValueChanged2(short index, const QString& /*Value*/, bool /*suppressRule*/)
{
    TableToCurve(m_tableX, m_curveX, index);
}

void clsUserCurve::appPtrbTabYValue_ValueChanged2(short index, const QString& /*Value*/, bool /*suppressRule*/)
{
    TableToCurve(m_tableY, m_curveY, index);
}

// --- Point-by-point transfer -----------------------------------------------------

void clsUserCurve::seqSetUserCurve_StatusChanged(const QString& name, int status)
{
    if (!m_guard.IsRegistered())
        return;
    switch (status) {
    case kWriteRequest:
        m_sequences.Item(name)->DoAction(kRunSequence);
        break;
    case kWriteActive:
        m_aborted = false;
        m_running = true;
        m_pointIndex = name.compare(kSetUserCurve, Qt::CaseInsensitive) == 0 ? 1 : m_pointIndex + 1;
        break;
    case kReady:
        // Only the end of a run: the ready state the host announces at a
        // registration ends nothing.
        if (!std::exchange(m_running, false))
            break;
        if (m_deviceInfo->CommType() != enmCommType::PROFIBUS || m_aborted)
            break;
        if (m_pointIndex >= CurveCount() - 1) {
            m_sequences.Item(kCloseUserCurve)->Force();
        } else {
            m_counts.Item(kPointX)->SetStringValue(m_tableX.Item(m_pointIndex + 1)->StringValue());
            m_counts.Item(kPointY)->SetStringValue(m_tableY.Item(m_pointIndex + 1)->StringValue());
            m_sequences.Item(kSetUserCurvePoint)->Force();
        }
        break;
    default:
        break;
    }
}

void clsUserCurve::m_CloseSequence_StatusChanged(int32_t sequenceStatus)
{
    if (m_guard.IsRegistered() && sequenceStatus == kWriteRequest)
        m_CloseSequence->DoAction(kRunSequence);
}

void clsUserCurve::m_GetSequence_StatusChanged(int32_t sequenceStatus)
{
    if (sequenceStatus == kWriteRequest || sequenceStatus == kReadRequest) {
        m_GetSequence->DoAction(kRunSequence);
        m_requestSeen = true;
    } else if (sequenceStatus == kReady && m_requestSeen) {
        m_requestSeen = false;
        m_GetSequence->Adjust();
    }
}
