#pragma once
// A PROFIBUS device type of the Trivex description files with a GSD file, as
// a new, configured DTM instance driven through the reference frame.
#include "fennick/dataset/clsDataManagerModule.h"
#include "tests/fennick/fdt/DtmTestSupport.h"

namespace dtmtest {

class ProfibusDataset : public DtmTest {
protected:
    void SetUp() override { StartDataset(WriteGsd()); }

    // A new instance of the PROFIBUS device type whose GSD file is the one named.
    void StartDataset(const QString& gsdPath)
    {
        gsd = gsdPath;
        ProfibusInstance(gsd);
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
