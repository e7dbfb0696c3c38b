// The module configuration of a modular device: the configurator opens the
// dialog when it is registered, the slot table follows the configuration
// item, Add, drag and drop and Remove write the item, and OK rebuilds the
// topology modules from the slots.
#include "ModularDeviceSupport.h"
#include "fennick/dataset/clsChannelConfigurator.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/dataset/frmChannelManagerDialog.h"
#include "fennick/services/XMLHelper.h"
#include "fennick/fdt/global.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/Description.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/ItemComboBox.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/ItemLabel.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TraceCapture.h"
#include <QCoreApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {

using modulartest::AppletDescription;
using modulartest::ManagerHost;
using modulartest::ModularFdtParser;

class ChannelConfiguratorTest : public ::testing::Test {
protected:
    ChannelConfiguratorTest()
    {
        host->manager = std::make_shared<applet::clsAppletItemManager>(AppletDescription(3), nullptr,
                                                                       std::weak_ptr<applet::AppletHost>());
        global::AppletHost() = host;
    }
    ~ChannelConfiguratorTest() override
    {
        if (configurator)
            configurator->CloseConfigurator();
        configurator.reset();
        Drain();
        if (data)
            data->ReleaseDataModel();
        global::AppletHost().reset();
    }
    static void Drain()
    {
        for (int i = 0; i < 100 && loop::PendingPostedCalls() > 0; ++i)
            loop::RunPostedCalls();
    }

    // The data model and the configurator registered with the item manager.
    void Open(bool configurable = true)
    {
        if (configurable)
            parser.WithConfigurationItems();
        data = std::make_shared<clsDataManager>();
        data->BuildDataModel(parser);
        ASSERT_TRUE(data->Instance_SetupDataCache(
            QStringLiteral("<FDT storageState=\"persistent\" dataSetState=\"allDataLoaded\"/>")));
        configurator = std::make_shared<clsChannelConfigurator>(data);
        configurator->SetDoneHandler([this](int32_t success) { done = success; });
        int32_t result = -1;
        host->manager->RegisterView(configurator, result);
        ASSERT_EQ(result, 0);
        Drain(); // the configuration item's first report
    }
    frmChannelManagerDialog* Dialog() const { return configurator->ConfigurationDialog(); }
    int32_t ConfigHandle() const { return host->manager->HandleOf(QStringLiteral("ModuleConfig")); }
    QByteArray Configuration() const
    {
        QByteArray bytes;
        int32_t failed = 0;
        host->manager->fncGetOctetsValue(ConfigHandle(), bytes, failed);
        return bytes;
    }
    // A write as the applet makes it.
    void SetConfiguration(const QByteArray& bytes)
    {
        int32_t failed = 0;
        host->manager->PutOctetsValue(ConfigHandle(), bytes, failed);
        ASSERT_EQ(failed, 0);
    }
    QString Cell(int row) const
    {
        const QTableWidgetItem* item = Dialog()->ModuleGrid()->item(row, 1);
        return item ? item->text() : QStringLiteral("<none>");
    }
    void Choose(int32_t type)
    {
        controls::ItemComboBox* combo = Dialog()->cmbModule();
        combo->setCurrentIndex(combo->findData(type));
        combo->activated(combo->currentIndex());
    }
    QStringList Topology() const
    {
        QStringList result;
        for (const auto& entry : *data->TopologyModules())
            result << QStringLiteral("%1@%2").arg(entry.item->ModuleDescription()).arg(entry.item->Slot());
        return result;
    }
    // A drop of the module label on the table at the row's centre.
    void DropLabelOnRow(int row)
    {
        QTableWidget* grid = Dialog()->ModuleGrid();
        const QRect rect = grid->visualItemRect(grid->item(row, 0));
        DropLabelAt(grid->viewport(), rect.center());
    }
    // A drag of the module label entering the widget and dropped there.
    static void DropLabelAt(QWidget* target, const QPoint& position)
    {
        QMimeData mime;
        mime.setData(controls::ItemLabel::kMimeType, QByteArray("ModuleList"));
        QDragEnterEvent enter(position, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(position), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
    }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    TraceCapture traces;
    ModularFdtParser parser;
    std::shared_ptr<ManagerHost> host = std::make_shared<ManagerHost>();
    std::shared_ptr<clsDataManager> data;
    std::shared_ptr<clsChannelConfigurator> configurator;
    std::optional<int32_t> done;
};

} // namespace

