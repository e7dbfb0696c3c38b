#include "fennick/dataset/frmChannelManagerDialog.h"
#include "fennick/dataset/clsChannelConfigurator.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/LoadResource.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/controls/ItemComboBox.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/ItemLabel.h"
#include "platform/controls/Twips.h"
#include "platform/controls/WindowPlacement.h"
#include "platform/loop/EventLoop.h"
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

namespace {

constexpr int16_t kTextCaption = 410;
constexpr int16_t kTextOk = 306;
constexpr int16_t kTextCancel = 307;
constexpr int16_t kTextConfigureModule = 451;
constexpr int16_t kTextAdd = 452;
constexpr int16_t kTextRemove = 453;
constexpr int16_t kTextCurrentConfiguration = 403;
constexpr int16_t kTextSelectModule = 401;
constexpr int16_t kTextAvailableModules = 402;
constexpr int16_t kTextEmptyModule = 404;

const QString kStorageTransient = QStringLiteral("transient");
const QString kDataSetModified = QStringLiteral("validModified ");
const QString kTracePrefix = QStringLiteral("frmChannelManagerDialog: ");

constexpr int kWidthTwips = 7800;
constexpr int kHeightTwips = 5400;

} // namespace

frmChannelManagerDialog::frmChannelManagerDialog(std::shared_ptr<clsDataManager> data,
                                                 std::shared_ptr<applet::clsAppletItemManager> manager,
                                                 int32_t configurationHandle, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_data(std::move(data)),
      m_manager(std::move(manager)),
      m_configurationHandle(configurationHandle),
      m_fraConfigModule(new QGroupBox(this)),
      m_fraSelectModule(new QGroupBox(this)),
      m_cmbModule(new controls::ItemComboBox(m_fraConfigModule)),
      m_lblModule(new controls::ItemLabel(m_fraConfigModule)),
      m_cmdAdd(new QPushButton(m_fraConfigModule)),
      m_cmdRemove(new QPushButton(m_fraConfigModule)),
      m_lblSelected(new QLabel(m_fraConfigModule)),
      m_grid(new QTableWidget(m_fraConfigModule)),
      m_lblSelectModule(new QLabel(m_fraSelectModule)),
      m_lstStandardModules(new QListWidget(m_fraSelectModule)),
      m_cmdDone(new QPushButton(this)),
      m_cmdCancel(new QPushButton(this)),
      m_itemHandler(std::make_shared<controls::PioCtrlItemHandler>())
{
    BuildLayout();
    Form_Initialize();
}

frmChannelManagerDialog::~frmChannelManagerDialog()
{
    if (m_itemHandler->IsRegistered())
        m_itemHandler->Unregister();
}

void frmChannelManagerDialog::BuildLayout()
{
    setObjectName(QStringLiteral("frmChannelManagerDialog"));
    m_fraConfigModule->setObjectName(QStringLiteral("fraConfigModule"));
    m_fraSelectModule->setObjectName(QStringLiteral("fraSelectModule"));
    m_cmbModule->setObjectName(QStringLiteral("cmbModule"));
    m_lblModule->setObjectName(QStringLiteral("lblModule"));
    m_cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    m_cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    m_lblSelected->setObjectName(QStringLiteral("lblSelected"));
    m_grid->setObjectName(QStringLiteral("ModuleGrid"));
    m_lblSelectModule->setObjectName(QStringLiteral("lblSelectModule"));
    m_lstStandardModules->setObjectName(QStringLiteral("lstStandardModules"));
    m_cmdDone->setObjectName(QStringLiteral("cmdDone"));
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // The table: column 0 the slot, column 1 the module; row 0 is its header.
    m_grid->setColumnCount(2);
    m_grid->setRowCount(1);
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int column = 0; column < 2; ++column) {
        auto* header = new QTableWidgetItem();
        header->setFlags(Qt::ItemIsEnabled);
        header->setBackground(palette().color(QPalette::Button));
        m_grid->setItem(0, column, header);
    }
    m_grid->viewport()->setAcceptDrops(true);
    m_grid->viewport()->installEventFilter(this);
    setAcceptDrops(true);
    m_lblModule->hide();
    m_lblModule->setMinimumHeight(m_cmbModule->sizeHint().height());

    auto* config = new QGridLayout(m_fraConfigModule);
    config->addWidget(m_cmbModule, 0, 0);
    config->addWidget(m_cmdAdd, 0, 1);
    config->addWidget(m_lblModule, 1, 0);
    config->addWidget(m_cmdRemove, 1, 1);
    config->addWidget(m_lblSelected, 2, 0, 1, 2);
    config->addWidget(m_grid, 3, 0, 1, 2);
    auto* select = new QVBoxLayout(m_fraSelectModule);
    select->addWidget(m_lblSelectModule);
    select->addWidget(m_lstStandardModules);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(m_cmdDone);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fraConfigModule);
    layout->addWidget(m_fraSelectModule);
    layout->addLayout(buttons);
    resize(controls::Twips::ToPixels(kWidthTwips), controls::Twips::ToPixels(kHeightTwips));

    connect(m_cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(m_cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
    connect(m_cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { RaiseDone(kDoneCancel); });
}

void frmChannelManagerDialog::Form_Initialize()
{
    if (!m_itemHandler->IsRegistered())
        m_itemHandler->Register(this, m_manager);
    setWindowTitle(LoadResource::GetResourceString(kTextCaption));
    m_cmdDone->setText(LoadResource::GetResourceString(kTextOk));
    m_cmdCancel->setText(LoadResource::GetResourceString(kTextCancel));
    m_fraConfigModule->setTitle(LoadResource::GetResourceString(kTextConfigureModule));
    m_cmdAdd->setText(LoadResource::GetResourceString(kTextAdd));
    m_cmdRemove->setText(LoadResource::GetResourceString(kTextRemove));
    m_lblSelected->setText(LoadResource::GetResourceString(kTextCurrentConfiguration));
    m_fraSelectModule->setTitle(LoadResource::GetResourceString(kTextSelectModule));
    m_lblSelectModule->setText(LoadResource::GetResourceString(kTextAvailableModules));
}

// --- Opening and closing --------------------------------------------------------------------

void frmChannelManagerDialog::ShowDialog()
{
    m_configurable = m_data && m_data->ChannelConfigItem() && m_data->ChannelListItem();
    if (m_configurable) {
        m_cmbModule->SetItemName(clsChannelConfigurator::ItemNameOf(m_data->ChannelListItem()));
        m_lblModule->SetItemName(m_cmbModule->ItemName());
        m_itemHandler->Unregister();
        m_itemHandler->Register(this, m_manager);
        if (!m_cmbModule->IsValid()) {
            Debugging::TraceError(kTracePrefix + QStringLiteral("the module list item >>") + m_cmbModule->ItemName()
                                  + QStringLiteral("<< cannot be bound"));
            RaiseDone(kDoneCancel);
            return;
        }
        m_fraConfigModule->show();
        m_fraSelectModule->hide();
        EnsureRows(static_cast<int>(ReadConfiguration().size()));
    } else {
        m_fraConfigModule->hide();
        m_fraSelectModule->show();
        m_lstStandardModules->clear();
        const auto described = m_data ? m_data->DescribedModules() : nullptr;
        const auto topology = m_data ? m_data->TopologyModules() : nullptr;
        const auto first = topology && topology->Count() > 0 ? topology->Item(1) : nullptr;
        if (described) {
            for (const auto& entry : *described) {
                m_lstStandardModules->addItem(entry.item->ModuleName());
                if (first && first == entry.item)
                    m_lstStandardModules->setCurrentRow(m_lstStandardModules->count() - 1);
            }
        }
    }
    show();
}

void frmChannelManagerDialog::CloseDialog()
{
    m_closing = true;
    close();
    // Deleted on a later turn: the caller may be inside one of its handlers.
    loop::PostToLoop([dialog = QPointer<frmChannelManagerDialog>(this)] { delete dialog.data(); });
}

void frmChannelManagerDialog::RaiseDone(int32_t result)
{
    m_doneRaised = true;
    emit Done(result);
}

void frmChannelManagerDialog::closeEvent(QCloseEvent* event)
{
    controls::WindowPlacement::SetTopMost(*this, false);
    if (m_itemHandler->IsRegistered())
        m_itemHandler->Unregister();
    event->accept();
    // Closed by the user through the window's frame: as Cancel, so that the
    // configuration job ends.
    if (!m_closing && !m_doneRaised)
        RaiseDone(kDoneCancel);
}

void frmChannelManagerDialog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        controls::WindowPlacement::SetTopMost(*this, true);
}

