#pragma once
#include "listtokens.h"

#include <QtCore/QDate>

#include <span>

// Date and time of a listing line as written; which parts were read is in HasTime/HasDate.
struct TListDate {
    qint32 Year = 0;
    qint32 Month = 0;  // 1..12
    qint32 Day = 0;
    qint32 Hour = 0;
    qint32 Minute = 0;
    bool HasTime = false;
    bool HasDate = false;
};

struct TMonthName {
    TListSlice Key;  // bytes as a server sends them; some keys are in code pages 1250/1251/1252
    int Month;
};

// Every month key, in table order. Built at compile time, so any thread may read it.
std::span<const TMonthName> MonthNames();

// Lowers A-Z only (other bytes stay), then looks the token up by exact match; 0 if unknown.
int FindMonthName(TListSlice token);

// Numeric dates: year-month-day, day.month.year and month-day-year (or "/"), see the .cpp.
bool ParseListDate(TListSlice s, TListDate &date);

// "hh:mm" with an optional AM/PM mark after the minutes, in either case.
bool ParseListTime(TListSlice s, TListDate &date);

// Two- and three-digit years as servers write them: 5 -> 2005, 99 -> 1999, 105 -> 2005.
int ExpandYear(int year);

// The year text after a day and month, expanded ("05" is 2005, not the year 5); 0 when it
// does not begin with a digit.
int WrittenYear(TListSlice s);

// The year of a listed date that shows a time instead of a year: this year, unless the date
// lies more than a day after `today`.
int InferListYear(int month, int day, QDate today);
int InferListYear(int month, int day);  // today from the local clock

// Today's local date; looked up again only when the clock's second changes.
QDate ListToday();

// Day count since 1899-12-30 00:00, the fraction being the time of day.
double UnixTimeToDateTime(qint64 seconds);

// The calendar date and time of day of a count of seconds since 1970 (no time zone applied):
// Year, Month, Day, Hour, Minute, HasDate and HasTime are set.
void SplitUnixTime(qint64 seconds, TListDate &date);

// Day count of an existing date of the years 1..9999; false for a date that does not exist.
bool EncodeListDate(int year, int month, int day, double &days);
