#include "functions/Function_Date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include "functions/Function_Call.h"

namespace {

// Dates are local time; the tests pin the zone and the formats.
class DateFunctions : public FunctionTest {
protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    FunctionTest::SetUp();
  }
  static double DT(double y, double mo, double d, double h = 0, double mi = 0, double s = 0) {
    return Call("date_create_datetime", {R(y), R(mo), R(d), R(h), R(mi), R(s)}).val;
  }
  static double Get(const char *fn, double date) { return Call(fn, {R(date)}).val; }
};

TEST_F(DateFunctions, KnownDays) {
  const struct { double y, m, d, serial; } days[] = {
      {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2}, {2000, 1, 1, 36526},
      {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {1899, 12, 29, -1}, {2024, 2, 29, 45351},
  };
  for (const auto &c : days) {
    EXPECT_EQ(Call("date_create_date", {R(c.y), R(c.m), R(c.d)}).val, c.serial) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(Get("date_get_year", c.serial), c.y);
    EXPECT_EQ(Get("date_get_month", c.serial), c.m);
    EXPECT_EQ(Get("date_get_day", c.serial), c.d);
  }
  EXPECT_EQ(Get("date_get_weekday", 2), 2);  // 1 January 1900 was a Monday
  EXPECT_EQ(Get("date_get_weekday", 0), 7);  // 30 December 1899, a Saturday
  EXPECT_EQ(Get("date_get_weekday", DT(2026, 12, 13)), 1);
  EXPECT_EQ(Get("date_get_weekday", -1), 6);
}

TEST_F(DateFunctions, ValidityAndCreation) {
  const struct { double y, m, d; bool valid; } dates[] = {
      {2024, 2, 29, true}, {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true}, {2024, 4, 31, false},
      {2024, 13, 1, false}, {2024, 0, 1, false}, {0, 1, 1, false},     {10000, 1, 1, false}, {2024, 12, 31, true},
      {2024, 1, 0, false}, {1e300, 1, 1, false},
  };
  for (const auto &c : dates) {
    EXPECT_EQ(Call("date_valid_date", {R(c.y), R(c.m), R(c.d)}).val, c.valid ? 1 : 0) << c.y << "-" << c.m << "-" << c.d;
    if (!c.valid) {
      EXPECT_EQ(Call("date_create_date", {R(c.y), R(c.m), R(c.d)}).val, 0);
    }
  }
  const struct { double h, m, s; bool valid; } times[] = {
      {0, 0, 0, true}, {23, 59, 59, true}, {24, 0, 0, false}, {12, 60, 0, false}, {12, 0, 60, false}, {-1, 0, 0, false},
  };
  for (const auto &c : times) {
    EXPECT_EQ(Call("date_valid_time", {R(c.h), R(c.m), R(c.s)}).val, c.valid ? 1 : 0) << c.h << ":" << c.m << ":" << c.s;
    EXPECT_EQ(Call("date_valid_datetime", {R(2024), R(1), R(1), R(c.h), R(c.m), R(c.s)}).val, c.valid ? 1 : 0);
  }
  EXPECT_EQ(Call("date_create_time", {R(12), R(0), R(0)}).val, 0.5);
  EXPECT_EQ(Call("date_create_time", {R(6), R(0), R(0)}).val, 0.25);
  EXPECT_EQ(Call("date_create_time", {R(24), R(0), R(0)}).val, 0);
  EXPECT_EQ(DT(2024, 2, 30, 1, 2, 3), 0);
  EXPECT_EQ(DT(2024, 2, 29, 24, 0, 0), 0);
  EXPECT_EQ(DT(1900, 1, 1, 18, 0, 0), 2.75);
  // Before the first day the time of day still runs forwards from midnight.
  EXPECT_EQ(DT(1899, 12, 29, 6, 0, 0), -1.25);
}

TEST_F(DateFunctions, ComponentsRoundTrip) {
  // Every component comes back from a created date, across leap years, the
  // first day and days before it.
  const int years[] = {1, 1600, 1899, 1900, 1970, 2000, 2024, 2100, 9999};
  for (int y : years)
    for (int m = 1; m <= 12; m += 5)
      for (int d : {1, 15, 28})
        for (int h : {0, 13, 23}) {
          const double date = DT(y, m, d, h, (h * 7) % 60, (h * 13) % 60);
          ASSERT_NE(date, 0);
          EXPECT_EQ(Get("date_get_year", date), y);
          EXPECT_EQ(Get("date_get_month", date), m);
          EXPECT_EQ(Get("date_get_day", date), d);
          EXPECT_EQ(Get("date_get_hour", date), h);
          EXPECT_EQ(Get("date_get_minute", date), (h * 7) % 60);
          EXPECT_EQ(Get("date_get_second", date), (h * 13) % 60) << y << "-" << m << "-" << d << " " << h;
        }
  // A time just short of midnight rounds to the next day, not to hour 24.
  const double late = 10 + 86399.9999 / 86400;
  EXPECT_EQ(Get("date_get_day", late), Get("date_get_day", 11));
  EXPECT_EQ(Get("date_get_hour", late), 0);
  // A value that names no day gives 0 everywhere.
  EXPECT_EQ(Get("date_get_year", 1e300), 0);
  EXPECT_EQ(Call("date_date_string", {R(1e300)}).str.str(), "");
}

TEST_F(DateFunctions, PlacesInTheYear) {
  const struct { double date; double week, dayOfYear; } cases[] = {
      {DT(2021, 1, 3), 53, 3},    // a Sunday: still the last week of 2020
      {DT(2021, 1, 4), 1, 4},     // the first Monday
      {DT(2024, 12, 30), 1, 365}, // the week of 2 January 2025
      {DT(2026, 12, 10), 50, 344},
      {DT(2024, 12, 31), 1, 366},
      {DT(2020, 12, 31), 53, 366},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Get("date_get_week", c.date), c.week) << c.date;
    EXPECT_EQ(Get("date_get_day_of_year", c.date), c.dayOfYear) << c.date;
  }
  EXPECT_EQ(Get("date_get_hour_of_year", DT(2024, 1, 2, 3)), 27);
  EXPECT_EQ(Get("date_get_minute_of_year", DT(2024, 1, 1, 1, 1)), 61);
  EXPECT_EQ(Get("date_get_second_of_year", DT(2024, 1, 1, 0, 1, 5)), 65);
  EXPECT_EQ(Get("date_get_second_of_year", DT(2023, 12, 31, 23, 59, 59)), 365 * 86400 - 1);
  EXPECT_EQ(Get("date_days_in_month", DT(2024, 2, 10)), 29);
  EXPECT_EQ(Get("date_days_in_month", DT(2023, 2, 10)), 28);
  EXPECT_EQ(Get("date_days_in_month", DT(2023, 4, 10)), 30);
  EXPECT_EQ(Get("date_days_in_year", DT(2024, 5, 1)), 366);
  EXPECT_EQ(Get("date_days_in_year", DT(1900, 5, 1)), 365);
  EXPECT_EQ(Get("date_leap_year", DT(2000, 5, 1)), 1);
  EXPECT_EQ(Get("date_leap_year", DT(1900, 5, 1)), 0);
}