void frmChannelManagerDialog::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (isVisible() && !m_closing)
        setFocus();
}

// --- The slot table ---------------------------------------------------------------------------

int frmChannelManagerDialog::SlotRows() const
{
    return m_grid->rowCount() - 1;
}

void frmChannelManagerDialog::EnsureRows(int slotCount)
{
    while (m_grid->rowCount() < slotCount + 1) {
        const int row = m_grid->rowCount();
        m_grid->insertRow(row);
        auto* slot = new QTableWidgetItem(QString::number(row));
        slot->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_grid->setItem(row, 0, slot);
        m_grid->setItem(row, 1, new QTableWidgetItem());
    }
    SizeColumns();
}

void frmChannelManagerDialog::SizeColumns()
{
    const int digits = static_cast<int>(QString::number(m_grid->rowCount()).size());
    const int slotColumnTwips = kSlotDigitTwips * digits + kSlotMarginTwips;
    const int gridTwips = controls::Twips::FromPixels(m_grid->viewport()->width());
    m_grid->setColumnWidth(0, controls::Twips::ToPixels(slotColumnTwips));
    // The style may keep a column wider than asked; the module column takes
    // what is left.
    const int takenTwips = std::max(slotColumnTwips, controls::Twips::FromPixels(m_grid->columnWidth(0)));
    m_grid->setColumnWidth(1, controls::Twips::ToPixels(
                                  std::max(0, gridTwips - takenTwips - kModuleColumnMarginTwips)));
}

