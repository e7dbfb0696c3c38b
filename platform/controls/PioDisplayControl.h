#pragma once
// What every display control of a page shares: a table of item bindings, each
// named by one of the control's item-name properties (ObjectNameText,
// ObjectNameUnit, ...), and a small view of its own with which the control
// registers those items with the item manager. Register binds the items now
// named (a name set later takes effect at the next Register), UnRegister
// releases them, Refresh shows their values again; every change of a bound
// item, of its dataset or of its device value, shows again.
//
// Entry controls write their items; an entry is disabled while its item
// cannot be written (unknown, or a device parameter that no write command
// carries) or the user level is below WriteUserLevel.
//
// A display control takes the display protocol (DisplayProtocol): every one
// carries MaxDigits and DecimalPlaces; each adds the item names and scale it
// shows.
#include "platform/automation/ClassRegistry.h"
#include "platform/controls/DisplayProtocol.h"
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace applet {
class clsAppletItemManager;
struct DescEnumeration;
struct DescObject;
} // namespace applet

namespace controls {

class PioDisplayControl : public QWidget, public automation::ComObject, public DisplayProtocol {
    Q_OBJECT
    Q_PROPERTY(int UpdateInterval READ UpdateInterval WRITE SetUpdateInterval)
public:
    explicit PioDisplayControl(QWidget* parent = nullptr);
    ~PioDisplayControl() override;

    // Binds the named items to the manager and shows their values; a control
    // registered before is released first. An item that does not exist is
    // traced and left unbound. userLevel is the applet user level ("0"
    // maintenance, "1" specialist); countryCode chooses caption texts.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t userLevel = 0,
                  int32_t countryCode = 1);
    // The protocol's registration: a user level or country code that is no
    // whole number (or nothing) keeps the control's own.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& manager, const QVariant& userLevel,
                  const QVariant& countryCode) override;
    // Releases every item; the control shows nothing.
    Q_INVOKABLE void UnRegister() override;
    // Shows the values of the bound items again.
    Q_INVOKABLE void Refresh();
    bool IsRegistered() const;

    int32_t UserLevel() const { return m_userLevel; }
    // A new user level enables or disables the entries at once.
    void SetUserLevel(int32_t level);
    int32_t CountryCode() const { return m_countryCode; }
    // The lowest user level that may write; 0 by default.
    int32_t WriteUserLevel() const { return m_writeUserLevel; }
    void SetWriteUserLevel(int32_t level);

    // The refresh cycle the items are registered with (1 for values the
    // device measures); 0 for none. Takes effect at the next Register. A
    // control with a refresh cycle shows the device values its items are
    // read into, as an item with an update interval is bound to them.
    int32_t UpdateInterval() const { return m_updateInterval; }
    void SetUpdateInterval(int32_t interval) { m_updateInterval = interval; }

    // Formats of the number shown: DecimalPlaces below 0 shows as many
    // decimals as the value needs (at most six); a text longer than MaxDigits
    // drops decimals. Never in exponent form; the user's decimal separator.
    int16_t MaxDigits() const { return m_maxDigits; }
    void SetMaxDigits(int16_t digits);
    int16_t DecimalPlaces() const { return m_decimalPlaces; }
    void SetDecimalPlaces(int16_t places);

    // The range the device takes where it depends on other values (a sensor's
    // limits in the unit shown): an entry outside it is refused like one
    // outside the item's own range. None on both ends leaves the item's range.
    void SetAllowedRange(std::optional<double> minimum, std::optional<double> maximum);

    // Texts of captions given by text id: (id, country code) -> text. One
    // source for the whole program; none leaves the design captions.
    using TextSource = std::function<QString(int32_t textId, int32_t countryCode)>;
    static void SetTextSource(TextSource source);
    static QString LookUpText(int32_t textId, int32_t countryCode);

    // The number as shown with the given formats to the user of the country code.
    static QString FormatNumber(double value, int16_t maxDigits, int16_t decimalPlaces, int32_t countryCode = 1);
    // The message for a write the item refused (failed flag of the manager),
    // naming the value by its label, in the language of the country code.
    static QString WriteErrorText(const QString& label, const QString& text, int32_t failed,
                                  const applet::DescObject* object, int32_t countryCode);

