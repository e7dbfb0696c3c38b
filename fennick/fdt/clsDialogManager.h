#pragma once
// The bridge between the device applet and the frame's dialogs. As a view of
// the applet item manager it watches four private items: error texts the
// applet writes go to the frame as error messages; a user-message document
// the applet writes (as the path of a file) is shown through the frame's user
// dialog and the frame's answer is saved beside the request (its path
// followed by "_RES"), whose path then goes back into the item; the frame's
// FDT schema folder is handed to the applet once; and the frame's permission
// for private dialogs is kept in an item. Always held by a shared_ptr.
#include "platform/applet/View.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace applet { class clsAppletItemManager; }

class clsDialogManager : public applet::View, public std::enable_shared_from_this<clsDialogManager> {
public:
    static inline const QString kPrivateDialogEnabledItem = QStringLiteral("&&private_Fdt&&PrivateDialogEnabled");
    static inline const QString kErrorMessageItem = QStringLiteral("&&private_Fdt&&ErrorMessage");
    static inline const QString kUserMessageItem = QStringLiteral("&&private_Fdt&&UserMessage");
    static inline const QString kSchemaPathItem = QStringLiteral("&&private_Fdt&&XMLSchemaPath");
    // Appended to a request's path to name the file of the answer.
    static inline const QString kResponseSuffix = QStringLiteral("_RES");
    // Larger request files are refused.
    static constexpr qint64 kMaxRequestFileBytes = 4 * 1024 * 1024;

    clsDialogManager();
    ~clsDialogManager() override;

    // Starts watching: drops any item manager, keeps the schema path and
    // registers with the item manager of the process's applet host.
    void RegisterView(const QString& schemaPath);
    void UnregisterView();
    bool IsRegistered() const { return m_manager != nullptr; }

    // The frame's private-dialog permission as the item holds it (-1 true,
    // 0 false); 0 when it cannot be read (traced).
    int16_t PrivateDialogEnabled();
    void SetPrivateDialogEnabled(int16_t enabled);

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    void ForwardErrorMessage();
    void HandleUserMessage();
    // The item's text when it differs from the text before its latest change,
    // else empty; characters of code 0 removed and blanks trimmed.
    QString ReadChangedText(int32_t handle, const QString& itemName);
    void WriteUserMessage(const QString& text);
    void Register(const QString& name, int32_t& handle);

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    int32_t m_hdlPrivateDialogEnabled = -1;
    int32_t m_hdlErrorMessage = -1;
    int32_t m_hdlUserMessage = -1;
    int32_t m_hdlSchemaPath = -1;
    bool m_ownWrite = false;
    QString m_schemaPath;
};
