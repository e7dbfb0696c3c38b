#pragma once
// One FDT parameter of the DTM as the FDT file describes it. An applet-bound
// item keeps its value in the applet item of a TDX description object and
// learns its data type, length and enumeration from the TDX-file parser; it
// is a view of the applet for that item (and for the item's enumeration mask,
// "&&ObjectLimit&&" + object name). A fixed item holds the value of its
// FDT-file entry itself and never registers.
//
// Failures are traced, never raised. Always held by a shared_ptr; the data
// manager's collection owns it, channels and modules share it, and
// Publics::ReleaseDataItem ends its registration.
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
} // namespace applet

class clsDataManagerDataItem : public automation::ComObject,
                               public applet::View,
                               public std::enable_shared_from_this<clsDataManagerDataItem> {
public:
    // The enumeration of an item as (key, text) pairs in table order.
    using EnumerationList = QList<QPair<int32_t, QString>>;

    // An applet-bound item: registers itself as a view with the applet host's
    // item manager, which binds the item by its object name.
    void InitAppletItem(const QString& fdtParameterName, const applet::FdtAppletItemRecord& record);
    // A fixed item: the entry's value as text, its variant type and length.
    void InitFixedItem(const QString& fdtParameterName, const applet::FdtFixedItemRecord& record);

    int32_t AppletItemHandle() const { return m_itemHandle; }
    QString ObjectName() const { return m_objectName; }
    QString FdtParameterName() const { return m_fdtParameterName; }
    int32_t TypeCode() const { return m_typeCode; }
    bool IsAppletBound() const { return m_appletBound; }

    // The value as text: the fixed value, or the applet item's text ("" with
    // a trace when it cannot be read).
    QString Value();
    void SetValue(const QString& text);

    // The length in bits (characters for packed text) of the description
    // object, asked once and cached; the entry's length for a fixed item.
    int32_t ObjectLength();
    // "int", "unsigned", "float", ... ; "" when the object cannot be looked up.
    QString FdtDataType();

    // The entries whose limit mask allows them (every caller asks for those;
    // false gives every entry). The table is built on the first call, which
    // also registers the mask item. Returns true on failure (entries is then
    // left as given).
    bool EnumerationEntries(EnumerationList& entries, bool allowedOnly = true);
    // First entry with the key: its text and allowed flag; none: "" and false.
    bool EnumerationText(int32_t key, QString& text) const;
    // First entry with exactly this text (case-sensitive): its key and allowed
    // flag; none: -1 and false.
    bool EnumerationKey(const QString& text, int32_t& key) const;

    // The protection changes nothing; an applet-bound item that was never
    // registered is traced.
    void CheckProtectionAccess(bool protectedByChannelAssignment);
    // Ends the item's registrations at the manager; the handles become -1.
    void UnregisterView();

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 1; }
    void Hide(int32_t& result) override { result = 1; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    static inline const QString kObjectLimitMarker = QStringLiteral("&&ObjectLimit&&");

private:
    struct EnumerationEntry {
        QString text;
        int32_t key = 0;
        bool allowed = false;
    };
    struct ObjectData {
        int32_t typeCode = 0;
        int32_t size = 0;
        QString enumerationName;
    };

    // The TDX description object of the item; false (traced) when it cannot
    // be found or read. kind is "OBJECT" or "object", as the callers name it.
    bool LookUpObject(const QString& kind, ObjectData& data) const;
    bool BuildEnumeration();
    void RefreshAllowedFlags();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_length = 0;
    int32_t m_itemHandle = -1;
    int32_t m_viewHandle = -1;
    QString m_objectName;
    QString m_fdtParameterName;
    bool m_appletBound = false;
    int32_t m_typeCode = 0;
    QString m_fixedValue = QStringLiteral("0");
    int32_t m_valueType = 0;
    QList<EnumerationEntry> m_enumeration;
    bool m_enumerationBuilt = false;
    int32_t m_limitHandle = -1;
};
