#include "dalvex/ctlDigitalDisplay.h"
#include "dalvex/DesignedItemControl.h"
#include "lumette/DynamicLabel.h"
#include "mvtrivexhelper/NumberText.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/PioAppItem.h"
#include "platform/automation/ComError.h"
#include "platform/automation/PropertyBag.h"
#include "platform/controls/Twips.h"
#include <QLocale>
#include <QResizeEvent>

namespace {

const QString kSource = QStringLiteral("ctlDigitalDisplay");
const QString kLineBreak = QStringLiteral("\r\n");
// The connection item's value while the device is connected.
const QString kConnected = QStringLiteral("2");
// The pattern keeps its width while a text stays within one character of
// the length that set it: it is renewed for a text shorter than its width
// minus kShrinkBelow or longer than its width minus kGrowAbove, to the
// text's length plus kPatternMargin.
constexpr int kShrinkBelow = 3;
constexpr int kGrowAbove = 1;
constexpr int kPatternMargin = 2;

using Ctl = ctlDigitalDisplay::Ctl;

// The item controls: design-time settings, every one first bound to the
// placeholder (the connection item to its own).
struct Binding {
    Ctl control;
    const char* name;
    int elements;
    dalvex::ItemControlDesign design;
};
const Binding kBindings[] = {
    {Ctl::appMeasValue, "appMeasValue", 1, {"pbTagDesc", false, 0, 1}},
    {Ctl::appUnit, "appUnit", 1, {"pbTagDesc", false, 0, 1}},
    {Ctl::appConnectionStatus, "appConnectionStatus", 1, {"&&private&&Connect"}},
    {Ctl::appMinMax, "appMinMax", 2, {"pbTagDesc", true}},
    {Ctl::appWarningLimit, "appWarningLimit", 2, {"pbTagDesc", true}},
    {Ctl::appAlarmLimit, "appAlarmLimit", 2, {"pbTagDesc", true}},
};

// A number in plain or in the user's notation.
bool IsNumber(const QString& text)
{
    double value = 0;
    bool ok = false;
    QLocale().toDouble(text.trimmed(), &ok);
    return ok || NumberText::ToNumber(text, value);
}

} // namespace

// The persisted properties in the order the bag is written.
const std::array<pioitems::PersistedProperty<ctlDigitalDisplay>, 10> ctlDigitalDisplay::kPersisted{{
    {QStringLiteral("ObjectNameLoLim"), &ctlDigitalDisplay::m_ObjectNameLoLim, QString()},
    {QStringLiteral("ObjectNameHiLim"), &ctlDigitalDisplay::m_ObjectNameHiLim, QString()},
    {QStringLiteral("ObjectNameLoLoLim"), &ctlDigitalDisplay::m_ObjectNameLoLoLim, QString()},
    {QStringLiteral("ObjectNameHiHiLim"), &ctlDigitalDisplay::m_ObjectNameHiHiLim, QString()},
    {QStringLiteral("ObjectNameMin"), &ctlDigitalDisplay::m_ObjectNameMin, QString()},
    {QStringLiteral("ObjectNameMax"), &ctlDigitalDisplay::m_ObjectNameMax, QString()},
    {QStringLiteral("ObjectNameUnit"), &ctlDigitalDisplay::m_ObjectNameUnit, QString()},
    {QStringLiteral("ObjectNameValue"), &ctlDigitalDisplay::m_ObjectNameValue, QString()},
    {QStringLiteral("MaxDigits"), &ctlDigitalDisplay::m_MaxDigits, kDefaultMaxDigits},
    {QStringLiteral("DecimalPlaces"), &ctlDigitalDisplay::m_DecimalPlaces, kDefaultDecimalPlaces},
}};

ctlDigitalDisplay::ctlDigitalDisplay(QWidget* parent) : QWidget(parent), m_lblValue(new lumette::DynamicLabel(this))
{
    m_lblValue->setObjectName(QStringLiteral("lblValue"));
    m_lblValue->move(0, 0);
    for (const Binding& binding : kBindings)
        for (int i = 0; i < binding.elements; ++i)
            m_controls[binding.control][static_cast<size_t>(i)] = dalvex::CreateDesignedItemControl(
                this,
                binding.elements > 1 ? QStringLiteral("%1(%2)").arg(QLatin1String(binding.name)).arg(i)
                                     : QLatin1String(binding.name),
                binding.design);
    ApplyNumberFormat();
    connect(ItemControl(appMeasValue), &pioitems::PioAppItem::ValueChanged, this, [this] { ShowValue(); });
    connect(ItemControl(appConnectionStatus), &pioitems::PioAppItem::ValueChanged, this,
            [this](const QString& state) { ShowConnection(state); });
    // The digits changed their height (a longer text, a second line): the
    // display takes the label's height before it tells its window.
    connect(m_lblValue, &lumette::DynamicLabel::Resize, this, [this] {
        if (!m_resizing) {
            m_resizing = true;
            resize(width(), controls::Twips::ToPixels(m_lblValue->Height()));
            m_resizing = false;
        }
        emit Resize();
    });
}

