#pragma once
// A home folder of the test's own while it lives, so that the test programs'
// cache folder (QStandardPaths in test mode) is the test's.
#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

class TestHome {
public:
    TestHome() : m_saved(qgetenv("HOME")) { qputenv("HOME", m_home.path().toUtf8()); }
    ~TestHome() { qputenv("HOME", m_saved); }
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

private:
    QTemporaryDir m_home;
    QByteArray m_saved;
};
