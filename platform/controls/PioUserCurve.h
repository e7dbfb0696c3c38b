#pragma once
// The user-curve control: a curve of output in % over input in %, drawn with
// QPainter beside its point table. The table holds tabminno to tabmaxno points
// (2 to 22); point i is the pair of items objectnamex and objectnamey with
// "_" and the two-digit number i behind ("UserCurveX_00"), their count is the
// item objectnametabactno. Editing a point or the count writes the items and
// sets the modified flag. When the linearisation-type item objectnameusercurve
// holds the code of a preset curve (CurveDefinitions), that curve is drawn and
// the table is not edited; otherwise the user's points are.
//
// The device commands raise ReadCurveRequest and WriteCurveRequest with the
// control's Index; "new" starts a table of two points from 0/0 to
// defaultendx/defaultendy; "change" adds or removes the last point.
#include "platform/controls/CurveDefinitions.h"
#include "platform/controls/PioDisplayControl.h"
#include <QList>
#include <QPointF>
#include <array>

class QPushButton;
class QTableWidget;

namespace controls {

class CurvePlot;

class PioUserCurve : public PioDisplayControl {
    Q_OBJECT
    Q_PROPERTY(QString objectnamex READ objectnamex WRITE setObjectnamex)
    Q_PROPERTY(QString objectnamey READ objectnamey WRITE setObjectnamey)
    Q_PROPERTY(QString objectnametabactno READ objectnametabactno WRITE setObjectnametabactno)
    Q_PROPERTY(QString objectnameusercurve READ objectnameusercurve WRITE setObjectnameusercurve)
    Q_PROPERTY(int tabminno READ tabminno WRITE settabminno)
    Q_PROPERTY(int tabmaxno READ tabmaxno WRITE settabmaxno)
    Q_PROPERTY(QString defaultendx MEMBER m_defaultEndX)
    Q_PROPERTY(QString defaultendy MEMBER m_defaultEndY)
    Q_PROPERTY(QString formatx READ formatx WRITE setformatx)
    Q_PROPERTY(QString usercurvecaption READ usercurvecaption WRITE setusercurvecaption)
    Q_PROPERTY(bool Modified READ Modified WRITE SetModified)
    Q_PROPERTY(int Index MEMBER m_index)
public:
    static inline const QString kProgId = QStringLiteral("PioUsrCrv.PioUserCurve");
    static constexpr int kMaxPoints = 22;
    // The commands and their display and device-command switches.
    enum Command { ReadCurve, WriteCurve, LoadCurve, SaveCurve, NewCurve, ChangeCurve, kCommands };

    explicit PioUserCurve(QWidget* parent = nullptr);

    QString objectnamex() const { return m_nameX; }
    void setObjectnamex(const QString& name);
    QString objectnamey() const { return m_nameY; }
    void setObjectnamey(const QString& name);
    QString objectnametabactno() const { return BindingName(m_count); }
    void setObjectnametabactno(const QString& name) { SetBindingName(m_count, name); }
    QString objectnameusercurve() const { return BindingName(m_type); }
    void setObjectnameusercurve(const QString& name) { SetBindingName(m_type, name); }
    int tabminno() const { return m_minPoints; }
    void settabminno(int count);
    int tabmaxno() const { return m_maxPoints; }
    void settabmaxno(int count);
    QString formatx() const { return m_formatX; }
    void setformatx(const QString& format);
    QString usercurvecaption() const { return m_caption; }
    void setusercurvecaption(const QString& caption);

    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    int Index() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

    // Whether a command's button shows (visiblecmd...) and may be used
    // (enablecmd...; read and write are the device commands). Pages also set
    // them by name: setProperty("visiblecmdreadcrv", true).
    void SetCommandVisible(Command command, bool visible);
    bool CommandVisible(Command command) const { return m_visible[command]; }
    void SetCommandEnabled(Command command, bool enabled);
    bool CommandEnabled(Command command) const { return m_enabled[command]; }
    // Runs a command as its button does.
    void RunCommand(Command command);

    // The preset curves and their redrawing.
    CurveDefinitions& Curves() { return m_curves; }
    void RefreshCurves();

    // What is drawn: the preset of the type item's code, or the user's points.
    QList<QPointF> ShownCurve() const;
    bool ShowsPreset() const;
    QList<QPointF> UserPoints() const { return m_points; }
    // Writes point i (0-based) as the table's edit does; false (traced, shown
    // to the user) when an item refuses it or i is beyond the count.
    bool SetPoint(int i, double x, double y);
    QTableWidget* Table() const { return m_table; }

signals:
    void ReadCurveRequest(int index);
    void WriteCurveRequest(int index);

protected:
    void ShowItems() override;
    void UpdateEntries() override;
    bool event(QEvent* event) override;

private:
    void Rebind();
    void CellEdited(int row, int column);
    bool SetCount(int count);
    int XDecimals() const;

    std::array<int, kMaxPoints> m_x{};
    std::array<int, kMaxPoints> m_y{};
    int m_count;
    int m_type;
    QString m_nameX;
    QString m_nameY;
    int m_minPoints = 2;
    int m_maxPoints = kMaxPoints;
    QString m_defaultEndX = QStringLiteral("100");
    QString m_defaultEndY = QStringLiteral("100");
    QString m_formatX = QStringLiteral("####0.00");
    QString m_caption;
    bool m_modified = false;
    int m_index = 0;
    std::array<bool, kCommands> m_visible{};
    std::array<bool, kCommands> m_enabled{};
    std::array<QPushButton*, kCommands> m_buttons{};
    CurveDefinitions m_curves;
    QList<QPointF> m_points;
    CurvePlot* m_plot;
    QTableWidget* m_table;
    bool m_showing = false;
};

} // namespace controls