TEST_F(ChannelConfiguratorTest, TheTableShowsEachSlotsModule)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(Dialog()->IsConfigurableMode());
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_FALSE(Dialog()->fraConfigModule()->isHidden());
    EXPECT_TRUE(Dialog()->fraSelectModule()->isHidden());
    EXPECT_EQ(Dialog()->windowTitle(), "Module Configuration");
    EXPECT_EQ(Dialog()->ModuleGrid()->rowCount(), 4);
    EXPECT_EQ(Dialog()->ModuleGrid()->item(3, 0)->text(), "3");
    EXPECT_EQ(Cell(1), "Empty Module");
    EXPECT_TRUE(Dialog()->cmbModule()->IsValid());
    EXPECT_EQ(Dialog()->cmbModule()->count(), 3);
    EXPECT_EQ(Dialog()->lblModule()->text(), "Analog input");

    // 00 05 00 with type 5 bound to slot 2.
    SetConfiguration(QByteArray::fromHex("000500"));
    EXPECT_EQ(Cell(1), "Empty Module");
    EXPECT_EQ(Cell(2), "Relay output");
    EXPECT_EQ(Cell(3), "Empty Module");
    EXPECT_EQ(Dialog()->FindFixedSlot(5), 2);
    EXPECT_EQ(Dialog()->FindFixedSlot(1), 0);
    EXPECT_EQ(Dialog()->FindFixedSlot(9), -1);

    // Type 5 in slot 3, where it is not bound: traced, the cell keeps its text.
    SetConfiguration(QByteArray::fromHex("000005"));
    EXPECT_EQ(Cell(2), "Empty Module");
    EXPECT_EQ(Cell(3), "Empty Module");
    EXPECT_TRUE(traces.contains(
        QStringLiteral("frmChannelManagerDialog: slot information in Config data string invalid in position 3")));
}

TEST_F(ChannelConfiguratorTest, AddPutsABoundModuleIntoItsSlotAndDragsAFreeOne)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    Choose(5);
    Dialog()->cmdAdd()->click();
    EXPECT_EQ(Configuration(), QByteArray::fromHex("000500"));
    EXPECT_EQ(Cell(2), "Relay output");
    EXPECT_TRUE(Dialog()->DraggedModule().isEmpty());

    // A module for any slot is dragged instead of written.
    Choose(1);
    Dialog()->cmdAdd()->click();
    EXPECT_EQ(Configuration(), QByteArray::fromHex("000500"));
    EXPECT_EQ(Dialog()->DraggedModule(), "1");
    EXPECT_FALSE(Dialog()->lblModule()->isHidden());

    DropLabelOnRow(3);
    EXPECT_EQ(Configuration(), QByteArray::fromHex("000501"));
    EXPECT_EQ(Cell(3), "Analog input");
    EXPECT_TRUE(Dialog()->DraggedModule().isEmpty());
    EXPECT_TRUE(Dialog()->lblModule()->isHidden());
}

TEST_F(ChannelConfiguratorTest, DropsOutsideTheSlotRowsChangeNothing)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    Choose(1);
    Dialog()->cmdAdd()->click();
    ASSERT_EQ(Dialog()->DraggedModule(), "1");

    DropLabelOnRow(0); // the header row
    Dialog()->ModuleGrid_DragDrop(true, 4); // past the last slot
    Dialog()->ModuleGrid_DragDrop(true, -1); // below the rows
    EXPECT_EQ(Configuration(), QByteArray::fromHex("000000"));
    EXPECT_EQ(Dialog()->DraggedModule(), "1");

    // The row under the pointer counts, also in its lower half.
    QTableWidget* grid = Dialog()->ModuleGrid();
    const QRect rect = grid->visualItemRect(grid->item(1, 0));
    EXPECT_EQ(Dialog()->RowAt(QPoint(rect.left() + 2, rect.bottom() - 1)), 1);

    // Something other than the label dropped on the table ends the drag.
    Dialog()->ModuleGrid_DragDrop(false, 2);
    EXPECT_TRUE(Dialog()->DraggedModule().isEmpty());
    EXPECT_EQ(Configuration(), QByteArray::fromHex("000000"));

    // The label dropped anywhere else on the form ends the drag too.
    Dialog()->cmdAdd()->click();
    DropLabelAt(Dialog(), QPoint(2, 2));
    EXPECT_TRUE(Dialog()->DraggedModule().isEmpty());
    EXPECT_TRUE(Dialog()->lblModule()->isHidden());
}

