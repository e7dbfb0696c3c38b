#pragma once
// What the component tests share: the toolkit's applet host on the staged
// Trivex description with Corvane's classes registered, so the host starts
// the always-started view itself, and a look at the view and its components.
#include "corvane/frame/CorvaneClasses.h"
#include "corvane/frame/clsStartAlwaysView.h"
#include "pioextensions/clsAppItem.h"
#include "platform/automation/ClassRegistry.h"
#include "tests/common/ItemAccess.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <QTemporaryDir>

namespace corvanetest {

using piotest::ErrorTraces;
using piotest::RunUntil;
using piotest::Settle;

// The debug switch off (an empty home folder) unless a test puts the marker there.
class HomeFolder {
public:
    HomeFolder() : m_saved(qgetenv("HOME")) { qputenv("HOME", home.path().toUtf8()); }
    ~HomeFolder() { qputenv("HOME", m_saved); }
    HomeFolder(const HomeFolder&) = delete;
    HomeFolder& operator=(const HomeFolder&) = delete;
    void SwitchDebugOn() const
    {
        QFile marker(home.filePath(QStringLiteral("pioDebug.txt")));
        ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    }

    QTemporaryDir home;

private:
    QByteArray m_saved;
};

// A bare applet for a test of parts without the frame: the frame's
// always-started view, registered by any earlier test of the program that
// started the frame, would otherwise come up with the applet, and its rules
// would answer the test's writes. Registered again afterwards, so the tests
// that follow find what they found before.
class FrameViewAbsent {
public:
    FrameViewAbsent() : m_was(automation::ClassRegistry::instance().IsRegistered(clsStartAlwaysView::kProgId))
    {
        if (m_was)
            automation::ClassRegistry::instance().Unregister(clsStartAlwaysView::kProgId);
    }
    ~FrameViewAbsent()
    {
        if (m_was)
            corvane::RegisterClasses();
    }
    FrameViewAbsent(const FrameViewAbsent&) = delete;
    FrameViewAbsent& operator=(const FrameViewAbsent&) = delete;

private:
    bool m_was;
};

// Registers Corvane's classes before the host starts its views.
struct CorvaneRegistered {
    CorvaneRegistered() { corvane::RegisterClasses(); }
};

class CorvaneApplet : private CorvaneRegistered, public piotest::TrivexApplet {
public:
    // The always-started view the host created; none when it did not.
    std::shared_ptr<clsStartAlwaysView> View() const
    {
        if (!manager)
            return nullptr;
        for (const auto& view : manager->RegisteredViews())
            if (auto frame = std::dynamic_pointer_cast<clsStartAlwaysView>(view))
                return frame;
        return nullptr;
    }
    template <class Component>
    std::shared_ptr<Component> Find(const QString& key) const
    {
        return std::dynamic_pointer_cast<Component>(View()->Components().Item(key));
    }

    QString Text(const QString& name) const
    {
        return itemaccess::ReadString(*manager, name);
    }
    void PutText(const QString& name, const QString& value)
    {
        itemaccess::PutString(*manager, name, value);
    }
};

// Every value the watched items take, as "label=value" in the order they change.
class ItemLog : public QObject {
public:
    explicit ItemLog(std::shared_ptr<applet::clsAppletItemManager> manager) : m_manager(std::move(manager)) {}
    void Watch(const QString& name, const QString& label)
    {
        auto item = std::make_shared<clsAppItem>();
        item->Register(m_manager, name);
        connect(item.get(), &clsAppItem::ValueChanged, this,
                [this, label](const QString& value) { changes.append(label + QLatin1Char('=') + value); });
        m_items.push_back(item);
    }
    QStringList changes;

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::vector<std::shared_ptr<clsAppItem>> m_items;
};

} // namespace corvanetest
