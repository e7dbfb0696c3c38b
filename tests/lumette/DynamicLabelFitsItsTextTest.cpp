// The dynamic label fits its font to its width and its height to its lines:
// the longest line (first and last lines + 1, middle lines + 2) of a bold
// monospaced font fills the width at 11.9 twips per point and character, and
// each line is 24 twips per point high. Every change of height is reported.
#include "lumette/DynamicLabel.h"
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QSignalSpy>
#include <gtest/gtest.h>

using lumette::DynamicLabel;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

int ExpectedHeight(const DynamicLabel& label, int lines)
{
    return static_cast<int>(std::lround(label.FontSize() * 24.0 * lines));
}

// Every glyph as wide as the next: measured, since a family's name may
// resolve to a substitute whose pitch flag says otherwise or lies.
void ExpectMonospaced(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('W'));
    EXPECT_GT(width, 0);
    for (const QChar c : QStringLiteral("il1.0m 5"))
        EXPECT_EQ(metrics.horizontalAdvance(c), width) << QString(c).toStdString() << " in " << font.family().toStdString();
}

} // namespace

TEST(DynamicLabel, MeasuresTheLongestLineWithItsBreaks)
{
    struct Case {
        QString caption;
        int longest;
        int lines;
    };
    const Case cases[] = {
        {QStringLiteral("0123456789"), 10, 1},
        {QStringLiteral("12345") + kCrLf + QStringLiteral("1234"), 6, 2},
        // A middle line counts both of its breaks.
        {QStringLiteral("ab") + kCrLf + QStringLiteral("abcdef") + kCrLf + QStringLiteral("c"), 8, 3},
        // A last line alone is the longest.
        {QStringLiteral("a") + kCrLf + QStringLiteral("abcdefg"), 8, 2},
        {kCrLf, 1, 2},
        {QString(), 0, 1},
    };
    for (const Case& c : cases) {
        const DynamicLabel::Measure measure = DynamicLabel::MeasureCaption(c.caption);
        EXPECT_EQ(measure.longest, c.longest) << c.caption.toStdString();
        EXPECT_EQ(measure.lines, c.lines) << c.caption.toStdString();
    }
}

TEST(DynamicLabel, TwoLinesFillTheWidthAndReportTheirHeight)
{
    DynamicLabel label;
    QSignalSpy resized(&label, &DynamicLabel::Resize);
    label.SetCaption(QStringLiteral("12345") + kCrLf + QStringLiteral("1234"));
    label.Size(1190, 300);
    EXPECT_NEAR(label.FontSize(), 1190 / 11.9 / 6, 0.01);
    EXPECT_NEAR(label.FontSize(), 16.7, 0.05);
    EXPECT_EQ(label.Height(), ExpectedHeight(label, 2));
    EXPECT_EQ(label.Height(), 800);
    EXPECT_EQ(label.Width(), 1190);
    // Converted to pixels only at the widget: 15 twips a pixel.
    EXPECT_EQ(label.width(), 79);
    EXPECT_EQ(label.height(), 53);
    EXPECT_EQ(label.Label1()->geometry(), QRect(0, 0, 79, 53));
    EXPECT_TRUE(label.Label1()->font().bold());
    ExpectMonospaced(label.Label1()->font());
    // Liberation Mono, installed with the dependencies, is preferred over any substitute.
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Mono"))) {
        EXPECT_EQ(QFontInfo(label.Label1()->font()).family(), QStringLiteral("Liberation Mono"));
    }
    EXPECT_EQ(label.Label1()->text(), QStringLiteral("12345\n1234"));
    EXPECT_EQ(resized.count(), 1);

    // One line of ten characters.
    label.SetCaption(QStringLiteral("0123456789"));
    EXPECT_NEAR(label.FontSize(), 10, 0.01);
    EXPECT_EQ(label.Height(), 240);
    EXPECT_EQ(resized.count(), 2);
}

TEST(DynamicLabel, ANewTextRefitsAtOnceAndAnEqualHeightIsNotReported)
{
    DynamicLabel label;
    label.Size(2380, 0);
    QSignalSpy resized(&label, &DynamicLabel::Resize);
    label.SetCaption(QStringLiteral("1.25") + kCrLf + QStringLiteral("bar"));
    const float first = label.FontSize();
    EXPECT_NEAR(first, 2380 / 11.9 / 5, 0.01);
    EXPECT_EQ(resized.count(), 1);

    // Same measure, same number of lines: same height, nothing reported.
    label.SetCaption(QStringLiteral("9.75") + kCrLf + QStringLiteral("psi"));
    EXPECT_EQ(label.FontSize(), first);
    EXPECT_EQ(resized.count(), 1);

    // The container sets a height: the label fits again and keeps the
    // height its lines need, which is no change.
    label.SetHeight(5000);
    EXPECT_EQ(label.Height(), ExpectedHeight(label, 2));
    EXPECT_EQ(resized.count(), 1);

    // The container widens the shown widget in pixels: twice the width,
    // twice the size.
    label.show();
    label.resize(label.width() * 2, label.height());
    EXPECT_EQ(label.Width(), 4770);
    EXPECT_NEAR(label.FontSize(), 4770 / 11.9 / 5, 0.01);
    EXPECT_EQ(resized.count(), 2);
}

TEST(DynamicLabel, AnEmptyCaptionKeepsTheLastFontSize)
{
    DynamicLabel fresh;
    fresh.SetCaption(QString());
    fresh.Size(1500, 400);
    EXPECT_EQ(fresh.FontSize(), 0) << "nothing fitted yet";
    EXPECT_EQ(fresh.Height(), 0);

    DynamicLabel label;
    label.Size(1190, 0);
    label.SetCaption(QStringLiteral("12345") + kCrLf + QStringLiteral("1234"));
    const float fitted = label.FontSize();
    QSignalSpy resized(&label, &DynamicLabel::Resize);
    label.SetCaption(QString());
    EXPECT_EQ(label.FontSize(), fitted);
    EXPECT_EQ(label.Height(), ExpectedHeight(label, 1)) << "one empty line";
    EXPECT_EQ(resized.count(), 1);
    label.SetWidth(2000);
    EXPECT_EQ(label.FontSize(), fitted);
}

TEST(DynamicLabel, MoreThanTwentyLinesAreMeasuredLikeTheOthers)
{
    QStringList lines;
    for (int i = 0; i < 25; ++i)
        lines << QStringLiteral("12");
    lines[22] = QStringLiteral("0123456789"); // a middle line far past the twentieth
    DynamicLabel label;
    label.Size(1190, 0);
    label.SetCaption(lines.join(kCrLf));
    EXPECT_NEAR(label.FontSize(), 1190 / 11.9 / 12, 0.01);
    EXPECT_EQ(label.Height(), ExpectedHeight(label, 25));
}
