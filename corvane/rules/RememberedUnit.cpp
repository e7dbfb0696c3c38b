#include "corvane/rules/RememberedUnit.h"
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "mvtrivexhelper/NumberText.h"
#include "platform/applet/AppletTrace.h"

std::optional<int16_t> RememberedUnit::CodeOf(const QString& unitText)
{
    double number = 0;
    int16_t code = 0;
    if (!NumberText::ToNumber(unitText, number) || !NumberText::RoundToInt16(number, code))
        return std::nullopt;
    return code;
}

void RememberedUnit::Set(double code)
{
    int16_t whole = 0;
    if (!NumberText::RoundToInt16(code, whole)) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: %2 is no unit code; the unit is unknown now").arg(m_name, NumberText::Plain(code)));
        whole = 0;
    }
    m_code = whole;
}

void RememberedUnit::TakeFrom(const QString& unitText)
{
    const std::optional<int16_t> code = CodeOf(unitText);
    if (!code)
        applet::AppletTrace::Error(
            QStringLiteral("%1: \"%2\" is no unit code; the unit is unknown now").arg(m_name, unitText));
    m_code = code.value_or(0);
}

std::optional<double> RememberedUnit::Convert(IChangeUnitValue& converter, double value, int32_t newUnit,
                                              const QString& what) const
{
    if (!Known()) {
        applet::AppletTrace::Error(QStringLiteral("%1 is not known yet: %2 is not converted into unit %3")
                                       .arg(m_name, what)
                                       .arg(newUnit));
        return std::nullopt;
    }
    return converter.ChangeUnitValue(value, m_code, newUnit);
}
