#include "merrow/shell/clsBlockModeView.h"
#include "merrow/shell/BlockModes.h"
#include "merrow/shell/frmBlockmodes.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QCheckBox>
#include <QMdiSubWindow>
#include <cmath>

using blockmodes::kBlocks;

namespace {

constexpr int kMaskBits = 0xFF;

void Trace(const QString& message)
{
    applet::AppletTrace::Error(QStringLiteral("clsBlockModeView.%1").arg(message));
}

} // namespace

clsBlockModeView::~clsBlockModeView() = default;

void clsBlockModeView::SetBlockModeForm(frmBlockmodes* page)
{
    m_form = page;
}

void clsBlockModeView::SetAppletItemManagRef(int32_t lViewHandle,
                                             const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                             int32_t& result)
{
    result = 0;
    m_viewHandle = lViewHandle;
    m_manager = manager;
    if (!m_manager)
        return;
    // A registration that fails is reported through the result only; the
    // others are registered all the same.
    const auto registerItem = [&](const char* name, int32_t& handle) {
        int32_t failed = 0;
        handle = 0;
        m_manager->RegisterItem(QLatin1String(name), false, m_viewHandle, handle, 0, 0, failed);
        if (failed != 0) {
            Trace(QStringLiteral("SetAppletItemManagRef: %1 not registered (%2)").arg(QLatin1String(name)).arg(failed));
            handle = 0;
        }
        result |= failed;
    };
    for (size_t b = 0; b < kBlocks.size(); ++b)
        registerItem(kBlocks[b].objectLimit, m_objectLimit[b]);
    for (size_t b = 0; b < kBlocks.size(); ++b)
        registerItem(kBlocks[b].permitted.item, m_permitted[b]);
    for (size_t b = 0; b < kBlocks.size(); ++b)
        registerItem(kBlocks[b].normal.item, m_normal[b]);
}

void clsBlockModeView::Show(int32_t& result)
{
    result = 0;
    if (!m_form)
        return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(m_form->parentWidget()))
        frame->show();
    m_form->show();
}

void clsBlockModeView::Destroy(int32_t& result)
{
    result = 0;
    m_form = nullptr;
    m_manager.reset();
}

void clsBlockModeView::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t, int32_t& result)
{
    result = 0;
    if (lAppletItemHandle <= 0 || !m_manager)
        return;
    // Only the permitted and normal masks fill check boxes; the object limits change nothing.
    const blockmodes::ModeMask* mask = nullptr;
    bool permitted = false;
    for (size_t b = 0; b < kBlocks.size() && !mask; ++b) {
        if (m_permitted[b] == lAppletItemHandle) {
            mask = &kBlocks[b].permitted;
            permitted = true;
        } else if (m_normal[b] == lAppletItemHandle) {
            mask = &kBlocks[b].normal;
        }
    }
    if (!mask)
        return;
    double value = 0;
    int32_t failed = 0;
    m_manager->fncGetUIntValue(lAppletItemHandle, value, failed);
    if (failed != 0) {
        Trace(QStringLiteral("NotifyChanged: %1 unreadable (%2)").arg(QLatin1String(mask->item)).arg(failed));
        return;
    }
    const int v = static_cast<int>(std::lround(value));
    if (!m_form)
        return;
    // Every fill of the check boxes is the view's own: the writes that ticking
    // a box could cause are suppressed, so a notification never writes back.
    const bool wasFilling = m_filling;
    m_filling = true;
    for (int bit = 0; bit < blockmodes::kModeBits; ++bit)
        if (QCheckBox* box = m_form->CheckBox(QLatin1String(mask->checkBoxes), bit)) // a missing element is skipped
            box->setChecked((v & (1 << bit)) != 0);
    m_filling = wasFilling;
    if (permitted && m_form && (lStateInfo & applet::StateInfo::kRefresh) == 0)
        m_form->ShowModeLabels(QLatin1String(mask->frameKey), lStateInfo & applet::StateInfo::kValueValid);
}

void clsBlockModeView::WriteModeBit(const QString& checkBoxArray, int16_t index, int16_t value)
{
    if (m_filling)
        return;
    if (!m_manager) {
        Trace(QStringLiteral("WriteModeBit(%1): no item manager").arg(checkBoxArray));
        return;
    }
    if (index < 0 || index >= blockmodes::kModeBits) {
        Trace(QStringLiteral("WriteModeBit(%1): no mode bit %2").arg(checkBoxArray).arg(index));
        return;
    }
    int32_t handle = 0;
    const char* item = nullptr;
    for (size_t b = 0; b < kBlocks.size() && !item; ++b) {
        if (checkBoxArray == QLatin1String(kBlocks[b].permitted.checkBoxes)) {
            handle = m_permitted[b];
            item = kBlocks[b].permitted.item;
        } else if (checkBoxArray == QLatin1String(kBlocks[b].normal.checkBoxes)) {
            handle = m_normal[b];
            item = kBlocks[b].normal.item;
        }
    }
    if (!item) {
        Trace(QStringLiteral("WriteModeBit: no check box array %1").arg(checkBoxArray));
        return;
    }
    double current = 0;
    int32_t failed = 0;
    m_manager->fncGetUIntValue(handle, current, failed);
    if (failed != 0) { // the item keeps its value
        Trace(QStringLiteral("WriteModeBit: %1 unreadable (%2)").arg(QLatin1String(item)).arg(failed));
        return;
    }
    const int v = static_cast<int>(std::lround(current));
    const int bit = 1 << index;
    // Clearing a bit also clears everything above bit 7.
    const int written = value == 1 ? (v | bit) : (v & (kMaskBits - bit));
    applet::AppletTrace::Info(
        QStringLiteral("clsBlockModeView.WriteModeBit: %1 %2 -> %3").arg(QLatin1String(item)).arg(v).arg(written));
    m_manager->fncPutUintValue(handle, written, failed);
    if (failed != 0)
        Trace(QStringLiteral("WriteModeBit: %1 := %2 refused (%3)").arg(QLatin1String(item)).arg(written).arg(failed));
}

void clsBlockModeView::UnRegisterView()
{
    // The manager lets go of this view, which may be its last owner besides the caller.
    const auto self = weak_from_this().lock();
    m_form = nullptr;
    if (m_manager) {
        int32_t result = 0;
        m_manager->UnregisterView(this, result);
        if (result != 0)
            Trace(QStringLiteral("UnRegisterView: not registered (%1)").arg(result));
    }
    m_manager.reset();
    m_permitted.fill(0);
    m_normal.fill(0);
    m_objectLimit.fill(0);
}
