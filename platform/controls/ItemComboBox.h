#pragma once
// A combo box bound to an enumerated applet item: its entries are the entries
// of the item's enumeration (text shown, value as the entry's data), the
// entry of the item's current value is selected, and choosing an entry writes
// its value into the item.
#include "platform/controls/ItemBoundControl.h"
#include <QComboBox>
#include <cstdint>

namespace controls {

class ItemComboBox : public QComboBox, public ItemBoundControl {
    Q_OBJECT
public:
    explicit ItemComboBox(QWidget* parent = nullptr);

    // The value of the selected entry; -1 when no entry is selected.
    int32_t SelectedItemData() const;

    void RefreshFromItem() override;

protected:
    void OnBindingChanged() override;

private:
    void WriteSelection(int index);
};

} // namespace controls
