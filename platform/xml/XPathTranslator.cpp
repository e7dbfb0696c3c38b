#include "platform/xml/XPathTranslator.h"

namespace xml {

namespace {

// What the token before the current one was, for the XPath rule that tells an
// operator name ("and", "div", "*") from a name test.
enum class Prev { None, OpenLike, Operator, Operand };
// The axis the next name test belongs to.
enum class Axis { Element, Attribute, Namespace };

bool IsNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() > 0x7F;
}

bool IsNameChar(QChar c)
{
    return IsNameStart(c) || c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.');
}

class Translator {
public:
    Translator(const QString& in, const std::function<bool(const QString&)>& known)
        : m_in(in), m_known(known)
    {
    }

    QString Run()
    {
        while (m_pos < m_in.size())
            Step();
        return m_out;
    }

private:
    QChar At(qsizetype i) const { return i < m_in.size() ? m_in[i] : QChar(); }

    void Copy(qsizetype count)
    {
        m_out += m_in.mid(m_pos, count);
        m_pos += count;
    }

    QString ReadName()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && IsNameChar(m_in[m_pos]))
            ++m_pos;
        return m_in.mid(start, m_pos - start);
    }

    qsizetype SkipBlanks(qsizetype i) const
    {
        while (i < m_in.size() && m_in[i].isSpace())
            ++i;
        return i;
    }

    void Step()
    {
        const QChar c = m_in[m_pos];
        if (c.isSpace()) {
            Copy(1);
            return;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype end = m_in.indexOf(c, m_pos + 1);
            end = end < 0 ? m_in.size() : end + 1;
            Copy(end - m_pos);
            m_prev = Prev::Operand;
            return;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && At(m_pos + 1).isDigit())) {
            qsizetype end = m_pos;
            while (end < m_in.size() && (m_in[end].isDigit() || m_in[end] == QLatin1Char('.')))
                ++end;
            Copy(end - m_pos);
            m_prev = Prev::Operand;
            return;
        }
        if (c == QLatin1Char('.')) {
            Copy(At(m_pos + 1) == QLatin1Char('.') ? 2 : 1);
            m_prev = Prev::Operand;
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char('@')) {
            Copy(1);
            m_prev = Prev::OpenLike;
            m_axis = Axis::Attribute;
            return;
        }
        if (c == QLatin1Char(',') || c == QLatin1Char('(') || c == QLatin1Char('[')) {
            Copy(1);
            m_prev = Prev::OpenLike;
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char(')') || c == QLatin1Char(']')) {
            Copy(1);
            m_prev = Prev::Operand;
            return;
        }
        if (c == QLatin1Char(':')) {
            // "::" after an axis name; the axis stays for the name test.
            Copy(At(m_pos + 1) == QLatin1Char(':') ? 2 : 1);
            m_prev = Prev::OpenLike;
            return;
        }
        if (c == QLatin1Char('/')) {
            Copy(At(m_pos + 1) == QLatin1Char('/') ? 2 : 1);
            m_prev = Prev::Operator;
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char('!') || c == QLatin1Char('<') || c == QLatin1Char('>')) {
            Copy(At(m_pos + 1) == QLatin1Char('=') ? 2 : 1);
            m_prev = Prev::Operator;
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char('|') || c == QLatin1Char('+') || c == QLatin1Char('-')
            || c == QLatin1Char('=')) {
            Copy(1);
            m_prev = Prev::Operator;
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char('*')) {
            Copy(1);
            if (m_prev == Prev::Operand) {
                m_prev = Prev::Operator; // multiplication
            } else {
                m_prev = Prev::Operand; // any name
            }
            m_axis = Axis::Element;
            return;
        }
        if (c == QLatin1Char('$')) {
            Copy(1);
            ReadQualifiedInto(m_out);
            m_prev = Prev::Operand;
            return;
        }
        if (IsNameStart(c)) {
            Name();
            return;
        }
        Copy(1); // anything else is left for the XPath engine to judge
    }

    void ReadQualifiedInto(QString& out)
    {
        out += ReadName();
        if (At(m_pos) == QLatin1Char(':') && IsNameStart(At(m_pos + 1))) {
            ++m_pos;
            out += QLatin1Char(':') + ReadName();
        }
    }

    void Name()
    {
        if (m_prev == Prev::Operand) { // "and", "or", "div", "mod"
            m_out += ReadName();
            m_prev = Prev::Operator;
            m_axis = Axis::Element;
            return;
        }
        QString prefix;
        QString local = ReadName();
        bool anyLocal = false;
        if (At(m_pos) == QLatin1Char(':') && At(m_pos + 1) != QLatin1Char(':')) {
            if (At(m_pos + 1) == QLatin1Char('*')) {
                prefix = local;
                local.clear();
                anyLocal = true;
                m_pos += 2;
            } else if (IsNameStart(At(m_pos + 1))) {
                prefix = local;
                ++m_pos;
                local = ReadName();
            }
        }
        const QString written = prefix.isEmpty() ? local
                              : prefix + QLatin1Char(':') + (anyLocal ? QStringLiteral("*") : local);
        const qsizetype next = SkipBlanks(m_pos);
        if (At(next) == QLatin1Char('(')) { // function call or node-type test
            m_out += written;
            m_prev = Prev::Operand;
            return;
        }
        if (prefix.isEmpty() && At(next) == QLatin1Char(':') && At(next + 1) == QLatin1Char(':')) {
            m_out += written; // axis name
            m_axis = local == QLatin1String("attribute") ? Axis::Attribute
                   : local == QLatin1String("namespace") ? Axis::Namespace
                                                         : Axis::Element;
            m_prev = Prev::OpenLike;
            return;
        }
        m_out += NameTest(prefix, local, anyLocal, written);
        m_prev = Prev::Operand;
        m_axis = Axis::Element;
    }

    QString NameTest(const QString& prefix, const QString& local, bool anyLocal,
                     const QString& written) const
    {
        if (m_axis == Axis::Namespace)
            return written;
        if (prefix.isEmpty()) {
            if (m_axis == Axis::Attribute)
                return written;
            return QStringLiteral("*[name()='") + local + QStringLiteral("']");
        }
        if (m_known && m_known(prefix))
            return written;
        if (anyLocal)
            return QStringLiteral("*[starts-with(name(),'") + prefix + QStringLiteral(":')]");
        return QStringLiteral("*[name()='") + prefix + QLatin1Char(':') + local + QStringLiteral("']");
    }

    const QString& m_in;
    const std::function<bool(const QString&)>& m_known;
    QString m_out;
    qsizetype m_pos = 0;
    Prev m_prev = Prev::None;
    Axis m_axis = Axis::Element;
};

} // namespace

QString TranslateXPath(const QString& expression,
                       const std::function<bool(const QString& prefix)>& isKnownPrefix)
{
    return Translator(expression, isKnownPrefix).Run();
}

} // namespace xml
