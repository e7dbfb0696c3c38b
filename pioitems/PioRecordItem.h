#pragma once
// A control that binds one record of the applet (one command transfer) to a
// form: registers the sub-items its three switches choose, relays the
// record's status and response, writes action codes and reads the response.
// While the form is designed it shows "Record: " and the record name.
#include "pioextensions/clsRecordItem.h"
#include "pioitems/PersistedProperty.h"
#include "pioitems/PioItemControl.h"
#include <QByteArray>
#include <array>

namespace pioitems {

class PioRecordItem : public PioItemControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioItems.PioRecordItem");

    explicit PioRecordItem(QWidget* parent = nullptr);
    ~PioRecordItem() override;

    // The record's response bytes; errors reach the caller.
    QByteArray ResponseCode() const;
    // Registration (PioItemControl) takes the sub-items of the switches.
    // Nothing is pushed: the first status comes with the record's next change.
    // Writes the applet's record action code; errors reach the caller.
    void DoAction(int32_t action);
    bool RegisterStateItem() const { return m_RegisterStateItem; }
    void SetRegisterStateItem(bool value);
    bool RegisterControlItem() const { return m_RegisterControlItem; }
    void SetRegisterControlItem(bool value);
    bool RegisterResponseItem() const { return m_RegisterResponseItem; }
    void SetRegisterResponseItem(bool value);

    void ReadProperties(const automation::PropertyBag& bag) override;
    void WriteProperties(automation::PropertyBag& bag) const override;

protected:
    void RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager) override;
    void UnRegisterItem() override;

signals:
    void GotResponse(const QByteArray& ResponseCode);
    void StatusChanged(int32_t recordStatus);

private:
    static const std::array<PersistedProperty<PioRecordItem>, 4> kPersisted;

    clsRecordItem m_item;
    bool m_RegisterStateItem = true;
    bool m_RegisterControlItem = true;
    bool m_RegisterResponseItem = true;
};

} // namespace pioitems
