#pragma once
// The choice between catalogue entries of the same device type identity: the
// entries' device type ids in a list, the chosen entry's manufacturer id,
// device type information and device category beside it. Shown modally
// through the dialog service; the chosen index stays readable afterwards.
#include "platform/xml/XmlNode.h"
#include <QDialog>
#include <array>
#include <cstdint>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class frmSelectDtm : public QDialog {
    Q_OBJECT
public:
    explicit frmSelectDtm(QWidget* parent = nullptr);

    // Fills the list with the entries ("fdt:DtmDeviceType" elements, which
    // must outlive the dialog) and selects the first row.
    void ShowDeviceTypes(const xml::XmlNodeList& deviceTypes);
    // The chosen row, -1 when none was chosen or the user cancelled.
    int16_t SelectedIndex() const { return m_selectedIndex; }

    QListWidget* lstDeviceTypIds = nullptr;
    QGroupBox* fraDeviceTypes = nullptr;
    std::array<QGroupBox*, 3> fraDetail{};
    std::array<QLabel*, 3> lblDetail{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void lstDeviceTypIds_Click(int row);
    void cmdOK_Click();
    void cmdCancel_Click();

    xml::XmlNodeList m_deviceTypes;
    int16_t m_selectedIndex = -1;
};
