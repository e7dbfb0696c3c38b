#pragma once
// What the frame may start in this DTM: the applications of the device's FDT
// file (start-form functions that carry FDT application flags), the menu
// functions of its TDX description and the export every DTM offers. The DTM
// object builds it while it loads and hands it the frame's GetFunctions,
// InvokeFunctionRequest, StartApplication and ExitApplication. It keeps which
// FDT application runs under which invoke id, whether an online or an offline
// application is active, and turns the completion of its functions into the
// frame's OnInvokedFunctionFinished and OnApplicationClosed, releasing the
// dataset lock their start took.
//
// Function ids: the FDT-file applications are 1 to A (their positions in the
// list); the menu functions follow as 13, 14, ... (position = id + A - 12).
// In a function call, ids 1 to 12 name an FDT application (a standard
// function), ids above 12 a single menu function.
//
// It is a view of the applet item manager so that it hears when the applet's
// "&&private_Fdt&&Locked" changes. Always held by a shared_ptr (the functions
// keep it weakly as their completion callback).
#include "fennick/fdt/clsIEventFinished.h"
#include "platform/applet/View.h"
#include "platform/xml/XmlDocument.h"
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class clsApplicationFunction;
namespace applet {
class FdtFileParser;
class TdxFileParser;
} // namespace applet

