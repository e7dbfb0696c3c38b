#include "platform/controls/PioUserCurve.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/UserNumber.h"
#include <QDynamicPropertyChangeEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace controls {

namespace {

// The buttons in the order of PioUserCurve::Command.
// The buttons' texts by command, English and German.
constexpr const char* kCommandTexts[][2] = {{"Read", "Lesen"}, {"Write", "Schreiben"}, {"Load", "Laden"},
                                            {"Save", "Speichern"}, {"New", "Neu"}, {"Change", "Ändern"}};
// The control's messages, English and German.
constexpr const char* kPointCount[] = {"A curve holds %1 to %2 points.", "Eine Kennlinie hat %1 bis %2 Punkte."};
constexpr const char* kNoPoint[] = {"There is no point %1.", "Es gibt keinen Punkt %1."};
constexpr const char* kNotPercent[] = {"\"%1\" is not a value from 0 to 100 %.",
                                       "\"%1\" ist kein Wert von 0 bis 100 %."};

// The command switches as pages set them by name.
struct CommandProperty {
    const char* name;
    bool visible; // else the enable switch
    PioUserCurve::Command command;
};
constexpr CommandProperty kCommandProperties[] = {
    {"visiblecmdreadcrv", true, PioUserCurve::ReadCurve},    {"visiblecmdwritecrv", true, PioUserCurve::WriteCurve},
    {"visiblecmdloadcrv", true, PioUserCurve::LoadCurve},    {"visiblecmdsavecrv", true, PioUserCurve::SaveCurve},
    {"visiblecmdnewcrv", true, PioUserCurve::NewCurve},      {"visiblecmdchangecrv", true, PioUserCurve::ChangeCurve},
    {"enablecmdreadcrv", false, PioUserCurve::ReadCurve},    {"enablecmdwritecrv", false, PioUserCurve::WriteCurve},
    {"enablecmdloadcrv", false, PioUserCurve::LoadCurve},    {"enablecmdsavecrv", false, PioUserCurve::SaveCurve},
    {"enablecmdnewcrv", false, PioUserCurve::NewCurve},      {"enablecmdchangecrv", false, PioUserCurve::ChangeCurve},
};

} // namespace

// The drawing of the curve: 0 to 100 % in both axes, grid every 10 %.
class CurvePlot : public QWidget {
public:
    explicit CurvePlot(PioUserCurve* owner) : QWidget(owner), m_owner(owner) { setMinimumSize(160, 140); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRect area = rect().adjusted(24, 8, -8, -20);
        painter.fillRect(rect(), palette().window());
        painter.fillRect(area, Qt::white);
        painter.setPen(QColor(220, 220, 220));
        for (int i = 1; i < 10; ++i) {
            painter.drawLine(area.left() + area.width() * i / 10, area.top(), area.left() + area.width() * i / 10,
                             area.bottom());
            painter.drawLine(area.left(), area.top() + area.height() * i / 10, area.right(),
                             area.top() + area.height() * i / 10);
        }
        painter.setPen(Qt::black);
        painter.drawRect(area);
        painter.drawText(QRect(0, area.bottom() + 2, area.left() + 10, 16), Qt::AlignLeft, QStringLiteral("0"));
        painter.drawText(QRect(area.right() - 30, area.bottom() + 2, 30, 16), Qt::AlignRight, QStringLiteral("100"));
        const auto at = [&](const QPointF& p) {
            return QPointF(area.left() + area.width() * std::clamp(p.x(), 0.0, 100.0) / 100.0,
                           area.bottom() - area.height() * std::clamp(p.y(), 0.0, 100.0) / 100.0);
        };
        const QList<QPointF> curve = m_owner->ShownCurve();
        QPainterPath path;
        for (int i = 0; i < curve.size(); ++i)
            i == 0 ? path.moveTo(at(curve[i])) : path.lineTo(at(curve[i]));
        painter.setPen(QPen(QColor(0, 90, 200), 2));
        painter.drawPath(path);
        if (!m_owner->ShowsPreset()) {
            painter.setBrush(QColor(200, 40, 40));
            for (const QPointF& p : curve)
                painter.drawEllipse(at(p), 3, 3);
        }
    }

private:
    PioUserCurve* m_owner;
};

