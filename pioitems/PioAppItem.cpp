#include "pioitems/PioAppItem.h"
#include "platform/applet/UserNumber.h"
#include "pioextensions/ItemAccessReport.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/FloatFormatting.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/ItemValue.h"
#include "platform/automation/ComError.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/UnitTable.h"
#include <QPointer>
#include <cmath>
#include <limits>

namespace pioitems {

const std::array<PersistedProperty<PioAppItem>, 5> PioAppItem::kPersisted{{
    {QStringLiteral("AppItemName"), &PioAppItem::m_AppItemName, QString()},
    {QStringLiteral("RegisterOnShadow"), &PioAppItem::m_RegisterOnShadow, false},
    {QStringLiteral("UpdateInterval"), &PioAppItem::m_UpdateInterval, int16_t(0)},
    {QStringLiteral("DecimalPlaces"), &PioAppItem::m_DecimalPlaces, int16_t(10)},
    {QStringLiteral("MaxDigits"), &PioAppItem::m_MaxDigits, int16_t(255)},
}};

PioAppItem::PioAppItem(QWidget* parent)
    : PioItemControl(QStringLiteral("PioAppItem"), QStringLiteral("AppItem: "), parent)
{
    connect(&m_item, &clsAppItem::ValueChanged3, this,
            [this](const QString&, int32_t itemState) { m_ItemState = itemState; });
    connect(&m_item, &clsAppItem::ValueChanged2, this, [this](const QString& value, bool suppressRule) {
        // Register pushed the value to the form already, inside the call.
        if ((m_ItemState & applet::StateInfo::kRegistration) != 0)
            return;
        const QPointer<PioAppItem> self(this);
        emit ValueChanged(value);
        if (self)
            emit ValueChanged2(value, suppressRule);
    });
}

PioAppItem::~PioAppItem()
{
    UnRegister();
}

void PioAppItem::RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    m_item.Register(manager, m_AppItemName, m_RegisterOnShadow, m_UpdateInterval, nullptr, QString());
}

void PioAppItem::UnRegisterItem()
{
    m_item.UnRegister();
}

void PioAppItem::OnRegistered()
{
    // Only a registered item has a value to show: pushing the text of an
    // item that failed to register would hand the container a value the
    // device never had.
    const QString text = StringValue();
    const QPointer<PioAppItem> self(this);
    emit ValueChanged(text);
    if (self)
        emit ValueChanged2(text, false);
}

void PioAppItem::SetUpdateInterval(int16_t value)
{
    m_UpdateInterval = value;
    MarkPropertyChanged(QStringLiteral("UpdateInterval"));
}

void PioAppItem::SetDecimalPlaces(int16_t value)
{
    m_DecimalPlaces = value;
    MarkPropertyChanged(QStringLiteral("DecimalPlaces"));
}

void PioAppItem::SetMaxDigits(int16_t value)
{
    m_MaxDigits = value;
    MarkPropertyChanged(QStringLiteral("MaxDigits"));
}

template <class T, class Get>
T PioAppItem::Read(const char* property, T empty, Get get) const
{
    T value = empty;
    if (!ControlErrors::Run(Context(property),
                            [&] { value = (m_item.*get)(); }))
        return empty;
    return value;
}

template <class Put, class T>
void PioAppItem::Write(const char* property, Put put, const T& value)
{
    RequireRunMode(property);
    // A refusal of the manager reaches the caller, who must not carry on as
    // though the value were written. A control whose registration failed
    // carries on as its other accesses do (the item traced the write).
    const int32_t failed = (m_item.*put)(value);
    if (failed == applet::kItemOk || !m_item.IsRegistered())
        return;
    const automation::ComError error =
        ItemAccessReport::ErrorOf(failed, ClassName() + QLatin1Char('.') + QLatin1String(property), m_AppItemName);
    ControlErrors::Trace(Context(property), error);
    throw error;
}

bool PioAppItem::ToBytes(const char* property, const QVariant& value, QByteArray& bytes) const
{
    if (value.typeId() == QMetaType::QByteArray) {
        bytes = value.toByteArray();
        return true;
    }
    if (value.typeId() == QMetaType::QVariantList) {
        bytes.clear();
        for (const QVariant& element : value.toList()) {
            bool ok = false;
            const int byte = element.toInt(&ok);
            if (!ok || byte < 0 || byte > 255) {
                bytes.clear();
                break;
            }
            bytes.append(static_cast<char>(byte));
        }
        if (bytes.size() == value.toList().size())
            return true;
    }
    ControlErrors::Trace(Context(property),
                         automation::ComError(kErrTypeMismatch, QStringLiteral("Type mismatch: not a byte array"),
                                              ClassName()));
    return false;
}

