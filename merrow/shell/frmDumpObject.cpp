#include "merrow/shell/frmDumpObject.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioText.h"
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

frmDumpObject::frmDumpObject() : PioPage(QStringLiteral("frmDumpObject"), false, false)
{
    setWindowTitle(QStringLiteral("Debug Info"));
    auto* layout = new QHBoxLayout(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Text1"));
    auto* start = new QPushButton(QStringLiteral("Start"), this);
    start->setObjectName(QStringLiteral("Command1"));
    auto* stop = new QPushButton(QStringLiteral("Stop"), this);
    stop->setObjectName(QStringLiteral("Command2"));
    m_value = new controls::PioText(this);
    m_value->setObjectName(QStringLiteral("txtObjectValue"));
    // The value shown follows the device, read every cycle while connected.
    m_value->SetUpdateInterval(1);
    layout->addWidget(m_name);
    layout->addWidget(start);
    layout->addWidget(stop);
    layout->addWidget(m_value);
    m_userLevel = new pioitems::PioAppItem(this);
    m_userLevel->setObjectName(QStringLiteral("appUserLevel"));
    m_userLevel->SetAppItemName(QStringLiteral("&&private&&UserLevel"));
    m_countryCode = new pioitems::PioAppItem(this);
    m_countryCode->setObjectName(QStringLiteral("appCountryCode"));
    m_countryCode->SetAppItemName(QStringLiteral("&&private&&countrycode"));
    connect(start, &QPushButton::clicked, this, &frmDumpObject::Command1_Click);
    connect(stop, &QPushButton::clicked, this, &frmDumpObject::Command2_Click);
}

frmDumpObject::~frmDumpObject() = default;

void frmDumpObject::Command1_Click()
{
    try {
        m_value->SetObjectNameText(m_name->text().trimmed());
        const auto view = viewRef();
        const auto manager = view ? view->appletItemManagerRef() : nullptr;
        if (manager)
            m_value->Register(manager, static_cast<int32_t>(m_userLevel->UIntValue()),
                              static_cast<int32_t>(m_countryCode->UIntValue()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmDumpObject.Start: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void frmDumpObject::Command2_Click()
{
    try {
        m_value->UnRegister();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmDumpObject.Stop: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}
