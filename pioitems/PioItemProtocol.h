#pragma once
// How a form's control item handler finds the controls that bear items: a
// control takes part when it implements this protocol and its Typ reads
// "PioItem". The handler then registers it with the form's item manager and
// unregisters it again. Controls of other libraries that carry items (rule
// controls, displays, the busy window) implement it too.
#include <QString>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

namespace pioitems {

inline const QString kPioItemTyp = QStringLiteral("PioItem");

class PioItemProtocol {
public:
    virtual ~PioItemProtocol() = default;
    virtual QString Typ() const = 0;
    virtual void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) = 0;
    virtual void UnRegister() = 0;
};

} // namespace pioitems