QString PioAppItem::StringValue() const
{
    return Read("StringValue", QString(), &clsAppItem::StringValue);
}

void PioAppItem::SetStringValue(const QString& value)
{
    Write("StringValue", &clsAppItem::SetStringValue, value);
}

int32_t PioAppItem::BCDValue() const
{
    return Read("BCDValue", int32_t(0), &clsAppItem::BCDValue);
}

void PioAppItem::SetBCDValue(int32_t value)
{
    Write("BCDValue", &clsAppItem::SetBCDValue, value);
}

float PioAppItem::FloatValue() const
{
    return Read("FloatValue", 0.0f, &clsAppItem::FloatValue);
}

void PioAppItem::SetFloatValue(float value)
{
    Write("FloatValue", &clsAppItem::SetFloatValue, value);
}

QVariant PioAppItem::HartDateValue() const
{
    return QVariant(Read("HartDateValue", QByteArray(), &clsAppItem::HartDateValue));
}

void PioAppItem::SetHartDateValue(const QVariant& value)
{
    RequireRunMode("HartDateValue");
    QByteArray bytes;
    if (ToBytes("HartDateValue", value, bytes))
        Write("HartDateValue", &clsAppItem::SetHartDateValue, bytes);
}

int32_t PioAppItem::IntValue() const
{
    return Read("IntValue", int32_t(0), &clsAppItem::IntValue);
}

void PioAppItem::SetIntValue(int32_t value)
{
    Write("IntValue", &clsAppItem::SetIntValue, value);
}

QVariant PioAppItem::OctetValue() const
{
    return Read("OctetValue", QVariant(), &clsAppItem::OctetValue);
}

void PioAppItem::SetOctetValue(const QVariant& value)
{
    Write("OctetValue", &clsAppItem::SetOctetValue, value);
}

QVariant PioAppItem::PCAValue() const
{
    return QVariant(Read("PCAValue", QByteArray(), &clsAppItem::PCAValue));
}

void PioAppItem::SetPCAValue(const QVariant& value)
{
    RequireRunMode("PCAValue");
    QByteArray bytes;
    if (ToBytes("PCAValue", value, bytes))
        Write("PCAValue", &clsAppItem::SetPCAValue, bytes);
}

double PioAppItem::UIntValue() const
{
    const double value = Read("UIntValue", 0.0, &clsAppItem::UIntValue);
    // The default rounding mode rounds ties to even.
    const double whole = std::nearbyint(value);
    if (!(whole >= std::numeric_limits<int32_t>::min() && whole <= std::numeric_limits<int32_t>::max())) {
        ControlErrors::Trace(Context("UIntValue"),
                             automation::ComError(6, QStringLiteral("Overflow: %1").arg(value), ClassName()));
        return 0;
    }
    return whole;
}

void PioAppItem::SetUIntValue(double value)
{
    Write("UIntValue", &clsAppItem::SetUIntValue, value);
}

QString PioAppItem::EnumValue() const
{
    return Read("EnumValue", QString(), &clsAppItem::EnumValue);
}

QString PioAppItem::UnitSymbol() const
{
    const QString unit = EnumValue();
    const auto manager = m_item.Manager();
    return manager ? applet::UnitSymbol(*manager, unit) : unit;
}

int32_t PioAppItem::DataType() const
{
    return Read("DataType", int32_t(0), &clsAppItem::DataType);
}

void PioAppItem::Adjust()
{
    m_item.Adjust();
}

QString PioAppItem::FloatValueFormatted() const
{
    const bool bound = m_item.Manager() && m_item.ItemHandle() > 0;
    if (bound && DataType() == static_cast<int32_t>(applet::ItemType::Float)) {
        const std::optional<QString> text =
            FloatFormatting::FormatFloat(static_cast<double>(FloatValue()), m_DecimalPlaces, m_MaxDigits,
                                         applet::UserNumber::CountryCode(*m_item.Manager()));
        if (text)
            return *text;
    }
    return StringValue();
}

void PioAppItem::ReadProperties(const automation::PropertyBag& bag)
{
    ReadPersisted<PioAppItem>(*this, bag, kPersisted, ClassName() + QStringLiteral(".ReadProperties"));
    ShowName();
}

void PioAppItem::WriteProperties(automation::PropertyBag& bag) const
{
    WritePersisted<PioAppItem>(*this, bag, kPersisted);
}

} // namespace pioitems
