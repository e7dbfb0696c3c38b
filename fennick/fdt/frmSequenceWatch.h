#pragma once
// The developer's monitor of sequence activity: a table of three columns
// (name, status, progress) whose first row and first column are fixed cells.
// Its user fills it; the window keeps the table's size and column widths in
// step with its own size.
#include <QColor>
#include <QWidget>

class QTableWidget;

class frmSequenceWatch : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Monitor Sequence Activities");
    static constexpr int kColumns = 3;
    // Window size less the table's size, in twips.
    static constexpr int kWidthAllowanceTwips = 182;
    static constexpr int kHeightAllowanceTwips = 492;
    // Width kept free beside the columns: with and without a vertical scroll bar.
    static constexpr int kReserveScrollTwips = 400;
    static constexpr int kReservePlainTwips = 100;
    // Column widths in twentieths of the usable width.
    static constexpr int kUnitsPerWidth = 20;
    static constexpr int kColumnUnits[kColumns] = {11, 6, 3};

    explicit frmSequenceWatch(QWidget* parent = nullptr);

    QTableWidget* StatusTable() const { return m_table; }

    // Rows including the fixed first row.
    void SetRows(int rows);
    int Rows() const;
    void SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;
    void SetCellBackground(int row, int column, const QColor& color);
    // The cell's own background, or the table's when it has none.
    QColor CellBackground(int row, int column) const;
    // Fixed cells: the first row and the first column.
    void SetFixedBackground(const QColor& color);
    QColor FixedBackground() const { return m_fixedBackground; }
    QColor TableBackground() const;

    // The table's layout after the last resize, in twips.
    int TableWidthTwips() const { return m_tableWidthTwips; }
    int TableHeightTwips() const { return m_tableHeightTwips; }
    int ColumnWidthTwips(int column) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Resize();
    QTableWidget* m_table;
    QColor m_fixedBackground;
    int m_tableWidthTwips = 0;
    int m_tableHeightTwips = 0;
    int m_columnTwips[kColumns] = {0, 0, 0};
};
