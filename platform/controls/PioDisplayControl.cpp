#include "platform/controls/PioDisplayControl.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/UnitTable.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/dialogs/DialogService.h"
#include "platform/comm/hart/PackedAscii.h"
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace controls {

namespace {

PioDisplayControl::TextSource& Source()
{
    static PioDisplayControl::TextSource source;
    return source;
}

// What the user reads when an item refuses a value, by the manager's failed
// flag, in English and German: %1 the value's label (with its unit), %2 the
// text entered.
struct WriteErrorEntry {
    int32_t failed;
    const char* english;
    const char* german;
};
constexpr WriteErrorEntry kWriteErrors[] = {
    {applet::kItemUnknown, "The value of %1 cannot be written: the item does not exist.",
     "%1 kann nicht geschrieben werden: der Wert ist nicht bekannt."},
    {applet::kItemWrongType, "\"%2\" is not a value of the kind %1 holds.",
     "\"%2\" ist kein Wert, den %1 annehmen kann."},
    {applet::kItemBadValue, "\"%2\" is not a valid value of %1.", "\"%2\" ist kein gültiger Wert für %1."},
};
constexpr WriteErrorEntry kOtherWriteError = {0, "%1 refused \"%2\".", "%1 hat \"%2\" nicht angenommen."};
constexpr WriteErrorEntry kAllowedRange = {0, " Allowed: %1 to %2.", " Zulässig: %1 bis %2."};
constexpr WriteErrorEntry kWholeNumbers = {0, " Whole numbers only.", " Nur ganze Zahlen."};
constexpr WriteErrorEntry kMostCharacters = {0, " At most %1 characters.", " Höchstens %1 Zeichen."};

// The characters a text item holds; 0 for no limit.
int TextCapacity(const applet::DescObject& object)
{
    if (object.type == applet::ItemType::PackedAscii)
        return comm::PackedAscii::charCapacity(object.size);
    return object.type == applet::ItemType::Text ? std::max(0, object.size) : 0;
}

// The layout of the kind, at any depth below layout, that holds widget.
template <class Kind>
Kind* Holding(QLayout* layout, QWidget* widget)
{
    if (!layout)
        return nullptr;
    auto* found = qobject_cast<Kind*>(layout);
    if (found && found->indexOf(widget) >= 0)
        return found;
    for (int i = 0; i < layout->count(); ++i)
        if (Kind* inner = Holding<Kind>(layout->itemAt(i)->layout(), widget))
            return inner;
    return nullptr;
}

QString InLanguage(const WriteErrorEntry& entry, int32_t countryCode)
{
    return QString::fromUtf8(countryCode == applet::UserNumber::kCountryGerman ? entry.german : entry.english);
}

// True when some write command of the description carries the item.
bool WrittenByDevice(const applet::Description& description, const QString& item)
{
    for (const applet::DescRecord& record : description.records) {
        if (record.kind == applet::RecordKind::Read)
            continue;
        for (const applet::FieldLayout& field : record.request)
            if (field.item.compare(item, Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

} // namespace

// The control's own view: the manager's notifications reach the control
// while it lives.
class PioDisplayControl::ControlView : public applet::View {
public:
    explicit ControlView(PioDisplayControl* control) : m_control(control) {}

    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override
    {
        m_handle = lViewHandle;
        m_manager = manager;
        result = 0;
    }
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override
    {
        m_manager.reset();
        result = 0;
    }
    void NotifyChanged(int32_t lAppletItemHandle, bool, int32_t, int32_t, int32_t& result) override
    {
        result = 0;
        if (m_control)
            m_control->Notified(lAppletItemHandle);
    }

    int32_t m_handle = 0;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;

private:
    QPointer<PioDisplayControl> m_control;
};

PioDisplayControl::PioDisplayControl(QWidget* parent) : QWidget(parent) {}

PioDisplayControl::~PioDisplayControl()
{
    ReleaseView();
}

void PioDisplayControl::SetTextSource(TextSource source)
{
    Source() = std::move(source);
}

QString PioDisplayControl::LookUpText(int32_t textId, int32_t countryCode)
{
    return Source() && textId > 0 ? Source()(textId, countryCode) : QString();
}

QString PioDisplayControl::FormatNumber(double value, int16_t maxDigits, int16_t decimalPlaces, int32_t countryCode)
{
    return applet::UserNumber::Format(value, countryCode, decimalPlaces, maxDigits);
}

QString PioDisplayControl::WriteErrorText(const QString& label, const QString& text, int32_t failed,
                                          const applet::DescObject* object, int32_t countryCode)
{
    const WriteErrorEntry* chosen = &kOtherWriteError;
    for (const WriteErrorEntry& entry : kWriteErrors)
        if (entry.failed == failed)
            chosen = &entry;
    QString message = InLanguage(*chosen, countryCode).arg(label, text);
    const bool whole = object && (object->type == applet::ItemType::Int || object->type == applet::ItemType::Unsigned);
    if (failed == applet::kItemWrongType)
        message += applet::UserNumber::SeparatorHint(text, countryCode);
    if (failed == applet::kItemWrongType && whole)
        message += InLanguage(kWholeNumbers, countryCode);
    if (failed == applet::kItemBadValue && object && TextCapacity(*object) > 0 && text.size() > TextCapacity(*object))
        message += InLanguage(kMostCharacters, countryCode).arg(TextCapacity(*object));
    if (failed == applet::kItemBadValue && object && (object->minimum || object->maximum)) {
        const auto bound = [countryCode](const std::optional<double>& value) {
            return value ? applet::UserNumber::Format(*value, countryCode) : QStringLiteral("-");
        };
        message += InLanguage(kAllowedRange, countryCode).arg(bound(object->minimum), bound(object->maximum));
    }
    return message;
}

QString PioDisplayControl::RefusalText(int binding, const QString& text, int32_t failed) const
{
    const QString name = ValueName(binding);
    const QString unit = ShownUnit(binding);
    const QString label = unit.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, unit);
    const std::optional<applet::DescObject> object = Limited(binding);
    return WriteErrorText(label, text, failed, object ? &*object : nullptr, UserCountryCode());
}

QString PioDisplayControl::CaptionText(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i; // "&x" shows x with an access key, "&&" one ampersand
        plain += text[i];
    }
    plain = plain.simplified();
    while (plain.endsWith(QLatin1Char(':')))
        plain.chop(1);
    return plain.trimmed();
}

QString PioDisplayControl::ValueName(int binding) const
{
    // The name the description's table gives a value as the pages show it
    // holds on every page; else the caption beside the control, never the
    // description's own text of the item where the page shows another.
    const auto manager = Manager();
    const QString known = manager ? applet::TableLabel(*manager, BindingName(binding), UserCountryCode()) : QString();
    if (!known.isEmpty())
        return known;
    const QString caption = PageCaption();
    if (!caption.isEmpty())
        return caption;
    return manager ? applet::ItemName(*manager, BindingName(binding), UserCountryCode()) : BindingName(binding);
}

QString PioDisplayControl::ShownUnit(int binding) const
{
    const auto manager = Manager();
    return manager ? applet::ItemUnit(*manager, BindingName(binding)) : QString();
}

QString PioDisplayControl::PageCaption() const
{
    for (const QLabel* label : window()->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy && (buddy == this || isAncestorOf(buddy)))
            return CaptionText(label->text());
    }
    QWidget* parent = parentWidget();
    if (!parent)
        return QString();
    auto* self = const_cast<PioDisplayControl*>(this);
    if (QGridLayout* grid = Holding<QGridLayout>(parent->layout(), self)) {
        int row = 0;
        int column = 0;
        int rowSpan = 0;
        int columnSpan = 0;
        grid->getItemPosition(grid->indexOf(self), &row, &column, &rowSpan, &columnSpan);
        for (int left = column - 1; left >= 0; --left) {
            QLayoutItem* item = grid->itemAtPosition(row, left);
            if (const auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr)
                return CaptionText(label->text());
        }
    }
    if (QFormLayout* form = Holding<QFormLayout>(parent->layout(), self))
        if (const auto* label = qobject_cast<QLabel*>(form->labelForField(self)))
            return CaptionText(label->text());
    return QString();
}

void PioDisplayControl::SetAllowedRange(std::optional<double> minimum, std::optional<double> maximum)
{
    m_allowedMinimum = minimum;
    m_allowedMaximum = maximum;
}

std::optional<applet::DescObject> PioDisplayControl::Limited(int binding) const
{
    const applet::DescObject* object = Object(binding);
    if (!object)
        return std::nullopt;
    applet::DescObject limited = *object;
    if (m_allowedMinimum || m_allowedMaximum) {
        limited.minimum = m_allowedMinimum;
        limited.maximum = m_allowedMaximum;
    }
    return limited;
}

QString PioDisplayControl::InUserLanguage(const char* const (&texts)[2]) const
{
    return QString::fromUtf8(texts[UserCountryCode() == applet::UserNumber::kCountryGerman ? 1 : 0]);
}

int32_t PioDisplayControl::UserCountryCode() const
{
    const auto manager = Manager();
    return manager ? applet::UserNumber::CountryCode(*manager) : m_countryCode;
}

void PioDisplayControl::Register(const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t userLevel,
                                 int32_t countryCode)
{
    ReleaseView();
    m_userLevel = userLevel;
    m_countryCode = countryCode;
    if (manager) {
        auto view = std::make_shared<ControlView>(this);
        int32_t result = 0;
        manager->RegisterView(view, result);
        if (result != 0 || !view->m_manager) {
            applet::AppletTrace::Error(QStringLiteral("%1: the item manager refused the control's view (%2)")
                                           .arg(objectName())
                                           .arg(applet::ResultText(result)));
        } else {
            m_view = view;
            m_live = m_updateInterval > 0;
            for (Binding& binding : m_bindings) {
                if (binding.name.isEmpty())
                    continue;
                int32_t handle = -1;
                int32_t failed = 0;
                manager->RegisterItem(binding.name, m_live, view->m_handle, handle, 0, m_updateInterval, failed);
                if (failed != 0 || handle <= 0)
                    applet::AppletTrace::Error(QStringLiteral("%1: item %2 cannot be bound (%3)")
                                                   .arg(objectName(), binding.name)
                                                   .arg(failed));
                else
                    binding.handle = handle;
            }
        }
    }
    UpdateEntries();
    ShowItems();
}

void PioDisplayControl::Register(const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                 const QVariant& userLevel, const QVariant& countryCode)
{
    bool levelOk = false;
    bool countryOk = false;
    const int level = userLevel.toInt(&levelOk);
    const int country = countryCode.toInt(&countryOk);
    Register(manager, levelOk ? level : m_userLevel, countryOk ? country : m_countryCode);
}

bool PioDisplayControl::ApplyDisplayProperty(Property property, const QVariant& value)
{
    switch (property) {
    case Property::MaxDigits:
        SetMaxDigits(value.value<int16_t>());
        return true;
    case Property::DecimalPlaces:
        SetDecimalPlaces(value.value<int16_t>());
        return true;
    default:
        return false;
    }
}

QString PioDisplayControl::DisplayName() const
{
    return objectName().isEmpty() ? QString::fromLatin1(metaObject()->className()) : objectName();
}

void PioDisplayControl::UnRegister()
{
    ReleaseView();
    UpdateEntries();
    ShowItems();
}

void PioDisplayControl::ReleaseView()
{
    for (Binding& binding : m_bindings)
        binding.handle = -1;
    const std::shared_ptr<ControlView> view = std::move(m_view);
    m_view.reset();
    if (view && view->m_manager) {
        int32_t result = 0;
        const auto manager = view->m_manager;
        manager->UnregisterView(view.get(), result);
        view->m_manager.reset();
    }
}

void PioDisplayControl::Refresh()
{
    ShowItems();
}

bool PioDisplayControl::IsRegistered() const
{
    return m_view && m_view->m_manager;
}

void PioDisplayControl::SetUserLevel(int32_t level)
{
    if (level == m_userLevel)
        return;
    m_userLevel = level;
    UpdateEntries();
}

void PioDisplayControl::SetWriteUserLevel(int32_t level)
{
    m_writeUserLevel = level;
    UpdateEntries();
}

void PioDisplayControl::SetMaxDigits(int16_t digits)
{
    m_maxDigits = digits;
    ShowItems();
}

void PioDisplayControl::SetDecimalPlaces(int16_t places)
{
    m_decimalPlaces = places;
    ShowItems();
}

int PioDisplayControl::AddBinding()
{
    m_bindings.push_back({});
    return static_cast<int>(m_bindings.size()) - 1;
}

void PioDisplayControl::SetBindingName(int binding, const QString& name)
{
    m_bindings.at(static_cast<size_t>(binding)).name = name;
}

QString PioDisplayControl::BindingName(int binding) const
{
    return m_bindings.at(static_cast<size_t>(binding)).name;
}

bool PioDisplayControl::IsBound(int binding) const
{
    return binding >= 0 && binding < BindingCount() && m_bindings[static_cast<size_t>(binding)].handle > 0 &&
           IsRegistered();
}

std::shared_ptr<applet::clsAppletItemManager> PioDisplayControl::Manager() const
{
    return IsRegistered() ? m_view->m_manager : nullptr;
}

bool PioDisplayControl::ReadText(int binding, QString& text, bool shadow) const
{
    if (!IsBound(binding))
        return false;
    int32_t failed = 0;
    QString value;
    Manager()->GetValueAsText(m_bindings[static_cast<size_t>(binding)].handle, value, shadow || m_live, failed);
    if (failed != 0)
        return false;
    text = value;
    return true;
}

bool PioDisplayControl::ReadNumber(int binding, double& value) const
{
    QString text;
    if (!ReadText(binding, text))
        return false;
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (ok)
        value = number;
    return ok;
}

const applet::DescObject* PioDisplayControl::Object(int binding) const
{
    const auto manager = Manager();
    if (!manager || !IsBound(binding))
        return nullptr;
    const auto description = manager->GetDescription();
    const applet::AppletItem* item = manager->Item(m_bindings[static_cast<size_t>(binding)].handle);
    return description && item ? description->FindObject(item->Name()) : nullptr;
}

const applet::DescEnumeration* PioDisplayControl::Enumeration(int binding) const
{
    const applet::DescObject* object = Object(binding);
    if (!object || object->enumeration.isEmpty())
        return nullptr;
    return Manager()->GetDescription()->FindEnumeration(object->enumeration);
}

QString PioDisplayControl::EnumerationText(int binding) const
{
    const applet::DescEnumeration* enumeration = Enumeration(binding);
    double value = 0;
    if (!enumeration || !ReadNumber(binding, value))
        return QString();
    for (const applet::DescEnumEntry& entry : enumeration->entries)
        if (entry.value == static_cast<int32_t>(std::lround(value)))
            return entry.Text(UserCountryCode());
    return QString();
}

QString PioDisplayControl::UnitText(int binding) const
{
    QString unit = EnumerationText(binding);
    if (unit.isEmpty())
        unit = DisplayText(binding);
    return UnitSymbol(unit);
}

QString PioDisplayControl::UnitSymbol(const QString& unit) const
{
    const auto manager = Manager();
    return manager ? applet::UnitSymbol(*manager, unit) : unit;
}

QString PioDisplayControl::DisplayText(int binding) const
{
    QString text;
    if (!ReadText(binding, text))
        return QString();
    if (Enumeration(binding)) {
        const QString entry = EnumerationText(binding);
        return entry.isEmpty() ? text : entry;
    }
    const applet::AppletItem* item = Manager()->Item(m_bindings[static_cast<size_t>(binding)].handle);
    if (item && item->Type() == applet::ItemType::Float) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (ok)
            return FormatNumber(value, m_maxDigits, m_decimalPlaces, UserCountryCode());
    }
    return text;
}

bool PioDisplayControl::DeviceValueDiffers(int binding) const
{
    const auto manager = Manager();
    if (!manager)
        return false;
    const applet::AppletItem* item = manager->Item(m_bindings[static_cast<size_t>(binding)].handle);
    if (!item || !item->IsDeviceParameter() || !item->IsShadowValid())
        return false;
    QString plain;
    QString device;
    return ReadText(binding, plain, false) && ReadText(binding, device, true) && plain != device;
}

bool PioDisplayControl::MayWrite(int binding) const
{
    if (!IsBound(binding) || m_userLevel < m_writeUserLevel)
        return false;
    const auto manager = Manager();
    const applet::AppletItem* item = manager->Item(m_bindings[static_cast<size_t>(binding)].handle);
    const auto description = manager->GetDescription();
    if (!item)
        return false;
    // A device parameter that no command writes is read from the device only.
    return !item->IsDeviceParameter() || !description || WrittenByDevice(*description, item->Name());
}

bool PioDisplayControl::WriteText(int binding, const QString& text, QString& error)
{
    if (!IsBound(binding)) {
        error = WriteErrorText(BindingName(binding), text, applet::kItemUnknown, nullptr, m_countryCode);
        return false;
    }
    int32_t failed = 0;
    const int32_t handle = m_bindings[static_cast<size_t>(binding)].handle;
    const applet::AppletItem* item = Manager()->Item(handle);
    const bool numeric = item
                         && (item->Type() == applet::ItemType::Float || item->Type() == applet::ItemType::Int
                             || item->Type() == applet::ItemType::Unsigned);
    // A number typed in the user's format reaches the item in its own form;
    // one outside the range the device accepts is refused here, before it
    // reaches the dataset.
    const std::optional<applet::DescObject> object = Limited(binding);
    const std::optional<double> number = numeric ? applet::UserNumber::Parse(text, UserCountryCode()) : std::nullopt;
    const bool whole = item && (item->Type() == applet::ItemType::Int || item->Type() == applet::ItemType::Unsigned);
    if (numeric && !number)
        failed = applet::kItemWrongType;
    else if (whole && number && *number != std::trunc(*number))
        failed = applet::kItemWrongType; // "2,5" is no bus address, and 3 was not typed
    else if (number && object && !object->InRange(*number))
        failed = applet::kItemBadValue;
    else
        Manager()->PutValueAsText(handle, number ? applet::UserNumber::ItemText(*number) : text, failed);
    if (failed == 0)
        return true;
    error = RefusalText(binding, text, failed);
    return false;
}

bool PioDisplayControl::WriteNumber(int binding, double value, QString& error)
{
    // Written as the user would type it, so that a refusal quotes the user's form.
    QString text = applet::UserNumber::ItemText(value);
    text.replace(QLatin1Char('.'), applet::UserNumber::DecimalSeparator(UserCountryCode()));
    return WriteText(binding, text, error);
}

void PioDisplayControl::ReportRefusedWrite(const QString& error)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(objectName(), error));
    dialogs::DialogService::instance().Warning(windowTitle(), error);
}

void PioDisplayControl::ItemChanged(int)
{
    ShowItems();
}

void PioDisplayControl::Notified(int32_t itemHandle)
{
    for (int i = 0; i < BindingCount(); ++i)
        if (m_bindings[static_cast<size_t>(i)].handle == itemHandle) {
            ItemChanged(i);
            return;
        }
}

} // namespace controls
