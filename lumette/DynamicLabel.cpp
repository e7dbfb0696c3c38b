#include "lumette/DynamicLabel.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/automation/PropertyBag.h"
#include "platform/controls/Twips.h"
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QResizeEvent>
#include <cmath>
#include <limits>
#include <optional>

namespace lumette {

namespace {

const QString kSource = QStringLiteral("Lumette.DynamicLabel");
const QString kLineBreak = QStringLiteral("\r\n");

// "Type mismatch", "Invalid property value"
constexpr int32_t kErrTypeMismatch = 13;
constexpr int32_t kErrInvalidPropertyValue = 380;

// The largest font size a label takes.
constexpr float kMaxFontSize = 2048;

// The label's alignment by the Alignment property; the text starts at the top.
constexpr Qt::Alignment kAlignments[] = {
    Qt::AlignLeft | Qt::AlignTop,
    Qt::AlignRight | Qt::AlignTop,
    Qt::AlignHCenter | Qt::AlignTop,
};

[[noreturn]] void Raise(int32_t number, const QString& description)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
    throw automation::ComError(number, description, kSource);
}

QColor ToColor(uint32_t color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

bool ValidAlignment(qlonglong alignment)
{
    return alignment >= 0 && alignment < static_cast<qlonglong>(std::size(kAlignments));
}

void CheckAlignment(qlonglong alignment)
{
    if (!ValidAlignment(alignment))
        Raise(kErrInvalidPropertyValue, QStringLiteral("Alignment %1 is not 0, 1 or 2").arg(alignment));
}

bool ValidFontSize(double points)
{
    return std::isfinite(points) && points >= 0 && points <= kMaxFontSize;
}

// A stored whole number: integer types only, no text, Boolean or fraction.
std::optional<qlonglong> StoredWholeNumber(const QVariant& stored)
{
    switch (stored.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: {
        bool ok = false;
        const qlonglong number = stored.toLongLong(&ok);
        return ok ? std::optional<qlonglong>(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// The stored value of key, or its default when the bag has none; a value of
// another type raises ComError(13).
QVariant StoredValue(const automation::PropertyBag& bag, const QString& key, const QVariant& defaultValue)
{
    return bag.Contains(key) ? bag.Read(key) : defaultValue;
}

[[noreturn]] void RaiseStored(int32_t number, const QString& key, const QVariant& stored)
{
    Raise(number, QStringLiteral("The stored value of %1 (%2) does not fit").arg(key, stored.toString()));
}

// A colour is a 32-bit number, signed or not.
uint32_t StoredColor(const automation::PropertyBag& bag, const QString& key, uint32_t defaultValue)
{
    const QVariant stored = StoredValue(bag, key, static_cast<qlonglong>(defaultValue));
    const std::optional<qlonglong> number = StoredWholeNumber(stored);
    if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<uint32_t>::max())
        RaiseStored(kErrTypeMismatch, key, stored);
    return static_cast<uint32_t>(*number);
}

} // namespace

DynamicLabel::Measure DynamicLabel::MeasureCaption(const QString& caption)
{
    // Break positions, 1-based like the character positions they measure;
    // as many as the caption holds.
    std::vector<qsizetype> breaks;
    for (qsizetype at = caption.indexOf(kLineBreak); at >= 0; at = caption.indexOf(kLineBreak, at + 1))
        breaks.push_back(at + 1);
    Measure measure;
    measure.lines = static_cast<int>(breaks.size()) + 1;
    if (breaks.empty()) {
        measure.longest = static_cast<int>(caption.size());
        return measure;
    }
    qsizetype longest = breaks.front();
    for (size_t i = 1; i < breaks.size(); ++i)
        longest = std::max(longest, breaks[i] - breaks[i - 1]);
    longest = std::max(longest, caption.size() - breaks.back());
    measure.longest = static_cast<int>(longest);
    return measure;
}

namespace {
// A family is taken only when its glyphs really are of one width: a name
// can resolve to a substitute that is not monospaced.
bool MeasuresMonospaced(const QString& family)
{
    QFont font(family);
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('W'));
    for (const QChar c : QStringLiteral("il1.0m"))
        if (metrics.horizontalAdvance(c) != width)
            return false;
    return width > 0;
}
} // namespace

QString DynamicLabel::FontFamily()
{
    static const QString family = [] {
        // Liberation Mono has the metrics of Courier New and is installed with the program's dependencies.
        for (const char* preferred : {"Liberation Mono", "Courier New"}) {
            const QString name = QString::fromLatin1(preferred);
            if (QFontDatabase::families().contains(name, Qt::CaseInsensitive) && MeasuresMonospaced(name))
                return name;
        }
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}

DynamicLabel::DynamicLabel(QWidget* parent) : QWidget(parent), m_label(new QLabel(this))
{
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAutoFillBackground(true);
    QFont font(FontFamily());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    m_label->setFont(font);
    m_label->setAlignment(kAlignments[m_alignment]);
    ApplyColors();
    m_caption = kDefaultCaption;
    m_label->setText(ShownText(m_caption));
}

QString DynamicLabel::ShownText(const QString& caption)
{
    return QString(caption).replace(kLineBreak, QStringLiteral("\n"));
}

void DynamicLabel::ApplyCaption(const QString& caption)
{
    m_caption = caption;
    m_label->setText(ShownText(caption));
    Fit();
}

void DynamicLabel::SetCaption(const QString& caption)
{
    ApplyCaption(caption);
    emit PropertyChanged(QStringLiteral("Caption"));
}

void DynamicLabel::SetForeColor(uint32_t color)
{
    m_foreColor = color;
    ApplyColors();
    emit PropertyChanged(QStringLiteral("ForeColor"));
}

void DynamicLabel::SetBackColor(uint32_t color)
{
    m_backColor = color;
    ApplyColors();
    emit PropertyChanged(QStringLiteral("BackColor"));
}

void DynamicLabel::SetAlignment(int16_t alignment)
{
    CheckAlignment(alignment);
    m_alignment = alignment;
    m_label->setAlignment(kAlignments[alignment]);
    emit PropertyChanged(QStringLiteral("Alignment"));
}

void DynamicLabel::SetAlignmentProperty(int alignment)
{
    CheckAlignment(alignment);
    SetAlignment(static_cast<int16_t>(alignment));
}

void DynamicLabel::SetFontSize(float points)
{
    if (!ValidFontSize(points))
        Raise(kErrInvalidPropertyValue, QStringLiteral("Font size %1 is out of range").arg(points));
    ApplyFontSize(points);
    emit PropertyChanged(QStringLiteral("FontSize"));
}

void DynamicLabel::SetWidth(int twips)
{
    Size(twips, m_height);
}

void DynamicLabel::SetHeight(int twips)
{
    Size(m_width, twips);
}

void DynamicLabel::Size(int width, int height)
{
    if (width < 0 || height < 0)
        Raise(kErrInvalidPropertyValue, QStringLiteral("Size %1 x %2 twips is negative").arg(width).arg(height));
    m_width = width;
    m_height = height;
    ResizeWidget();
    Fit();
}

void DynamicLabel::ResizeWidget()
{
    // Our own resize: the resize event finds the size it already knows.
    resize(controls::Twips::ToPixels(m_width), controls::Twips::ToPixels(m_height));
}

void DynamicLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_resizing)
        return;
    // A size that the widget already has in twips (rounded to pixels) is
    // kept in twips; another one comes from the container.
    const QSize pixels = event->size();
    bool changed = false;
    if (pixels.width() != controls::Twips::ToPixels(m_width)) {
        m_width = controls::Twips::FromPixels(pixels.width());
        changed = true;
    }
    if (pixels.height() != controls::Twips::ToPixels(m_height)) {
        m_height = controls::Twips::FromPixels(pixels.height());
        changed = true;
    }
    if (changed)
        Fit();
}

void DynamicLabel::ApplyFontSize(float points)
{
    m_fontSize = points;
    // A label cannot show a size of 0; it keeps its font until a width
    // gives it one.
    if (points > 0) {
        QFont font = m_label->font();
        font.setPointSizeF(points);
        m_label->setFont(font);
    }
}

void DynamicLabel::ApplyColors()
{
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, ToColor(m_foreColor));
    palette.setColor(QPalette::Window, ToColor(m_backColor));
    m_label->setPalette(palette);
}

void DynamicLabel::Fit()
{
    if (m_resizing)
        return;
    const Measure measure = MeasureCaption(m_caption);
    m_label->setGeometry(0, 0, controls::Twips::ToPixels(m_width), m_label->height());
    // An empty caption has no longest line: it keeps the last size.
    if (measure.longest > 0)
        ApplyFontSize(static_cast<float>(m_width / kTwipsPerPointAndCharacter / measure.longest));
    // The size as the label reports it back sets the line height.
    const double reported = m_fontSize > 0 ? m_label->font().pointSizeF() : 0.0;
    m_fontSize = static_cast<float>(reported);
    m_resizing = true;
    m_height = static_cast<int>(std::lround(reported * kLineTwipsPerPoint * measure.lines));
    ResizeWidget();
    m_resizing = false;
    m_label->setGeometry(0, 0, controls::Twips::ToPixels(m_width), controls::Twips::ToPixels(m_height));
    if (m_height != m_lastHeight) {
        m_lastHeight = m_height;
        emit Resize();
    }
}

void DynamicLabel::ReadProperties(const automation::PropertyBag& bag)
{
    const QString captionKey = QStringLiteral("Caption");
    const QVariant caption = StoredValue(bag, captionKey, kDefaultCaption);
    if (caption.typeId() != QMetaType::QString)
        RaiseStored(kErrTypeMismatch, captionKey, caption);
    const uint32_t foreColor = StoredColor(bag, QStringLiteral("ForeColor"), kDefaultForeColor);
    const uint32_t backColor = StoredColor(bag, QStringLiteral("BackColor"), kDefaultBackColor);
    const QString alignmentKey = QStringLiteral("Alignment");
    const QVariant alignment = StoredValue(bag, alignmentKey, static_cast<int>(kDefaultAlignment));
    const std::optional<qlonglong> alignmentNumber = StoredWholeNumber(alignment);
    if (!alignmentNumber)
        RaiseStored(kErrTypeMismatch, alignmentKey, alignment);
    if (!ValidAlignment(*alignmentNumber))
        RaiseStored(kErrInvalidPropertyValue, alignmentKey, alignment);
    const QString fontSizeKey = QStringLiteral("FontSize");
    const QVariant fontSize = StoredValue(bag, fontSizeKey, kDefaultFontSize);
    const bool isNumber = fontSize.typeId() == QMetaType::Double || fontSize.typeId() == QMetaType::Float
                          || StoredWholeNumber(fontSize).has_value();
    if (!isNumber)
        RaiseStored(kErrTypeMismatch, fontSizeKey, fontSize);
    if (!ValidFontSize(fontSize.toDouble()))
        RaiseStored(kErrInvalidPropertyValue, fontSizeKey, fontSize);

    // Everything fits: applied in the order of the table, without marking
    // the control changed.
    ApplyCaption(caption.toString());
    m_foreColor = foreColor;
    m_backColor = backColor;
    ApplyColors();
    m_alignment = static_cast<int16_t>(*alignmentNumber);
    m_label->setAlignment(kAlignments[m_alignment]);
    ApplyFontSize(fontSize.toFloat());
}

void DynamicLabel::WriteProperties(automation::PropertyBag& bag) const
{
    bag.Write(QStringLiteral("Caption"), m_caption);
    bag.Write(QStringLiteral("ForeColor"), static_cast<qlonglong>(m_foreColor));
    bag.Write(QStringLiteral("BackColor"), static_cast<qlonglong>(m_backColor));
    bag.Write(QStringLiteral("Alignment"), static_cast<int>(m_alignment));
    bag.Write(QStringLiteral("FontSize"), m_fontSize);
}

} // namespace lumette
