#include "merrow/shell/frmOutput.h"
#include "merrow/shell/global.h"
#include "platform/controls/Twips.h"
#include <QLabel>
#include <QListWidget>

frmOutput::frmOutput(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmOutput"));
    setProperty("Tag", QStringLiteral("2584"));
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setProperty("Tag", QStringLiteral("2585"));
    label->setGeometry(8, 8, 400, 20);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->move(5, 32);
    resize(480, 300);
    global::LocalizeForm(*this);
    global::RestoreFormPosition(*this, true, true);
}

frmOutput::~frmOutput() = default;

void frmOutput::AddText(QString& txt)
{
    if (m_lines.contains(txt))
        return;
    m_lines.append(txt);
    if (m_lines.size() > kLineLimit) {
        m_list->clear();
        m_list->addItems(m_lines);
    }
}

QStringList frmOutput::Lines() const
{
    QStringList lines;
    for (int i = 0; i < m_list->count(); ++i)
        lines.append(m_list->item(i)->text());
    return lines;
}

void frmOutput::resizeEvent(QResizeEvent* event)
{
    using controls::Twips::ToPixels;
    m_list->resize(std::max(0, width() - ToPixels(150)), std::max(0, height() - ToPixels(900)));
    QWidget::resizeEvent(event);
}

void frmOutput::closeEvent(QCloseEvent* event)
{
    global::SaveFormPosition(*this, true, true);
    // Closing unloads the window: the next report starts an empty collection,
    // so lines of earlier occasions neither come back nor hide a repeat.
    m_lines.clear();
    m_list->clear();
    QWidget::closeEvent(event);
}
