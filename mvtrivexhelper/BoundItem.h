#pragma once
// One named applet item bound for this library's objects: registered with the
// item manager on a view of its own, read in the item's text, number or octet
// form, and its change notifications turned into a call of the owner's
// listener with the value and the suppress-rule flag. Registration, reads and
// notifications follow the item objects of the device components: a
// notification whose state word has the shadow-only bit is ignored, the
// no-rules bit becomes suppressRule, the value is the dataset value's text
// cut at its first NUL; an error of the listener is traced and dropped.
#include "platform/applet/View.h"
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>

class ViewForwarder;

class BoundItem : private applet::View {
public:
    using Listener = std::function<void(const QString& value, bool suppressRule)>;

    explicit BoundItem(QString name, Listener listener = {});
    // Releases the item at the manager and unregisters its view.
    ~BoundItem() override;
    BoundItem(const BoundItem&) = delete;
    BoundItem& operator=(const BoundItem&) = delete;

    // Registers the item (not on its shadow value, no update interval).
    // Unknown to the manager: raises REGISTRATION_FAILED ("Registrierung von
    // " + name + " fehlgeschlagen"); the item stays unregistered.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& manager);

    const QString& Name() const { return m_name; }
    bool Registered() const { return m_registered; }

    // Reads go to the manager each time, once it gave the item a handle; before
    // that the text is the item's name, the number 0, the octets an empty
    // variant. A text or number read of the wrong type is traced and gives an
    // empty text or 0; an octet read of the wrong type raises INVALID_DATATYPE.
    QString StringValue() const;
    double UIntValue() const;
    QVariant OctetValue() const; // a QByteArray

private:
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override { result = 0; }
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;
    bool Readable() const { return m_manager && m_itemHandle > 0; }
    void Release();

    QString m_name;
    Listener m_listener;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<ViewForwarder> m_view;
    int32_t m_viewHandle = 0;
    int32_t m_itemHandle = 0;
    bool m_registered = false;
};
