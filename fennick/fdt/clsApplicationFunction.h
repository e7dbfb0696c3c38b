#pragma once
// One function or application of the DTM's menu: a command from the device
// description's menu (connect, load, save, start a form, run a sequence, ...),
// an application started by the frame, or the built-in export. It knows when
// it may run, runs itself and reports its end to whoever started it.
#include "fennick/fdt/clsIEventFinished.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/xml/XmlDocument.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace applet { class AppletHost; }
class clsDataBag;
class clsChannelConfigurator;
class clsFunctionConnect;
class clsFunctionSequence;
class frmAsyncFunction;

class clsApplicationFunction : public automation::ComObject,
                               public applet::View,
                               public std::enable_shared_from_this<clsApplicationFunction> {
public:
    // Function types by command keyword (the keyword table is a data table in the .cpp).
    enum FunctionType : int32_t {
        kUnknown = 0, kConnect = 1, kDisconnect = 2, kCloseForm = 3, kForceSequence = 4,
        kStartForm = 6, kStartView = 7, kLoadFromDatabase = 8, kLoadFromDevice = 9,
        kSaveToDatabase = 10, kSaveToDevice = 11, kStartSequence = 13, kExport = 14 };
    static constexpr int32_t kExportMenuId = 14;   // InitFromMenuEntry(handle, 14) builds "Export"

    static std::shared_ptr<clsApplicationFunction> Create();
    ~clsApplicationFunction() override;

    // Building (registers the function as a View with the applet host's item manager,
    // taken from global::AppletHost()); 0 = success.
    int32_t InitFromMenuEntry(int32_t entryHandle, int32_t id);
    int32_t InitStartForm(const QString& name);

    QString CommandLine() const;              // keyword + " " + argument
    QString FunctionId() const;
    void SetFunctionId(const QString& id);
    QString InvokeId() const;
    bool HasGUI() const;
    QString Label() const;
    QString Help() const;
    int32_t Type() const;                     // the FunctionType number (-1 after reset)
    QString Argument() const;
    QString MenuStateItemName() const;        // "&&Menu_State&&" + entry name ("" for FDT-file applications)
    int32_t MenuState();                      // bits 1 visible, 2 enabled, 4 checked; export always 3

    void GetAccessState(int32_t dtmStatus, int32_t userLevel, int32_t phase,
                        bool& hidden, bool& enabled, bool& running);
    bool Function_ExecutionAllowed(int32_t phase);
    bool Application_StartAllowed(int32_t applicationId, int32_t phase);

    // Execution. The callback is kept weakly (the manager owns the functions).
    bool Function_Execute(const QString& invokeId, const std::shared_ptr<clsIEventFinished>& callback,
                          int32_t phase, bool partOfApplication, bool lockHeld);
    bool Application_Start(const QString& invokeId, int32_t applicationId,
                           const std::shared_ptr<clsIEventFinished>& callback, int32_t phase,
                           bool& first, bool alreadyRunning);
    bool Application_Exit();
    void SetEngineeringContext(int32_t applicationId, bool active);
    void ReleaseFunction();

    // The "Function" element of the functions document; the caller appends it.
    xml::XmlNode BuildFunctionXml(xml::XmlDocument& document);

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;      // 1
    void Hide(int32_t& result) override;      // 1
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    // The name the export writes its file under: the chosen name, with
    // ".xml" appended unless it holds it.
    static QString AddXmlExtension(const QString& fileName);

private:
    clsApplicationFunction();

    // Building and the applet's notifications.
    void ResetFunction();
    int32_t RegisterAsView();
    void RegisterOwnItem(const QString& name, int32_t& handle);
    void OnMenuStateChanged();
    void OnMessageChanged();
    void OnActiveFormsChanged();
    void OnEngineeringContextChanged();
    bool ReadEngineeringContext(uint32_t& value);
    bool WriteEngineeringContext(uint32_t value);
    std::shared_ptr<applet::AppletHost> Host() const;

    // Execution by type and its completions.
    bool ExecuteConnect(bool connect);
    bool ExecuteSequence(int32_t type);
    void QueueAsyncOperation(int16_t code);
    void privAsyncHelper_DoAsyncOperation(int16_t code);
    bool SaveAppletData(int16_t code);
    void StartChannelConfigurator(const QString& invokeId, const std::shared_ptr<clsIEventFinished>& callback,
                                  int32_t phase, bool lockHeld);
    void StartAutoConnect();
    void privExecConnect_Done(int32_t lastError);
    void privExecSequence_Done(int32_t lastError);
    void privAutoConnect_Done(int32_t lastError);
    void privChannelConfigurator_Done(int32_t result);
    void ReportCompletion();
    void Function_FinishedApplication();
    void Function_FinishedFunction(bool result);
    void KeepRun(const QString& invokeId, const std::shared_ptr<clsIEventFinished>& callback);
    void ClearRun();
    void DestroyAutoConnect();

    // The export.
    bool WriteExportXML();
    // The DTM's dataset and channels as they are now; false without a dataset.
    static bool CurrentDataBag(std::shared_ptr<clsDataBag>& bag);
    bool CreateXMLFile(const QString& fileName, const clsDataBag& bag);

    // Description of the function.
    int32_t m_type = -1;
    QString m_keyword;
    QString m_argument;
    QString m_label;
    QString m_help;
    QString m_menuStateItem;
    int32_t m_menuNumber = 0;
    QString m_functionId;
    bool m_hasGui = false;

    // Run state.
    QString m_invokeId;
    std::weak_ptr<clsIEventFinished> m_callback;
    bool m_callbackSet = false;
    int32_t m_phase = 0;
    bool m_formStarted = false;
    bool m_lockHeld = false;

    // The applet item manager and the items of the function.
    std::shared_ptr<applet::clsAppletItemManager> m_itemManager;
    int32_t m_viewHandle = -1;
    int32_t m_hdlMenuState = -1;
    int32_t m_hdlMessage = -1;
    int32_t m_hdlEngineeringContext = -1;
    int32_t m_hdlActiveForms = -1;

    // Owned while needed.
    std::shared_ptr<clsFunctionConnect> m_execConnect;
    std::shared_ptr<clsFunctionConnect> m_autoConnect;
    std::shared_ptr<clsFunctionSequence> m_sequence;
    std::shared_ptr<frmAsyncFunction> m_asyncHelper;
    std::shared_ptr<clsChannelConfigurator> m_channelConfigurator;
};
