#include "merrow/shell/frmMain.h"
#include "merrow/pages/frmBasicParameter.h"
#include "merrow/pages/frmBusparameter.h"
#include "merrow/pages/frmCalibrateCurrent.h"
#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/pages/frmCalibrateStaticPressure.h"
#include "merrow/pages/frmCalibrateTemperature.h"
#include "merrow/pages/frmConfigFlow.h"
#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/frmConfigStaticPressureHart.h"
#include "merrow/pages/frmConfigStaticPressureProfi.h"
#include "merrow/pages/frmConfigTemperature.h"
#include "merrow/pages/frmEventCounter.h"
#include "merrow/pages/frmFlowBuffer.h"
#include "merrow/pages/frmMaxValues.h"
#include "merrow/pages/frmIdentificationFF.h"
#include "merrow/pages/frmIdentificationHART.h"
#include "merrow/pages/frmIdentificationPROFI.h"
#include "merrow/pages/frmDisplayBar.h"
#include "merrow/pages/frmDisplayDigital2.h"
#include "merrow/pages/frmDisplayTrend.h"
#include "merrow/pages/frmMesswerte.h"
#include "merrow/pages/frmSimulateCurrent.h"
#include "merrow/pages/frmSimulateFlow.h"
#include "merrow/pages/frmSimulatePressureTemp.h"
#include "merrow/pages/frmStatus.h"
#include "merrow/shell/PioPage.h"
#include "merrow/shell/SequenceOutcome.h"
#include "merrow/shell/frmAbout.h"
#include "merrow/shell/frmBlockmodes.h"
#include "merrow/shell/frmDumpObject.h"
#include "merrow/shell/frmOutput.h"
#include "merrow/shell/frmSelectDefaultDataset.h"
#include "merrow/shell/global.h"
#include "platform/controls/WindowPlacement.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/clsDebugInfo.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "mvtrivexbusywindow/frmBusyWindow.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/dialogs/DialogService.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// ---- Item controls of the main window: control name -> bound item ----
struct ItemControl {
    const char* name;
    const char* item;
};
const ItemControl kAppItems[] = {
    {"appConnectionStatus", "&&private&&Connect"},
    {"appUserLevel", "&&private&&UserLevel"},
    {"appCurrentSource", "&&private&&CurrentSource"},
    {"appCountryCode", "&&private&&countrycode"},
    {"appEngineeringContext", "&&private_FDT&&EngineeringContext"},
    {"appMenuStateMdiMain", "&&Menu_State&&MdiMain"},
    {"appInCompatibleDataset", "InCompatibleDataset"},
    {"appChangesByRevision", "ChangesByRevision"},
    {"appAbortSequences", "abortSequences"},
    {"appDeviceTypeHART", "_mfrDeviceTypeHART"},
    {"appMvModeBlkActual", "mvModeBlkActual"},
    {"appSoftwareSpecifics", "pbSoftwareSpecifics"},
    {"appTagname", "&&private_PM&&TagName"},
    {"appDescriptor", "&&private_PM&&Descriptor"},
    {"appAddress", "&&private_PM&&Address"},
    {"appFileName", "&&private_PM&&FileName"},
    {"appFactoryReset", "factoryReset"},
    {"apppidFfScale0", "pidFfScale0"},
    {"apppidFfScale100", "pidFfScale100"},
    {"apppidFfScaleDecimal", "pidFfScaleDecimal"},
    {"appCalculateMv", "calculateMv"},
    {"appMultivariableFunction", "pbMultivariableFunction"},
    {"appPtrbChannel1MapFF", "ptrbChannel1MapFF"},
    {"appAiDPChannel", "aiDPChannel"},
    {"appSensorType", "ptrbSensorTypeFF"},
    // Not read by the item rules: the end of a transfer chain and the dataset's change mark.
    {"appTransferCompleted", "XXXTransferCompletedXXX"},
    {"appDirty", "&&private&&Dirty"},
};
// appArrangeControls(0 to 2)
const char* const kArrangeItems[] = {"pbMultivariableFunction", "ptrbModulType", "pbMultivariableFunction"};
const ItemControl kSequenceItems[] = {
    {"seqGetDeviceInfo", "GetDeviceInfo"},
    {"seqGetRangeValues", "GetRangeValues"},
    {"seqGetPidFfScale", "GetPidFfScale"},
    {"seqSetPidFfScale", "SetPidFfScale"},
    {"seqInitiateFactoryReset", "InitiateFactoryReset"},
    {"seqDisableBurnDelay", "SetDisableBurnDelay"},
};

