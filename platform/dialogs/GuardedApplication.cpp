#include "platform/dialogs/GuardedApplication.h"
#include <exception>
#include <utility>

namespace dialogs {

bool DeliverGuarded(const std::function<bool()>& deliver, const EscapedError& onError)
{
    QString what;
    try {
        return deliver();
    } catch (const std::exception& error) {
        what = QString::fromLocal8Bit(error.what());
    } catch (...) {
        what = QStringLiteral("an error of unknown type");
    }
    if (onError)
        onError(what);
    return false;
}

GuardedApplication::GuardedApplication(int& argc, char** argv, EscapedError onError)
    : QApplication(argc, argv), m_onError(std::move(onError))
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); }, m_onError);
}

} // namespace dialogs
