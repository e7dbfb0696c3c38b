#include "platform/controls/CurveFormula.h"
#include <cmath>

namespace controls::CurveFormula {

namespace {

class Parser {
public:
    Parser(const QString& text, double x) : m_text(text), m_x(x) {}

    bool Run(double& result, QString& error)
    {
        result = Sum();
        Skip();
        if (m_error.isEmpty() && m_at < m_text.size())
            m_error = QStringLiteral("unexpected '%1' at %2").arg(m_text[m_at]).arg(m_at + 1);
        if (m_error.isEmpty() && !std::isfinite(result))
            m_error = QStringLiteral("no finite value at x = %1").arg(m_x);
        error = m_error;
        return m_error.isEmpty();
    }

private:
    void Skip()
    {
        while (m_at < m_text.size() && m_text[m_at].isSpace())
            ++m_at;
    }
    bool Take(QChar c)
    {
        Skip();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    double Sum()
    {
        double value = Product();
        while (m_error.isEmpty()) {
            if (Take(QLatin1Char('+')))
                value += Product();
            else if (Take(QLatin1Char('-')))
                value -= Product();
            else
                break;
        }
        return value;
    }
    double Product()
    {
        double value = Unary();
        while (m_error.isEmpty()) {
            if (Take(QLatin1Char('*')))
                value *= Unary();
            else if (Take(QLatin1Char('/')))
                value /= Unary();
            else
                break;
        }
        return value;
    }
    // Unary minus binds looser than the power: -x^2 is -(x^2).
    double Unary()
    {
        if (Take(QLatin1Char('-')))
            return -Unary();
        return Power();
    }
    double Power()
    {
        const double base = Primary();
        if (m_error.isEmpty() && Take(QLatin1Char('^')))
            return std::pow(base, Unary());
        return base;
    }
    double Primary()
    {
        if (++m_depth > 100) {
            m_error = QStringLiteral("nested too deeply");
            return 0;
        }
        double value = 0;
        Skip();
        if (Take(QLatin1Char('('))) {
            value = Sum();
            if (m_error.isEmpty() && !Take(QLatin1Char(')')))
                m_error = QStringLiteral("missing ')'");
        } else if (Take(QLatin1Char('x')) || Take(QLatin1Char('X'))) {
            value = m_x;
        } else {
            const int start = m_at;
            while (m_at < m_text.size() && (m_text[m_at].isDigit() || m_text[m_at] == QLatin1Char('.')))
                ++m_at;
            bool ok = false;
            value = m_text.mid(start, m_at - start).toDouble(&ok);
            if (!ok && m_error.isEmpty())
                m_error = m_at < m_text.size() ? QStringLiteral("unexpected '%1' at %2").arg(m_text[m_at]).arg(m_at + 1)
                                               : QStringLiteral("a number or x is missing at the end");
        }
        --m_depth;
        return value;
    }

    const QString& m_text;
    double m_x;
    int m_at = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

bool Evaluate(const QString& formula, double x, double& result, QString& error)
{
    return Parser(formula, x).Run(result, error);
}

} // namespace controls::CurveFormula