TEST_F(DateFunctions, MovingDates) {
  auto inc = [](const char *fn, double date, double amount) { return Call(fn, {R(date), R(amount)}).val; };
  EXPECT_EQ(inc("date_inc_month", DT(2024, 1, 31, 10, 30), 1), DT(2024, 2, 29, 10, 30));
  EXPECT_EQ(inc("date_inc_month", DT(2024, 3, 15, 10, 30), -14), DT(2023, 1, 15, 10, 30));
  EXPECT_EQ(inc("date_inc_month", DT(2024, 12, 31), 2), DT(2025, 2, 28));
  EXPECT_EQ(inc("date_inc_year", DT(2024, 2, 29, 8), 1), DT(2025, 2, 28, 8));
  EXPECT_EQ(inc("date_inc_year", DT(2024, 2, 29), 4.4), DT(2028, 2, 29));
  EXPECT_EQ(inc("date_inc_year", DT(1900, 1, 1, 6), -1), DT(1899, 1, 1, 6));
  EXPECT_EQ(inc("date_inc_week", 10.5, 2), 24.5);
  EXPECT_EQ(inc("date_inc_day", 10.5, -3), 7.5);
  EXPECT_EQ(inc("date_inc_day", 10.5, 2.5), 12.5);  // halves to even
  EXPECT_DOUBLE_EQ(inc("date_inc_hour", DT(2024, 1, 1, 23), 2), DT(2024, 1, 2, 1));
  EXPECT_DOUBLE_EQ(inc("date_inc_minute", DT(2024, 1, 1, 23, 59), 2), DT(2024, 1, 2, 0, 1));
  EXPECT_DOUBLE_EQ(inc("date_inc_second", DT(2024, 1, 1), 86400), DT(2024, 1, 2));
  EXPECT_EQ(Get("date_get_second", inc("date_inc_second", DT(2024, 1, 1, 12), 1)), 1);
}

