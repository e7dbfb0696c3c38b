#include "merrow/shell/frmSelectDefaultDataset.h"
#include "platform/automation/CheckedFile.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/UserNumber.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include <QDialog>
#include <QFileInfo>
#include <limits>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

const QString kSource = QStringLiteral("frmSelectDefaultDataset");
const QString kDriver = QStringLiteral("QSQLITE");
const QString kWritingSequence = QStringLiteral("ReadDefaultdataset");

// ---- The database of each bus kind and device type ----
struct DatabaseFileRow {
    int commType; // enmCommType: 0 HART, 1 PROFIBUS, 2 FOUNDATION Fieldbus
    const char* deviceType;
    const char* file;
};
const DatabaseFileRow kDatabaseFiles[] = {
    {0, "137", "mvtrivexhart.mdb"},
    {0, "138", "mvkessachart.mdb"},
    {0, "139", "mvkessachart.mdb"},
    {1, "137", "mvtrivexprofi.mdb"},
    {1, "138", "mvkessacprofi.mdb"},
    {2, "138", "mvkessacff.mdb"},
};

// ---- The stored queries: each database view is read with its selecting
// columns bound to the arguments, in this order ----
struct StoredQuery {
    frmSelectDefaultDataset::Query query;
    const char* name;
    const char* statement;
};
using Q = frmSelectDefaultDataset::Query;
const StoredQuery kQueries[] = {
    {Q::DeviceTypes, "ViewDeviceTypes",
     "SELECT Label, Description FROM ViewDeviceTypes WHERE CountryCode = ? ORDER BY SortOrder"},
    {Q::DeviceTypePRanges, "ViewDeviceTypePRanges",
     "SELECT Label FROM ViewDeviceTypePRanges WHERE DeviceType = ? ORDER BY SortOrder"},
    {Q::DeviceTypePstatRangesSorted, "ViewDeviceTypePstatRangesSorted",
     "SELECT Label FROM ViewDeviceTypePstatRangesSorted WHERE DeviceType = ? AND PRange = ? ORDER BY SortOrder"},
    {Q::GeneralDevicedata, "ViewGeneralDevicedata", "SELECT ObjectName, ObjectValue FROM ViewGeneralDevicedata"},
    {Q::SpecificDevicedata, "ViewSpecificDevicedata",
     "SELECT ObjectName, ObjectValue FROM ViewSpecificDevicedata WHERE DeviceType = ?"},
    {Q::PRangeData, "ViewPRangeData",
     "SELECT ObjectName, ObjectValue FROM ViewPRangeData WHERE DeviceType = ? AND PRange = ?"},
    {Q::PstatRangeData, "ViewPstatRangeData",
     "SELECT ObjectName, ObjectValue FROM ViewPstatRangeData WHERE PstatRange = ?"},
    {Q::PRangePstatRangeData, "ViewPRangePstatRangeData",
     "SELECT ObjectName, ObjectValue FROM ViewPRangePstatRangeData WHERE DeviceType = ? AND PRange = ? AND "
     "PstatRange = ?"},
};

