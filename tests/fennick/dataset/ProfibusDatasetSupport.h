#pragma once
// A PROFIBUS device type of the Trivex description files with a GSD file, as
// a new, configured DTM instance driven through the reference frame.
#include "fennick/dataset/clsDataManagerModule.h"
#include "tests/fennick/fdt/DtmTestSupport.h"
#include <QFile>

namespace dtmtest {

// A GSD file of no user parameter data.
inline const QByteArray kPlainGsd = "#Profibus_DP\nVendor_Name = \"Korvel\"\n";

class ProfibusDataset : public DtmTest {
protected:
    void SetUp() override { StartDataset(WriteGsd(kPlainGsd)); }

    QString WriteGsd(const QByteArray& content)
    {
        const QString path = dir.filePath(QStringLiteral("TRVX0A7.gsd"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    // A new instance of the PROFIBUS device type whose GSD file is the one named.
    void StartDataset(const QString& gsdPath)
    {
        gsd = gsdPath;
        XMLHelper::LoadSchemaCache(QStringLiteral(TRIVEX_SCHEMA_DIR));
        RegisterDeviceType(QStringLiteral("167"), kProfibusBus, TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"),
                           TrivexDescriptionDir() + QStringLiteral("Trivex.fdt"), gsd);
        ASSERT_TRUE(frame->CreateDtm(kTag));
        ASSERT_TRUE(frame->InitNewInstance(kTag, DeviceTypeDocument(QStringLiteral("167"), kProfibusBus)))
            << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("maintenance")));
        clock.Advance(100);
    }
    std::shared_ptr<clsDataManager> Data() const { return Dtm()->DataManager(); }
    // The configuration dialog's work: the transmitter in slot 1.
    void PlaceTransmitter()
    {
        const auto module = Data()->DescribedModules()->Find(QStringLiteral("Transmitter"));
        Data()->TopologyModules()->Add(QStringLiteral("1"), module);
        module->SetSlot(1);
    }
    void Reload()
    {
        ASSERT_TRUE(frame->SaveInstance(kTag)) << frame->LastError().toStdString();
        frame.reset();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")),
                                                        QStringLiteral(TRIVEX_SCHEMA_DIR));
        ASSERT_TRUE(frame->CreateDtm(kTag));
    }
    // The dataset's bus master configuration part.
    QString Bmcp() const
    {
        return Data()->DataCache()->SelectSingleNode(QStringLiteral("//MasterSlaveBus"))
            .Attribute(QStringLiteral("busMasterConfigurationPart"));
    }

    QString gsd;
};

} // namespace dtmtest
