#pragma once
// An item manager's items read and written by name, as an applet or a view
// does: a read that fails gives -1 or an empty text, a write the manager
// refuses fails the test.
#include "platform/applet/clsAppletItemManager.h"
#include <QString>
#include <gtest/gtest.h>

namespace itemaccess {

inline double Number(applet::clsAppletItemManager& manager, const QString& name)
{
    double value = -1;
    int32_t failed = 0;
    manager.fncGetUIntValue(manager.HandleOf(name), value, failed);
    return failed == 0 ? value : -1;
}

inline void PutNumber(applet::clsAppletItemManager& manager, const QString& name, double value)
{
    int32_t failed = 0;
    manager.fncPutUintValue(manager.HandleOf(name), value, failed);
    EXPECT_EQ(failed, 0) << name.toStdString();
}

inline QString Text(applet::clsAppletItemManager& manager, const QString& name)
{
    QString text;
    int32_t failed = 0;
    manager.GetStringValue(manager.HandleOf(name), text, failed);
    return failed == 0 ? text : QString();
}

inline void PutText(applet::clsAppletItemManager& manager, const QString& name, const QString& text)
{
    int32_t failed = 0;
    manager.PutStringValue(manager.HandleOf(name), text, failed);
    EXPECT_EQ(failed, 0) << name.toStdString();
}

// The same through the applet's own calls (fncReadString / fncPutString), as
// the device components read and write: an unreadable item reads
// "<unreadable>", so a test cannot mistake it for an empty text.
inline QString ReadString(applet::clsAppletItemManager& manager, const QString& name)
{
    QString value;
    int32_t failed = 0;
    manager.fncReadString(manager.HandleOf(name), value, false, failed);
    return failed == 0 ? value : QStringLiteral("<unreadable>");
}

inline void PutString(applet::clsAppletItemManager& manager, const QString& name, const QString& value)
{
    int32_t failed = 0;
    manager.fncPutString(manager.HandleOf(name), value, failed);
    EXPECT_EQ(failed, 0) << name.toStdString();
}

} // namespace itemaccess