// ---- Menu tree in display order ----
enum MenuFlag : unsigned { kNone = 0, kHidden = 1, kDisabled = 2, kSeparator = 4, kSubmenu = 8 };
struct MenuEntry {
    const char* name;
    const char* parent; // empty: the menu bar
    int16_t textId;     // 0: the fixed caption below
    const char* caption;
    const char* shortcut;
    unsigned flags;
};
const MenuEntry kMenuTree[] = {
    {"mnuFile", "", 1000, "", "", kSubmenu},
    {"mnuFileNew", "mnuFile", 1001, "", "Ctrl+N", kNone},
    {"mnuFileOpen", "mnuFile", 1002, "", "Ctrl+O", kNone},
    {"mnuFileClose", "mnuFile", 1003, "", "", kHidden},
    {"mnuFileBar0", "mnuFile", 0, "", "", kSeparator | kHidden},
    {"mnuFileSave", "mnuFile", 1004, "", "", kNone},
    {"mnuFileSaveAs", "mnuFile", 1005, "", "", kNone},
    {"mnuFileBar1", "mnuFile", 0, "", "", kSeparator | kHidden},
    {"mnuFileProperties", "mnuFile", 1006, "", "", kHidden},
    {"mnuFileBar2", "mnuFile", 0, "", "", kSeparator},
    {"mnuFilePageSetup", "mnuFile", 1007, "", "", kHidden},
    {"mnuFilePrintPreview", "mnuFile", 1008, "", "", kNone},
    {"mnuFilePrint", "mnuFile", 1009, "", "", kHidden},
    {"mnuFileBar3", "mnuFile", 0, "", "", kSeparator | kHidden},
    {"mnuFileSend", "mnuFile", 1010, "", "", kHidden},
    {"mnuFileBar4", "mnuFile", 0, "", "", kSeparator | kHidden},
    {"mnuFileMRU(1)", "mnuFile", 0, "", "", kHidden},
    {"mnuFileMRU(2)", "mnuFile", 0, "", "", kHidden},
    {"mnuFileMRU(3)", "mnuFile", 0, "", "", kHidden},
    {"mnuFileMRU(4)", "mnuFile", 0, "", "", kHidden},
    {"mnuFileBar5", "mnuFile", 0, "", "", kSeparator},
    {"mnuFileExit", "mnuFile", 1011, "", "", kNone},
    {"mnuEdit", "", 1012, "", "", kSubmenu},
    {"mnuEditUndo", "mnuEdit", 1013, "", "", kHidden},
    {"mnuEditRedo", "mnuEdit", 1014, "", "", kHidden},
    {"mnuEditBar0", "mnuEdit", 0, "", "", kSeparator | kHidden},
    {"mnuEditCopy", "mnuEdit", 1015, "", "Ctrl+C", kNone},
    {"mnuEditPaste", "mnuEdit", 1016, "", "Ctrl+V", kNone},
    {"mnuEditSelectAll", "mnuEdit", 1017, "", "", kHidden},
    {"mnuEditBar1", "mnuEdit", 0, "", "", kSeparator | kHidden},
    {"mnuEditFind", "mnuEdit", 1018, "", "", kHidden},
    {"mnuEditReplace", "mnuEdit", 1019, "", "", kHidden},
    {"mnuEditBar2", "mnuEdit", 0, "", "", kSeparator | kHidden},
    {"mnuEditGoto", "mnuEdit", 1020, "", "", kHidden},
    {"mnuDevice", "", 1021, "", "", kSubmenu},
    {"mnuDeviceConnect", "mnuDevice", 1022, "", "", kNone},
    {"mnuDeviceDisconnect", "mnuDevice", 1023, "", "", kNone},
    {"mnuDeviceModbusOn", "mnuDevice", 2607, "", "", kNone},
    {"mnuDeviceBar0", "mnuDevice", 0, "", "", kSeparator},
    {"mnuDeviceLoadFromDevice", "mnuDevice", 1024, "", "", kNone},
    {"mnuDeviceSaveToDevice", "mnuDevice", 1025, "", "", kNone},
    {"mnuDeviceFactoryReset", "mnuDevice", 2145, "", "", kNone},
    {"mnuDeviceBurnData", "mnuDevice", 2581, "", "", kNone},
    {"mnuDeviceBar1", "mnuDevice", 0, "", "", kSeparator},
    {"mnuDeviceIdentification", "mnuDevice", 1026, "", "", kNone},
    {"mnuView", "", 1027, "", "", kSubmenu | kHidden | kDisabled},
    {"mnuViewTable", "mnuView", 1028, "", "", kNone},
    {"mnuViewTree", "mnuView", 1029, "", "", kNone},
    {"mnuViewTabstrib", "mnuView", 1030, "", "", kNone},
    {"mnuViewBar0", "mnuView", 0, "", "", kSeparator},
    {"mnuViewToolbar", "mnuView", 1031, "", "", kNone},
    {"mnuViewStatusBar", "mnuView", 1032, "", "", kNone},
    {"mnuDisplay", "", 1033, "", "", kSubmenu},
    {"mnuDisplayBar", "mnuDisplay", 1034, "", "", kNone},
    {"mnuDisplayDigital", "mnuDisplay", 1035, "", "", kNone},
    {"mnuDisplayGauge", "mnuDisplay", 1036, "", "", kHidden},
    {"mnuDisplayTrend", "mnuDisplay", 1037, "", "", kNone},
    {"mnuDisplayTransmitterMemory", "mnuDisplay", 1039, "", "", kHidden | kDisabled},
    {"mnuDisplayBar0", "mnuDisplay", 0, "", "", kSeparator},
    {"mnuDisplayMeasuredValues", "mnuDisplay", 2566, "", "", kNone},
    {"mnuOperate", "", 1040, "", "", kSubmenu | kHidden}, // fieldbus only: shown once the bus is known
    {"mnuBlockmodes", "mnuOperate", 1103, "", "", kNone},
    {"mnuOperateController", "mnuOperate", 1041, "", "", kHidden | kDisabled},
    {"mnuDiagnosticS", "", 1042, "", "", kSubmenu},
    {"mnuDiagnosticsStatus", "mnuDiagnosticS", 2206, "", "", kNone},
    {"mnuDiagnosticsEventCounter", "mnuDiagnosticS", 1044, "", "", kNone},
    {"mnuDiagnosticsMaxValues", "mnuDiagnosticS", 1045, "", "", kNone},
    {"mnuDiagnosticsBar0", "mnuDiagnosticS", 0, "", "", kSeparator | kHidden},
    {"mnuDiagnosticsSelftest", "mnuDiagnosticS", 1046, "", "", kHidden | kDisabled},
    {"mnuDiagnosticsBar1", "mnuDiagnosticS", 0, "", "", kSeparator},
    {"mnuDiagnosticsSimulate", "mnuDiagnosticS", 2184, "", "", kSubmenu},
    {"mnuDiagnosticsSimulateCurrent", "mnuDiagnosticsSimulate", 1047, "", "", kNone},
    {"mnuDiagnosticsSimulatePressure", "mnuDiagnosticsSimulate", 0, "", "", kNone},
    {"mnuDiagnosticsSimulateFlow", "mnuDiagnosticsSimulate", 2205, "", "", kNone},
    {"mnuConfigure", "", 1048, "", "", kSubmenu},
    {"mnuConfigurePressure", "mnuConfigure", 1049, "", "", kNone},
    {"mnuConfigureStaticPressure", "mnuConfigure", 2169, "", "", kNone},
    {"mnuConfigureTemperature", "mnuConfigure", 2170, "", "", kNone},
    {"mnuConfigureFlow", "mnuConfigure", 2171, "", "", kNone},
    {"mnuFlowBuffer", "mnuConfigure", 2618, "", "", kNone},
    {"mnuConfigureBar2", "mnuConfigure", 0, "", "", kSeparator},
    {"mnuConfigureBasicParameter", "mnuConfigure", 1050, "", "", kNone},
    {"mnuConfigureBusparameter", "mnuConfigure", 2609, "", "", kNone},
    {"mnuConfigureObservation", "mnuConfigure", 1051, "", "", kHidden | kDisabled},
    {"mnuConfigureController", "mnuConfigure", 1052, "", "", kHidden | kDisabled},
    {"mnuCalibrate", "", 1055, "", "", kSubmenu},
    {"mnuCalibratePressure", "mnuCalibrate", 1056, "", "", kNone},
    {"mnuCalibrateStaticPressure", "mnuCalibrate", 2169, "", "", kNone},
    {"mnuCalibrateTemperature", "mnuCalibrate", 2204, "", "", kNone},
    {"mnuCalibrateCurrent", "mnuCalibrate", 2138, "", "", kNone},
    {"mnuExtra", "", 1061, "", "", kSubmenu},
    {"mnuDebugInfo", "mnuExtra", 0, "Debug Info", "", kNone},
    {"mnuExtraCompare", "mnuExtra", 1062, "", "", kHidden},
    {"mnuExtraBar0", "mnuExtra", 0, "", "", kSeparator | kHidden},
    {"mnuExtraOptions", "mnuExtra", 1063, "", "", kHidden},
    {"mnuExtraBar1", "mnuExtra", 0, "", "", kSeparator | kHidden},
    {"mnuTest", "mnuExtra", 0, "Test", "", kSubmenu | kHidden},
    {"mnuDownload", "mnuTest", 0, "Download", "", kSubmenu},
    {"mnuDownloadAIP", "mnuDownload", 0, "AIP", "", kNone},
    {"mnuDownloadAIDP", "mnuDownload", 0, "AIDP", "", kNone},
    {"mnuDownloadAIT", "mnuDownload", 0, "AIT", "", kNone},
    {"mnuWindow", "", 1064, "", "", kSubmenu},
    {"mnuWindowMainWindow", "mnuWindow", 1065, "", "", kDisabled},
    {"mnuWindowBar0", "mnuWindow", 0, "", "", kSeparator},
    {"mnuWindowCascade", "mnuWindow", 1066, "", "", kNone},
    {"mnuWindowTileHorizontal", "mnuWindow", 1067, "", "", kNone},
    {"mnuWindowTileVertical", "mnuWindow", 1068, "", "", kNone},
    {"mnuWindowBar1", "mnuWindow", 0, "", "", kSeparator},
    {"mnuHelp", "", 1069, "", "", kSubmenu},
    {"mnuHelpContents", "mnuHelp", 1070, "", "", kNone},
    {"mnuHelpSearchForHelpOn", "mnuHelp", 1071, "", "", kNone},
    {"mnuHelpBar0", "mnuHelp", 0, "", "", kSeparator},
    {"mnuHelpReadme", "mnuHelp", 1072, "", "", kNone},
    {"mnuHelpBar1", "mnuHelp", 0, "", "", kSeparator},
    {"mnuHelpAbout", "mnuHelp", 1073, "", "", kNone},
};

// ---- Toolbar: key, image, tooltip text id, menu entry it stands for ----
struct ToolButton {
    const char* key; // empty: separator
    QStyle::StandardPixmap image;
    int16_t tooltip;
    const char* entry;
};
const ToolButton kToolbar[] = {
    {"tbNew", QStyle::SP_FileIcon, 1001, "mnuFileNew"},
    {"tbopen", QStyle::SP_DialogOpenButton, 1002, "mnuFileOpen"},
    {"tbSave", QStyle::SP_DialogSaveButton, 1004, "mnuFileSave"},
    {"", QStyle::SP_CustomBase, 0, ""},
    {"tbCopy", QStyle::SP_FileDialogDetailedView, 1015, "mnuEditCopy"},
    {"tbPaste", QStyle::SP_FileDialogListView, 1016, "mnuEditPaste"},
    {"", QStyle::SP_CustomBase, 0, ""},
    {"tbConnect", QStyle::SP_DriveNetIcon, 1022, "mnuDeviceConnect"},
    {"tbDisconnect", QStyle::SP_BrowserStop, 1023, "mnuDeviceDisconnect"},
    {"", QStyle::SP_CustomBase, 0, ""},
    {"tbReadFromDevice", QStyle::SP_ArrowDown, 1024, "mnuDeviceLoadFromDevice"},
    {"tbWriteToDevice", QStyle::SP_ArrowUp, 1025, "mnuDeviceSaveToDevice"},
    {"", QStyle::SP_CustomBase, 0, ""},
    {"tbDiagnostics", QStyle::SP_MessageBoxInformation, 1046, "mnuDiagnosticsStatus"},
};