QByteArray frmChannelManagerDialog::ReadConfiguration() const
{
    QByteArray bytes;
    if (!m_manager || m_configurationHandle <= 0)
        return bytes;
    int32_t failed = 0;
    m_manager->fncGetOctetsValue(m_configurationHandle, bytes, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(clsChannelConfigurator::ItemNameOf(m_data ? m_data->ChannelConfigItem() : nullptr));
        bytes.clear();
    }
    return bytes;
}

void frmChannelManagerDialog::WriteConfiguration(const QByteArray& bytes)
{
    int32_t failed = 1;
    if (m_manager && m_configurationHandle > 0)
        m_manager->PutOctetsValue(m_configurationHandle, bytes, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(clsChannelConfigurator::ItemNameOf(m_data ? m_data->ChannelConfigItem() : nullptr));
}

int32_t frmChannelManagerDialog::FindFixedSlot(int32_t typeId) const
{
    int32_t slot = -1;
    const auto described = m_data ? m_data->DescribedModules() : nullptr;
    if (!described)
        return slot;
    for (const auto& entry : *described)
        if (entry.item->ModuleTypeId() == typeId)
            slot = entry.item->Slot();
    return slot;
}

QString frmChannelManagerDialog::ChannelListText(int32_t typeId) const
{
    QString text;
    const auto list = m_data ? m_data->ChannelListItem() : nullptr;
    if (list && list->IsAppletBound()) {
        clsDataManagerDataItem::EnumerationList entries;
        list->EnumerationEntries(entries, false); // builds the table once
        list->EnumerationText(typeId, text);
    }
    // A list the FDT file fixes names its applet item; the combo box lists
    // that item's enumeration.
    if (text.isEmpty()) {
        const int index = m_cmbModule->findData(typeId);
        if (index >= 0)
            text = m_cmbModule->itemText(index);
    }
    return text;
}

void frmChannelManagerDialog::ShowConfiguration(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        DataTypes::WriteTrace(Debugging::kLevelError,
                              kTracePrefix + QStringLiteral("no valid information on the number of available slots"));
        return;
    }
    EnsureRows(static_cast<int>(bytes.size()));
    for (int slot = 1; slot <= bytes.size(); ++slot) {
        const auto value = static_cast<uint8_t>(bytes.at(slot - 1));
        QTableWidgetItem* cell = m_grid->item(slot, 1);
        if (!cell)
            continue;
        if (value == 0) {
            cell->setText(LoadResource::GetResourceString(kTextEmptyModule));
            continue;
        }
        const int32_t fixed = FindFixedSlot(value);
        if (fixed == slot || fixed == 0)
            cell->setText(ChannelListText(value));
        else
            Debugging::TraceError(kTracePrefix + QStringLiteral("slot information in Config data string")
                                  + QStringLiteral(" invalid in position ") + QString::number(slot));
    }
}

int frmChannelManagerDialog::RowAt(const QPoint& viewportPosition) const
{
    return m_grid->rowAt(viewportPosition.y());
}

// --- Editing ---------------------------------------------------------------------------------------

void frmChannelManagerDialog::cmdAdd_Click()
{
    const int32_t value = m_cmbModule->SelectedItemData();
    if (value < 0)
        return; // nothing chosen
    const int32_t slot = FindFixedSlot(value);
    if (slot < 1) {
        // A module for any slot: the user drags its label onto a row.
        m_draggedModule = QString::number(value);
        m_lblModule->show();
        return;
    }
    QByteArray bytes = ReadConfiguration();
    if (slot > bytes.size()) {
        Debugging::TraceError(kTracePrefix + QStringLiteral("slot %1 of module type %2 is beyond the %3 slots")
                                                 .arg(slot)
                                                 .arg(value)
                                                 .arg(bytes.size()));
        return;
    }
    if (static_cast<uint8_t>(bytes.at(slot - 1)) != value) {
        bytes[slot - 1] = static_cast<char>(value);
        WriteConfiguration(bytes);
    }
}

