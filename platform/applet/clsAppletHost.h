#pragma once
// The applet host of the toolkit (see AppletHost.h for the operations). It
// owns the item manager of the loaded description, the communication client,
// the sequence runner and the instance-data store, keeps the applet's private
// items ("&&private&&connect", "&&private&&Dirty", "&&private&&Message",
// "&&private_FDT&&ActiveForms", "&&private_PM&&TDXPath", "&&private_PM&&FileName")
// and starts and ends the views. Items registered with an update interval are
// read from the device cyclically (LiveValuePoller). Created through the
// class registry by kAppletHostProgId; always held by a shared_ptr.
#include "platform/applet/AppletHost.h"
#include "platform/automation/ClassRegistry.h"
#include <QList>
#include <QString>
#include <memory>
#include <vector>

namespace dialogs {
struct FileDialogRequest;
}

namespace applet {

class AppletItem;
class Description;
class LiveValuePoller;
class SequenceRunner;
class View;
class clsCommClient;
class clsTdxFileParser;
enum class WriteOrigin;

class clsAppletHost : public automation::ComObject,
                      public AppletHost,
                      public std::enable_shared_from_this<clsAppletHost> {
public:
    clsAppletHost();
    ~clsAppletHost() override;
    clsAppletHost(const clsAppletHost&) = delete;
    clsAppletHost& operator=(const clsAppletHost&) = delete;

    void fncInit(const QString& tdxPath, const QString& parameterFile, const QString& initString,
                 int32_t& code) override;
    void GetItemManager(std::shared_ptr<clsAppletItemManager>& manager) override;
    void Connect(int32_t reserved, int32_t& result) override;
    void Disconnect(int32_t reserved, int32_t& result) override;
    void LoadFromDatabase(int32_t reserved, int32_t& result) override;
    QString Refusal() const override { return m_refusal; }
    void SaveToDatabase(int32_t reserved, int32_t& result) override;
    bool HoldsChanges() override;
    void StartView(const QString& progId, int32_t& result) override;
    void DestroyApplet(std::shared_ptr<AppletHost>& host, int32_t& result) override;
    void fncSetCServer(const std::shared_ptr<CServerRequestClass>& server, int32_t& code) override;
    void fncSetDBInstance(const std::shared_ptr<IFbInstanceData>& store, int32_t& code) override;
    void StartSequence(const QString& sequenceName, int32_t& result) override;
    void ForceSequence(const QString& sequenceName, int32_t& result) override;
    void StartSingleView(const QString& formName, int32_t& result) override;
    void fncCloseForm(const QString& formName, int32_t& result) override;
    void StartAdjust(const QString& sequenceName, int32_t& result) override;
    void LoadDataset(int32_t& result) override;
    void SaveDatasetAs(int32_t& result) override;
    void LoadFromDevice(int32_t reserved, int32_t& result) override;

    // The sequence "Upload" that LoadFromDevice starts.
    static inline const QString kUploadSequence = QStringLiteral("Upload");
    // The instance identifier the host passes to its instance-data store.
    static inline const QString kInstanceId = QStringLiteral("0");

private:
    struct OpenForm {
        QString name;
        std::weak_ptr<View> view;
    };

    bool Initialised() const { return m_manager != nullptr && !m_destroyed; }
    // Held by operations that call views, the store or dialogs directly: one
    // of them may end the applet and let go of the last reference meanwhile.
    std::shared_ptr<clsAppletHost> KeepAlive() { return weak_from_this().lock(); }
    void OnItemChanged(const AppletItem& item, WriteOrigin origin, bool shadowChange);
    void OnViewUnregistered(const View* view);
    int32_t CreateView(const QString& progId, std::shared_ptr<View>& view);
    void WriteText(int32_t handle, const QString& text);
    void WriteNumber(int32_t handle, double value);
    void ApplyInitString(const QString& initString);
    int32_t LoadValues(bool refresh);
    // The stored value of every persistent item (invalid: none stored, the
    // description default); fails as a whole when the store fails or a
    // value does not fit its item (refusal: which and why).
    int32_t ReadStoredValues(QList<QPair<int32_t, QVariant>>& values, QString* refusal = nullptr) const;
    void PublishActiveForms();
    void Teardown(bool callDestroy);
    // The file dialog of LoadDataset and SaveDatasetAs, opened in the folder of the last dataset file.
    dialogs::FileDialogRequest DatasetFileRequest(const QString& title) const;
    int32_t RefuseDatasetFile(const QString& title, const QString& what, const QString& path, const QString& reason);

    std::shared_ptr<const Description> m_description;
    std::shared_ptr<clsTdxFileParser> m_parser;
    std::shared_ptr<clsAppletItemManager> m_manager;
    std::shared_ptr<clsCommClient> m_comm;
    std::unique_ptr<SequenceRunner> m_sequences;
    std::unique_ptr<LiveValuePoller> m_poller; // reads the items registered with an update interval
    std::shared_ptr<IFbInstanceData> m_store;
    QList<OpenForm> m_forms;
    int32_t m_dirtyHandle = 0;
    int32_t m_messageHandle = 0;
    int32_t m_activeFormsHandle = 0;
    int32_t m_fileNameHandle = 0;
    QString m_refusal;
    bool m_loading = false;
    bool m_destroyed = false;
};

} // namespace applet
