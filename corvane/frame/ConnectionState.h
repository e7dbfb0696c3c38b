#pragma once
// The applet's connection item and its states, as the applet host writes them.
#include <QString>

namespace corvane {

inline const QString kConnectItem = QStringLiteral("&&private&&Connect");

constexpr int kNotConnected = 0;
constexpr int kConnecting = 1;
constexpr int kConnected = 2;
constexpr int kDisconnecting = 3;

} // namespace corvane