// ---- The order the values of a dataset are written in ----
// What the device is comes first, since the rules ask for its revision, the
// module and the flow function; then the units, under the marker in "currentSequence": the
// dataset's numbers are already in its units, so a unit's edit may neither
// convert what the items hold nor force another unit in place of the
// dataset's; then the limits and minimum spans that a range is held within;
// then every other value, each an edit whose rules run (a twin takes its
// value, a copy follows its range, a range is checked against the limits).
enum class WriteStage { Device, Units, Limits, Values };
struct StagedItem {
    WriteStage stage;
    const char* item;
};
const StagedItem kStagedItems[] = {
    {WriteStage::Device, "pbSoftwareRevisionHART"},
    {WriteStage::Device, "pbSoftwareSpecHOLLEN"},
    {WriteStage::Device, "ptrbModulType"},
    {WriteStage::Device, "pbMultivariableFunction"},
    {WriteStage::Device, "pbMeterOption"},
    {WriteStage::Device, "mvModeBlkTarget"},
    {WriteStage::Device, "pidModeBlkTarget"},
    {WriteStage::Device, "mvMediumType"},
    {WriteStage::Device, "mvBlendeDuese"},
    {WriteStage::Device, "mvDefaultInpSel"},
    {WriteStage::Units, "ptrbSensorLimitUnit"},
    {WriteStage::Units, "ptrbScaleInUnit"},
    {WriteStage::Units, "ptrbScaleInUnit_21"},
    {WriteStage::Units, "ptrbStaticPressureScaleInUnit"},
    {WriteStage::Units, "ptrbStaticPressureScaleInUnit_21"},
    {WriteStage::Units, "ptrbCalUnit"},
    {WriteStage::Units, "ptrbTemperatureValueUnit"},
    {WriteStage::Units, "ptrbTemperatureValueUnit_21"},
    {WriteStage::Units, "mvInDPUnit"},
    {WriteStage::Units, "mvInPUnit"},
    {WriteStage::Units, "mvInTUnit"},
    {WriteStage::Units, "mvDensityUnit"},
    {WriteStage::Units, "mvReserved6"},
    {WriteStage::Units, "mvOutMassFlowUnit"},
    {WriteStage::Units, "mvOutVolFlowUnit"},
    {WriteStage::Units, "aiDPXdScaleUnitFF"},
    {WriteStage::Units, "aiPXdScaleUnitFF"},
    {WriteStage::Units, "aiDPOutScaleUnit"},
    {WriteStage::Units, "aiPOutScaleUnit"},
    {WriteStage::Units, "aiTOutScaleUnit"},
    {WriteStage::Units, "pidOutScaleUnit"},
    {WriteStage::Limits, "ptrbLowerSensorLimit"},
    {WriteStage::Limits, "ptrbUpperSensorLimit"},
    {WriteStage::Limits, "ptrbMinSpan"},
    {WriteStage::Limits, "ptrbStaticPressureLoLim"},
    {WriteStage::Limits, "ptrbStaticPressureHiLim"},
    {WriteStage::Limits, "ptrbStaticPressureMinSpan"},
    {WriteStage::Limits, "ptrbTemperatureLoLim"},
    {WriteStage::Limits, "ptrbTemperatureHiLim"},
};

WriteStage StageOf(const QString& item)
{
    for (const StagedItem& staged : kStagedItems)
        if (item == QLatin1String(staged.item))
            return staged.stage;
    return WriteStage::Values;
}

const StoredQuery& Find(Q query)
{
    for (const StoredQuery& stored : kQueries)
        if (stored.query == query)
            return stored;
    throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("unknown query"), kSource);
}

// ---- Text ids ----
constexpr int16_t kCaption = 2563;
constexpr int16_t kNotFound = 2576;
constexpr int16_t kWriteFailed = 4211;
constexpr int16_t kNothingSelected = 4212;
constexpr int16_t kReadFailed = 4213;
constexpr int16_t kValuesRefused = 4214;

automation::ComError Failure(const QString& description)
{
    return automation::ComError(automation::E_FAIL_, description, kSource);
}

// Holds the main window disabled while the rows are written, and gives it
// and an empty "currentSequence" back on every way out.
class DatasetWriteScope {
public:
    explicit DatasetWriteScope(pioitems::PioAppItem& currentSequence) : m_currentSequence(currentSequence)
    {
        global::SetMainWindowEnabled(false);
    }
    ~DatasetWriteScope()
    {
        Mark(false);
        global::SetMainWindowEnabled(true);
    }
    DatasetWriteScope(const DatasetWriteScope&) = delete;
    DatasetWriteScope& operator=(const DatasetWriteScope&) = delete;