// The menu an entry stands in; empty for the menus of the menu bar.
QString ParentEntry(const QString& name)
{
    for (const MenuEntry& entry : kMenuTree)
        if (name == QLatin1String(entry.name))
            return QLatin1String(entry.parent);
    return QString();
}

// ---- Status texts by item value ----
struct StatusText {
    int value;
    int16_t textId;
};
// Panel 1 by connection state (0 and 2 also switch menus and toolbar).
const StatusText kConnectionTexts[] = {{0, 2001}, {1, 2007}, {2, 2000}, {3, 2008}};
// Panel 3 by user level, panel 2 by data source.
const StatusText kUserLevelTexts[] = {{0, 2003}, {1, 2002}};
const StatusText kSourceTexts[] = {{0, 2006}, {1, 2004}, {2, 2005}};

// A connection that ends, by the state seen before: a connect that never got
// through and a connection that broke show apart from a disconnect (3 before 0).
struct ConnectionEnd {
    int lastState;
    int16_t panelText;
    int16_t messageText;
};
const ConnectionEnd kConnectionEnds[] = {{1, 3800, 3801}, {2, 3802, 3803}};

// After "No" to the read-out question: what the window says, by verdict.
const StatusText kNotReadTexts[] = {{1, 3804}, {2, 3804}, {3, 3806}, {4, 3806}, {5, 3805}};

// The end of a device function the user started: confirmation, failure
// message, and the sequence of a function that the busy window holds until
// the device has carried it out (none for the transfers, which end with
// their chain).
struct PendingEnd {
    frmMain::Pending function;
    const char* name; // for the trace
    int16_t confirmed;
    int16_t failed;
    const char* sequence;
};
const PendingEnd kPendingEnds[] = {
    {frmMain::Pending::Upload, "load from device", 3807, 3809, nullptr},
    {frmMain::Pending::Download, "save to device", 3808, 3810, nullptr},
    {frmMain::Pending::FactoryReset, "factory reset", 3811, 3812, "InitiateFactoryReset"},
    {frmMain::Pending::DataSave, "data save", 3813, 3824, "SetDisableBurnDelay"},
};
// A data save the device did not end in time (the busy window gave up).
constexpr int16_t kDataSaveUnconfirmedText = 3814;
// Values of "XXXTransferCompletedXXX" at the end of a transfer chain.
const QString kTransferDone = QStringLiteral("1");
const QString kTransferFailed = QStringLiteral("2");
// Source item values written when the dataset came from the defaults or the device.
const QString kSourceDefault = QStringLiteral("0");
const QString kSourceDevice = QStringLiteral("2");

// Entries and buttons that the connection state 2 enables and 0 disables (or the reverse).
const char* const kConnectedEntries[] = {"mnuDeviceFactoryReset", "mnuDeviceLoadFromDevice", "mnuDeviceSaveToDevice",
                                         "mnuDisplay", "mnuDiagnosticS", "mnuCalibrate", "mnuDeviceBurnData"};
const char* const kDisconnectedEntries[] = {"mnuFileNew", "mnuFileOpen"};

// Bits of the engineering context under which the frame lets the user connect and disconnect.
constexpr unsigned kConnectContextMask = 0xAC;

constexpr int kConnected = 2;
constexpr int kDifferentialPressure = 1;
constexpr int kBlockModeAutomatic = 8;
constexpr int kModbusDeviceType = 139;
constexpr int16_t kNewDatasetText = 3815;
// Panel 1 after a disconnection the program made because the dataset does not fit.
constexpr int16_t kDatasetMismatchPanelText = 3960;

// The background picture by the width of the desktop's work area (pixels): the last row it reaches.
struct BackgroundRow {
    int fromWidth;
    const char* picture;
};
const BackgroundRow kBackgrounds[] = {
    {0, "BACKGROUND640_138"}, {800, "BACKGROUND800_138"}, {1024, "BACKGROUND1024_138"}, {1280, "BACKGROUND1280_138"}};
// The largest page with its frame (the configuration pages with their tabs),
// and room for the menu bar's margins so that no title folds away.
constexpr QSize kLargestPage{900, 620};
constexpr int kMenuBarSlack = 48;

// ---- Page management: entry -> page; entries whose page does not exist yet have none ----
enum class Instance { Single, New };
struct PageEntry {
    const char* entry;
    Instance instance;
    bool confirm; // the simulation warning first
    // The page for the device at hand; null when the device has none.
    std::function<PioPage*()> create;
    const char* openFirst = nullptr; // the entry whose page opens beside this one first
};

// The identification page of the device's bus kind: PROFIBUS and FOUNDATION
// Fieldbus have pages of their own, every other kind the HART page.
PioPage* IdentificationPage()
{
    const enmCommType kind = global::gDeviceInfo ? global::gDeviceInfo->CommType() : enmCommType::HART;
    if (kind == enmCommType::PROFIBUS)
        return new frmIdentificationPROFI();
    if (kind == enmCommType::ff)
        return new frmIdentificationFF();
    return new frmIdentificationHART();
}
// The static-pressure page of the device's bus kind: HART has a page of its
// own, PROFIBUS and FOUNDATION Fieldbus share one.
PioPage* StaticPressurePage()
{
    const enmCommType kind = global::gDeviceInfo ? global::gDeviceInfo->CommType() : enmCommType::HART;
    if (kind == enmCommType::HART)
        return new frmConfigStaticPressureHart();
    return new frmConfigStaticPressureProfi();
}
const std::vector<PageEntry>& PageTable()
{
    static const std::vector<PageEntry> table = {
        {"mnuDeviceIdentification", Instance::Single, false, IdentificationPage},
        {"mnuDisplayBar", Instance::New, false, [] { return new frmDisplayBar(); }},
        {"mnuDisplayDigital", Instance::New, false, [] { return new frmDisplayDigital2(); }},
        {"mnuDisplayTrend", Instance::Single, false, [] { return new frmDisplayTrend(); }},
        {"mnuDisplayMeasuredValues", Instance::Single, false, [] { return new frmMesswerte(); }},
        {"mnuBlockmodes", Instance::Single, false, [] { return new frmBlockmodes(); }},
        {"mnuDiagnosticsStatus", Instance::Single, false, [] { return new frmStatus(); }},
        {"mnuDiagnosticsEventCounter", Instance::Single, false, [] { return new frmEventCounter(); }},
        {"mnuDiagnosticsMaxValues", Instance::Single, false, [] { return new frmMaxValues(); }},
        {"mnuDiagnosticsSimulateCurrent", Instance::Single, true, [] { return new frmSimulateCurrent(); }},
        {"mnuDiagnosticsSimulatePressure", Instance::Single, true, [] { return new frmSimulatePressureTemp(); }},
        {"mnuDiagnosticsSimulateFlow", Instance::Single, true, [] { return new frmSimulateFlow(); },
         "mnuDisplayMeasuredValues"},
        {"mnuConfigurePressure", Instance::Single, false, [] { return new frmConfigPressure(); }},
        {"mnuConfigureStaticPressure", Instance::Single, false, StaticPressurePage},
        {"mnuConfigureTemperature", Instance::Single, false, [] { return new frmConfigTemperature(); }},
        {"mnuConfigureFlow", Instance::Single, false, [] { return new frmConfigFlow(); }},
        {"mnuFlowBuffer", Instance::Single, false, [] { return new frmFlowBuffer(); }},
        {"mnuConfigureBasicParameter", Instance::Single, false, [] { return new frmBasicParameter(); }},
        {"mnuConfigureBusparameter", Instance::Single, false, [] { return new frmBusparameter(); }},
        {"mnuCalibratePressure", Instance::Single, false, [] { return new frmCalibratePressure(); }},
        {"mnuCalibrateStaticPressure", Instance::Single, false, [] { return new frmCalibrateStaticPressure(); }},
        {"mnuCalibrateTemperature", Instance::Single, false, [] { return new frmCalibrateTemperature(); }},
        {"mnuCalibrateCurrent", Instance::Single, false, [] { return new frmCalibrateCurrent(); }},
        {"mnuDebugInfo", Instance::New, false, [] { return new frmDumpObject(); }},
    };
    return table;
}
const PageEntry* FindPage(const QString& entry)
{
    for (const PageEntry& page : PageTable())
        if (entry == QLatin1String(page.entry))
            return &page;
    return nullptr;
}

bool InDebugMode()
{
    return clsDebugInfo().InDebugMode().toBool();
}

