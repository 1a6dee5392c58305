#include "functions/Function_Date.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <string>

#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"

using fnarg::Num;

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1 January 1970 back to 30 December 1899.
constexpr int64_t kEpochOffset = 25569;
// Beyond this many days (about 2.7 million years) a date names no day.
constexpr double kMaxDays = 1e9;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
void CivilFromDays(int64_t z, int64_t &y, int &m, int &d) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

}  // namespace

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool DateIsValid(int64_t year, int64_t month, int64_t day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, static_cast<int>(month));
}
bool TimeIsValid(int64_t hour, int64_t minute, int64_t second) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

bool DateDecode(double date, RDateParts &p) {
  p = RDateParts();
  if (!(std::fabs(date) < kMaxDays)) return false;
  int64_t day = static_cast<int64_t>(std::trunc(date));
  int64_t ms = std::llround(std::fabs(date - static_cast<double>(day)) * kMsPerDay);
  if (ms >= kMsPerDay) {  // rounded up to the next midnight
    ms -= kMsPerDay;
    ++day;
  }
  p.dayIndex = day;
  CivilFromDays(day - kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.ms = static_cast<int>(ms % 1000);
  return true;
}

double DateEncode(int64_t year, int month, int day, int hour, int minute, int second, int ms) {
  const double days = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
  const double time = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + ms) / kMsPerDay;
  // Before the first day the time of day still runs forwards.
  return days < 0 ? days - time : days + time;
}

double DateNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  return DateEncode(t.tm_year + 1900LL, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, std::min(t.tm_sec, 59),
                    static_cast<int>(ts.tv_nsec / 1000000));
}

namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int argc, RValue *args, RValue &result)

// A date part or an amount of time; values beyond any date are held at this
// bound, which makes them invalid dates.
constexpr int64_t kBeyondDates = 1000000000000000;
int64_t Whole(const RValue &v) { return std::clamp(fnarg::Wide(v), -kBeyondDates, kBeyondDates); }

double TimeOfDay(int64_t h, int64_t mi, int64_t s) { return ((h * 3600.0 + mi * 60.0 + s) * 1000.0) / kMsPerDay; }

ROUTINE(F_CurrentDateTime) { result.SetReal(DateNow()); }
ROUTINE(F_CurrentDate) { result.SetReal(std::trunc(DateNow())); }
ROUTINE(F_CurrentTime) {
  const double now = DateNow();
  result.SetReal(std::fabs(now - std::trunc(now)));
}

ROUTINE(F_CreateDateTime) {
  const int64_t y = Whole(args[0]), m = Whole(args[1]), d = Whole(args[2]);
  const int64_t h = Whole(args[3]), mi = Whole(args[4]), s = Whole(args[5]);
  if (!DateIsValid(y, m, d) || !TimeIsValid(h, mi, s)) return;
  result.SetReal(DateEncode(y, static_cast<int>(m), static_cast<int>(d), static_cast<int>(h), static_cast<int>(mi),
                            static_cast<int>(s), 0));
}
ROUTINE(F_CreateDate) {
  const int64_t y = Whole(args[0]), m = Whole(args[1]), d = Whole(args[2]);
  if (!DateIsValid(y, m, d)) return;
  result.SetReal(DateEncode(y, static_cast<int>(m), static_cast<int>(d), 0, 0, 0, 0));
}
ROUTINE(F_CreateTime) {
  const int64_t h = Whole(args[0]), mi = Whole(args[1]), s = Whole(args[2]);
  if (!TimeIsValid(h, mi, s)) return;
  result.SetReal(TimeOfDay(h, mi, s));
}
ROUTINE(F_ValidDateTime) {
  result.SetReal(DateIsValid(Whole(args[0]), Whole(args[1]), Whole(args[2])) &&
                         TimeIsValid(Whole(args[3]), Whole(args[4]), Whole(args[5]))
                     ? 1
                     : 0);
}
ROUTINE(F_ValidDate) { result.SetReal(DateIsValid(Whole(args[0]), Whole(args[1]), Whole(args[2])) ? 1 : 0); }
ROUTINE(F_ValidTime) { result.SetReal(TimeIsValid(Whole(args[0]), Whole(args[1]), Whole(args[2])) ? 1 : 0); }

