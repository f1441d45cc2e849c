#pragma once

#include "calendar/Julius.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// The first day of one old-calendar month.
struct TOldMonthStart {
    int32_t Julius = 0;
    int Month = 0; // 1..12, or 100 + n for the leap month after n
};

// Parses the JDOLDCAL text: lines "<day number>,<month>" ended by CR LF (a
// bare LF is accepted), ascending by 29 or 30 days. Throws EJuliusError
// naming the first bad line.
std::vector<TOldMonthStart> ParseOldCalendarTable(const QByteArray& data);

// The table compiled into the program, read and parsed on first use. Throws
// EJuliusError when the resource is missing or damaged.
const std::vector<TOldMonthStart>& OldCalendarTable();

// The old date of a day in the given table: from the first start up to the
// day before the last one (the last line only closes the month before it);
// 0/0 elsewhere.
TOldDate LookUpOldDate(const std::vector<TOldMonthStart>& table, int32_t julius);