// Runs one step of a rule; a step that fails is traced and the next one runs.
template <class Step>
void Step_(const char* what, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("frmMain.%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    // A page larger than the screen lets show stays reachable.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A page that closes gives the front to the page used before it, not to
    // the one opened first.
    m_mdi->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(m_mdi);
    // The controls' design-time properties are set while the form is designed.
    pioitems::Ambient::SetUserMode(this, false);
    m_handler = new pioitems::PioControlItemHandler(this);
    m_handler->setObjectName(QStringLiteral("PioControlItemHandler1"));
    m_handler->SetStandAlone(true);
    CreateItemControls();
    pioitems::Ambient::SetUserMode(this, true);
    BuildMenus();
    BuildStatusBar();
    ConnectHandlers();
    // The Window menu ends with the list of the open child windows.
    connect(m_submenus.value(QStringLiteral("mnuWindow")), &QMenu::aboutToShow, this, &frmMain::ListChildWindows);
    // A page is activated when it becomes the active child; leaving the
    // program's windows altogether does not deactivate it.
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        UpdateClipboardEntries();
        auto* page = window ? qobject_cast<PioPage*>(window->widget()) : nullptr;
        if (!page)
            return;
        if (m_activePage && m_activePage != page)
            m_activePage->Form_Deactivate();
        m_activePage = page;
        page->Form_Activate();
    });
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateClipboardEntries(); });
    // A change of the display picks the background anew.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::availableGeometryChanged, this, [this] {
            if (m_loaded)
                SetBackgroundPicture();
        });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateClipboardEntries(); });
}

// The report window is a window of its own, not our child: it goes with us.
frmMain::~frmMain()
{
    delete m_output.data();
}

QString frmMain::GetTextFromResource(int16_t iTextID) const
{
    try {
        return global::LoadLocalizedText(iTextID);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmMain.GetTextFromResource: %1").arg(QString::fromLocal8Bit(error.what())));
        return QString();
    }
}

double frmMain::CountryCodeValue() const
{
    auto* item = m_items.value(QStringLiteral("appCountryCode"));
    return item && item->IsRegistered() ? item->UIntValue() : 0;
}

pioitems::PioAppItem* frmMain::AppItem(const char* name, const char* item)
{
    auto* control = new pioitems::PioAppItem(this);
    control->setObjectName(QLatin1String(name));
    control->SetAppItemName(QLatin1String(item));
    m_items.insert(QLatin1String(name), control);
    return control;
}

pioitems::PioSequenceItem* frmMain::SequenceItem(const char* name, const char* sequence)
{
    auto* control = new pioitems::PioSequenceItem(this);
    control->setObjectName(QLatin1String(name));
    control->SetAppItemName(QLatin1String(sequence));
    // The main window answers the request states of these sequences itself;
    // a sequence whose control sub-item nobody registered runs without waiting.
    control->SetRegisterControlItem(qstrcmp(name, "seqGetRangeValues") == 0 || qstrcmp(name, "seqGetPidFfScale") == 0 ||
                                    qstrcmp(name, "seqSetPidFfScale") == 0);
    // A deferred request that failed for good never starts the sequence, so
    // the busy window will not enable the main window: do it here.
    connect(control, &pioitems::PioSequenceItem::ActionDropped, this,
            [this, control = QString::fromLatin1(name)](const QString& action, int32_t number, const QString& description) {
                OnSequenceRequestDropped(control, action, number, description);
            });
    return control;
}

void frmMain::CreateItemControls()
{
    for (const ItemControl& control : kAppItems)
        AppItem(control.name, control.item);
    for (int i = 0; i < 3; ++i) {
        m_arrangeControls[i] = new pioitems::PioAppItem(this);
        m_arrangeControls[i]->setObjectName(QStringLiteral("appArrangeControls(%1)").arg(i));
        m_arrangeControls[i]->SetAppItemName(QLatin1String(kArrangeItems[i]));
    }
    for (const ItemControl& control : kSequenceItems)
        SequenceItem(control.name, control.item);
    // The state of the operation-mode switch's read: a refusal that the record
    // rules pass over still ends the sequence ready.
    auto* readScale = new pioitems::PioRecordItem(this);
    readScale->setObjectName(QStringLiteral("recReadPidFfScale"));
    readScale->SetAppItemName(QStringLiteral("Read_PidFfScale"));
    readScale->SetRegisterControlItem(false);
    readScale->SetRegisterResponseItem(false);
    // The busy window follows every device sequence; its item handler registers it with the items.
    m_busyWindow = new ctlBusyWindow(this);
    m_busyWindow->setObjectName(QStringLiteral("ctlBusyWindow1"));
    connect(m_busyWindow, &ctlBusyWindow::DisableWindow, this, &frmMain::ctlBusyWindow1_DisableWindow);
    connect(m_busyWindow, &ctlBusyWindow::EnableWindow, this, &frmMain::ctlBusyWindow1_EnableWindow);
    connect(m_busyWindow, &ctlBusyWindow::DataSaveUnconfirmed, this, &frmMain::OnDataSaveUnconfirmed);
}

void frmMain::BuildMenus()
{
    for (const MenuEntry& entry : kMenuTree) {
        const QString name = QLatin1String(entry.name);
        const QString parentName = QLatin1String(entry.parent);
        QAction* action = nullptr;
        if (entry.flags & kSubmenu) {
            auto* menu = new QMenu(this);
            menu->setObjectName(name);
            if (parentName.isEmpty())
                menuBar()->addMenu(menu);
            else
                m_submenus.value(parentName)->addMenu(menu);
            action = menu->menuAction();
            m_submenus.insert(name, menu);
        } else if (entry.flags & kSeparator) {
            action = m_submenus.value(parentName)->addSeparator();
        } else {
            action = m_submenus.value(parentName)->addAction(QString());
            if (*entry.shortcut)
                action->setShortcut(QKeySequence(QLatin1String(entry.shortcut)));
            connect(action, &QAction::triggered, this, [this, name] { Trigger(name); });
        }
        action->setObjectName(name);
        action->setText(QLatin1String(entry.caption));
        if (entry.textId > 0)
            action->setProperty("Tag", QString::number(entry.textId));
        action->setVisible(!(entry.flags & kHidden));
        action->setEnabled(!(entry.flags & kDisabled));
        m_menus.insert(name, action);
    }
}

void frmMain::BuildToolbar()
{
    if (m_toolbar)
        return;
    m_toolbar = addToolBar(QStringLiteral("tbToolBar"));
    m_toolbar->setObjectName(QStringLiteral("tbToolBar"));
    for (const ToolButton& button : kToolbar) {
        if (!*button.key) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* action = m_toolbar->addAction(style()->standardIcon(button.image), QString());
        action->setObjectName(QLatin1String(button.key));
        action->setProperty("ToolTipText", QString::number(button.tooltip));
        const QString entry = QLatin1String(button.entry);
        connect(action, &QAction::triggered, this, [this, entry] { Step_("tbToolBar_ButtonClick", [&] { Trigger(entry); }); });
        m_buttons.insert(QLatin1String(button.key), action);
    }
    // A button stands for its menu entry: usable exactly when the entry is,
    // whatever changes the entry or a menu above it.
    for (QAction* entry : std::as_const(m_menus))
        connect(entry, &QAction::changed, this, &frmMain::FollowEntries);
    FollowEntries();
}

void frmMain::BuildStatusBar()
{
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("sbStatusBarPanel%1").arg(i + 1));
        statusBar()->addWidget(m_panels[i], i == 3 ? 1 : 0);
    }
    // The line of a function's end may be longer than the window is wide: it wraps, it is never cut.
    m_panels[3]->setWordWrap(true);
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));
}

void frmMain::ConnectHandlers()
{
    using pioitems::PioAppItem;
    auto on = [this](const char* name, auto handler) {
        connect(m_items.value(QLatin1String(name)), &PioAppItem::ValueChanged, this, handler);
    };
    on("appConnectionStatus", [this] { OnConnectionStatus(); });
    on("appEngineeringContext", [this] { OnEngineeringContext(); });
    on("appUserLevel", [this](const QString& value) { OnUserLevel(value); });
    on("appCurrentSource", [this](const QString& value) { OnCurrentSource(value); });
    on("appInCompatibleDataset", [this] { OnInCompatibleDataset(); });
    on("appTransferCompleted", [this] { OnTransferCompleted(); });
    on("appAbortSequences", [this] { OnAbortSequences(); });
    on("appFileName", [this] { m_fileNameWritten = true; });
    on("appTagname", [this] { OnCaptionItem(); });
    on("appDescriptor", [this] { OnCaptionItem(); });
    on("appMvModeBlkActual", [this] { ArrangeMenus(); });
    on("appSoftwareSpecifics", [this] { ArrangeMenus(); });
    for (auto* control : m_arrangeControls)
        connect(control, &PioAppItem::ValueChanged, this, [this] { ArrangeMenus(); });
    connect(m_items.value(QStringLiteral("appChangesByRevision")), &PioAppItem::ValueChanged2, this,
            [this](const QString& value, bool suppressRule) { OnChangesByRevision(value, suppressRule); });
    ConnectDeviceFunctionHandlers();
}

