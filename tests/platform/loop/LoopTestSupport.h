#pragma once
// A manual clock installed for one test, with the loop's callback errors
// collected instead of printed, and the posted-call queue left empty.
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include <QStringList>
#include <gtest/gtest.h>

class LoopTest : public ::testing::Test {
protected:
    LoopTest()
    {
        m_previousHandler = loop::SetCallbackErrorHandler([this](const QString& message) { errors << message; });
    }
    ~LoopTest() override
    {
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
        loop::SetCallbackErrorHandler(m_previousHandler);
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scope{clock};
    QStringList errors;
    QStringList log;

private:
    loop::CallbackErrorHandler m_previousHandler;
};
