// The date functions. A date is a real: whole days since 30 December 1899,
// the fraction being the time of day, in local time. Before that day the
// whole part counts backwards while the fraction still runs forwards from
// midnight, so -1.25 is 29 December 1899, 6:00.
#pragma once

#include <cstdint>

// Registers the date functions (called by Function_Math_Init).
void Function_Date_Register();

// A date taken apart. ms is the milliseconds within the second.
struct RDateParts {
  int64_t year = 0;
  int month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  int64_t dayIndex = 0;  // whole days since 30 December 1899 of that calendar day
};
// False for a value that names no day (not finite, or millions of years
// away); the parts are then all 0.
bool DateDecode(double date, RDateParts &parts);
// The real of a calendar day and time (not checked: any year, month 1 .. 12,
// day 1 .. 31).
double DateEncode(int64_t year, int month, int day, int hour, int minute, int second, int ms);
bool DateIsValid(int64_t year, int64_t month, int64_t day);
bool TimeIsValid(int64_t hour, int64_t minute, int64_t second);
int DaysInMonth(int64_t year, int month);
bool IsLeapYear(int64_t year);
// Now, in local time, to the millisecond.
double DateNow();
