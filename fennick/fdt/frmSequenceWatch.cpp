#include "fennick/fdt/frmSequenceWatch.h"
#include "platform/controls/Twips.h"
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kWidthTwips = 7200;
constexpr int kHeightTwips = 3600;
} // namespace

frmSequenceWatch::frmSequenceWatch(QWidget* parent)
    : QWidget(parent, Qt::Window), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("frmSequenceWatch"));
    setWindowTitle(kCaption);
    m_table->setObjectName(QStringLiteral("StatusTable"));
    m_table->setColumnCount(kColumns);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixedBackground = palette().color(QPalette::Button);
    SetRows(1);
    resize(controls::Twips::ToPixels(kWidthTwips), controls::Twips::ToPixels(kHeightTwips));
    Form_Resize();
}

void frmSequenceWatch::SetRows(int rows)
{
    const int before = m_table->rowCount();
    m_table->setRowCount(std::max(rows, 1));
    for (int row = before; row < m_table->rowCount(); ++row)
        for (int column = 0; column < kColumns; ++column)
            m_table->setItem(row, column, new QTableWidgetItem());
    SetFixedBackground(m_fixedBackground);
    Form_Resize();
}

int frmSequenceWatch::Rows() const
{
    return m_table->rowCount();
}

void frmSequenceWatch::SetCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = m_table->item(row, column))
        item->setText(text);
}

QString frmSequenceWatch::CellText(int row, int column) const
{
    const QTableWidgetItem* item = m_table->item(row, column);
    return item ? item->text() : QString();
}

void frmSequenceWatch::SetCellBackground(int row, int column, const QColor& color)
{
    if (QTableWidgetItem* item = m_table->item(row, column))
        item->setBackground(color);
}

QColor frmSequenceWatch::CellBackground(int row, int column) const
{
    const QTableWidgetItem* item = m_table->item(row, column);
    if (!item || item->background().style() == Qt::NoBrush)
        return TableBackground();
    return item->background().color();
}

void frmSequenceWatch::SetFixedBackground(const QColor& color)
{
    m_fixedBackground = color;
    for (int row = 0; row < m_table->rowCount(); ++row)
        for (int column = 0; column < kColumns; ++column)
            if (row == 0 || column == 0)
                SetCellBackground(row, column, color);
}

QColor frmSequenceWatch::TableBackground() const
{
    return m_table->palette().color(QPalette::Base);
}

int frmSequenceWatch::ColumnWidthTwips(int column) const
{
    return column >= 0 && column < kColumns ? m_columnTwips[column] : 0;
}

void frmSequenceWatch::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmSequenceWatch::Form_Resize()
{
    m_tableWidthTwips = std::max(0, controls::Twips::FromPixels(width()) - kWidthAllowanceTwips);
    m_tableHeightTwips = std::max(0, controls::Twips::FromPixels(height()) - kHeightAllowanceTwips);
    m_table->setGeometry(0, 0, controls::Twips::ToPixels(m_tableWidthTwips),
                         controls::Twips::ToPixels(m_tableHeightTwips));
    // Rows that do not fit bring a vertical scroll bar, which takes width.
    int rowsHeight = 0;
    for (int row = 0; row < m_table->rowCount(); ++row)
        rowsHeight += m_table->rowHeight(row);
    const bool scrolls = rowsHeight + 2 * m_table->frameWidth() > m_table->height();
    const int reserve = scrolls ? kReserveScrollTwips : kReservePlainTwips;
    const int unit = static_cast<int>(std::lround((m_tableWidthTwips - reserve) / double(kUnitsPerWidth)));
    for (int column = 0; column < kColumns; ++column) {
        m_columnTwips[column] = std::max(0, unit * kColumnUnits[column]);
        m_table->setColumnWidth(column, controls::Twips::ToPixels(m_columnTwips[column]));
    }
}