// ---- Lifecycle ----

void frmMain::MDIForm_Load()
{
    if (m_loaded)
        return;
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("the main window has no item manager"),
                                   QStringLiteral("frmMain.MDIForm_Load"));
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(manager);
    global::gDeviceInfo = deviceInfo;
    m_handler->Register1(this, manager);
    const bool sizeStored = global::RestoreMainPosition(*this);
    SetBackgroundPicture();
    if (const QPixmap logo = global::LoadJpegResource(QStringLiteral("1LOGO")); !logo.isNull())
        setWindowIcon(QIcon(logo));
    BuildToolbar();
    m_componentProject = kComponentProject;
    AssignHelpFile();
    global::UseQtTranslations(static_cast<int>(std::lround(CountryCodeValue())));
    global::LocalizeForm(*this);
    CaptionEntry("mnuDiagnosticsSimulatePressure", 2053);
    // Without a stored size the window opens large enough for its menus and pages.
    if (!sizeStored)
        FitToContent();
    UpdateClipboardEntries();
    // The frame publishes the user's level before the window opens; that level
    // holds. Only a window opened without one starts as specialist.
    auto* userLevel = m_items.value(QStringLiteral("appUserLevel"));
    if (userLevel->StringValue().trimmed().isEmpty())
        userLevel->SetStringValue(QStringLiteral("1"));
    else
        OnUserLevel(userLevel->StringValue());
    // The source is told once the window knows it (read, file, new); a window
    // that opens on the project's dataset claims no device read.
    OnCurrentSource(m_items.value(QStringLiteral("appCurrentSource"))->StringValue());
    // The Extras menu belongs to a connection in debug mode: it is not offered
    // before the first connection state is judged (a question asked at load
    // comes before any activation).
    const bool debugConnected = ConnectionState() == kConnected && InDebugMode();
    if (debugConnected)
        ShowEntry("mnuDebugInfo", true);
    ShowEntry("mnuExtra", debugConnected);
    m_loaded = true;
    // The device may have been connected and checked before the window
    // opened: the check is asked for again, so that its verdict is not missed.
    if (ConnectionState() == kConnected)
        RecheckDataset();
}

void frmMain::MDIForm_Activate()
{
    OnConnectionStatus();
    OnEngineeringContext();
    ArrangeMenus();
}

void frmMain::MDIForm_Deactivate()
{
    UpdateAllForms();
}

QList<QWidget*> frmMain::HelpWindows() const
{
    QList<QWidget*> open;
    for (const QPointer<QWidget>& window : m_helpWindows)
        if (window && window->isVisible())
            open.append(window);
    return open;
}

void frmMain::MDIForm_Unload()
{
    if (m_unloaded || !m_loaded)
        return;
    m_unloaded = true;
    // The help windows the program opened go with it.
    for (const QPointer<QWidget>& window : std::exchange(m_helpWindows, {}))
        if (window)
            window->close();
    // The window goes now: a page that refused to close still lets go of its items.
    if (!CloseAllChildForms())
        for (PioPage* page : ChildForms())
            page->Form_Unload();
    global::SaveMainPosition(*this);
    if (!InDebugMode())
        m_items.value(QStringLiteral("appMenuStateMdiMain"))->SetStringValue(QStringLiteral("3"));
    m_handler->UnRegister();
    if (const auto view = viewRef())
        view->UnRegisterView();
    m_loaded = false;
    m_viewRef.reset();
}

bool frmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_loaded)
        MDIForm_Activate();
    else if (event->type() == QEvent::WindowDeactivate && m_loaded)
        MDIForm_Deactivate();
    // The window manager's frame is known only after the window was shown:
    // once it is, a title bar the frame pushed off the screen comes back.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible() && !m_framedOnScreen &&
        frameGeometry() != geometry()) {
        m_framedOnScreen = true;
        QMetaObject::invokeMethod(
            this,
            [window = QPointer<frmMain>(this)] {
                if (window)
                    controls::WindowPlacement::PlaceOnScreen(*window, window->frameGeometry().topLeft());
            },
            Qt::QueuedConnection);
    }
    return QMainWindow::event(event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_loaded) {
        // Every page is asked first whether it may close (a simulation asks
        // to end), then the changes are asked about, while every page is
        // still open: a refusal or Cancel leaves the window as it was.
        std::optional<dialogs::DialogResult> answer;
        const bool pagesMayClose = QueryAllChildForms();
        if (pagesMayClose)
            answer = AskAboutChanges();
        if (!pagesMayClose || answer == dialogs::DialogResult::Cancel) {
            for (PioPage* page : ChildForms()) {
                page->ForgetCloseQuery();
                // A page that ends its function first: the close goes on once it has closed.
                if (!pagesMayClose && page->ClosingItself())
                    connect(
                        page, &QObject::destroyed, this,
                        [this] {
                            if (m_loaded)
                                close();
                        },
                        Qt::QueuedConnection);
            }
            event->ignore();
            return;
        }
        if (!CloseAllChildForms()) {
            event->ignore(); // a page refused to close: the main window stays open with it
            return;
        }
        // The answer covers what the pages wrote as they let go (a simulation
        // ended writes too); changes that only the pages' ending made are
        // asked about now.
        if (!answer)
            answer = AskAboutChanges();
        if (answer == dialogs::DialogResult::Cancel || (answer && !KeepOrDropChanges(*answer))) {
            event->ignore();
            return;
        }
    }
    MDIForm_Unload();
    QMainWindow::closeEvent(event);
}

void frmMain::ctlBusyWindow1_DisableWindow()
{
    global::SetMainWindowEnabled(false);
    if (m_pending == Pending::FactoryReset || m_pending == Pending::DataSave)
        m_pendingBusySeen = true;
}

void frmMain::ctlBusyWindow1_EnableWindow()
{
    global::SetMainWindowEnabled(true);
    // The busy window lets go of a reset or data save only when the device has
    // ended it, or when it was aborted.
    if ((m_pending == Pending::FactoryReset || m_pending == Pending::DataSave) && m_pendingBusySeen)
        EndPendingFunction(!m_pendingAborted);
}

void frmMain::SetBackgroundPicture()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const int width = screen->availableGeometry().width();
    const char* name = kBackgrounds[0].picture;
    for (const BackgroundRow& row : kBackgrounds)
        if (width >= row.fromWidth)
            name = row.picture;
    const QPixmap picture = global::LoadJpegResource(QLatin1String(name));
    if (picture.isNull())
        return; // the background stays as it was
    m_backgroundPicture = picture;
    m_background = QLatin1String(name);
    ScaleBackground();
}

// The picture fills the area (it was chosen for the whole work area) instead of repeating.
void frmMain::ScaleBackground()
{
    if (m_backgroundPicture.isNull() || m_mdi->size().isEmpty())
        return;
    m_mdi->setBackground(
        QBrush(m_backgroundPicture.scaled(m_mdi->size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation)));
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ScaleBackground();
    // Once the status bar has its new width.
    QMetaObject::invokeMethod(this, [this] { FitStatusLine(); }, Qt::QueuedConnection);
}

void frmMain::MakeRoomFor(QMdiSubWindow& frame)
{
    QRect page = frame.geometry();
    QSize area = m_mdi->viewport()->size();
    const QSize missing(std::max(0, page.right() + 1 - area.width()), std::max(0, page.bottom() + 1 - area.height()));
    if (missing.width() > 0 || missing.height() > 0) {
        const QRect outer = frameGeometry();
        QSize grown = outer.size() + missing;
        if (const QScreen* screen = this->screen())
            grown = grown.boundedTo(screen->availableGeometry().size());
        const QSize extra = (grown - outer.size()).expandedTo(QSize(0, 0));
        resize(size() + extra);
        controls::WindowPlacement::PlaceOnScreen(*this, outer.topLeft());
        area += extra;
    }
    page.moveLeft(std::max(0, std::min(page.left(), area.width() - page.width())));
    page.moveTop(std::max(0, std::min(page.top(), area.height() - page.height())));
    if (page.topLeft() != frame.pos())
        frame.move(page.topLeft());
    // A page that grew next to one opened beside it: they stay apart.
    if (!m_placingBeside && !m_besides.first.isEmpty()) {
        m_placingBeside = true;
        PlaceBeside(m_besides.first, m_besides.second);
        m_placingBeside = false;
    }
}