PioUserCurve::PioUserCurve(QWidget* parent)
    : PioDisplayControl(parent), m_count(AddBinding()), m_type(AddBinding())
{
    for (int i = 0; i < kMaxPoints; ++i) {
        m_x[static_cast<size_t>(i)] = AddBinding();
        m_y[static_cast<size_t>(i)] = AddBinding();
    }
    m_visible.fill(true);
    m_enabled.fill(true);
    m_plot = new CurvePlot(this);
    m_table = new QTableWidget(0, 2, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("x [%]"), QStringLiteral("y [%]")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->setMinimumWidth(150);
    connect(m_table, &QTableWidget::cellChanged, this, &PioUserCurve::CellEdited);
    auto* buttons = new QHBoxLayout();
    for (int c = 0; c < kCommands; ++c) {
        auto* button = new QPushButton(QString::fromUtf8(kCommandTexts[c][0]), this);
        m_buttons[static_cast<size_t>(c)] = button;
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, c] { RunCommand(static_cast<Command>(c)); });
    }
    auto* row = new QHBoxLayout();
    row->addWidget(m_plot, 3);
    row->addWidget(m_table, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addLayout(buttons);
    UpdateEntries();
}

void PioUserCurve::setObjectnamex(const QString& name)
{
    m_nameX = name;
    Rebind();
}

void PioUserCurve::setObjectnamey(const QString& name)
{
    m_nameY = name;
    Rebind();
}

void PioUserCurve::Rebind()
{
    for (int i = 0; i < kMaxPoints; ++i) {
        const QString suffix = QStringLiteral("_%1").arg(i, 2, 10, QLatin1Char('0'));
        SetBindingName(m_x[static_cast<size_t>(i)], m_nameX.isEmpty() ? QString() : m_nameX + suffix);
        SetBindingName(m_y[static_cast<size_t>(i)], m_nameY.isEmpty() ? QString() : m_nameY + suffix);
    }
}

void PioUserCurve::settabminno(int count)
{
    m_minPoints = std::clamp(count, 2, kMaxPoints);
    m_maxPoints = std::max(m_maxPoints, m_minPoints);
}

void PioUserCurve::settabmaxno(int count)
{
    m_maxPoints = std::clamp(count, m_minPoints, kMaxPoints);
}

void PioUserCurve::setformatx(const QString& format)
{
    m_formatX = format;
    ShowItems();
}

void PioUserCurve::setusercurvecaption(const QString& caption)
{
    m_caption = caption;
    m_plot->setToolTip(caption);
}

int PioUserCurve::XDecimals() const
{
    const int point = m_formatX.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : static_cast<int>(m_formatX.size() - point - 1);
}

void PioUserCurve::SetCommandVisible(Command command, bool visible)
{
    m_visible[command] = visible;
    UpdateEntries();
}

void PioUserCurve::SetCommandEnabled(Command command, bool enabled)
{
    m_enabled[command] = enabled;
    UpdateEntries();
}

void PioUserCurve::UpdateEntries()
{
    const bool editable = !ShowsPreset() && MayWrite(m_count);
    for (int c = 0; c < kCommands; ++c) {
        QPushButton* button = m_buttons[static_cast<size_t>(c)];
        // Loading and saving curve files are not offered.
        button->setVisible(m_visible[static_cast<size_t>(c)] && c != LoadCurve && c != SaveCurve);
        const bool device = c == ReadCurve || c == WriteCurve;
        button->setEnabled(m_enabled[static_cast<size_t>(c)] && (device || editable));
    }
    m_table->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
}

bool PioUserCurve::event(QEvent* event)
{
    if (event->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName();
        for (const CommandProperty& entry : kCommandProperties)
            if (name.compare(entry.name, Qt::CaseInsensitive) == 0) {
                const bool on = property(name.constData()).toBool();
                entry.visible ? SetCommandVisible(entry.command, on) : SetCommandEnabled(entry.command, on);
            }
    }
    return PioDisplayControl::event(event);
}

