#include "listdates.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <limits>

namespace {

using namespace std::string_view_literals;

// Bytes above 127 are escaped; a hex escape is cut where a hex letter follows ("f\xE9" "b").
constexpr std::array<TMonthName, 114> kMonthNames{{
    {"jan"sv, 1}, {"1"sv, 1}, {"01"sv, 1}, {"janv"sv, 1}, {"gen"sv, 1}, {"ene"sv, 1},
    {"sty"sv, 1}, {"jan1"sv, 1}, {"\xFF\xED\xE2"sv, 1},
    {"feb"sv, 2}, {"2"sv, 2}, {"02"sv, 2}, {"fev"sv, 2}, {"fevr"sv, 2}, {"fbro"sv, 2},
    {"lut"sv, 2}, {"feb2"sv, 2}, {"f\xE9" "b"sv, 2}, {"f\xE9v"sv, 2}, {"f\xE9vr"sv, 2},
    {"\xF4\xE5\xE2"sv, 2},
    {"mar"sv, 3}, {"3"sv, 3}, {"03"sv, 3}, {"mrz"sv, 3}, {"mars"sv, 3}, {"mzo"sv, 3},
    {"mrt"sv, 3}, {"mar3"sv, 3}, {"m\xE4r"sv, 3}, {"m\xE4rz"sv, 3}, {"\xEC\xE0\xF0"sv, 3},
    {"apr"sv, 4}, {"4"sv, 4}, {"04"sv, 4}, {"avr"sv, 4}, {"ab"sv, 4}, {"abr"sv, 4},
    {"kwi"sv, 4}, {"apr4"sv, 4}, {"\xE0\xEF\xF0"sv, 4},
    {"may"sv, 5}, {"5"sv, 5}, {"05"sv, 5}, {"mai"sv, 5}, {"mag"sv, 5}, {"maj"sv, 5},
    {"mei"sv, 5}, {"may5"sv, 5}, {"\xEC\xE0\xE9"sv, 5},
    {"jun"sv, 6}, {"june"sv, 6}, {"6"sv, 6}, {"06"sv, 6}, {"juni"sv, 6}, {"juin"sv, 6},
    {"giu"sv, 6}, {"cze"sv, 6}, {"jun6"sv, 6}, {"\xE8\xFE\xED"sv, 6},
    {"jul"sv, 7}, {"july"sv, 7}, {"7"sv, 7}, {"07"sv, 7}, {"juli"sv, 7}, {"juil"sv, 7},
    {"lug"sv, 7}, {"lip"sv, 7}, {"jul7"sv, 7}, {"\xE8\xFE\xEB"sv, 7},
    {"aug"sv, 8}, {"8"sv, 8}, {"08"sv, 8}, {"aout"sv, 8}, {"ago"sv, 8}, {"agto"sv, 8},
    {"sie"sv, 8}, {"aug8"sv, 8}, {"ao\xFB"sv, 8}, {"ao\xFBt"sv, 8}, {"\xE0\xE2\xE3"sv, 8},
    {"sep"sv, 9}, {"sept"sv, 9}, {"9"sv, 9}, {"09"sv, 9}, {"set"sv, 9}, {"sbre"sv, 9},
    {"wrz"sv, 9}, {"sep9"sv, 9}, {"sept9"sv, 9}, {"\xF1\xE5\xED"sv, 9},
    {"oct"sv, 10}, {"10"sv, 10}, {"okt"sv, 10}, {"ott"sv, 10}, {"obre"sv, 10},
    {"oct0"sv, 10}, {"pa\x9F"sv, 10}, {"\xEE\xEA\xF2"sv, 10},
    {"nov"sv, 11}, {"11"sv, 11}, {"lis"sv, 11}, {"nbre"sv, 11}, {"nov1"sv, 11},
    {"\xED\xEE\xFF"sv, 11},
    {"dec"sv, 12}, {"12"sv, 12}, {"dez"sv, 12}, {"dic"sv, 12}, {"dbre"sv, 12},
    {"gru"sv, 12}, {"dec2"sv, 12}, {"d\xE9" "c"sv, 12}, {"\xE4\xE5\xEA"sv, 12},
}};

constexpr std::size_t kMaxKeyLength = 7;  // a key and its length fit in one 64-bit word

constexpr char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Packs up to 7 lowered bytes and the length, so a lookup compares integers.
constexpr std::uint64_t PackKey(TListSlice s)
{
    std::uint64_t key = std::uint64_t(s.size()) << 56;
    for (std::size_t i = 0; i < s.size(); ++i)
        key |= std::uint64_t(static_cast<unsigned char>(LowerAscii(s[i]))) << (8 * i);
    return key;
}

struct TPackedMonth {
    std::uint64_t Key;
    int Month;
};

constexpr auto kPackedMonths = [] {
    std::array<TPackedMonth, kMonthNames.size()> packed{};
    for (std::size_t i = 0; i < kMonthNames.size(); ++i)
        packed[i] = {PackKey(kMonthNames[i].Key), kMonthNames[i].Month};
    std::sort(packed.begin(), packed.end(),
              [](const TPackedMonth &a, const TPackedMonth &b) { return a.Key < b.Key; });
    return packed;
}();

constexpr bool KeysAreDistinctAndShort()
{
    for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
        if (kMonthNames[i].Key.empty() || kMonthNames[i].Key.size() > kMaxKeyLength)
            return false;
        if (i > 0 && kPackedMonths[i - 1].Key == kPackedMonths[i].Key)
            return false;
    }
    return true;
}
static_assert(KeysAreDistinctAndShort());

bool IsDateSeparator(char c)
{
    return c == '-' || c == '.' || c == '/';
}