    // The marker in "currentSequence" on or off: while it stands, the rules
    // take a value as written by a transfer, not as an edit.
    void Mark(bool on) noexcept
    {
        if (on == m_marked)
            return;
        const QString sequence = on ? kWritingSequence : QString();
        try {
            m_currentSequence.SetStringValue(sequence);
            m_marked = on;
            // An empty "currentSequence" gives the main window back; the rows still to come keep it.
            if (!on)
                global::SetMainWindowEnabled(false);
        } catch (const std::exception& error) {
            applet::AppletTrace::Error(QStringLiteral("%1: currentSequence not set to '%2': %3")
                                           .arg(kSource, sequence, QString::fromLocal8Bit(error.what())));
        }
    }

private:
    pioitems::PioAppItem& m_currentSequence;
    bool m_marked = false;
};

QString Description(const std::exception& error)
{
    if (const auto* com = dynamic_cast<const automation::ComError*>(&error))
        return com->description();
    return QString::fromLocal8Bit(error.what());
}

// The label as the database holds it, which is also the key of its rows; the
// list may show it in the user's number format.
QString SelectedText(const QListWidget& list)
{
    const QListWidgetItem* item = list.currentItem();
    if (!item)
        return QString();
    const QVariant stored = item->data(Qt::UserRole);
    return stored.isValid() ? stored.toString() : item->text();
}

// A range label ("2.5 bar") with the decimal separator the user reads.
QString ShownRange(QString label, QChar separator)
{
    static const QRegularExpression decimalPoint(QStringLiteral("(?<=\\d)\\.(?=\\d)"));
    return separator == QLatin1Char('.') ? label : label.replace(decimalPoint, QString(separator));
}

} // namespace

