#pragma once
// The view behind the mode check boxes of the block-mode page: registered with
// the applet item manager as a view of its own, it registers the permitted,
// normal and object-limit mode items of the eight function blocks, ticks the
// page's check boxes from every change of a mode mask, and writes the bit a
// user's click changed. Its own filling of the check boxes never writes.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class frmBlockmodes;

class clsBlockModeView : public automation::ComObject,
                         public applet::View,
                         public std::enable_shared_from_this<clsBlockModeView> {
public:
    static inline const QString kProgId = QStringLiteral("Merrow.clsBlockModeView");

    clsBlockModeView() = default;
    ~clsBlockModeView() override;
    clsBlockModeView(const clsBlockModeView&) = delete;
    clsBlockModeView& operator=(const clsBlockModeView&) = delete;

    // View. SetAppletItemManagRef registers the 24 mode items; its result is
    // the OR of their failed flags (0 when all registered).
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    // For the page.
    void SetBlockModeForm(frmBlockmodes* page);
    // Sets (value 1) or clears bit index of the mask that the check box array
    // edits; nothing while the view fills the check boxes itself.
    void WriteModeBit(const QString& checkBoxArray, int16_t index, int16_t value);
    // Ends the view's registration with the manager and lets go of the page
    // and the manager; the page calls it when it unloads.
    void UnRegisterView();

private:
    QPointer<frmBlockmodes> m_form;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    // Item handles in the block order; 0 where the registration failed.
    std::array<int32_t, 8> m_permitted{};
    std::array<int32_t, 8> m_normal{};
    std::array<int32_t, 8> m_objectLimit{};
    bool m_filling = false; // the view ticks the check boxes itself
};
