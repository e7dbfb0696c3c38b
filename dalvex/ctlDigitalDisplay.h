#pragma once
// One measured value with its unit as large digits that grow and shrink with
// the control: the text sits in a dynamic label whose font follows its width;
// the control takes the label's height and passes every resize of the label
// on (Resize). It takes the display protocol (controls::DisplayProtocol):
// the item names of value, unit, scale ends and limits and the number format
// arrive as properties (the plain form only; no scale divisions), Register
// binds them and UnRegister drops them; the limits are bound too but not
// shown. The text is green while the device is connected and
// grey otherwise.
#include "pioitems/PersistedProperty.h"
#include "pioitems/PioItemProtocol.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/controls/DisplayProtocol.h"
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

namespace automation {
class PropertyBag;
}
namespace lumette {
class DynamicLabel;
}
namespace pioitems {
class PioAppItem;
}

class ctlDigitalDisplay : public QWidget,
                          public automation::ComObject,
                          public pioitems::PioItemProtocol,
                          public controls::DisplayProtocol {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Dalvex.ctlDigitalDisplay");
    // The item the design-time bindings name until the protocol names theirs.
    static inline const QString kPlaceholderItem = QStringLiteral("pbTagDesc");
    // Text colours (0x00BBGGRR): connected, and every other connection state.
    static constexpr uint32_t kConnectedColor = 65280;
    static constexpr uint32_t kNotConnectedColor = 8421504;
    static constexpr int16_t kDefaultMaxDigits = 10;
    static constexpr int16_t kDefaultDecimalPlaces = 10;

    explicit ctlDigitalDisplay(QWidget* parent = nullptr);
    ~ctlDigitalDisplay() override;

    // PioItemProtocol. Register names the item controls after the item-name
    // properties and registers them (a failing one is traced and skipped),
    // then shows the connection state; nothing while registered. UnRegister
    // drops them; caption and colour stay.
    QString Typ() const override { return pioitems::kPioItemTyp; }
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    void UnRegister() override;
    // The display protocol's registration: the two further arguments may be
    // anything and are ignored.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef, const QVariant& dummy1,
                  const QVariant& dummy2) override;
    bool Registered() const { return m_registered; }

    QString ObjectNameValue() const { return m_ObjectNameValue; }
    void SetObjectNameValue(const QString& name);
    QString ObjectNameUnit() const { return m_ObjectNameUnit; }
    void SetObjectNameUnit(const QString& name);
    QString ObjectNameMin() const { return m_ObjectNameMin; }
    void SetObjectNameMin(const QString& name);
    QString ObjectNameMax() const { return m_ObjectNameMax; }
    void SetObjectNameMax(const QString& name);
    QString ObjectNameLoLim() const { return m_ObjectNameLoLim; }
    void SetObjectNameLoLim(const QString& name);
    QString ObjectNameHiLim() const { return m_ObjectNameHiLim; }
    void SetObjectNameHiLim(const QString& name);
    QString ObjectNameLoLoLim() const { return m_ObjectNameLoLoLim; }
    void SetObjectNameLoLoLim(const QString& name);
    QString ObjectNameHiHiLim() const { return m_ObjectNameHiHiLim; }
    void SetObjectNameHiHiLim(const QString& name);
    // The number format of the value (those of appMeasValue too).
    int16_t MaxDigits() const { return m_MaxDigits; }
    void SetMaxDigits(int16_t digits);
    int16_t DecimalPlaces() const { return m_DecimalPlaces; }
    void SetDecimalPlaces(int16_t places);

    // The persisted properties. A stored value of the wrong type raises
    // ComError(13) and changes nothing; a missing one takes its default.
    void ReadProperties(const automation::PropertyBag& bag);
    void WriteProperties(automation::PropertyBag& bag) const;

    lumette::DynamicLabel* lblValue() const { return m_lblValue; }
    // The run of at signs the value and unit are right-aligned to.
    QString Pattern() const { return m_pattern; }

    // The item controls, in the order of the binding table in the source.
    enum Ctl { appMeasValue, appUnit, appConnectionStatus, appMinMax, appWarningLimit, appAlarmLimit, kCtlCount };
    pioitems::PioAppItem* ItemControl(Ctl control, int index = 0) const;

    // The text right-aligned to the pattern's width, padded with blanks on
    // the left; a longer text in full.
    static QString FormatWithPattern(const QString& text, const QString& pattern);

signals:
    // The label reported a resize.
    void Resize();
    // A persisted property was set; the container saves the control again.
    void PropertyChanged(const QString& propertyName);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // controls::DisplayProtocol: the item names and the number format.
    bool ApplyDisplayProperty(Property property, const QVariant& value) override;
    using controls::DisplayProtocol::ApplyDisplayProperty;
    QString DisplayName() const override;

private:
    static const std::array<pioitems::PersistedProperty<ctlDigitalDisplay>, 10> kPersisted;

    void SetName(QString& member, const char* property, const QString& name);
    void ApplyNumberFormat();
    void ShowValue();
    void ShowConnection(const QString& state);

    lumette::DynamicLabel* m_lblValue = nullptr;
    std::array<std::array<pioitems::PioAppItem*, 2>, kCtlCount> m_controls{};
    QString m_ObjectNameValue, m_ObjectNameUnit, m_ObjectNameMin, m_ObjectNameMax;
    QString m_ObjectNameLoLim, m_ObjectNameHiLim, m_ObjectNameLoLoLim, m_ObjectNameHiHiLim;
    int16_t m_MaxDigits = kDefaultMaxDigits;
    int16_t m_DecimalPlaces = kDefaultDecimalPlaces;
    bool m_registered = false;
    bool m_resizing = false;
    QString m_pattern;
};
