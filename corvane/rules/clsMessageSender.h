#pragma once
// Tells the user interface about a change a rule forced on the device, by
// writing the reason text to "ChangesByRevision". A rule manager switches its
// sender on only around a re-run it starts itself, so a correction of a user
// edit stays silent.
#include <memory>

#include <QString>

namespace applet {
class clsAppletItemManager;
}
class clsAppItem;

class clsMessageSender {
public:
    clsMessageSender();
    ~clsMessageSender();
    clsMessageSender(const clsMessageSender&) = delete;
    clsMessageSender& operator=(const clsMessageSender&) = delete;

    // Binds "ChangesByRevision"; a second call binds a new item in place of the first.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef);
    void SwitchOn() { m_switchedOn = true; }
    void SwitchOff() { m_switchedOn = false; }
    // Writes message while registered and switched on; otherwise nothing.
    // Errors of the write reach the caller.
    void send(const QString& message);

    bool Registered() const { return m_registered; }
    bool SwitchedOn() const { return m_switchedOn; }

private:
    bool m_registered = false;
    bool m_switchedOn = false;
    std::unique_ptr<clsAppItem> m_item;
};