// Moves a date by whole months, keeping the time of day; a day that the
// target month lacks becomes its last day.
void IncMonths(RValue *args, RValue &result, int64_t factor) {
  RDateParts p;
  if (!DateDecode(Num(args[0]), p)) return;
  const int64_t amount = Whole(args[1]);
  if (std::llabs(amount) > 100000000) return;  // beyond any date
  const int64_t months = p.year * 12 + (p.month - 1) + amount * factor;
  const int64_t year = FloorDiv(months, 12);
  const int month = static_cast<int>(months - year * 12) + 1;
  const int day = std::min(p.day, DaysInMonth(year, month));
  result.SetReal(DateEncode(year, month, day, p.hour, p.minute, p.second, p.ms));
}
ROUTINE(F_IncYear) { IncMonths(args, result, 12); }
ROUTINE(F_IncMonth) { IncMonths(args, result, 1); }

// date + amount in units of which `perDay` make a day.
void IncBy(RValue *args, RValue &result, double perDay) {
  const double date = Num(args[0]);
  const double amount = static_cast<double>(Whole(args[1]));
  const double scaled = CheckArith(date * perDay, date, perDay);
  result.SetReal(CheckArith(scaled + amount, scaled, amount) / perDay);
}
ROUTINE(F_IncWeek) {
  const double date = Num(args[0]), amount = static_cast<double>(Whole(args[1])) * 7;
  result.SetReal(CheckArith(date + amount, date, amount));
}
ROUTINE(F_IncDay) {
  const double date = Num(args[0]), amount = static_cast<double>(Whole(args[1]));
  result.SetReal(CheckArith(date + amount, date, amount));
}
ROUTINE(F_IncHour) { IncBy(args, result, 24); }
ROUTINE(F_IncMinute) { IncBy(args, result, 1440); }
ROUTINE(F_IncSecond) { IncBy(args, result, 86400); }

// A component of a date; 0 for a value that names no day.
template <class Get>
void Component(RValue *args, RValue &result, Get get) {
  RDateParts p;
  if (!DateDecode(Num(args[0]), p)) return;
  result.SetReal(static_cast<double>(get(p)));
}
int64_t DayOfYear(const RDateParts &p) {
  return p.dayIndex - (DaysFromCivil(p.year, 1, 1) + kEpochOffset) + 1;
}
// 1 = Sunday .. 7 = Saturday; day 0 (30 December 1899) was a Saturday.
int Weekday(int64_t dayIndex) { return static_cast<int>(((dayIndex + 6) % 7 + 7) % 7) + 1; }

ROUTINE(F_GetYear) { Component(args, result, [](const RDateParts &p) { return p.year; }); }
ROUTINE(F_GetMonth) { Component(args, result, [](const RDateParts &p) { return p.month; }); }
ROUTINE(F_GetDay) { Component(args, result, [](const RDateParts &p) { return p.day; }); }
ROUTINE(F_GetHour) { Component(args, result, [](const RDateParts &p) { return p.hour; }); }
ROUTINE(F_GetMinute) { Component(args, result, [](const RDateParts &p) { return p.minute; }); }
ROUTINE(F_GetSecond) { Component(args, result, [](const RDateParts &p) { return p.second; }); }
ROUTINE(F_GetWeek) {
  // The week (Monday to Sunday) belongs to the year of its Thursday.
  Component(args, result, [](const RDateParts &p) {
    const int isoDay = (Weekday(p.dayIndex) + 5) % 7 + 1;  // Monday 1 .. Sunday 7
    const int64_t thursday = p.dayIndex - (isoDay - 1) + 3;
    int64_t y;
    int m, d;
    CivilFromDays(thursday - kEpochOffset, y, m, d);
    const int64_t doy = thursday - (DaysFromCivil(y, 1, 1) + kEpochOffset);
    return doy / 7 + 1;
  });
}
ROUTINE(F_GetWeekday) { Component(args, result, [](const RDateParts &p) { return Weekday(p.dayIndex); }); }
ROUTINE(F_GetDayOfYear) { Component(args, result, DayOfYear); }
ROUTINE(F_GetHourOfYear) {
  Component(args, result, [](const RDateParts &p) { return (DayOfYear(p) - 1) * 24 + p.hour; });
}
ROUTINE(F_GetMinuteOfYear) {
  Component(args, result, [](const RDateParts &p) { return ((DayOfYear(p) - 1) * 24 + p.hour) * 60 + p.minute; });
}
ROUTINE(F_GetSecondOfYear) {
  Component(args, result, [](const RDateParts &p) {
    return (((DayOfYear(p) - 1) * 24 + p.hour) * 60 + p.minute) * 60 + p.second;
  });
}