void PioUserCurve::RunCommand(Command command)
{
    if (!m_enabled[command])
        return;
    switch (command) {
    case ReadCurve:
        emit ReadCurveRequest(m_index);
        break;
    case WriteCurve:
        emit WriteCurveRequest(m_index);
        break;
    case NewCurve:
        if (SetCount(2))
            SetPoint(0, 0, 0) && SetPoint(1, m_defaultEndX.toDouble(), m_defaultEndY.toDouble());
        break;
    case ChangeCurve: {
        // A point more, up to the largest table; from the largest back to the smallest.
        const int count = static_cast<int>(m_points.size());
        SetCount(count < m_maxPoints ? count + 1 : m_minPoints);
        break;
    }
    default:
        break;
    }
}

void PioUserCurve::RefreshCurves()
{
    UpdateEntries();
    m_plot->update();
}

bool PioUserCurve::ShowsPreset() const
{
    double code = 0;
    return ReadNumber(m_type, code) && m_curves.IsDefined(static_cast<int16_t>(std::lround(code)));
}

QList<QPointF> PioUserCurve::ShownCurve() const
{
    double code = 0;
    if (ReadNumber(m_type, code) && m_curves.IsDefined(static_cast<int16_t>(std::lround(code))))
        return m_curves.Points(static_cast<int16_t>(std::lround(code)));
    return m_points;
}

bool PioUserCurve::SetCount(int count)
{
    QString error;
    if (count < m_minPoints || count > m_maxPoints || !WriteNumber(m_count, count, error)) {
        ReportRefusedWrite(error.isEmpty() ? InUserLanguage(kPointCount).arg(m_minPoints).arg(m_maxPoints) : error);
        return false;
    }
    m_modified = true;
    return true;
}

bool PioUserCurve::SetPoint(int i, double x, double y)
{
    QString error;
    bool written = i >= 0 && i < m_points.size();
    if (!written)
        error = InUserLanguage(kNoPoint).arg(i + 1);
    written = written && WriteNumber(m_x[static_cast<size_t>(i)], x, error) &&
              WriteNumber(m_y[static_cast<size_t>(i)], y, error);
    if (!written) {
        ShowItems();
        ReportRefusedWrite(error);
        return false;
    }
    m_modified = true;
    return true;
}

void PioUserCurve::CellEdited(int row, int column)
{
    if (m_showing || row < 0 || row >= m_points.size())
        return;
    const QString typed = m_table->item(row, column)->text();
    const std::optional<double> value = applet::UserNumber::Parse(typed, UserCountryCode());
    if (!value || *value < 0 || *value > 100) {
        ShowItems();
        ReportRefusedWrite(InUserLanguage(kNotPercent).arg(typed)
                           + applet::UserNumber::SeparatorHint(typed, UserCountryCode()));
        return;
    }
    const QPointF point = m_points[row];
    SetPoint(row, column == 0 ? *value : point.x(), column == 1 ? *value : point.y());
}

void PioUserCurve::ShowItems()
{
    m_showing = true;
    m_points.clear();
    double count = 0;
    if (ReadNumber(m_count, count)) {
        const int n = std::clamp(static_cast<int>(std::lround(count)), 0, kMaxPoints);
        for (int i = 0; i < n; ++i) {
            double x = 0;
            double y = 0;
            ReadNumber(m_x[static_cast<size_t>(i)], x);
            ReadNumber(m_y[static_cast<size_t>(i)], y);
            m_points.append(QPointF(x, y));
        }
    }
    {
        const QSignalBlocker blocker(m_table);
        const int32_t country = UserCountryCode();
        m_table->setRowCount(static_cast<int>(m_points.size()));
        for (int i = 0; i < m_points.size(); ++i) {
            m_table->setItem(i, 0, new QTableWidgetItem(applet::UserNumber::Format(m_points[i].x(), country, XDecimals())));
            m_table->setItem(i, 1, new QTableWidgetItem(applet::UserNumber::Format(m_points[i].y(), country, 2)));
        }
    }
    for (int c = 0; c < kCommands; ++c)
        m_buttons[static_cast<size_t>(c)]->setText(InUserLanguage(kCommandTexts[c]));
    UpdateEntries();
    m_plot->update();
    m_showing = false;
}

} // namespace controls