// A page opened together with another one stands beside it, not over it:
// to its right, or below it when the screen has no room there.
void frmMain::PlaceBeside(const QString& entry, const QString& other)
{
    m_besides = {entry, other};
    QPointer<PioPage> page = m_singlePages.value(entry);
    QPointer<PioPage> first = m_singlePages.value(other);
    auto* frame = page ? qobject_cast<QMdiSubWindow*>(page->parentWidget()) : nullptr;
    auto* firstFrame = first ? qobject_cast<QMdiSubWindow*>(first->parentWidget()) : nullptr;
    if (!frame || !firstFrame || !frame->geometry().intersects(firstFrame->geometry()))
        return;
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    const int room = screen.width() - (frameGeometry().width() - m_mdi->viewport()->width());
    if (firstFrame->geometry().right() + 1 + frame->width() <= room)
        frame->move(firstFrame->geometry().right() + 1, firstFrame->y());
    else
        frame->move(firstFrame->x(), firstFrame->geometry().bottom() + 1);
    MakeRoomFor(*frame);
}

// The size that shows every menu title and the largest page beside the bars.
void frmMain::FitToContent()
{
    const QSize menus = menuBar()->sizeHint();
    const int chrome = menus.height() + (m_toolbar ? m_toolbar->sizeHint().height() : 0) +
                       statusBar()->sizeHint().height();
    QSize size(std::max({menus.width() + kMenuBarSlack, kLargestPage.width(),
                         m_toolbar ? m_toolbar->sizeHint().width() : 0}),
               kLargestPage.height() + chrome);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

// ---- The end of a function the user started ----

void frmMain::StartPendingFunction(Pending function)
{
    m_pending = function;
    m_pendingAborted = false;
    m_pendingBusySeen = false;
}

void frmMain::OnTransferCompleted()
{
    if (!m_loaded || (m_pending != Pending::Upload && m_pending != Pending::Download))
        return;
    const QString value = m_items.value(QStringLiteral("appTransferCompleted"))->StringValue().trimmed();
    if (value == kTransferDone) {
        if (m_pending == Pending::Upload)
            m_items.value(QStringLiteral("appCurrentSource"))->SetStringValue(kSourceDevice);
        EndPendingFunction(true);
    } else if (value == kTransferFailed) {
        EndPendingFunction(false);
    }
}

void frmMain::OnAbortSequences()
{
    if (m_pending != Pending::None && m_items.value(QStringLiteral("appAbortSequences"))->StringValue().trimmed() ==
                                          QLatin1String("1"))
        m_pendingAborted = true;
}

void frmMain::OnDataSaveUnconfirmed(int seconds)
{
    if (m_pending != Pending::DataSave)
        return;
    m_pending = Pending::None;
    dialogs::DialogService::instance().Warning(
        global::kProductTitle, global::FillPlaceholders(global::LoadLocalizedText(kDataSaveUnconfirmedText), {seconds}));
}

void frmMain::EndPendingFunction(bool succeeded)
{
    const Pending function = std::exchange(m_pending, Pending::None);
    for (const PendingEnd& end : kPendingEnds) {
        if (end.function != function)
            continue;
        if (succeeded) {
            ShowStatus(global::LoadLocalizedText(end.confirmed));
            if (function == Pending::FactoryReset)
                ReadDeviceAfterReset();
        } else {
            applet::AppletTrace::Error(QStringLiteral("frmMain: %1 failed").arg(QLatin1String(end.name)));
            dialogs::DialogService::instance().Warning(global::kProductTitle, global::LoadLocalizedText(end.failed));
        }
    }
}

void frmMain::OnHeldFunctionReady(const QString& sequence)
{
    for (const PendingEnd& end : kPendingEnds) {
        if (end.function != m_pending || !end.sequence || sequence != QLatin1String(end.sequence))
            continue;
        const auto view = viewRef();
        const SequenceOutcome outcome =
            sequenceoutcome::Judge(view ? view->appletItemManagerRef().get() : nullptr, sequence);
        // Done: the busy window ends the function once the device has.
        if (!outcome.Failed())
            return;
        // Refused or stopped: the device has nothing to end. The watch for
        // its end is ended as the busy window's Cancel ends it, once every
        // handler of this end has run, and the busy window lets go.
        m_pending = Pending::None;
        applet::AppletTrace::Error(QStringLiteral("frmMain: %1 failed").arg(QLatin1String(end.name)));
        dialogs::DialogService::instance().Warning(
            global::kProductTitle, sequenceoutcome::FailureText(global::LoadLocalizedText(end.failed), outcome));
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_loaded)
                    return;
                pioitems::PioAppItem* abort = m_items.value(QStringLiteral("appAbortSequences"));
                abort->SetStringValue(QStringLiteral("0"));
                abort->SetStringValue(QStringLiteral("1"));
                if (m_busyWindow && m_busyWindow->BusyWindow())
                    m_busyWindow->BusyWindow()->LetGo();
            },
            Qt::QueuedConnection);
        return;
    }
}

void frmMain::ReadDeviceAfterReset()
{
    // The device now holds its factory values: the window reads them, as Load
    // from device does, so that no page shows (and no later download writes
    // back) what the reset dropped. After the busy window has let go.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_loaded || ConnectionState() != kConnected) {
                applet::AppletTrace::Error(QStringLiteral("frmMain: the device was not read after its factory reset: not connected"));
                return;
            }
            try {
                DeviceLoadFromDevice();
            } catch (const std::exception& error) {
                applet::AppletTrace::Error(QStringLiteral("frmMain: the device was not read after its factory reset: %1")
                                               .arg(QString::fromLocal8Bit(error.what())));
                dialogs::DialogService::instance().Warning(global::kProductTitle, global::LoadLocalizedText(kPendingEnds[0].failed));
            }
        },
        Qt::QueuedConnection);
}

void frmMain::ShowStatus(const QString& text)
{
    m_panels[3]->setText(text);
    FitStatusLine();
}

void frmMain::FitStatusLine()
{
    // The status bar takes the height its wrapped line needs at the width it has.
    QLabel* line = m_panels[3];
    const int needs = line->text().isEmpty() ? 0 : line->heightForWidth(std::max(1, line->width()));
    line->setMinimumHeight(needs);
    // The status bar keeps its own height otherwise: it grows by the lines, with its margins above and below.
    statusBar()->setMinimumHeight(needs > 0 ? needs + 2 * std::max(0, line->y()) : 0);
}

// ---- Menu, toolbar and status helpers ----

QAction* frmMain::Menu(const QString& name) const
{
    return m_menus.value(name);
}

QMenu* frmMain::MenuOf(const QString& name) const
{
    return m_submenus.value(name);
}

QAction* frmMain::Button(const QString& key) const
{
    return m_buttons.value(key);
}

QString frmMain::PanelText(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_panels[panel - 1]->text() : QString();
}

void frmMain::ShowEntry(const char* name, bool visible)
{
    Step_("ShowEntry", [&] {
        if (QAction* action = m_menus.value(QLatin1String(name)))
            action->setVisible(visible);
    });
}

void frmMain::EnableEntry(const char* name, bool enabled)
{
    if (QAction* action = m_menus.value(QLatin1String(name)))
        action->setEnabled(enabled);
}

bool frmMain::EntryUsable(const QString& name) const
{
    for (QString entry = name; !entry.isEmpty(); entry = ParentEntry(entry)) {
        const QAction* action = m_menus.value(entry);
        if (!action || !action->isEnabled() || !action->isVisible())
            return false;
    }
    return true;
}

void frmMain::FollowEntries()
{
    for (const ToolButton& button : kToolbar)
        if (QAction* action = m_buttons.value(QLatin1String(button.key)))
            action->setEnabled(EntryUsable(QLatin1String(button.entry)));
}

void frmMain::CaptionEntry(const char* name, int16_t textId)
{
    Step_("CaptionEntry", [&] {
        if (QAction* action = m_menus.value(QLatin1String(name)))
            action->setText(global::LoadLocalizedText(textId));
    });
}

