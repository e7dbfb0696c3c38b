#pragma once
// An item manager of the real applet toolkit on a small device description
// that holds every item the device information binds, with the item types of
// the device, and the writes the tests make to it.
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsTdxFileParser.h"
#include "platform/loop/EventLoop.h"
#include "tests/common/TdxTestDescription.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace deviceinfotest {

// The bus kinds' software codes, in characters 3 to 9 of "pbSoftwareSpecifics".
inline const QString kHartSpecifics = QStringLiteral("XX4607215-A");
inline const QString kHartSpecifics2 = QStringLiteral("XX4607238-A");
inline const QString kProfibusSpecifics = QStringLiteral("XX4607221-A");
inline const QString kFfSpecifics = QStringLiteral("XX4607246-A");

// `leaveOut` names an item the description does not have.
inline QByteArray DeviceInfoDescription(const QByteArray& leaveOut = QByteArray())
{
    QByteArray objects = tdxtest::kAppletHostObjects;
    const QByteArray deviceObjects =
        R"(    <Object name="&amp;&amp;private_PM&amp;&amp;TagName" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;Descriptor" type="text" scope="applet"/>
    <Object name="ptrbModulType" type="float" default="22"/>
    <Object name="pbSoftwareSpecifics" type="packedAscii" size="12"/>
    <Object name="pbMultivariableFunction" type="enumerated" size="8" enumeration="OffOn" default="0"/>
    <Object name="mvModeBlkActual" type="unsigned" size="8" default="8"/>
    <Object name="pidModeBlkTarget" type="unsigned" size="8" default="8"/>
    <Object name="pbSoftwareRevisionHART" type="unsigned" size="8" default="21"/>
    <Object name="pbSoftwareRevisionPROFI" type="text" size="16"/>
    <Object name="pbDevRevFF" type="unsigned" size="8" default="1"/>
    <Object name="pbSoftwareSpecHOLLEN" type="octets" size="3"/>
    <Object name="Unrelated" type="float"/>
)";
    for (const QByteArray& line : deviceObjects.split('\n'))
        if (!line.isEmpty() && (leaveOut.isEmpty() || !line.contains("\"" + leaveOut + "\"")))
            objects += line + '\n';
    return tdxtest::DeviceDescription("Device information test", R"(  <Enumerations>
    <Enumeration name="OffOn">
      <Entry value="0" text="Off"/>
      <Entry value="1" text="On"/>
    </Enumeration>
  </Enumerations>
  <Objects>
)" + objects + "  </Objects>\n");
}

// Runs the posted calls (the refreshes after registrations) until none is left.
inline void Pump()
{
    for (int i = 0; i < 1000 && loop::PendingPostedCalls() > 0; ++i)
        loop::RunPostedCalls();
}

inline std::shared_ptr<applet::clsAppletItemManager> LoadManager(const QString& path)
{
    auto parser = std::make_shared<applet::clsTdxFileParser>();
    QString error;
    int32_t status = -1;
    parser->Load(applet::kTdxKindDevice, path, 1, error, status);
    EXPECT_EQ(status, 0) << error.toStdString();
    return std::make_shared<applet::clsAppletItemManager>(parser->GetDescription(), parser,
                                                          std::weak_ptr<applet::AppletHost>());
}

class ManagerFixture : public ::testing::Test {
protected:
    explicit ManagerFixture(const QByteArray& description = DeviceInfoDescription())
    {
        const QString path = dir.filePath(QStringLiteral("device.tdx"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(description);
        file.close();
        manager = LoadManager(path);
    }
    ~ManagerFixture() override { Pump(); }

    void PutText(const QString& name, const QString& text)
    {
        int32_t failed = 0;
        manager->PutStringValue(manager->HandleOf(name), text, failed);
        EXPECT_EQ(failed, 0) << name.toStdString() << " = " << text.toStdString();
    }
    void PutNumber(const QString& name, double value)
    {
        int32_t failed = 0;
        manager->fncPutUintValue(manager->HandleOf(name), value, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
    }
    void PutOctets(const QString& name, const QByteArray& bytes)
    {
        int32_t failed = 0;
        manager->fncPutOctetsValue(manager->HandleOf(name), bytes, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
    }
    void SetBus(const QString& specifics) { PutText(QStringLiteral("pbSoftwareSpecifics"), specifics); }

    QTemporaryDir dir;
    std::shared_ptr<applet::clsAppletItemManager> manager;
};

} // namespace deviceinfotest