class clsApplicationManager : public clsIEventFinished,
                              public applet::View,
                              public std::enable_shared_from_this<clsApplicationManager> {
public:
    static constexpr int32_t kApplicationCount = 12;
    // The id of the one entry listed while another user holds the dataset.
    static constexpr int32_t kLockedOutFunctionId = 9999;
    static inline const QString kLockedItem = QStringLiteral("&&private_Fdt&&Locked");

    // Operation phases of the frame.
    enum Phase : int32_t { kPhaseNone = 0, kPhaseEngineering = 1, kPhaseCommissioning = 2, kPhaseRuntime = 3 };

    // One FDT application (ids 1 to 12).
    struct ApplicationRecord {
        int32_t applicationId = 0;   // 0 until a function registered for it
        QList<int32_t> functionIds;  // positions of its functions in the list
        QString invokeId;            // "" while it does not run
        bool registered = false;
        bool exitRequested = false;  // asked to close, not closed yet
    };

    clsApplicationManager();
    ~clsApplicationManager() override;
    clsApplicationManager(const clsApplicationManager&) = delete;
    clsApplicationManager& operator=(const clsApplicationManager&) = delete;

    // Builds the list from the FDT file's applications and the TDX menu, then
    // registers as a view with the applet host's item manager. False when
    // neither source gave a function (not even the export).
    bool RegisterFunctions(const std::shared_ptr<applet::TdxFileParser>& tdxParser,
                           const std::shared_ptr<applet::FdtFileParser>& fdtParser);

    // The DtmFunctions document for the frame's operation-state document.
    QString GetFunctionsXml(const QString& operationState);
    // A single menu function (id above 12); false for every other call.
    bool InvokeFunction(const QString& invokeId, const QString& functionCall);
    // An FDT application (ids 1 to 12) or a single menu function (above 12).
    // The window title is not used.
    bool StartApplication(const QString& invokeId, const QString& functionCall, const QString& windowTitle);
    // Asks the functions running under the invoke id to close; the frame hears
    // OnApplicationClosed when they have.
    bool ExitApplication(const QString& invokeId);

    bool OnlineApplicationActive() const { return m_onlineApplicationActive; }
    bool OfflineApplicationActive() const { return m_offlineApplicationActive; }

    // Leaves the item manager and releases every function.
    void DestroyApplications();

    // --- clsIEventFinished: completion reports of the functions ------------------
    void OnApplicationClosed(const QString& invokeId, int32_t functionId) override;
    void OnInvokedFunctionFinished(const QString& invokeId, int16_t success) override;

    // --- applet::View -----------------------------------------------------------
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    // --- The list as it stands --------------------------------------------------
    int32_t FunctionCount() const { return static_cast<int32_t>(m_functions.size()); }
    // A: the FDT-file applications at the front of the list.
    int32_t FdtApplicationCount() const { return m_fdtApplicationCount; }
    // The function of the function id (1 to A, or 13 upward); none outside the list.
    std::shared_ptr<clsApplicationFunction> FunctionById(int32_t functionId) const;
    // The record of an application id 1 to 12 (an empty record for any other id).
    ApplicationRecord Application(int32_t applicationId) const;
    // True when no function with a user interface runs.
    bool AllGuiFunctionsIdle() const;

    // --- Names and numbers of the FDT side ----------------------------------------
    // "fdtConfiguration" -> 4 (compared upper-cased); 0 for any other text.
    static int32_t ApplicationIdFromName(const QString& name);
    // 4 -> "fdtConfiguration"; "" outside 1 to 12.
    static QString ApplicationIdName(int32_t applicationId);
    // "engineering" 1, "commissioning" 2, "runtime" 3 (compared exactly); 0 otherwise.
    static int32_t OperationPhaseFromName(const QString& name);
    // The application id an FDT-file flag bit stands for; 0 for none.
    static int32_t ApplicationIdFromFlag(int32_t flagBit);

private:
    struct KeyedFunction {
        QString key;
        std::shared_ptr<clsApplicationFunction> function;
    };
    using FunctionCollection = std::vector<KeyedFunction>;

    int32_t ReadFdtFileApplications(const std::shared_ptr<applet::FdtFileParser>& parser,
                                    FunctionCollection& applications);
    int32_t ReadMenuFunctions(const std::shared_ptr<applet::TdxFileParser>& parser, FunctionCollection& menu,
                              const FunctionCollection& applications);
    bool IsObsoleteMenuFunction(const FunctionCollection& applications, const clsApplicationFunction& function) const;
    // Adds under the key; a key that is taken keeps its first function and
    // the new one is released (traced).
    static bool AddToCollection(FunctionCollection& collection, const QString& key,
                                const std::shared_ptr<clsApplicationFunction>& function);
    static std::shared_ptr<clsApplicationFunction> FindInCollection(const FunctionCollection& collection,
                                                                    const QString& key);
    void RegisterView();

    bool ParseOperationState(const QString& operationState, int32_t& phase);
    bool ParseFunctionCall(const QString& functionCall, int32_t& phase, int32_t& functionId);
    // The list position of a menu function id; 0 when it lies outside the list.
    int32_t FunctionIndex(int32_t functionId) const;
    std::shared_ptr<clsApplicationFunction> FunctionAt(int32_t position) const;
    // The record of an id 1 to 12, null otherwise.
    ApplicationRecord* Record(int32_t applicationId);

    xml::XmlNode CreateFunctionsElement(xml::XmlDocument& document);
    void AppendFunctionElements(xml::XmlDocument& document, xml::XmlNode& functions, int32_t phase);
    void AppendStandardFunctions(xml::XmlDocument& document, xml::XmlNode& functions, int32_t phase);
    void AppendLockedOutFunction(xml::XmlDocument& document, xml::XmlNode& functions);

    void SetApplicationActive(int32_t applicationId, bool active);
    void NotifyFunctionChanged();
    // Leaves the dataset lock a closed application held, now or after the save.
    void ReleaseLockOnClose(bool& releaseLater);

    std::vector<std::shared_ptr<clsApplicationFunction>> m_functions; // position = index + 1
    int32_t m_fdtApplicationCount = 0;
    std::array<ApplicationRecord, kApplicationCount> m_applications;
    bool m_onlineApplicationActive = false;
    bool m_offlineApplicationActive = false;
    std::shared_ptr<applet::clsAppletItemManager> m_itemManager;
    int32_t m_viewHandle = 0;
    int32_t m_lockedHandle = -1;
};
