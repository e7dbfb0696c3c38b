#pragma once
// The print viewer "Quorvix.clsHTMLPrintView" that the applet host starts as a
// single view: it finds the generated report page (ReportPage.h), fills every
// "#item#" placeholder with the item's current value and unit, and shows the
// page in its window, from where it is printed or saved as PDF. Each Show
// reads the page again, so a viewer that is shown again shows the latest
// page. Closing the window ends the view.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/printview/PrintViewWindow.h"
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

namespace printview {

class clsHTMLPrintView : public automation::ComObject,
                         public applet::View,
                         public std::enable_shared_from_this<clsHTMLPrintView> {
public:
    static inline const QString kProgId = QStringLiteral("Quorvix.clsHTMLPrintView");
    static inline const QString kCountryCode = QStringLiteral("&&private&&countrycode");
    static inline const QString kTdxPath = QStringLiteral("&&private_PM&&TDXPath");

    clsHTMLPrintView();
    ~clsHTMLPrintView() override;
    clsHTMLPrintView(const clsHTMLPrintView&) = delete;
    clsHTMLPrintView& operator=(const clsHTMLPrintView&) = delete;

    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

    // Finds the page and fills it; false (traced) when there is no page to show.
    bool LoadPage();
    const QString& PagePath() const { return m_pagePath; }
    // The page as filled, before the window's rendering.
    const QString& FilledPage() const { return m_filled; }
    // Placeholders no item value filled.
    const QStringList& Unfilled() const { return m_unfilled; }
    PrintViewWindow* Window() const { return m_window; }

private:
    void Close();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    QPointer<PrintViewWindow> m_window;
    QString m_pagePath;
    QString m_filled;
    QStringList m_unfilled;
};

} // namespace printview