TEST_F(ChannelConfiguratorTest, RemoveEmptiesTheSelectedSlotOnly)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    SetConfiguration(QByteArray::fromHex("010501"));
    QTableWidget* grid = Dialog()->ModuleGrid();

    grid->setCurrentCell(0, 1); // the header
    Dialog()->cmdRemove()->click();
    EXPECT_EQ(Configuration(), QByteArray::fromHex("010501"));

    grid->setCurrentCell(3, 1);
    Dialog()->cmdRemove()->click();
    EXPECT_EQ(Configuration(), QByteArray::fromHex("010500"));
    EXPECT_EQ(Cell(3), "Empty Module");

    // A row whose cell shows nothing writes nothing.
    grid->item(1, 1)->setText(QString());
    grid->setCurrentCell(1, 1);
    Dialog()->cmdRemove()->click();
    EXPECT_EQ(Configuration(), QByteArray::fromHex("010500"));
}

TEST_F(ChannelConfiguratorTest, OkPlacesEachConfiguredSlotsModuleByItsType)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    // Two slots with the same type: each gets a module of its own.
    SetConfiguration(QByteArray::fromHex("010501"));
    Dialog()->cmdDone()->click();
    ASSERT_EQ(done, 0);
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2", "AI_2@3"}));
    EXPECT_EQ(data->GetStorageState(), "transient");
    EXPECT_EQ(data->GetDataSetState(), "validModified ");

    // Confirmed again with the same configuration: the same topology.
    done.reset();
    Dialog()->cmdDone()->click();
    EXPECT_EQ(done, 0);
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2", "AI_2@3"}));
}

TEST_F(ChannelConfiguratorTest, TwoModulesOfOneNameComeBackIntoTheirOwnSlots)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    SetConfiguration(QByteArray::fromHex("010501"));
    Dialog()->cmdDone()->click();
    ASSERT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2", "AI_2@3"}));

    // The topology as the dataset stores it; both analog inputs carry the
    // name "Analog input". Read back, each stored module finds a module of its own.
    ASSERT_TRUE(data->Instance_SetupDataCache(QStringLiteral("<FDT><DtmDevice/></FDT>")));
    for (const auto& entry : *data->TopologyModules())
        entry.item->IDtmParameter_GetModuleData(*data->DataCache());
    for (const auto& entry : *data->DescribedModules())
        entry.item->SetSlot(0);
    traces.clear();
    data->BuildTopologyModules();
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2", "AI_2@3"}));
    EXPECT_FALSE(traces.contains(QStringLiteral("already associated")));

    // A third stored analog input has no module left: traced, left out.
    const xml::XmlNodeList stored = data->DataCache()->SelectNodes(XMLHelper::ModulePath());
    ASSERT_EQ(stored.size(), 3);
    data->TopologyModules()->Item(1)->IDtmParameter_GetModuleData(*data->DataCache());
    traces.clear();
    data->BuildTopologyModules();
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2", "AI_2@3"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("no module left for the stored module \"Analog input\" in slot 1")))
        << traces.lines().join('\n').toStdString();

    // Without the one in slot 3 the second analog input would land in slot 1,
    // which is taken: traced, left out, and the modules keep their slots.
    const xml::XmlNode third = data->DataCache()->SelectNodes(XMLHelper::ModulePath()).at(2);
    third.Parent().Parent().RemoveChild(third.Parent());
    traces.clear();
    data->BuildTopologyModules();
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "RO_2@2"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("slot 1 holds a module already; the stored module \"Analog input\" is left out")))
        << traces.lines().join('\n').toStdString();
}

TEST_F(ChannelConfiguratorTest, ASlotWithoutAModuleLeftIsTracedAndLeftOut)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    // Type 5 twice but only one relay module described; type 9 has none.
    SetConfiguration(QByteArray::fromHex("050509"));
    Dialog()->cmdDone()->click();
    EXPECT_EQ(done, 0);
    EXPECT_EQ(Topology(), (QStringList{"RO_2@1"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("no module of type 5 left for slot 2")));
    EXPECT_TRUE(traces.contains(QStringLiteral("no module of type 9 left for slot 3")));
}

