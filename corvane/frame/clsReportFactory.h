#pragma once
// The device's print-out: builds an HTML page from the report templates that
// ship with the device description (chosen by bus, module type or flow
// function, PID function, linearisation type and language), adds the rows of
// the user linearisation table, writes the page beside the description files
// and, on a print request, opens the print viewer on it.
//
// The page is rebuilt on a print request ("generateHTMLPrintOut" 1), when the
// linearisation type changes, and at the end of every "GetDeviceInfo" run that
// reached the adjust-active state. Only the print request opens the viewer.
//
// Where the description folder cannot be written, the pages go to the user's
// cache folder under the same names (the viewer looks there too). A path
// longer than kMaxPathLength is refused: nothing is written then.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class IDeviceInfo;

class clsReportFactory : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kCountryCode = QStringLiteral("&&private&&countrycode");
    static inline const QString kTdxPath = QStringLiteral("&&private_PM&&TDXPath");
    static inline const QString kPtrbModulType = QStringLiteral("ptrbModulType");
    static inline const QString kPtrbLinType = QStringLiteral("ptrbLinType");
    static inline const QString kGenerateHTMLPrintOut = QStringLiteral("generateHTMLPrintOut");
    static inline const QString kPtrbTabActualNumber = QStringLiteral("ptrbTabActualNumber");
    static inline const QString kGetDeviceInfo = QStringLiteral("GetDeviceInfo");
    static inline const QString kPrintViewProgId = QStringLiteral("Quorvix.clsHTMLPrintView");
    // The longest file path the report reads or writes.
    static constexpr int kMaxPathLength = 255;

    clsReportFactory();
    ~clsReportFactory() override;
    clsReportFactory(const clsReportFactory&) = delete;
    clsReportFactory& operator=(const clsReportFactory&) = delete;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    void Abort() override {}
    void HandleUploadCompleted() override {}

    // Builds the page and its two copies. Raises what reading the device
    // information or the items raises; a file that cannot be read or written
    // only leaves its part out (traced). True when the page was written.
    bool CreateGeneralViewTemplate();

    bool Registered() const { return m_registered; }
    // The folder the last build wrote the pages into (empty before any build
    // and after a build that wrote nothing).
    const QString& OutputFolder() const { return m_outputFolder; }

public slots:
    void appGenerateHTMLPrintOut_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbLinType_ValueChanged2(const QString& Value, bool suppressRule);
    void seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus);

private:
    void StartPrintView();

    bool m_registered = false;
    bool m_getDeviceInfoAdjusting = false; // a "GetDeviceInfo" run reached adjust-active
    QString m_outputFolder;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<IDeviceInfo> deviceInfo;
    clsAppItemCollection items;
    clsSeqItemCollection sequences;
    std::shared_ptr<clsAppItem> appCountryCode;
    std::shared_ptr<clsAppItem> appTdxPath;
    std::shared_ptr<clsAppItem> appPtrbModulType;
    std::shared_ptr<clsAppItem> appPtrbLinType;
    std::shared_ptr<clsAppItem> appGenerateHTMLPrintOut;
    std::shared_ptr<clsAppItem> appPtrbTabActualNumber;
    std::shared_ptr<clsSequenceItem> seqGetDeviceInfo;
};
