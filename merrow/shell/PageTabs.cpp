#include "merrow/shell/PageTabs.h"
#include "platform/applet/AppletTrace.h"
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>
#include <QVariantMap>

namespace {

// The frame number a key begins with; -1 for a key without one.
int FrameNumber(const QString& key)
{
    int digits = 0;
    while (digits < key.size() && key[digits].isDigit())
        ++digits;
    bool ok = false;
    const int number = key.left(digits).toInt(&ok);
    return ok ? number : -1;
}

QVariantMap TabData(const QString& key, int16_t textId)
{
    return {{QStringLiteral("Key"), key}, {QStringLiteral("Tag"), QString::number(textId)}};
}

} // namespace

PageTabs::PageTabs(QWidget* page) : QWidget(page)
{
    setObjectName(QStringLiteral("tabsOptions"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_strip = new QTabBar(this);
    // Every tab shows whole: the page grows to the strip instead of scrolling it.
    m_strip->setUsesScrollButtons(false);
    m_strip->setObjectName(QStringLiteral("tbsOptions"));
    m_strip->setFocusPolicy(Qt::TabFocus);
    column->addWidget(m_strip);
    auto* area = new QWidget(this);
    m_frames = new QStackedLayout(area);
    m_cover = new QWidget(area);
    m_cover->setObjectName(QStringLiteral("fraCover"));
    m_frames->addWidget(m_cover);
    column->addWidget(area, 1);
    connect(m_strip, &QTabBar::currentChanged, this, [this] { tbsOptions_Click(); });
    SetCovered(true);
}

void PageTabs::AddTab(const QString& key, int16_t textId, QWidget* frame, int helpContextId)
{
    const int number = FrameNumber(key);
    if (number < 0 || !frame) {
        applet::AppletTrace::Error(QStringLiteral("PageTabs: tab key \"%1\" names no frame").arg(key));
        return;
    }
    while (m_byNumber.size() <= number)
        m_byNumber.append(nullptr);
    m_byNumber[number] = frame;
    frame->setObjectName(QStringLiteral("picOptions(%1)").arg(number));
    frame->setProperty("HelpContextID", helpContextId);
    frame->setEnabled(false);
    m_frames->addWidget(frame);
    const QSignalBlocker quiet(m_strip);
    const int index = m_strip->addTab(QString::number(textId));
    m_strip->setTabData(index, TabData(key, textId));
}

int PageTabs::IndexOfKey(const QString& key) const
{
    for (int i = 0; i < m_strip->count(); ++i)
        if (m_strip->tabData(i).toMap().value(QStringLiteral("Key")).toString() == key)
            return i;
    return -1;
}

bool PageTabs::RemoveTab(const QString& key)
{
    const int index = IndexOfKey(key);
    if (index < 0)
        return false;
    m_strip->removeTab(index);
    tbsOptions_Click();
    return true;
}

bool PageTabs::InsertTab(int index, const QString& key, int16_t textId)
{
    const int number = FrameNumber(key);
    if (number < 0 || number >= m_byNumber.size() || !m_byNumber[number] || IndexOfKey(key) >= 0)
        return false;
    QSignalBlocker quiet(m_strip);
    const int at = m_strip->insertTab(qBound(0, index, m_strip->count()), QString::number(textId));
    m_strip->setTabData(at, TabData(key, textId));
    quiet.unblock();
    tbsOptions_Click();
    return true;
}

QString PageTabs::SelectedKey() const
{
    return m_strip->tabData(m_strip->currentIndex()).toMap().value(QStringLiteral("Key")).toString();
}

void PageTabs::SelectKey(const QString& key)
{
    if (const int index = IndexOfKey(key); index >= 0)
        m_strip->setCurrentIndex(index);
}

void PageTabs::SelectNext()
{
    if (m_strip->count() == 0)
        return;
    const int next = m_strip->currentIndex() + 1;
    m_strip->setCurrentIndex(next >= m_strip->count() ? 0 : next);
}

void PageTabs::tbsOptions_Click()
{
    const int selected = FrameNumber(SelectedKey());
    for (int n = 0; n < m_byNumber.size(); ++n)
        if (QWidget* frame = m_byNumber[n])
            frame->setEnabled(n == selected && !m_covered);
    QWidget* shown = selected >= 0 && selected < m_byNumber.size() ? m_byNumber[selected] : nullptr;
    m_frames->setCurrentWidget(m_covered || !shown ? m_cover : shown);
    m_strip->setProperty("HelpContextID", shown ? shown->property("HelpContextID").toInt() : 0);
}

void PageTabs::SetCovered(bool covered)
{
    m_covered = covered;
    tbsOptions_Click();
}

QWidget* PageTabs::picOptions(int n) const
{
    return n >= 0 && n < m_byNumber.size() ? m_byNumber[n] : nullptr;
}

int PageTabs::HelpContextID() const
{
    return m_strip->property("HelpContextID").toInt();
}