// A non-empty run of digits, saturated at the int range.
bool ReadComponent(TListSlice s, int &value)
{
    if (s.empty() || !IsAllDigits(s))
        return false;
    value = ListInt(s);
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr qint64 DaysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr qint64 kDelphiEpochOffset = 25569;  // days from 1899-12-30 to 1970-01-01
static_assert(DaysFromCivil(1899, 12, 30) == -kDelphiEpochOffset);

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int ClampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::span<const TMonthName> MonthNames()
{
    return kMonthNames;
}

int FindMonthName(TListSlice token)
{
    if (token.empty() || token.size() > kMaxKeyLength)
        return 0;
    const std::uint64_t key = PackKey(token);
    const auto it = std::lower_bound(kPackedMonths.begin(), kPackedMonths.end(), key,
                                     [](const TPackedMonth &m, std::uint64_t k) { return m.Key < k; });
    return it != kPackedMonths.end() && it->Key == key ? it->Month : 0;
}

bool ParseListDate(TListSlice s, TListDate &date)
{
    enum { YearFirst, DayFirst, MonthFirst } form;
    const std::size_t n = s.size();

    std::size_t i = 0;
    while (i < n && !IsDateSeparator(s[i])) {
        if (s[i] == '\0')
            return false;
        ++i;
    }
    if (i == n)
        return false;
    int first = 0;
    if (!ReadComponent(s.substr(0, i), first))
        return false;
    if (i == 4) {
        if (first < 1900)
            return false;
        date.Year = first;
        form = YearFirst;
    } else if (i > 2) {
        return false;
    } else if (s[i] == '.') {
        if (first < 1 || first > 31)
            return false;
        date.Day = first;
        form = DayFirst;
    } else {
        if (first < 1 || first > 12)
            return false;
        date.Month = first;
        form = MonthFirst;
    }

    const std::size_t secondStart = i + 1;
    std::size_t j = secondStart;
    while (j < n && !IsDateSeparator(s[j]))
        ++j;
    if (j == n)
        return false;
    int second = 0;
    if (!ReadComponent(s.substr(secondStart, j - secondStart), second))
        return false;
    if (form == MonthFirst) {
        if (second < 1 || second > 31)
            return false;
        date.Day = second;
    } else {
        if (second < 1 || second > 12)
            return false;
        date.Month = second;
    }

    const std::size_t thirdStart = j + 1;
    std::size_t k = thirdStart;
    while (k < n && !IsDateSeparator(s[k]))
        ++k;
    int third = 0;
    if (!ReadComponent(s.substr(thirdStart, k - thirdStart), third))
        return false;
    if (form == YearFirst) {
        if (third < 1 || third > 31)
            return false;
        date.Day = third;
    } else {
        date.Year = ExpandYear(third);
    }
    date.HasDate = true;
    return true;
}

bool ParseListTime(TListSlice s, TListDate &date)
{
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] != ':') {
        if (s[i] == '\0')
            return false;
        ++i;
    }
    if (i == n || i + 1 == n)
        return false;
    int hour = 0;
    if (!ReadComponent(s.substr(0, i), hour) || hour > 24)
        return false;

    std::size_t j = i + 1;
    while (j < n && IsListDigit(s[j]))
        ++j;
    const int minute = ListInt(s.substr(i + 1, j - i - 1));
    if (minute > 59)
        return false;

    // Only a mark makes it a 12-hour time; without one the hour is taken as written (24-hour).
    const char mark = j < n ? LowerAscii(s[j]) : '\0';
    if (mark == 'a' || mark == 'p') {
        if (hour == 0)
            return false;
        if (mark == 'p' && hour < 12)
            hour += 12;
        else if (mark == 'a' && hour == 12)
            hour = 0;
    }
    date.Hour = hour;
    date.Minute = minute;
    date.HasTime = true;
    return true;
}

int ExpandYear(int year)
{
    if (year < 50)
        return year + 2000;
    if (year < 1000)
        return year + 1900;
    return year;
}

int WrittenYear(TListSlice s)
{
    return !s.empty() && IsListDigit(s.front()) ? ExpandYear(ListInt(s)) : 0;
}

int InferListYear(int month, int day, QDate today)
{
    // Every month counts 31 days; 64 bits, as a listed day may be any number.
    if (qint64(today.month()) * 31 + today.day() + 1 < qint64(month) * 31 + day)
        return today.year() - 1;
    return today.year();
}

int InferListYear(int month, int day)
{
    return InferListYear(month, day, ListToday());
}

QDate ListToday()
{
    // Per thread, so nothing is shared; the local date costs far more than time().
    thread_local std::time_t cachedSecond = -1;
    thread_local QDate cachedDate;
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        cachedDate = QDate::currentDate();
        cachedSecond = now;
    }
    return cachedDate;
}

double UnixTimeToDateTime(qint64 seconds)
{
    return double(seconds) / 86400.0 + double(kDelphiEpochOffset);
}

void SplitUnixTime(qint64 seconds, TListDate &date)
{
    qint64 days = seconds / 86400;
    qint64 rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from a day count (proleptic Gregorian), valid over the whole 64-bit range.
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const qint64 year = yoe + era * 400 + (month <= 2);

    date.Year = ClampToInt(year);
    date.Month = month;
    date.Day = day;
    date.Hour = int(rest / 3600);
    date.Minute = int(rest % 3600 / 60);
    date.HasDate = true;
    date.HasTime = true;
}

bool EncodeListDate(int year, int month, int day, double &days)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    days = double(DaysFromCivil(year, month, day) + kDelphiEpochOffset);
    return true;
}