void Span(RValue *args, RValue &result, double divisor, double factor) {
  const double a = Num(args[0]), b = Num(args[1]);
  const double d = std::fabs(CheckArith(a - b, a, b));
  result.SetReal(CheckArith(d / divisor * factor, d, factor));
}
ROUTINE(F_YearSpan) { Span(args, result, 365.25, 1); }
ROUTINE(F_MonthSpan) { Span(args, result, 30.4375, 1); }
ROUTINE(F_WeekSpan) { Span(args, result, 7, 1); }
ROUTINE(F_DaySpan) { Span(args, result, 1, 1); }
ROUTINE(F_HourSpan) { Span(args, result, 1, 24); }
ROUTINE(F_MinuteSpan) { Span(args, result, 1, 1440); }
ROUTINE(F_SecondSpan) { Span(args, result, 1, 86400); }

// Moments less than a millisecond apart are the same moment.
double Compare(double a, double b) {
  if (std::fabs(a - b) < 1.0 / kMsPerDay) return 0;
  return a < b ? -1 : 1;
}
double WholeDays(double d) { return std::trunc(d); }
double Fraction(double d) { return d - std::trunc(d); }
ROUTINE(F_CompareDateTime) { result.SetReal(Compare(Num(args[0]), Num(args[1]))); }
ROUTINE(F_CompareDate) { result.SetReal(Compare(WholeDays(Num(args[0])), WholeDays(Num(args[1])))); }
ROUTINE(F_CompareTime) { result.SetReal(Compare(Fraction(Num(args[0])), Fraction(Num(args[1])))); }
ROUTINE(F_DateOf) { result.SetReal(WholeDays(Num(args[0])) + 0.0); }
ROUTINE(F_TimeOf) { result.SetReal(Fraction(Num(args[0])) + 0.0); }

// The local formats: the short date (with the full year) and the long time
// of the user's locale, read from the environment at each call so that a
// changed setting shows at once.
class CTimeLocale {
public:
  CTimeLocale() {
    m_loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!m_loc) m_loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  }
  ~CTimeLocale() {
    if (m_loc) freelocale(m_loc);
  }
  CTimeLocale(const CTimeLocale &) = delete;
  CTimeLocale &operator=(const CTimeLocale &) = delete;
  locale_t get() const { return m_loc; }

private:
  locale_t m_loc;
};
std::string FormatDate(const RDateParts &p, bool date, bool time) {
  tm t{};
  t.tm_year = static_cast<int>(std::clamp<int64_t>(p.year, -100000, 100000) - 1900);
  t.tm_mon = p.month - 1;
  t.tm_mday = p.day;
  t.tm_hour = p.hour;
  t.tm_min = p.minute;
  t.tm_sec = p.second;
  t.tm_wday = Weekday(p.dayIndex) - 1;
  t.tm_yday = static_cast<int>(DayOfYear(p) - 1);
  const CTimeLocale timeLocale;
  const locale_t loc = timeLocale.get();
  if (!loc) return std::string();
  std::string dateFormat = nl_langinfo_l(D_FMT, loc);
  for (size_t i = 0; (i = dateFormat.find("%y", i)) != std::string::npos;) dateFormat[i + 1] = 'Y';
  std::string format;
  if (date) format = dateFormat;
  if (date && time) format += ' ';
  if (time) format += nl_langinfo_l(T_FMT, loc);
  char buf[256];
  const size_t n = strftime_l(buf, sizeof buf, format.c_str(), &t, loc);
  return std::string(buf, n);
}
void DateText(RValue *args, RValue &result, bool date, bool time) {
  RDateParts p;
  if (!DateDecode(Num(args[0]), p)) return result.SetString(RString());
  result.SetString(FormatDate(p, date, time));
}
ROUTINE(F_DateTimeString) { DateText(args, result, true, true); }
ROUTINE(F_DateString) { DateText(args, result, true, false); }
ROUTINE(F_TimeString) { DateText(args, result, false, true); }

