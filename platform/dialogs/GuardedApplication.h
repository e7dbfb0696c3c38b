#pragma once
// The application of a program that shows windows, with a last guard around
// the event loop: an exception that leaves an event handler or a slot is
// handed to the program, which traces it and tells the user, instead of
// ending the program with every unsaved change. Handlers tell their own
// failures; the guard only catches what one of them let through.
#include <QApplication>
#include <functional>

namespace dialogs {

using EscapedError = std::function<void(const QString& what)>;

// Runs one delivery; an exception that leaves it goes to onError (its text),
// and the event counts as not handled.
bool DeliverGuarded(const std::function<bool()>& deliver, const EscapedError& onError);

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv, EscapedError onError);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    EscapedError m_onError;
};

} // namespace dialogs
