#pragma once
// How many change notifications the program's item managers delivered to
// registrations with an update interval, the ones that show live values:
// what the open windows were told, for the benchmark of their cost.
#include <QtGlobal>

namespace applet {

qint64 LiveNotificationsDelivered();

} // namespace applet
