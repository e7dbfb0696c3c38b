#include "platform/printview/clsHTMLPrintView.h"
#include "platform/automation/CheckedFile.h"
#include "platform/controls/WindowPlacement.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/printview/PrintViewWindow.h"
#include "platform/printview/ReportPage.h"
#include "platform/printview/ReportValues.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace printview {

namespace {

const QString kSource = QStringLiteral("Print view");

// The text of a file below the size limit; empty (traced) otherwise.
bool ReadSmallFile(const QString& path, qint64 limit, QString& text)
{
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, limit, bytes, &reason)) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, reason));
        return false;
    }
    text = QString::fromUtf8(bytes);
    return true;
}

} // namespace

clsHTMLPrintView::clsHTMLPrintView() = default;

clsHTMLPrintView::~clsHTMLPrintView()
{
    if (m_window) {
        m_window->onClosed = nullptr;
        m_window->hide();
        // The window may be inside its own close when the view ends.
        if (m_window->Closing())
            m_window->deleteLater();
        else
            delete m_window;
    }
}

void clsHTMLPrintView::SetAppletItemManagRef(int32_t lViewHandle,
                                             const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                             int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    if (!m_window) {
        m_window = new PrintViewWindow;
        std::weak_ptr<clsHTMLPrintView> weak = weak_from_this();
        m_window->onClosed = [weak] {
            if (auto self = weak.lock())
                self->Close();
        };
    }
    if (!LoadPage()) {
        Close();
        result = applet::kResultViewNotCreated;
        return;
    }
    result = 0;
}

bool clsHTMLPrintView::LoadPage()
{
    m_pagePath.clear();
    m_filled.clear();
    m_unfilled.clear();
    if (!m_manager)
        return false;
    QString folder;
    double country = 1;
    int32_t failed = 0;
    m_manager->GetStringValue(m_manager->HandleOf(kTdxPath), folder, failed);
    if (failed == 0)
        m_manager->fncGetUIntValue(m_manager->HandleOf(kCountryCode), country, failed);
    if (failed != 0) {
        applet::AppletTrace::Error(QStringLiteral("%1: the description folder or the country code cannot be read (%2)")
                                       .arg(kSource, applet::ResultText(failed)));
        return false;
    }
    // Another instance on the same description may replace its pages while
    // this one looks: a page gone between finding and reading is looked for again.
    QString page;
    QString html;
    for (int attempt = 0;; ++attempt) {
        page = FindReportPage(folder, static_cast<int>(country));
        if (page.isEmpty()) {
            applet::AppletTrace::Error(QStringLiteral("%1: no report page in \"%2\" or the cache folder")
                                           .arg(kSource, PageFolders(folder).join(QStringLiteral("\", \""))));
            return false;
        }
        if (ReadSmallFile(page, kMaxPageBytes, html))
            break;
        if (attempt == 2 || QFileInfo::exists(page))
            return false;
    }
    UnitTable units;
    const QString unitFile = QDir(folder).filePath(kUnitTableName);
    QString unitText;
    if (QFileInfo::exists(unitFile) && ReadSmallFile(unitFile, kMaxPageBytes, unitText)) {
        units = ParseUnitTable(unitText);
        for (const QString& error : units.errors)
            applet::AppletTrace::Error(QStringLiteral("%1: %2: %3").arg(kSource, unitFile, error));
    }
    const ReportValues values(m_manager, units, static_cast<int>(country));
    m_filled = FillPlaceholders(html, [&values](const QString& name) { return values.Text(name); }, &m_unfilled);
    if (!m_unfilled.isEmpty())
        applet::AppletTrace::Error(QStringLiteral("%1: \"%2\" names items the description does not know: %3")
                                       .arg(kSource, page, m_unfilled.join(QStringLiteral(", "))));
    m_pagePath = page;
    if (m_window) {
        m_window->SetCountryCode(static_cast<int>(country));
        m_window->SetPage(m_filled, QFileInfo(page).absolutePath());
    }
    return true;
}

void clsHTMLPrintView::Show(int32_t& result)
{
    result = 0;
    if (!m_window)
        return;
    if (m_window->isVisible() && !LoadPage()) {
        Close();
        result = applet::kResultViewNotCreated;
        return;
    }
    // The viewer opens centred on the window the user worked in (or on the
    // screen when no window is active yet), whole on the screen.
    if (!m_window->isVisible()) {
        QWidget* owner = QApplication::activeWindow();
        if (owner == m_window)
            owner = nullptr;
        // Its title bar comes with the window manager: as large as that of a
        // window the manager framed already, the owner's first.
        QSize decoration;
        QList<QWidget*> framed = QApplication::topLevelWidgets();
        if (owner)
            framed.prepend(owner);
        for (const QWidget* each : framed)
            if (each != m_window && each->isVisible() && each->frameGeometry() != each->geometry()) {
                decoration = each->frameGeometry().size() - each->size();
                break;
            }
        const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        const QPoint centre = owner ? owner->frameGeometry().center()
                                    : (screen ? screen->availableGeometry().center() : QPoint());
        controls::WindowPlacement::PlaceOnScreen(
            *m_window, centre - QPoint(m_window->width() / 2, m_window->height() / 2), decoration);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void clsHTMLPrintView::Hide(int32_t& result)
{
    if (m_window)
        m_window->hide();
    result = 0;
}

void clsHTMLPrintView::Destroy(int32_t& result)
{
    if (m_window) {
        m_window->onClosed = nullptr;
        m_window->hide();
    }
    Close();
    result = 0;
}

void clsHTMLPrintView::Close()
{
    if (!m_manager)
        return;
    const auto keep = shared_from_this(); // the manager may hold the last reference
    const std::shared_ptr<applet::clsAppletItemManager> manager = std::move(m_manager);
    int32_t unregistered = 0;
    manager->UnregisterView(this, unregistered);
}

} // namespace printview