TEST_F(DateFunctions, SpansAndComparisons) {
  const struct { const char *fn; double a, b, want; } spans[] = {
      {"date_year_span", 0, 365.25, 1},   {"date_month_span", 30.4375, 0, 1}, {"date_week_span", 14, 0, 2},
      {"date_day_span", 3.5, 1, 2.5},     {"date_hour_span", 0, 0.5, 12},     {"date_minute_span", 1, 1.25, 360},
      {"date_second_span", 0, 1, 86400},
  };
  for (const auto &c : spans) EXPECT_DOUBLE_EQ(Call(c.fn, {R(c.a), R(c.b)}).val, c.want) << c.fn;

  const struct { const char *fn; double a, b, want; } compares[] = {
      {"date_compare_datetime", 1, 2, -1},   {"date_compare_datetime", 2, 1, 1},
      {"date_compare_datetime", 1, 1 + 0.5 / 86400000, 0},  // within a millisecond
      {"date_compare_date", 1.1, 1.9, 0},    {"date_compare_date", 1.9, 2.1, -1}, {"date_compare_date", 3, 2.9, 1},
      {"date_compare_time", 1.25, 5.25, 0},  {"date_compare_time", 1.75, 0.25, 1}, {"date_compare_time", 9.1, 0.2, -1},
  };
  for (const auto &c : compares) EXPECT_EQ(Call(c.fn, {R(c.a), R(c.b)}).val, c.want) << c.fn << " " << c.a << " " << c.b;
  EXPECT_EQ(Get("date_date_of", 5.75), 5);
  EXPECT_EQ(Get("date_time_of", 5.75), 0.75);
  EXPECT_EQ(Get("date_date_of", -1.25), -1);
}

TEST_F(DateFunctions, NowAndToday) {
  const double before = static_cast<double>(std::time(nullptr)) / 86400 + 25569;
  const double now = Call("date_current_datetime").val;
  const double after = static_cast<double>(std::time(nullptr)) / 86400 + 25569;
  EXPECT_GE(now, before - 1e-6);
  EXPECT_LE(now, after + 2.0 / 86400);
  const double today = Call("date_current_date").val;
  EXPECT_EQ(today, std::trunc(today));
  EXPECT_LE(std::fabs(today - std::trunc(now)), 1);
  const double time = Call("date_current_time").val;
  EXPECT_GE(time, 0);
  EXPECT_LT(time, 1);
  EXPECT_EQ(Get("date_is_today", today + 0.3), 1);
  EXPECT_EQ(Get("date_is_today", today - 1), 0);
  EXPECT_EQ(Get("date_is_today", today + 1), 0);
}

TEST_F(DateFunctions, TextsInTheLocaleFormats) {
  // The C formats, with the full year.
  setenv("LC_ALL", "C", 1);
  const double date = DT(2024, 3, 5, 14, 7, 9);
  EXPECT_EQ(Call("date_date_string", {R(date)}).str.str(), "03/05/2024");
  EXPECT_EQ(Call("date_time_string", {R(date)}).str.str(), "14:07:09");
  EXPECT_EQ(Call("date_datetime_string", {R(date)}).str.str(), "03/05/2024 14:07:09");
}

}  // namespace
