#pragma once
// What the three item objects share: the manager of the last registration,
// the view registered for the current one, and the call of the handler method
// named at registration.
#include "pioextensions/clsAppItemView.h"
#include "platform/applet/SubItemName.h"
#include <initializer_list>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <memory>

class IAppItem;
class QObject;
namespace applet {
class clsAppletItemManager;
}

class ItemViewBinding {
public:
    ItemViewBinding() = default;
    ~ItemViewBinding();
    ItemViewBinding(const ItemViewBinding&) = delete;
    ItemViewBinding& operator=(const ItemViewBinding&) = delete;

    // Keeps manager, lets go of the previous view (unregistered at its manager)
    // and registers a new view owned by owner; the manager hands the view its
    // handle within the call, and handover, when given, hears of it there. A
    // manager that refuses the view is traced.
    void Attach(const std::shared_ptr<applet::clsAppletItemManager>& manager, IAppItem* owner,
                const QString& itemName, clsAppItemView::Handover handover = {});
    // Unregisters the view at the manager and lets go of it, owner and
    // handover cleared first; the manager stays.
    void ReleaseView();

    // Registers one sub-item (update interval 0) for the view; 0 when the
    // manager does not know it, which is reported (REGISTRATION_FAILED).
    int32_t RegisterSubItem(const QString& subItemName, bool shadow, const QString& source);
    // Errors are ignored.
    void UnregisterSubItem(int32_t handle, bool shadow);

    // One sub-item a record or sequence item may ask for: the bit of its
    // registration mask, the kind of sub-item and where its handle is kept.
    struct SubItemSlot {
        int16_t bit;
        applet::SubItemKind kind;
        int32_t* handle;
    };
    // Attaches owner's view to manager (raising REGISTRATION_FAILED under
    // source when there is none) and registers the sub-items of itemName that
    // regMask asks for. A sub-item the manager does not know gets handle 0, so
    // no handle of an earlier registration survives.
    void AttachWithSubItems(const std::shared_ptr<applet::clsAppletItemManager>& manager, IAppItem* owner,
                            const QString& itemName, int16_t regMask, bool shadow,
                            std::initializer_list<SubItemSlot> subItems, const QString& source);
    // Unregisters the given sub-items and lets go of the view.
    void ReleaseWithSubItems(std::initializer_list<int32_t> handles, bool shadow);

    // The state sub-item's value rounded to a whole number (fncGetUIntValue);
    // a read the manager refuses is reported under source and gives the value
    // as read, 0 when nothing could be read.
    int32_t ReadStatus(int32_t stateHandle, const QString& source) const;

    const std::shared_ptr<applet::clsAppletItemManager>& Manager() const { return m_manager; }
    int32_t ViewHandle() const;

    // Calls methodName on handler with args, when both are set. A missing
    // method, arguments that do not fit and an error the method raises are
    // traced under source and dropped; true when the method ran to its end.
    static bool CallHandler(QObject* handler, const QString& methodName, const QVariantList& args,
                            const QString& source);

    // Runs one step of a notification; an error it raises is traced under
    // source and dropped, so the following steps still run.
    template <class Step>
    static void RunStep(const QString& source, Step step)
    {
        try {
            step();
        } catch (...) {
            TraceStepError(source);
        }
    }

private:
    static void TraceStepError(const QString& source);

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<clsAppItemView> m_view;
};
