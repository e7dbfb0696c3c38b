#pragma once
// The module configuration dialog of a modular device. With a configuration
// item and a module list item in the data model (configurable modules) the
// user fills a slot table: one byte per slot in the configuration item, the
// module type id or 0 for an empty slot. A module bound to a slot goes there
// with Add; one that may sit in any slot is dragged (its label) onto a row.
// Every edit writes the whole configuration to the applet item; the table
// shows it when the item reports the change back (ShowConfiguration).
// Without those items (standard modules) the user picks one described module.
// OK rebuilds the data model's topology modules from the choice and marks the
// dataset changed; Done reports 0 after OK, 1 after Cancel, after closing the
// window, or when the module list cannot be bound.
#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class clsDataManager;
class clsDataManagerDataItem;
namespace applet { class clsAppletItemManager; }
namespace controls {
class ItemComboBox;
class PioCtrlItemHandler;
class ItemLabel;
} // namespace controls

class frmChannelManagerDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr int32_t kDoneOk = 0;
    static constexpr int32_t kDoneCancel = 1;
    // Width of one digit of the slot column and its margins, in twips.
    static constexpr int kSlotDigitTwips = 100;
    static constexpr int kSlotMarginTwips = 100;
    static constexpr int kModuleColumnMarginTwips = 50;

    // configurationHandle: the applet item of the configuration as the
    // configurator registered it (-1 for none).
    frmChannelManagerDialog(std::shared_ptr<clsDataManager> data,
                            std::shared_ptr<applet::clsAppletItemManager> manager, int32_t configurationHandle,
                            QWidget* parent = nullptr);
    ~frmChannelManagerDialog() override;

    // Opens the dialog in its mode; raises Done(1) instead when the module
    // list cannot be bound.
    void ShowDialog();
    // Closes the window (without Done) and deletes it on the next turn of the loop.
    void CloseDialog();
    // Shows the slot configuration in the table.
    void ShowConfiguration(const QByteArray& bytes);

    bool IsConfigurableMode() const { return m_configurable; }
    // The module type being dragged, as decimal text; empty while none is.
    QString DraggedModule() const { return m_draggedModule; }
    // Slot of the described module of the type (the last one wins); 0 for a
    // module that may go anywhere, -1 when no described module has the type.
    int32_t FindFixedSlot(int32_t typeId) const;
    // The module list's text of the type; empty when it has none.
    QString ChannelListText(int32_t typeId) const;
    // The table row under a point of the table's viewport; -1 for none.
    int RowAt(const QPoint& viewportPosition) const;

    // A drop of the source at the table row (the handler of the table's drops).
    void ModuleGrid_DragDrop(bool sourceIsModuleLabel, int row);
    // A drop anywhere else on the form.
    void Form_DragDrop(bool sourceIsModuleLabel);

    QGroupBox* fraConfigModule() const { return m_fraConfigModule; }
    QGroupBox* fraSelectModule() const { return m_fraSelectModule; }
    controls::ItemComboBox* cmbModule() const { return m_cmbModule; }
    controls::ItemLabel* lblModule() const { return m_lblModule; }
    QTableWidget* ModuleGrid() const { return m_grid; }
    QListWidget* lstStandardModules() const { return m_lstStandardModules; }
    QPushButton* cmdAdd() const { return m_cmdAdd; }
    QPushButton* cmdRemove() const { return m_cmdRemove; }
    QPushButton* cmdDone() const { return m_cmdDone; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    std::shared_ptr<controls::PioCtrlItemHandler> CtrlItemHandler() const { return m_itemHandler; }

signals:
    void Done(int32_t result);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Form_Initialize();
    void BuildLayout();
    // Adds rows up to the slot count (header plus one a slot).
    void EnsureRows(int slotCount);
    // The slot column as wide as its numbers, the module column the rest.
    void SizeColumns();
    QByteArray ReadConfiguration() const;
    void WriteConfiguration(const QByteArray& bytes);
    // The configuration's slot count as the table shows it.
    int SlotRows() const;
    void EndDrag();
    void RaiseDone(int32_t result);
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdDone_Click();
    void PlaceConfiguredModules();
    void PlaceStandardModule();

    std::shared_ptr<clsDataManager> m_data;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_configurationHandle = -1;
    bool m_configurable = false;
    bool m_doneRaised = false;
    bool m_closing = false;
    QString m_draggedModule;

    QGroupBox* m_fraConfigModule;
    QGroupBox* m_fraSelectModule;
    controls::ItemComboBox* m_cmbModule;
    controls::ItemLabel* m_lblModule;
    QPushButton* m_cmdAdd;
    QPushButton* m_cmdRemove;
    QLabel* m_lblSelected;
    QTableWidget* m_grid;
    QLabel* m_lblSelectModule;
    QListWidget* m_lstStandardModules;
    QPushButton* m_cmdDone;
    QPushButton* m_cmdCancel;
    std::shared_ptr<controls::PioCtrlItemHandler> m_itemHandler;
};