void frmMain::SetPanel(int panel, int16_t textId)
{
    m_panels[panel - 1]->setText(global::LoadLocalizedText(textId));
}

int frmMain::ConnectionState() const
{
    return static_cast<int>(m_items.value(QStringLiteral("appConnectionStatus"))->UIntValue());
}

// ---- ArrangeMenus ----

void frmMain::ArrangeMenus()
{
    if (!m_loaded || !global::gDeviceInfo)
        return;
    IDeviceInfo& device = *global::gDeviceInfo;
    for (const char* name : {"mnuDisplayBar0", "mnuConfigureStaticPressure", "mnuCalibrateStaticPressure",
                             "mnuCalibrateCurrent", "mnuConfigureTemperature", "mnuCalibrateTemperature",
                             "mnuConfigureFlow", "mnuDisplayMeasuredValues", "mnuDiagnosticsSimulateFlow",
                             "mnuDiagnosticsSimulateCurrent"})
        ShowEntry(name, false);
    ShowEntry("mnuDiagnosticsSimulatePressure", true);
    // Only the Modbus variant without flow hides the whole submenu; every other variant shows it.
    ShowEntry("mnuDiagnosticsSimulate", true);
    for (const char* name : {"mnuDeviceModbusOn", "mnuFlowBuffer", "mnuConfigureBusparameter"})
        ShowEntry(name, false);

    int moduleType = -1;
    int blockMode = -1;
    Step_("ArrangeMenus", [&] { moduleType = static_cast<int>(device.ModuleType()); });
    Step_("ArrangeMenus", [&] { blockMode = device.MvActualBlockMode(); });
    const bool flowVariant = moduleType == kDifferentialPressure && blockMode == kBlockModeAutomatic;
    if (moduleType == kDifferentialPressure) {
        ShowEntry("mnuConfigureStaticPressure", true);
        ShowEntry("mnuCalibrateStaticPressure", true);
        CaptionEntry("mnuConfigurePressure", 2052);
        CaptionEntry("mnuCalibratePressure", 2052);
    } else {
        CaptionEntry("mnuConfigurePressure", 2053);
        CaptionEntry("mnuCalibratePressure", 2053);
    }
    bool mvEnabled = false;
    Step_("ArrangeMenus", [&] { mvEnabled = device.MvFunctionEnabled(); });
    if (mvEnabled) {
        ShowEntry("mnuConfigureTemperature", true);
        ShowEntry("mnuCalibrateTemperature", true);
        CaptionEntry("mnuDiagnosticsSimulatePressure", 2249);
        if (flowVariant) {
            for (const char* name : {"mnuDiagnosticsSimulateFlow", "mnuConfigureFlow", "mnuDisplayBar0",
                                     "mnuDisplayMeasuredValues"})
                ShowEntry(name, true);
        } else {
            ShowEntry("mnuDiagnosticsSimulateFlow", false);
        }
    } else {
        CaptionEntry("mnuDiagnosticsSimulatePressure", 2053);
    }

    int commType = -1;
    Step_("ArrangeMenus", [&] { commType = static_cast<int>(device.CommType()); });
    switch (commType) {
    case 0: { // HART
        ShowEntry("mnuOperate", false);
        if (static_cast<int>(m_items.value(QStringLiteral("appDeviceTypeHART"))->UIntValue()) == kModbusDeviceType) {
            ShowEntry("mnuDeviceModbusOn", true);
            ShowEntry("mnuConfigureBusparameter", true);
            if (flowVariant) {
                ShowEntry("mnuDiagnosticsSimulate", true);
                ShowEntry("mnuFlowBuffer", true);
            } else {
                ShowEntry("mnuDiagnosticsSimulate", false);
            }
        } else {
            ShowEntry("mnuDiagnosticsSimulateCurrent", true);
            ShowEntry("mnuCalibrateCurrent", true);
        }
        ShowEntry("mnuDiagnosticsSimulatePressure", false);
        // The polling address item holds text.
        if (m_items.value(QStringLiteral("appAddress"))->StringValue().trimmed().toInt() == 0) {
            EnableEntry("mnuDiagnosticsSimulateCurrent", true);
            EnableEntry("mnuCalibrateCurrent", true);
        } else {
            EnableEntry("mnuDiagnosticsSimulateCurrent", false);
        }
        break;
    }
    case 1: // PROFIBUS
        ShowEntry("mnuOperate", false);
        ShowEntry("mnuDiagnosticsSimulatePressure", true);
        ShowEntry("mnuDiagnosticsSimulateCurrent", false);
        break;
    case 2: // FOUNDATION Fieldbus
        ShowEntry("mnuOperate", true);
        ShowEntry("mnuDiagnosticsSimulatePressure", true);
        ShowEntry("mnuDiagnosticsSimulateCurrent", false);
        break;
    default:
        break;
    }
}

// ---- Item handlers ----

void frmMain::OnConnectionStatus()
{
    if (!m_loaded)
        return;
    ShowEntry("mnuExtra", false);
    const int state = ConnectionState();
    int16_t message = 0;
    for (const StatusText& text : kConnectionTexts)
        if (text.value == state)
            SetPanel(1, text.textId);
    // The window runs this again at every activation (a message box closing
    // is one): how the connection ended stays told until the next connect.
    if (state != 0)
        m_connectionEndText = 0;
    else if (m_lastConnectState == 0 && m_connectionEndText)
        SetPanel(1, m_connectionEndText);
    if (state == kConnected) {
        ShowEntry("mnuDeviceConnect", false);
        ShowEntry("mnuDeviceDisconnect", true);
        for (const char* name : kConnectedEntries)
            EnableEntry(name, true);
        for (const char* name : kDisconnectedEntries)
            EnableEntry(name, false);
        if (InDebugMode()) {
            ShowEntry("mnuDebugInfo", true);
            ShowEntry("mnuExtra", true);
        }
        // A dataset found not to fit stays unwritable until a new verdict.
        if (SaveToDeviceRefused())
            DisableSaveToDevice();
    } else if (state == 0) {
        m_askFirst = true;
        global::RangeValuesRead = false;
        global::RangeValuesRequested = false;
        ShowEntry("mnuDeviceConnect", true);
        ShowEntry("mnuDeviceDisconnect", false);
        for (const char* name : kConnectedEntries)
            EnableEntry(name, false);
        for (const char* name : kDisconnectedEntries)
            EnableEntry(name, true);
        if (m_lastConnectState == 2 || m_lastConnectState == 3)
            global::SetMainWindowEnabled(true);
        m_pending = Pending::None;
        for (const ConnectionEnd& end : kConnectionEnds)
            if (end.lastState == m_lastConnectState) {
                SetPanel(1, end.panelText);
                m_connectionEndText = end.panelText;
                message = end.messageText;
            }
        // A disconnection the program made itself says why, not "Canceled".
        if (m_disconnectReason && (m_lastConnectState == 2 || m_lastConnectState == 3)) {
            SetPanel(1, m_disconnectReason);
            m_connectionEndText = m_disconnectReason;
            message = 0; // not lost: the program let go of the device
        }
        m_disconnectReason = 0;
        m_verdictHandled = false;
        m_deviceInfoRunning = false;
    }
    OnEngineeringContext();
    m_lastConnectState = state;
    // Last: the box may run events that change the state again.
    if (message)
        dialogs::DialogService::instance().Warning(global::kProductTitle, global::LoadLocalizedText(message));
}

void frmMain::OnEngineeringContext()
{
    if (!m_loaded)
        return;
    const QString text = m_items.value(QStringLiteral("appEngineeringContext"))->StringValue().trimmed();
    // The item manager delivers this 32-bit item as a decimal number; its low
    // byte holds one bit per kind of FDT function started. Reading the last two
    // characters of that text as hexadecimal would see "8" as no function and
    // "172" as 0x72.
    bool ok = false;
    unsigned context = static_cast<unsigned>(text.toLongLong(&ok, 10)) & 0xFFu;
    if (!ok) {
        applet::AppletTrace::Error(
            QStringLiteral("frmMain: engineering context \"%1\" is not a number; taken as none").arg(text));
        context = 0;
    }
    if (context & kConnectContextMask) {
        if (ConnectionState() == kConnected) {
            EnableEntry("mnuDeviceDisconnect", true);
        } else {
            EnableEntry("mnuDeviceConnect", true);
        }
    } else {
        EnableEntry("mnuDeviceConnect", false);
        EnableEntry("mnuDeviceDisconnect", false);
    }
}