ctlDigitalDisplay::~ctlDigitalDisplay()
{
    UnRegister();
}

pioitems::PioAppItem* ctlDigitalDisplay::ItemControl(Ctl control, int index) const
{
    pioitems::PioAppItem* item = m_controls.at(control).at(static_cast<size_t>(index));
    if (!item)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("Control %1 has no element %2").arg(control).arg(index), kSource);
    return item;
}

void ctlDigitalDisplay::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_registered)
        return;
    const std::pair<pioitems::PioAppItem*, const QString*> names[] = {
        {ItemControl(appMinMax, 0), &m_ObjectNameMin},         {ItemControl(appMinMax, 1), &m_ObjectNameMax},
        {ItemControl(appWarningLimit, 0), &m_ObjectNameLoLim}, {ItemControl(appWarningLimit, 1), &m_ObjectNameHiLim},
        {ItemControl(appAlarmLimit, 0), &m_ObjectNameLoLoLim}, {ItemControl(appAlarmLimit, 1), &m_ObjectNameHiHiLim},
        {ItemControl(appUnit), &m_ObjectNameUnit},             {ItemControl(appMeasValue), &m_ObjectNameValue},
    };
    for (const auto& [control, name] : names) {
        // The scale ends arrive as numbers (the protocol's Min and Max): a
        // number names no item, and binding it could only fail.
        const bool scaleEnd = control == ItemControl(appMinMax, 0) || control == ItemControl(appMinMax, 1);
        control->SetAppItemName(scaleEnd && IsNumber(*name) ? QString() : *name);
    }
    // The unit first, so that the value's first text finds it.
    for (const Ctl control : {appUnit, appMeasValue, appConnectionStatus, appMinMax, appWarningLimit, appAlarmLimit})
        for (pioitems::PioAppItem* element : m_controls[control])
            if (element)
                pioitems::ControlErrors::Run(kSource + QStringLiteral(".Register(%1)").arg(element->AppItemName()),
                                             [&] { element->Register(AppletItemManagerRef); });
    m_registered = true;
    // The state the registration found shows at once: a display opened
    // while the device is not connected must not look connected.
    if (ItemControl(appConnectionStatus)->IsRegistered())
        ShowConnection(ItemControl(appConnectionStatus)->StringValue());
}

void ctlDigitalDisplay::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef,
                                 const QVariant&, const QVariant&)
{
    Register(AppletItemManagerRef);
}

void ctlDigitalDisplay::UnRegister()
{
    if (!m_registered)
        return;
    for (const auto& elements : m_controls)
        for (pioitems::PioAppItem* element : elements)
            if (element)
                pioitems::ControlErrors::Run(kSource + QStringLiteral(".UnRegister"), [&] { element->UnRegister(); });
    m_registered = false;
}

QString ctlDigitalDisplay::FormatWithPattern(const QString& text, const QString& pattern)
{
    return text.rightJustified(pattern.size(), QLatin1Char(' '), false);
}

void ctlDigitalDisplay::ShowValue()
{
    const QString text = ItemControl(appMeasValue)->FloatValueFormatted();
    const auto n = text.size();
    const auto p = m_pattern.size();
    if (n < p - kShrinkBelow || n > p - kGrowAbove)
        m_pattern = QString(n + kPatternMargin, QLatin1Char('@'));
    const QString unit = ItemControl(appUnit)->UnitSymbol();
    m_lblValue->SetCaption(FormatWithPattern(text, m_pattern) + kLineBreak + FormatWithPattern(unit, m_pattern));
}

void ctlDigitalDisplay::ShowConnection(const QString& state)
{
    if (!m_registered)
        return;
    m_lblValue->SetForeColor(state.trimmed() == kConnected ? kConnectedColor : kNotConnectedColor);
}

void ctlDigitalDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_resizing)
        return;
    m_lblValue->SetWidth(controls::Twips::FromPixels(width()));
    m_resizing = true;
    resize(width(), controls::Twips::ToPixels(m_lblValue->Height()));
    m_resizing = false;
}