void frmChannelManagerDialog::ModuleGrid_DragDrop(bool sourceIsModuleLabel, int row)
{
    if (!sourceIsModuleLabel) {
        m_draggedModule.clear();
        return;
    }
    bool ok = false;
    const int value = m_draggedModule.toInt(&ok);
    // Only a slot row takes a module; the header and the space below the
    // last slot do not.
    if (!ok || row < 1 || row > SlotRows())
        return;
    QByteArray bytes = ReadConfiguration();
    if (row > bytes.size())
        return;
    if (static_cast<uint8_t>(bytes.at(row - 1)) != value) {
        bytes[row - 1] = static_cast<char>(value);
        WriteConfiguration(bytes);
        EndDrag();
    }
}

void frmChannelManagerDialog::Form_DragDrop(bool sourceIsModuleLabel)
{
    if (sourceIsModuleLabel)
        EndDrag();
}

void frmChannelManagerDialog::EndDrag()
{
    m_lblModule->hide();
    m_draggedModule.clear();
}

void frmChannelManagerDialog::cmdRemove_Click()
{
    const int row = m_grid->currentRow();
    if (row < 1 || row > SlotRows())
        return;
    const QTableWidgetItem* cell = m_grid->item(row, 1);
    if (!cell || cell->text().isEmpty())
        return;
    QByteArray bytes = ReadConfiguration();
    if (row > bytes.size())
        return;
    bytes[row - 1] = 0;
    WriteConfiguration(bytes);
}

void frmChannelManagerDialog::cmdDone_Click()
{
    if (m_data) {
        if (const auto topology = m_data->TopologyModules())
            *topology = clsDataManager::ModuleCollection();
        if (m_configurable)
            PlaceConfiguredModules();
        else
            PlaceStandardModule();
        m_data->SetDataSetStates(kStorageTransient, kDataSetModified);
    }
    RaiseDone(kDoneOk);
}

void frmChannelManagerDialog::PlaceStandardModule()
{
    const QListWidgetItem* selected = m_lstStandardModules->currentItem();
    const auto described = m_data->DescribedModules();
    if (!selected || !described)
        return;
    const auto topology = m_data->TopologyModules();
    for (const auto& entry : *described) {
        if (entry.item->ModuleName() != selected->text())
            continue;
        entry.item->SetSlot(1);
        try {
            topology->Add(entry.item->ModuleDescription(), entry.item);
        } catch (const automation::ComError& error) {
            Debugging::TraceRuntimeError(error);
        }
    }
}

void frmChannelManagerDialog::PlaceConfiguredModules()
{
    const auto described = m_data->DescribedModules();
    if (!described)
        return;
    const auto topology = m_data->TopologyModules();
    const QByteArray bytes = ReadConfiguration();
    // A described module takes one slot. A slot's module is the described
    // module of its type that is bound to that slot, else the first of its
    // type not yet placed; a slot whose type has no module left is traced and
    // stays out of the topology.
    std::set<const clsDataManagerModule*> placed;
    for (int offset = 0; offset < bytes.size(); ++offset) {
        const int32_t type = static_cast<uint8_t>(bytes.at(offset));
        if (type == 0)
            continue;
        const int32_t slot = offset + 1;
        std::shared_ptr<clsDataManagerModule> chosen;
        for (const auto& entry : *described) {
            if (entry.item->ModuleTypeId() != type || placed.count(entry.item.get()) != 0)
                continue;
            if (entry.item->Slot() == slot) {
                chosen = entry.item;
                break;
            }
            if (!chosen)
                chosen = entry.item;
        }
        if (!chosen) {
            Debugging::TraceError(kTracePrefix + QStringLiteral("no module of type %1 left for slot %2; the slot "
                                                                "stays out of the topology")
                                                     .arg(type)
                                                     .arg(slot));
            continue;
        }
        placed.insert(chosen.get());
        chosen->SetSlot(slot);
        try {
            topology->Add(chosen->ModuleDescription(), chosen);
        } catch (const automation::ComError& error) {
            Debugging::TraceRuntimeError(error);
        }
    }
}

// --- Drag and drop ---------------------------------------------------------------------------------

bool frmChannelManagerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_grid->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        SizeColumns();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        drag->setAccepted(controls::ItemLabel::IsLabelDrag(drag->mimeData()));
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool label = controls::ItemLabel::IsLabelDrag(drop->mimeData());
        drop->acceptProposedAction();
        ModuleGrid_DragDrop(label, RowAt(drop->position().toPoint()));
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmChannelManagerDialog::dragEnterEvent(QDragEnterEvent* event)
{
    event->setAccepted(controls::ItemLabel::IsLabelDrag(event->mimeData()));
}

void frmChannelManagerDialog::dropEvent(QDropEvent* event)
{
    Form_DragDrop(controls::ItemLabel::IsLabelDrag(event->mimeData()));
    event->acceptProposedAction();
}