frmSelectDefaultDataset::frmSelectDefaultDataset(QWidget* parent)
    : PioPage(QStringLiteral("frmSelectDefaultDataset"), false, false, parent),
      m_connectionName(QStringLiteral("frmSelectDefaultDataset-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
    setProperty("Tag", QString::number(kCaption));
    BuildControls();
}

frmSelectDefaultDataset::~frmSelectDefaultDataset()
{
    CloseDatabase();
}

pioitems::PioAppItem* frmSelectDefaultDataset::AppItem(const char* name, const char* item)
{
    auto* control = new pioitems::PioAppItem(this);
    control->setObjectName(QLatin1String(name));
    control->SetAppItemName(QLatin1String(item));
    return control;
}

void frmSelectDefaultDataset::BuildControls()
{
    m_appDeviceType = AppItem("appDeviceType", "_mfrDeviceTypeHART");
    m_appTDXPath = AppItem("appTDXPath", "&&private_PM&&TDXPath");
    m_appCountryCode = AppItem("appCountryCode", "&&private&&countrycode");
    m_appCurrentSequence = AppItem("appCurrentSequence", "currentSequence");
    m_appInCompatibleDataset = AppItem("appInCompatibleDataset", "InCompatibleDataset");
    m_appUniversal = AppItem("appUniversal", ""); // given each row's item at run time

    auto label = [this](const char* name, int16_t textId) {
        auto* caption = new QLabel(this);
        caption->setObjectName(QLatin1String(name));
        caption->setProperty("Tag", QString::number(textId));
        return caption;
    };
    auto list = [this](const char* name) {
        auto* box = new QListWidget(this);
        box->setObjectName(QLatin1String(name));
        box->setMinimumWidth(200);
        return box;
    };
    auto frame = [this](const char* name, int16_t textId) {
        auto* box = new QGroupBox(this);
        box->setObjectName(QLatin1String(name));
        box->setProperty("Tag", QString::number(textId));
        return box;
    };

    auto* fraDeviceType = frame("fraDeviceType", 2577);
    m_lstDeviceID = list("lstDeviceID");
    m_lblDeviceDescription = new QLabel(this);
    m_lblDeviceDescription->setObjectName(QStringLiteral("lblDeviceDescription"));
    m_lblDeviceDescription->setWordWrap(true);
    m_lblDeviceDescription->setMinimumHeight(40);
    m_lblDeviceDescription->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* deviceLayout = new QVBoxLayout(fraDeviceType);
    deviceLayout->addWidget(label("lblLabel", 2603));
    deviceLayout->addWidget(m_lstDeviceID);
    deviceLayout->addWidget(label("lblDescription", 2578));
    deviceLayout->addWidget(m_lblDeviceDescription);

    auto* fraRange = frame("fraMeasurementRange", 2604);
    m_lstPRanges = list("lstPRanges");
    m_lstPStatRanges = list("lstPStatRanges");
    auto* rangeLayout = new QGridLayout(fraRange);
    rangeLayout->addWidget(label("lblPressure", 2579), 0, 0);
    rangeLayout->addWidget(label("lblStaticPressure", 2580), 0, 1);
    rangeLayout->addWidget(m_lstPRanges, 1, 0);
    rangeLayout->addWidget(m_lstPStatRanges, 1, 1);

    m_cmdOK = new QPushButton(this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setProperty("Tag", QStringLiteral("2561"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setProperty("Tag", QStringLiteral("2562"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    lists->addWidget(fraDeviceType);
    lists->addWidget(fraRange, 2);
    layout->addLayout(lists);
    layout->addLayout(buttons);

    connect(m_lstDeviceID, &QListWidget::currentRowChanged, this, [this] { lstDeviceID_Click(); });
    connect(m_lstPRanges, &QListWidget::currentRowChanged, this, [this] { lstPRanges_Click(); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

bool frmSelectDefaultDataset::ShowModal(QWidget* owner, const std::shared_ptr<IViewEx>& view)
{
    QDialog host(owner);
    host.setObjectName(QStringLiteral("frmSelectDefaultDataset"));
    auto* page = new frmSelectDefaultDataset(&host);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    page->setViewRef(view);
    host.resize(host.sizeHint());
    page->Form_Load();
    host.setWindowTitle(page->windowTitle());
    if (owner)
        global::CenterOnOwner(host, *owner);
    // The dialog's first activation: opens the database or reports and unloads.
    page->Form_Activate();
    int result = QDialog::Rejected;
    if (page->Registered())
        result = dialogs::DialogService::instance().ExecModal(host);
    page->Unload(QDialog::Rejected); // closed by its title bar: stores the position, releases the items
    return result == QDialog::Accepted;
}

QString frmSelectDefaultDataset::DatabaseFile(int commType, const QString& deviceType)
{
    for (const DatabaseFileRow& row : kDatabaseFiles)
        if (row.commType == commType && deviceType == QLatin1String(row.deviceType))
            return QLatin1String(row.file);
    return QString();
}

QString frmSelectDefaultDataset::QueryName(Query query)
{
    return QLatin1String(Find(query).name);
}

QString frmSelectDefaultDataset::Caption() const
{
    return GetTextFromResource(kCaption);
}

void frmSelectDefaultDataset::OpenDatabase()
{
    CloseDatabase();
    if (!global::gDeviceInfo)
        throw Failure(QStringLiteral("no device information"));
    const int commType = static_cast<int>(global::gDeviceInfo->CommType());
    qlonglong typeCode = static_cast<qlonglong>(m_appDeviceType->UIntValue());
    // A dataset not yet read from a device holds no device type: the
    // instance's own description tells it, its folder named after the HART
    // device type ("_0_0089" for 137).
    if (typeCode == 0 && commType == static_cast<int>(enmCommType::HART)) {
        static const QRegularExpression kTypeFolder(QStringLiteral("_0_([0-9A-Fa-f]{4})/?$"));
        const QRegularExpressionMatch match = kTypeFolder.match(m_appTDXPath->StringValue());
        if (match.hasMatch())
            typeCode = match.captured(1).toLongLong(nullptr, 16);
    }
    const QString deviceType = QString::number(typeCode);
    const QString file = DatabaseFile(commType, deviceType);
    const QString path = m_appTDXPath->StringValue() + file;
    if (file.isEmpty())
        throw Failure(QStringLiteral("no default datasets for the bus kind %1 and the device type %2")
                          .arg(commType)
                          .arg(deviceType));
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        throw Failure(QStringLiteral("the database engine %1 is not installed").arg(kDriver));
    if (automation::CheckedFile::Missing(path))
        throw Failure(QStringLiteral("%1 does not exist").arg(path));
    // The database engine opens the file itself: a FIFO there would block it.
    QString refused;
    if (!automation::CheckedFile::Check(path, std::numeric_limits<qint64>::max(), &refused))
        throw Failure(refused);
    // Opened as a file that nothing changes: the engine then takes no lock
    // and looks for no journal beside it, so whatever lies at the journal's
    // path (a FIFO would block the open) is never opened.
    QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    uri.setQuery(QStringLiteral("mode=ro&immutable=1"));
    m_database = QSqlDatabase::addDatabase(kDriver, m_connectionName);
    m_database.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    m_database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!m_database.open()) {
        const QString why = m_database.lastError().text();
        CloseDatabase();
        throw Failure(QStringLiteral("%1 cannot be opened: %2").arg(path, why));
    }
}

void frmSelectDefaultDataset::CloseDatabase()
{
    if (!m_database.isValid())
        return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlQuery frmSelectDefaultDataset::Open(Query query, const QVariantList& arguments)
{
    const StoredQuery& stored = Find(query);
    QSqlQuery result(m_database);
    result.setForwardOnly(true);
    if (!result.prepare(QLatin1String(stored.statement)))
        throw Failure(QStringLiteral("%1: %2").arg(QLatin1String(stored.name), result.lastError().text()));
    for (const QVariant& argument : arguments)
        result.addBindValue(argument);
    if (!result.exec())
        throw Failure(QStringLiteral("%1: %2").arg(QLatin1String(stored.name), result.lastError().text()));
    return result;
}

void frmSelectDefaultDataset::RequireColumns(const QSqlQuery& result, Query query, const QStringList& columns)
{
    const QSqlRecord record = result.record();
    for (const QString& column : columns)
        if (record.indexOf(column) < 0)
            throw Failure(QStringLiteral("%1 answers without the column %2").arg(QueryName(query), column));
}

std::vector<QStringList> frmSelectDefaultDataset::ReadRows(Query query, const QVariantList& arguments,
                                                           const QStringList& columns)
{
    QSqlQuery result = Open(query, arguments);
    RequireColumns(result, query, columns);
    std::vector<QStringList> rows;
    while (result.next()) {
        QStringList row;
        for (const QString& column : columns)
            row.append(result.value(column).toString());
        rows.push_back(row);
    }
    if (result.lastError().isValid())
        throw Failure(QStringLiteral("%1: %2").arg(QueryName(query), result.lastError().text()));
    return rows;
}

void frmSelectDefaultDataset::OnFirstActivation()
{
    try {
        OpenDatabase();
        FillDeviceTypes();
    } catch (const std::exception& error) {
        const QString description = Description(error);
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
        dialogs::DialogService::instance().Warning(QString(),
                                                   GetTextFromResource(kNotFound) + QLatin1Char('\n') + description);
        Unload(QDialog::Rejected);
    }
}

void frmSelectDefaultDataset::FillDeviceTypes()
{
    const QStringList columns{QStringLiteral("Label"), QStringLiteral("Description")};
    const QString countryCode = QString::number(static_cast<qlonglong>(m_appCountryCode->UIntValue()));
    auto rows = ReadRows(Query::DeviceTypes, {countryCode}, columns);
    if (rows.empty()) // no rows in the user's language: the English ones
        rows = ReadRows(Query::DeviceTypes, {QStringLiteral("1")}, columns);
    m_deviceTypes.clear();
    QStringList labels;
    for (const QStringList& row : rows) {
        m_deviceTypes.push_back({row[0], row[1]});
        labels.append(row[0].trimmed());
    }
    FillList(*m_lstDeviceID, labels);
}

void frmSelectDefaultDataset::FillList(QListWidget& list, const QStringList& labels, bool ranges)
{
    const QChar separator = applet::UserNumber::DecimalSeparator(static_cast<int32_t>(m_appCountryCode->UIntValue()));
    {
        const QSignalBlocker quiet(list);
        list.clear();
        for (const QString& label : labels) {
            auto* entry = new QListWidgetItem(ranges ? ShownRange(label, separator) : label, &list);
            entry->setData(Qt::UserRole, label);
        }
    }
    if (list.count() > 0)
        list.setCurrentRow(0);
}

void frmSelectDefaultDataset::ReportReadFailure(const QString& description)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
    dialogs::DialogService::instance().Warning(
        Caption(), global::FillPlaceholders(GetTextFromResource(kReadFailed), {description}));
}

void frmSelectDefaultDataset::lstDeviceID_Click()
{
    const int index = m_lstDeviceID->currentRow();
    if (index < 0 || index >= static_cast<int>(m_deviceTypes.size()))
        return;
    const DeviceTypeRow& row = m_deviceTypes[static_cast<size_t>(index)];
    m_lblDeviceDescription->setText(row.description);
    QStringList labels;
    try {
        for (const QStringList& range : ReadRows(Query::DeviceTypePRanges, {row.label}, {QStringLiteral("Label")}))
            labels.append(range[0].trimmed());
    } catch (const std::exception& error) {
        ReportReadFailure(Description(error));
    }
    // A device type without pressure ranges leaves no static pressure range of another one behind.
    if (labels.isEmpty())
        m_lstPStatRanges->clear();
    FillList(*m_lstPRanges, labels, true);
}

void frmSelectDefaultDataset::lstPRanges_Click()
{
    if (!m_lstPRanges->currentItem())
        return;
    QStringList labels;
    try {
        for (const QStringList& range : ReadRows(Query::DeviceTypePstatRangesSorted,
                                                 {SelectedText(*m_lstDeviceID), SelectedText(*m_lstPRanges)},
                                                 {QStringLiteral("Label")}))
            labels.append(range[0]); // shown as stored
    } catch (const std::exception& error) {
        ReportReadFailure(Description(error));
    }
    FillList(*m_lstPStatRanges, labels, true);
}

void frmSelectDefaultDataset::cmdOK_Click()
{
    const QString deviceType = SelectedText(*m_lstDeviceID);
    const QString pRange = SelectedText(*m_lstPRanges);
    const QString pstatRange = SelectedText(*m_lstPStatRanges);
    if (!m_lstDeviceID->currentItem() || !m_lstPRanges->currentItem() || !m_lstPStatRanges->currentItem()) {
        dialogs::DialogService::instance().Information(Caption(), GetTextFromResource(kNothingSelected));
        return;
    }
    if (const auto failure = WriteDataset(deviceType, pRange, pstatRange)) {
        applet::AppletTrace::Error(QStringLiteral("%1: writing the default dataset stopped at %2: %3")
                                       .arg(kSource, failure->step, failure->description));
        dialogs::DialogService::instance().Warning(
            Caption(), global::FillPlaceholders(GetTextFromResource(kWriteFailed),
                                                {failure->step, failure->description}));
        return;
    }
    Unload(QDialog::Accepted);
}

std::optional<frmSelectDefaultDataset::WriteFailure>
frmSelectDefaultDataset::WriteDataset(const QString& deviceType, const QString& pRange, const QString& pstatRange)
{
    struct Step {
        Query query;
        QVariantList arguments;
    };
    // Later rows overwrite what earlier ones gave the same item.
    const Step steps[] = {
        {Query::GeneralDevicedata, {}},
        {Query::SpecificDevicedata, {deviceType}},
        {Query::PRangeData, {deviceType, pRange}},
        {Query::PstatRangeData, {pstatRange}},
        {Query::PRangePstatRangeData, {deviceType, pRange, pstatRange}},
    };
    // Every row is read before the first is written: a query that fails
    // leaves the dataset as it was.
    std::vector<Row> rows;
    for (const Step& step : steps) {
        try {
            ReadRecords(step.query, step.arguments, rows);
        } catch (const std::exception& error) {
            return WriteFailure{QueryName(step.query), Description(error)};
        }
    }
    // Each item once, with its last value, in the order of its stage.
    std::vector<Row> dataset;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        if (std::none_of(dataset.begin(), dataset.end(), [&](const Row& kept) { return kept.name == row->name; }))
            dataset.push_back(*row);
    std::reverse(dataset.begin(), dataset.end());
    std::stable_sort(dataset.begin(), dataset.end(),
                     [](const Row& a, const Row& b) { return StageOf(a.name) < StageOf(b.name); });

    QStringList refused;
    {
        DatasetWriteScope scope(*m_appCurrentSequence);
        for (const Row& row : dataset) {
            const WriteStage stage = StageOf(row.name);
            scope.Mark(stage == WriteStage::Device || stage == WriteStage::Units);
            const QString why = ApplyRow(row);
            if (!why.isEmpty()) {
                applet::AppletTrace::Error(
                    QStringLiteral("%1: %2 refuses %3: %4").arg(QueryName(row.query), row.name, row.value, why));
                refused.append(QStringLiteral("%1 = %2: %3").arg(row.name, row.value, why));
            }
        }
        m_appUniversal->UnRegister();
    }
    m_appInCompatibleDataset->SetStringValue(QStringLiteral("0"));
    // A value its item refuses is not entered; the user learns which.
    if (!refused.isEmpty())
        dialogs::DialogService::instance().Warning(
            Caption(), global::FillPlaceholders(GetTextFromResource(kValuesRefused), {refused.join(QLatin1Char('\n'))}));
    return std::nullopt;
}

void frmSelectDefaultDataset::ReadRecords(Query query, const QVariantList& arguments, std::vector<Row>& rows)
{
    for (const QStringList& row : ReadRows(query, arguments, {QStringLiteral("ObjectName"), QStringLiteral("ObjectValue")}))
        rows.push_back({row[0].trimmed(), row[1].trimmed(), query});
}

QString frmSelectDefaultDataset::ApplyRow(const Row& row)
{
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager)
        return QStringLiteral("no item manager");
    m_appUniversal->SetAppItemName(row.name);
    m_appUniversal->Register(manager);
    if (!m_appUniversal->IsRegistered())
        return QStringLiteral("no such item");
    QString text = row.value;
    if (m_appUniversal->DataType() == static_cast<int32_t>(applet::ItemType::Float)) {
        // The database writes numbers with a point whatever the user's locale.
        // The applet takes a number's text in its own form (a point too), so
        // the number is handed over in that form: the user's form (a comma in
        // German) would be refused there.
        bool ok = false;
        const double number = QLocale::c().toDouble(row.value, &ok);
        if (!ok || !std::isfinite(number))
            return QStringLiteral("not a number");
        text = QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    try {
        m_appUniversal->SetStringValue(text);
    } catch (const automation::ComError& error) {
        return error.description();
    }
    return QString();
}

void frmSelectDefaultDataset::cmdCancel_Click()
{
    Unload(QDialog::Rejected);
}

void frmSelectDefaultDataset::Unload(int result)
{
    Form_Unload();
    CloseDatabase();
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        dialog->done(result);
}
