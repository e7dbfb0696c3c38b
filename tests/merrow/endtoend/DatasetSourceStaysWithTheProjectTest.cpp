// The status bar says where the window's dataset came from, and a project
// keeps it: a dataset read from the device says "Source: Device" also when
// the project is opened again later.
#include "platform/applet/IFbInstanceData.h"
#include "platform/applet/ParameterInfo.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QMap>

using namespace merrowtest;

namespace {

// The project's instance data: what the host stores, by item name.
class ProjectStore : public applet::IFbInstanceData {
public:
    int32_t fncC2VBString(int32_t, QString& text) override
    {
        text.clear();
        return 0;
    }
    int32_t ReadParameter(const QVariant&, const QString&, const QString& name, QVariant& value) override
    {
        value = values.contains(name) ? QVariant(values.value(name)) : QVariant();
        return 0;
    }
    int32_t WriteParameter(const QVariant&, const QString&, const QString&, const QVariant&) override { return 0; }
    int32_t WriteParameterInfo(const QVariant&, const QString&, const applet::clsParameterInfo& info) override
    {
        values[info.Name()] = info.Value().toString();
        return 0;
    }
    int32_t DeleteParameter(const QVariant&, const QString&, const QString&) override { return 0; }
    int32_t OpenInstance(const QVariant&, const QString&, int32_t) override { return 0; }
    int32_t CloseInstance(const QVariant&, const QString&) override { return 0; }

    QMap<QString, QString> values;
};

} // namespace

TEST(DatasetSource, ReadFromTheDeviceIsShownAndKeptWithTheProject)
{
    const auto project = std::make_shared<ProjectStore>();
    {
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        int32_t code = -1;
        applet.host->fncSetDBInstance(project, code);
        ASSERT_EQ(code, 0);
        frmMain* window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->PanelText(2), "Source: Device");
        applet.host->SaveToDatabase(0, code);
        ASSERT_EQ(code, 0);
    }

    // The project opened again, without a device.
    CorvaneDeviceApplet reopened;
    int32_t code = -1;
    reopened.host->fncSetDBInstance(project, code);
    ASSERT_EQ(code, 0);
    reopened.host->LoadFromDatabase(0, code);
    ASSERT_EQ(code, 0);
    frmMain* window = reopened.Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->PanelText(2), "Source: Device");
}
