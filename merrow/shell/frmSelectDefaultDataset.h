#pragma once
// The dialog "Create new device dataset": the user picks a device type, a
// pressure range and a static pressure range from the default-dataset
// database of the device's bus kind and series (an SQLite file beside the
// device description); OK writes the database's item values for that choice
// into the applet's dataset. Every query argument is a bound parameter.
#include "merrow/shell/PioPage.h"
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QSqlQuery;

namespace pioitems {
class PioAppItem;
}

class frmSelectDefaultDataset : public PioPage {
    Q_OBJECT
public:
    // The stored queries of a default-dataset database (see kQueries).
    enum class Query {
        DeviceTypes,
        DeviceTypePRanges,
        DeviceTypePstatRangesSorted,
        GeneralDevicedata,
        SpecificDevicedata,
        PRangeData,
        PstatRangeData,
        PRangePstatRangeData,
    };

    explicit frmSelectDefaultDataset(QWidget* parent = nullptr);
    ~frmSelectDefaultDataset() override;

    // Shows the dialog modally over owner, with the view reference; returns
    // when it has closed. A device without default datasets gets the message
    // and no dialog.
    // True when the user chose a dataset and it was written.
    static bool ShowModal(QWidget* owner, const std::shared_ptr<IViewEx>& view);

    // The database file of a bus kind (0 HART, 1 PROFIBUS, 2 FOUNDATION
    // Fieldbus) and HART device type number; empty when the device has none.
    static QString DatabaseFile(int commType, const QString& deviceType);
    // The query's name, as the database's view is called.
    static QString QueryName(Query query);

    // Opens the database of the device in the description directory and keeps
    // it; raises ComError when there is none or it cannot be opened.
    void OpenDatabase();

    void lstDeviceID_Click();
    void lstPRanges_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void OnFirstActivation() override;

private:
    struct DeviceTypeRow {
        QString label;
        QString description;
    };
    // A step of writing the dataset that failed: the query and why.
    struct WriteFailure {
        QString step;
        QString description;
    };

    void BuildControls();
    pioitems::PioAppItem* AppItem(const char* name, const char* item);
    // The query run with its arguments bound; raises ComError when it fails.
    QSqlQuery Open(Query query, const QVariantList& arguments);
    // Raises ComError when the query's rows lack one of the columns.
    static void RequireColumns(const QSqlQuery& result, Query query, const QStringList& columns);
    // The texts of the named columns of every row; raises ComError.
    std::vector<QStringList> ReadRows(Query query, const QVariantList& arguments, const QStringList& columns);
    void FillDeviceTypes();
    // Fills a list without raising its selection events, then selects the
    // first entry (which runs its selection) when there is one.
    // Range lists show their numbers in the user's format; every entry keeps its stored label.
    void FillList(QListWidget& list, const QStringList& labels, bool ranges = false);
    // One value of the dataset: the item, its text and the query it came from.
    struct Row {
        QString name;
        QString value;
        Query query;
    };
    std::optional<WriteFailure> WriteDataset(const QString& deviceType, const QString& pRange,
                                             const QString& pstatRange);
    // The rows of the query appended to rows; raises ComError when it fails.
    void ReadRecords(Query query, const QVariantList& arguments, std::vector<Row>& rows);
    // Writes one row into its item as an edit of the user would; the reason
    // when the item does not exist or refuses the value, empty when written.
    QString ApplyRow(const Row& row);
    void ReportReadFailure(const QString& description);
    QString Caption() const;
    // Unloads the page and closes its dialog with the result.
    void Unload(int result);
    void CloseDatabase();

    pioitems::PioAppItem* m_appDeviceType = nullptr;
    pioitems::PioAppItem* m_appTDXPath = nullptr;
    pioitems::PioAppItem* m_appCountryCode = nullptr;
    pioitems::PioAppItem* m_appCurrentSequence = nullptr;
    pioitems::PioAppItem* m_appInCompatibleDataset = nullptr;
    pioitems::PioAppItem* m_appUniversal = nullptr;
    QListWidget* m_lstDeviceID = nullptr;
    QListWidget* m_lstPRanges = nullptr;
    QListWidget* m_lstPStatRanges = nullptr;
    QLabel* m_lblDeviceDescription = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;

    const QString m_connectionName;
    QSqlDatabase m_database;
    // The device-type rows, read once; the description of the selected
    // device type is taken from them by position.
    std::vector<DeviceTypeRow> m_deviceTypes;
};
