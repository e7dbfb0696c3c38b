#pragma once
// The user command "print preview": asks the report factory for the print-out
// by writing "generateHTMLPrintOut" 1; the factory builds the page and opens
// the print viewer before the write returns. The view does its whole job when
// the applet host hands it the item manager, then closes itself.
#include "pioextensions/IViewEx.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <memory>

class clsHTMLPrintOut : public automation::ComObject, public applet::View, public IViewEx {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsHTMLPrintOut");
    static inline const QString kGenerateHTMLPrintOut = QStringLiteral("generateHTMLPrintOut");

    // View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

    // IViewEx
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const override { return m_manager; }
    void UnRegisterView() override {}

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
};