void frmMain::OnUserLevel(const QString& value)
{
    for (const StatusText& text : kUserLevelTexts)
        if (value.trimmed() == QString::number(text.value))
            SetPanel(3, text.textId);
}

void frmMain::OnCurrentSource(const QString& value)
{
    for (const StatusText& text : kSourceTexts)
        if (value.trimmed() == QString::number(text.value))
            SetPanel(2, text.textId);
}

void frmMain::OnCaptionItem()
{
    if (global::gDeviceInfo)
        Step_("Caption", [&] { setWindowTitle(global::gDeviceInfo->DeviceIdentName()); });
}

void frmMain::OnInCompatibleDataset()
{
    if (!m_loaded || ConnectionState() != kConnected)
        return;
    m_verdictHandled = true;
    auto* item = m_items.value(QStringLiteral("appInCompatibleDataset"));
    if (item->UIntValue() > 0) {
        const QString reason = item->EnumValue();
        if (m_askFirst) {
            m_askFirst = false;
            if (dialogs::DialogService::instance().AskYesNo(
                    global::kProductTitle, reason + QLatin1Char('\n') + global::LoadLocalizedText(2227)))
                DeviceLoadFromDevice();
            else
                DeclineReadOut();
        } else {
            DisconnectBecause(kDatasetMismatchPanelText);
            dialogs::DialogService::instance().Warning(global::kProductTitle,
                                                       reason + QLatin1Char('\n') + global::LoadLocalizedText(2280));
        }
    } else {
        ApplyDatasetCompatibility();
    }
}

// "No" to the read-out: the verdict decides, and the user learns what it left.
void frmMain::DeclineReadOut()
{
    const QString verdict = m_items.value(QStringLiteral("appInCompatibleDataset"))->StringValue().trimmed();
    ApplyDatasetCompatibility();
    for (const StatusText& text : kNotReadTexts)
        if (verdict == QString::number(text.value))
            dialogs::DialogService::instance().Information(global::kProductTitle, global::LoadLocalizedText(text.textId));
}

bool frmMain::SaveToDeviceRefused() const
{
    const QString verdict = m_items.value(QStringLiteral("appInCompatibleDataset"))->StringValue().trimmed();
    return verdict == QLatin1String("3") || verdict == QLatin1String("4");
}

void frmMain::ApplyDatasetCompatibility()
{
    const QString text = m_items.value(QStringLiteral("appInCompatibleDataset"))->StringValue().trimmed();
    if (text == QLatin1String("0") || text == QLatin1String("5"))
        EnableSaveToDevice();
    else if (text == QLatin1String("1") || text == QLatin1String("2"))
        DisconnectBecause(kDatasetMismatchPanelText);
    else
        DisableSaveToDevice();
}

void frmMain::EnableSaveToDevice()
{
    if (ConnectionState() == kConnected) {
        EnableEntry("mnuDeviceSaveToDevice", true);
    }
}

void frmMain::DisableSaveToDevice()
{
    EnableEntry("mnuDeviceSaveToDevice", false);
}

void frmMain::OnChangesByRevision(const QString& value, bool suppressRule)
{
    if (!m_loaded || ConnectionState() != kConnected || suppressRule)
        return;
    if (!m_output)
        m_output = new frmOutput();
    m_output->show();
    QString line = value;
    m_output->AddText(line);
}

// ---- Device functions the shell needs itself ----

std::shared_ptr<applet::AppletHost> frmMain::Host() const
{
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    std::shared_ptr<applet::AppletHost> host;
    if (manager)
        manager->GetApplet(host);
    if (!host)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("no applet host"), QStringLiteral("frmMain"));
    return host;
}

// A new dataset from the default datasets: the open pages close first.
void frmMain::FileNew()
{
    if (!CloseAllChildForms())
        return; // a page that stays open keeps its dataset
    if (!frmSelectDefaultDataset::ShowModal(this, viewRef()))
        return;
    m_items.value(QStringLiteral("appCurrentSource"))->SetStringValue(kSourceDefault);
    ShowStatus(global::LoadLocalizedText(kNewDatasetText));
}

bool frmMain::DatasetChanged() const
{
    return m_items.value(QStringLiteral("appDirty"))->UIntValue() != 0;
}

void frmMain::ShowAbout()
{
    frmAbout about(this);
    dialogs::DialogService::instance().ExecModal(about);
}

void frmMain::Trigger(const QString& entry)
{
    // A value typed into a page and not yet confirmed belongs to what the function reads.
    controls::PioFieldControl::CommitPendingEdits();
    Step_("Menu", [&] {
        if (FindPage(entry))
            OpenPage(entry);
        else
            RunDeviceFunction(entry);
    });
}

// ---- Page management ----

void frmMain::OpenPage(const QString& entry)
{
    const PageEntry* page = FindPage(entry);
    if (!page)
        return;
    // Only Yes starts a simulation: it drives the output and so the process.
    if (page->confirm && !dialogs::DialogService::instance().AskYesNo(global::LoadLocalizedText(2255),
                                                                       global::LoadLocalizedText(2534),
                                                                       dialogs::MessageIcon::Warning))
        return;
    if (page->openFirst)
        ShowPage(QLatin1String(page->openFirst));
    ShowPage(entry);
    if (page->openFirst)
        PlaceBeside(entry, QLatin1String(page->openFirst));
    if (entry == QLatin1String("mnuDisplayMeasuredValues"))
        m_messwerteByMenu = true;
}

bool frmMain::ShowPage(const QString& name)
{
    const PageEntry* entry = FindPage(name);
    if (!entry)
        return false;
    const PageEntry& page = *entry;
    PioPage* form = page.instance == Instance::Single ? m_singlePages.value(name).data() : nullptr;
    if (form && form->Unloaded())
        form = nullptr; // closed and on its way out: opening again starts over
    if (!form) {
        form = page.create();
        if (!form) {
            // The rule gives the device at hand no page: nothing opens.
            applet::AppletTrace::Error(QStringLiteral("frmMain: %1 has no page for this device").arg(name));
            return false;
        }
        if (page.instance == Instance::Single)
            m_singlePages.insert(name, form);
    }
    ShowChildForm(form);
    return true;
}

void frmMain::ShowChildForm(PioPage* form)
{
    form->setViewRef(viewRef());
    QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    if (!frame) {
        frame = m_mdi->addSubWindow(form);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        form->Form_Load();
    }
    frame->showNormal();
    m_mdi->setActiveSubWindow(frame);
    if (m_activePage && m_activePage != form)
        m_activePage->Form_Deactivate();
    m_activePage = form;
    form->Form_Activate();
    form->setFocus();
}

void frmMain::ListChildWindows()
{
    QMenu* menu = m_submenus.value(QStringLiteral("mnuWindow"));
    for (QAction* action : menu->actions())
        if (action->property("childWindow").toBool())
            delete action;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        QAction* action = menu->addAction(window->windowTitle());
        action->setProperty("childWindow", true);
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, frame = QPointer<QMdiSubWindow>(window)] {
            if (frame)
                m_mdi->setActiveSubWindow(frame);
        });
    }
}

QList<PioPage*> frmMain::ChildForms() const
{
    QList<PioPage*> pages;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* page = qobject_cast<PioPage*>(window->widget()))
            pages.append(page);
    return pages;
}

void frmMain::UpdateAllForms()
{
    for (PioPage* page : ChildForms())
        Step_("UpdateAllForms", [&] { page->UpdatePioControls(); });
}

bool frmMain::QueryAllChildForms()
{
    for (PioPage* page : ChildForms())
        if (!page->QueryClose()) {
            applet::AppletTrace::Info(QStringLiteral("frmMain: %1 stays open").arg(page->objectName()));
            return false;
        }
    return true;
}

bool frmMain::CloseAllChildForms()
{
    bool allClosed = true;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (!window->close()) {
            applet::AppletTrace::Info(QStringLiteral("frmMain: %1 stays open").arg(window->widget()->objectName()));
            allClosed = false;
        }
    if (m_output)
        m_output->close();
    return allClosed;
}

void frmMain::UnloadFrmMesswerte()
{
    // Opened together with the flow simulation: it closes with it.
    if (!m_messwerteByMenu)
        if (PioPage* page = m_singlePages.value(QStringLiteral("mnuDisplayMeasuredValues")))
            page->parentWidget()->close();
}

void frmMain::ReleaseFrmMesswerte()
{
    m_messwerteByMenu = false;
}