void ctlDigitalDisplay::SetName(QString& member, const char* property, const QString& name)
{
    member = name;
    emit PropertyChanged(QLatin1String(property));
}

void ctlDigitalDisplay::SetObjectNameValue(const QString& name)
{
    SetName(m_ObjectNameValue, "ObjectNameValue", name);
}

void ctlDigitalDisplay::SetObjectNameUnit(const QString& name)
{
    SetName(m_ObjectNameUnit, "ObjectNameUnit", name);
}

void ctlDigitalDisplay::SetObjectNameMin(const QString& name)
{
    SetName(m_ObjectNameMin, "ObjectNameMin", name);
}

void ctlDigitalDisplay::SetObjectNameMax(const QString& name)
{
    SetName(m_ObjectNameMax, "ObjectNameMax", name);
}

void ctlDigitalDisplay::SetObjectNameLoLim(const QString& name)
{
    SetName(m_ObjectNameLoLim, "ObjectNameLoLim", name);
}

void ctlDigitalDisplay::SetObjectNameHiLim(const QString& name)
{
    SetName(m_ObjectNameHiLim, "ObjectNameHiLim", name);
}

void ctlDigitalDisplay::SetObjectNameLoLoLim(const QString& name)
{
    SetName(m_ObjectNameLoLoLim, "ObjectNameLoLoLim", name);
}

void ctlDigitalDisplay::SetObjectNameHiHiLim(const QString& name)
{
    SetName(m_ObjectNameHiHiLim, "ObjectNameHiHiLim", name);
}

void ctlDigitalDisplay::ApplyNumberFormat()
{
    ItemControl(appMeasValue)->SetMaxDigits(m_MaxDigits);
    ItemControl(appMeasValue)->SetDecimalPlaces(m_DecimalPlaces);
}

void ctlDigitalDisplay::SetMaxDigits(int16_t digits)
{
    m_MaxDigits = digits;
    emit PropertyChanged(QStringLiteral("MaxDigits"));
    ItemControl(appMeasValue)->SetMaxDigits(digits);
}

void ctlDigitalDisplay::SetDecimalPlaces(int16_t places)
{
    m_DecimalPlaces = places;
    emit PropertyChanged(QStringLiteral("DecimalPlaces"));
    ItemControl(appMeasValue)->SetDecimalPlaces(places);
}

bool ctlDigitalDisplay::ApplyDisplayProperty(Property property, const QVariant& value)
{
    using Setter = void (ctlDigitalDisplay::*)(const QString&);
    struct Row {
        Property property;
        Setter set;
    };
    static constexpr Row kNames[] = {
        {Property::ObjectNameValue, &ctlDigitalDisplay::SetObjectNameValue},
        {Property::ObjectNameUnit, &ctlDigitalDisplay::SetObjectNameUnit},
        {Property::ObjectNameMin, &ctlDigitalDisplay::SetObjectNameMin},
        {Property::ObjectNameMax, &ctlDigitalDisplay::SetObjectNameMax},
        {Property::ObjectNameLoLim, &ctlDigitalDisplay::SetObjectNameLoLim},
        {Property::ObjectNameHiLim, &ctlDigitalDisplay::SetObjectNameHiLim},
        {Property::ObjectNameLoLoLim, &ctlDigitalDisplay::SetObjectNameLoLoLim},
        {Property::ObjectNameHiHiLim, &ctlDigitalDisplay::SetObjectNameHiHiLim},
    };
    for (const Row& row : kNames)
        if (row.property == property) {
            (this->*row.set)(value.toString());
            return true;
        }
    if (property == Property::MaxDigits)
        SetMaxDigits(value.value<int16_t>());
    else if (property == Property::DecimalPlaces)
        SetDecimalPlaces(value.value<int16_t>());
    else
        return false;
    return true;
}

QString ctlDigitalDisplay::DisplayName() const
{
    return objectName().isEmpty() ? kSource : objectName();
}

void ctlDigitalDisplay::ReadProperties(const automation::PropertyBag& bag)
{
    pioitems::ReadPersisted<ctlDigitalDisplay>(*this, bag, kPersisted, kSource + QStringLiteral(".ReadProperties"));
    ApplyNumberFormat();
}

void ctlDigitalDisplay::WriteProperties(automation::PropertyBag& bag) const
{
    pioitems::WritePersisted<ctlDigitalDisplay>(*this, bag, kPersisted);
}