TEST_F(ChannelConfiguratorTest, CancelReportsOneAndTheOwnersCloseNothing)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    SetConfiguration(QByteArray::fromHex("000500"));
    Dialog()->cmdCancel()->click();
    EXPECT_EQ(done, 1);
    EXPECT_TRUE(data->TopologyModules()->IsEmpty());
    EXPECT_NE(data->GetStorageState(), "transient");

    // The owner's close ends the registration and the window, without Done.
    done.reset();
    QPointer<frmChannelManagerDialog> dialog = Dialog();
    configurator->CloseConfigurator();
    EXPECT_FALSE(host->manager->IsRegistered(configurator.get()));
    Drain();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_FALSE(done.has_value());
}

TEST_F(ChannelConfiguratorTest, ClosingTheWindowCountsAsCancel)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    QPointer<frmChannelManagerDialog> dialog = Dialog();
    dialog->close();
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(dialog->CtrlItemHandler()->IsRegistered());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ChannelConfiguratorTest, StandardModeOffersTheDescribedModules)
{
    Open(false);
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_FALSE(Dialog()->IsConfigurableMode());
    EXPECT_TRUE(Dialog()->fraConfigModule()->isHidden());
    EXPECT_FALSE(Dialog()->fraSelectModule()->isHidden());
    EXPECT_EQ(configurator->ConfigurationHandle(), -1);
    QListWidget* list = Dialog()->lstStandardModules();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), "Relay output");
    EXPECT_EQ(list->currentRow(), -1);

    // Nothing chosen: no module, but the dataset is marked and OK reported.
    Dialog()->cmdDone()->click();
    EXPECT_EQ(done, 0);
    EXPECT_TRUE(data->TopologyModules()->IsEmpty());
    EXPECT_EQ(data->GetStorageState(), "transient");

    // Every described module of the chosen name goes to slot 1.
    list->setCurrentRow(0);
    Dialog()->cmdDone()->click();
    EXPECT_EQ(Topology(), (QStringList{"AI_1@1", "AI_2@1"}));

    // Opened again, the first topology module is preselected.
    configurator->CloseConfigurator();
    int32_t result = -1;
    host->manager->RegisterView(configurator, result);
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_EQ(Dialog()->lstStandardModules()->currentRow(), 0);
}

TEST_F(ChannelConfiguratorTest, AnUnboundModuleListEndsWithoutAWindow)
{
    parser.fixed.push_back({QStringLiteral("moduleList"), 2001, QStringLiteral("NoSuchItem")});
    parser.fixed.push_back({QStringLiteral("slotConfiguration"), 2002, QStringLiteral("ModuleConfig")});
    data = std::make_shared<clsDataManager>();
    data->BuildDataModel(parser);
    configurator = std::make_shared<clsChannelConfigurator>(data);
    configurator->SetDoneHandler([this](int32_t success) { done = success; });
    int32_t result = -1;
    host->manager->RegisterView(configurator, result);
    EXPECT_EQ(done, 1);
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_FALSE(Dialog()->isVisible());
}

TEST_F(ChannelConfiguratorTest, TheViewEndsWithItsManager)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    QPointer<frmChannelManagerDialog> dialog = Dialog();
    int32_t result = -1;
    configurator->Show(result);
    EXPECT_EQ(result, 0);
    configurator->Hide(result);
    EXPECT_EQ(result, 1);
    configurator->Destroy(result);
    EXPECT_EQ(result, 0);
    Drain();
    EXPECT_TRUE(dialog.isNull());
    configurator->NotifyChanged(ConfigHandle(), false, 0, 0, result);
    EXPECT_EQ(result, 1);
    host->manager->UnregisterView(configurator.get(), result);
}

TEST_F(ChannelConfiguratorTest, AnEmptyConfigurationIsTracedWhateverTheSwitches)
{
    Open();
    ASSERT_NE(Dialog(), nullptr);
    Dialog()->ShowConfiguration(QByteArray());
    EXPECT_TRUE(traces.contains(
        QStringLiteral("frmChannelManagerDialog: no valid information on the number of available slots")));
}
