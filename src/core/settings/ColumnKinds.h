#pragma once

#include <QString>

// The focus tray's column kinds 1..11: caption and standard width.
namespace ColumnKinds {

constexpr int First = 1;
constexpr int Last = 11;

// "" outside 1..11.
QString Caption(int kind);
// 0 outside 1..11.
int StandardWidth(int kind);

} // namespace ColumnKinds