ROUTINE(F_DaysInMonth) { Component(args, result, [](const RDateParts &p) { return DaysInMonth(p.year, p.month); }); }
ROUTINE(F_DaysInYear) { Component(args, result, [](const RDateParts &p) { return IsLeapYear(p.year) ? 366 : 365; }); }
ROUTINE(F_LeapYear) { Component(args, result, [](const RDateParts &p) { return IsLeapYear(p.year) ? 1 : 0; }); }
ROUTINE(F_IsToday) {
  RDateParts p, today;
  if (!DateDecode(Num(args[0]), p) || !DateDecode(DateNow(), today)) return;
  result.SetReal(p.dayIndex == today.dayIndex ? 1 : 0);
}

#undef ROUTINE

}  // namespace

void Function_Date_Register() {
  FunctionAdd("date_current_datetime", F_CurrentDateTime, 0);
  FunctionAdd("date_current_date", F_CurrentDate, 0);
  FunctionAdd("date_current_time", F_CurrentTime, 0);
  FunctionAdd("date_create_datetime", F_CreateDateTime, 6);
  FunctionAdd("date_create_date", F_CreateDate, 3);
  FunctionAdd("date_create_time", F_CreateTime, 3);
  FunctionAdd("date_valid_datetime", F_ValidDateTime, 6);
  FunctionAdd("date_valid_date", F_ValidDate, 3);
  FunctionAdd("date_valid_time", F_ValidTime, 3);
  FunctionAdd("date_inc_year", F_IncYear, 2);
  FunctionAdd("date_inc_month", F_IncMonth, 2);
  FunctionAdd("date_inc_week", F_IncWeek, 2);
  FunctionAdd("date_inc_day", F_IncDay, 2);
  FunctionAdd("date_inc_hour", F_IncHour, 2);
  FunctionAdd("date_inc_minute", F_IncMinute, 2);
  FunctionAdd("date_inc_second", F_IncSecond, 2);
  FunctionAdd("date_get_year", F_GetYear, 1);
  FunctionAdd("date_get_month", F_GetMonth, 1);
  FunctionAdd("date_get_day", F_GetDay, 1);
  FunctionAdd("date_get_hour", F_GetHour, 1);
  FunctionAdd("date_get_minute", F_GetMinute, 1);
  FunctionAdd("date_get_second", F_GetSecond, 1);
  FunctionAdd("date_get_week", F_GetWeek, 1);
  FunctionAdd("date_get_weekday", F_GetWeekday, 1);
  FunctionAdd("date_get_day_of_year", F_GetDayOfYear, 1);
  FunctionAdd("date_get_hour_of_year", F_GetHourOfYear, 1);
  FunctionAdd("date_get_minute_of_year", F_GetMinuteOfYear, 1);
  FunctionAdd("date_get_second_of_year", F_GetSecondOfYear, 1);
  FunctionAdd("date_year_span", F_YearSpan, 2);
  FunctionAdd("date_month_span", F_MonthSpan, 2);
  FunctionAdd("date_week_span", F_WeekSpan, 2);
  FunctionAdd("date_day_span", F_DaySpan, 2);
  FunctionAdd("date_hour_span", F_HourSpan, 2);
  FunctionAdd("date_minute_span", F_MinuteSpan, 2);
  FunctionAdd("date_second_span", F_SecondSpan, 2);
  FunctionAdd("date_compare_datetime", F_CompareDateTime, 2);
  FunctionAdd("date_compare_date", F_CompareDate, 2);
  FunctionAdd("date_compare_time", F_CompareTime, 2);
  FunctionAdd("date_date_of", F_DateOf, 1);
  FunctionAdd("date_time_of", F_TimeOf, 1);
  FunctionAdd("date_datetime_string", F_DateTimeString, 1);
  FunctionAdd("date_date_string", F_DateString, 1);
  FunctionAdd("date_time_string", F_TimeString, 1);
  FunctionAdd("date_days_in_month", F_DaysInMonth, 1);
  FunctionAdd("date_days_in_year", F_DaysInYear, 1);
  FunctionAdd("date_leap_year", F_LeapYear, 1);
  FunctionAdd("date_is_today", F_IsToday, 1);
}
