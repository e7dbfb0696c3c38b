// The last guard around the event loop: an exception that leaves an event
// handler reaches the program's callback, with its text, and the delivery
// counts as not handled; a delivery without an error is passed through.
#include "platform/dialogs/GuardedApplication.h"
#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class RefusingReceiver : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("the item manager refused the value");
        return QObject::event(event);
    }
};

} // namespace

TEST(AnErrorLeavingAHandler, IsHandedToTheProgramAndTheDeliveryEnds)
{
    RefusingReceiver receiver;
    QStringList told;
    const auto deliver = [&](QEvent::Type type) {
        return dialogs::DeliverGuarded(
            [&] {
                QEvent event(type);
                return QCoreApplication::sendEvent(&receiver, &event);
            },
            [&](const QString& what) { told << what; });
    };
    EXPECT_FALSE(deliver(QEvent::User));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told.front(), "the item manager refused the value");
    // The receiver lives on and takes the next event.
    deliver(QEvent::MaxUser);
    EXPECT_EQ(told.size(), 1);
}
