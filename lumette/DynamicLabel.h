#pragma once
// A multi-line label whose font size follows the width of the control and
// whose height follows the number of lines, so that the longest line of a
// bold monospaced font fills the width. Every change of its height is
// reported (Resize) so that its container can lay itself out again.
//
// Geometry is kept in twips (Width, Height, Size) and converted to pixels
// only where the widget is sized; font sizes are in points.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;

namespace automation {
class PropertyBag;
}

namespace lumette {

class DynamicLabel : public QWidget, public automation::ComObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(uint BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(int Alignment READ AlignmentProperty WRITE SetAlignmentProperty)
    Q_PROPERTY(float FontSize READ FontSize WRITE SetFontSize)
public:
    static inline const QString kProgId = QStringLiteral("Lumette.DynamicLabel");

    // Alignment of the text.
    enum : int16_t { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2 };

    // The persisted properties' defaults.
    static inline const QString kDefaultCaption = QStringLiteral("123,345");
    static constexpr uint32_t kDefaultForeColor = 65280; // green
    static constexpr uint32_t kDefaultBackColor = 0;     // black
    static constexpr int16_t kDefaultAlignment = kAlignCenter;
    static constexpr float kDefaultFontSize = 0;

    // Twips of width per point of font size and character of the font, and
    // twips of line height per point.
    static constexpr double kTwipsPerPointAndCharacter = 11.9;
    static constexpr int kLineTwipsPerPoint = 24;

    // The line measure of a caption (lines separated by carriage return and
    // line feed): the first line's length + 1, each middle line's length + 2
    // and the last line's length + 1, the largest of them (the caption's
    // length when it has no break); and the number of lines.
    struct Measure {
        int longest = 0;
        int lines = 1;
    };
    static Measure MeasureCaption(const QString& caption);

    explicit DynamicLabel(QWidget* parent = nullptr);

    // The text; a new text is fitted at once.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    // Colours as 0x00BBGGRR.
    uint32_t ForeColor() const { return m_foreColor; }
    void SetForeColor(uint32_t color);
    uint32_t BackColor() const { return m_backColor; }
    void SetBackColor(uint32_t color);
    // 0 left, 1 right, 2 centred; any other value raises ComError(380) and
    // changes nothing.
    int16_t Alignment() const { return m_alignment; }
    void SetAlignment(int16_t alignment);
    // The last fitted size in points (the next fitting replaces it); a
    // negative, overlarge or not finite size raises ComError(380).
    float FontSize() const { return m_fontSize; }
    void SetFontSize(float points);

    // The control's extent in twips; setting it fits the label.
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetWidth(int twips);
    void SetHeight(int twips);
    void Size(int width, int height);

    // The persisted properties (Caption, ForeColor, BackColor, Alignment,
    // FontSize, in this order). A stored value of the wrong type or out of
    // range raises ComError (13 or 380) and changes nothing; a missing one
    // takes its default.
    void ReadProperties(const automation::PropertyBag& bag);
    void WriteProperties(automation::PropertyBag& bag) const;

    // The label that shows the text.
    const QLabel* Label1() const { return m_label; }
    // The family the label is set in.
    static QString FontFamily();

signals:
    // The label's height changed at a fitting.
    void Resize();
    // A persisted property was set; the container saves the control again.
    void PropertyChanged(const QString& propertyName);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int AlignmentProperty() const { return m_alignment; }
    void SetAlignmentProperty(int alignment);
    static QString ShownText(const QString& caption);
    void ApplyCaption(const QString& caption);
    void Fit();
    void ApplyFontSize(float points);
    void ApplyColors();
    void ResizeWidget();

    QLabel* m_label;
    QString m_caption;
    uint32_t m_foreColor = kDefaultForeColor;
    uint32_t m_backColor = kDefaultBackColor;
    int16_t m_alignment = kDefaultAlignment;
    float m_fontSize = kDefaultFontSize;
    int m_width = 0;
    int m_height = 0;
    bool m_resizing = false;
    int m_lastHeight = 0;
};

} // namespace lumette
