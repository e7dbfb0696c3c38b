#pragma once
// The item controls that the library's controls carry, created with the
// settings a designer gave them (read as their persisted properties, the way
// a form loads them).
#include <QString>
#include <cstdint>

class QWidget;

namespace pioitems {
class PioAppItem;
}

namespace dalvex {

struct ItemControlDesign {
    const char* item;
    bool registerOnShadow = false;
    int16_t decimalPlaces = -1; // -1: the control's default
    int16_t updateInterval = 0;
};

// A hidden item control on parent, named name, with the design's settings.
pioitems::PioAppItem* CreateDesignedItemControl(QWidget* parent, const QString& name, const ItemControlDesign& design);

} // namespace dalvex