protected:
    // Adds a binding and returns its number; the name is set by the
    // control's item-name properties.
    int AddBinding();
    void SetBindingName(int binding, const QString& name);
    QString BindingName(int binding) const;
    int BindingCount() const { return static_cast<int>(m_bindings.size()); }
    // True while the binding's item is registered.
    bool IsBound(int binding) const;

    // Values of a bound item; false (and nothing changed) when not bound or
    // unreadable.
    // shadow: the device value; a control with a refresh cycle always reads it.
    bool ReadText(int binding, QString& text, bool shadow = false) const;
    bool ReadNumber(int binding, double& value) const;
    // The value as shown: numbers formatted, enumerated values as their
    // entry's text.
    QString DisplayText(int binding) const;
    const applet::DescEnumeration* Enumeration(int binding) const;
    const applet::DescObject* Object(int binding) const;
    // The entry's text of the enumerated value of binding; empty for none.
    QString EnumerationText(int binding) const;
    // A unit item's value as a reader is shown it: its entry's text (or its
    // text) as the symbol of the description's unit table ("°C" for "degC").
    QString UnitText(int binding) const;
    // A unit text of the description as its symbol from the same table; the
    // text itself without a registered manager or a symbol for it.
    QString UnitSymbol(const QString& unit) const;
    // True when the item's device value is known and differs from its dataset value.
    bool DeviceValueDiffers(int binding) const;
    // True when the item may be written now (item and user level).
    bool MayWrite(int binding) const;
    // Writes text into the item (a number in the user's format); on refusal
    // error holds the message.
    bool WriteText(int binding, const QString& text, QString& error);
    bool WriteNumber(int binding, double value, QString& error);
    // Shows a refused write to the user and traces it.
    void ReportRefusedWrite(const QString& error);
    // The message for a write of text the binding's item refused, naming the
    // value as the page does, with its unit.
    QString RefusalText(int binding, const QString& text, int32_t failed) const;
    // The caption the user reads for the control on its page: a label whose
    // buddy it is, else the label before it in its row of a grid or form
    // layout; without access key and colon. Empty when there is none.
    virtual QString PageCaption() const;
    // The unit shown with the binding's value ("bar"); empty for none.
    virtual QString ShownUnit(int binding) const;
    // The value's name for the user: the name the unit table knows it by
    // from the pages, else the page's caption, else the description's text
    // of the item; without its unit.
    QString ValueName(int binding) const;
    // A caption as a message quotes it: without access key and colon.
    static QString CaptionText(const QString& text);
    // The country code of the user: the applet's while registered, else the
    // one given at the registration.
    int32_t UserCountryCode() const;
    // The text of an {English, German} pair in the user's language.
    QString InUserLanguage(const char* const (&texts)[2]) const;

    // Shows every binding's value; called after Register, UnRegister,
    // Refresh and every change.
    virtual void ShowItems() = 0;
    // A bound item changed; shows everything by default.
    virtual void ItemChanged(int binding);
    // Called after registration and at a new user level: enable the entries.
    virtual void UpdateEntries() {}

    // DisplayProtocol: MaxDigits and DecimalPlaces here, the rest by each control.
    bool ApplyDisplayProperty(Property property, const QVariant& value) override;
    using DisplayProtocol::ApplyDisplayProperty;
    QString DisplayName() const override;

private:
    class ControlView;
    friend class ControlView;
    struct Binding {
        QString name;
        int32_t handle = -1;
    };
    std::shared_ptr<applet::clsAppletItemManager> Manager() const;
    void Notified(int32_t itemHandle);
    void ReleaseView();

    // The item's description with the range the page gave.
    std::optional<applet::DescObject> Limited(int binding) const;

    std::vector<Binding> m_bindings;
    std::optional<double> m_allowedMinimum;
    std::optional<double> m_allowedMaximum;
    std::shared_ptr<ControlView> m_view;
    int32_t m_userLevel = 0;
    int32_t m_countryCode = 1;
    int32_t m_writeUserLevel = 0;
    int32_t m_updateInterval = 0;
    bool m_live = false; // registered with a refresh cycle: bound to the device values
    int16_t m_maxDigits = 8;
    int16_t m_decimalPlaces = -1;
};

} // namespace controls
