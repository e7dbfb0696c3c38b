#pragma once
// The smallest and the largest value the device has measured since the last
// reset, for pressure, static pressure, sensor temperature and process
// temperature, each group with its unit and reset on its own. The reset
// starts both values over in the device; the dataset keeps the values it
// held before, whether the device reset them or not.
#include "merrow/pages/GroupResetPage.h"
#include <QVariant>
#include <vector>

class frmMaxValues : public GroupResetPage {
    Q_OBJECT
public:
    frmMaxValues();

    QLabel* lblUnit(int index) const { return m_units[static_cast<size_t>(index)]; }
    pioitems::PioAppItem* appUnit(int index) const { return m_appUnits[static_cast<size_t>(index)]; }

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;
    bool BeforeReset(int index) override;
    void AfterReset(int index, bool done) override;
    void Arrange() override;

private:
    void appUnit_ValueChanged(int index);

    std::array<QLabel*, kGroups> m_units{};
    std::array<pioitems::PioAppItem*, kGroups> m_appUnits{};
    // Per group the minimum and the maximum item, for the reset.
    std::array<pioitems::PioAppItem*, 2 * kGroups> m_values{};
    // The dataset before a reset, given back after it: an item and its value as held.
    struct Held {
        int32_t handle;
        QVariant value;
    };
    std::vector<Held> m_before;
    // The dataset's change mark: a reset of the device's extremes is no change of the dataset.
    pioitems::PioAppItem* m_appDirty = nullptr;
};
