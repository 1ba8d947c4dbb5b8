#include "listparser.h"

#include <limits>

using namespace std::string_view_literals;

namespace {

QByteArray ToBytes(TListSlice s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// Owner texts are joined from tokens with one space.
void AppendOwner(QByteArray &owner, TListSlice token)
{
    if (owner.isEmpty()) {
        owner.reserve(qsizetype(token.size()) + 24);  // room for a group without a second allocation
    } else {
        owner.append(' ');
    }
    owner.append(token.data(), qsizetype(token.size()));
}

bool IsUnixTypeLetter(char c)
{
    switch (c) {
    case '-': case 'b': case 'c': case 'd': case 'l': case 'p': case 's':
        return true;
    default:
        return false;
    }
}

TListSlice TrimTrailing(TListSlice s, TListSlice chars)
{
    while (!s.empty() && chars.find(s.back()) != TListSlice::npos)
        s.remove_suffix(1);
    return s;
}

// The size text of a Unix line is all digits; one too large for 64 bits reads as 0.
qint64 UnixSize(TListSlice s)
{
    qint64 value = 0;
    for (const char c : s) {
        if (!IsListDigit(c))
            return 0;
        const int digit = c - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

// "X-M-Z" or "M-D" (or with "/") of a Unix date token into month part, day part and year.
bool SplitUnixDate(TListSlice d, char sep, TListSlice &monthPart, TListSlice &dayPart, int &year)
{
    const std::size_t first = d.find(sep);
    const std::size_t second = d.find(sep, first + 1);
    if (second == TListSlice::npos) {
        monthPart = d.substr(0, first);
        dayPart = d.substr(first + 1);
        return true;
    }
    const TListSlice x = d.substr(0, first);
    const TListSlice m = d.substr(first + 1, second - first - 1);
    const TListSlice z = d.substr(second + 1);
    if (x.size() == 4) {  // year-month-day, or year-day-month when the middle is above 12
        year = ListInt(x);
        monthPart = m;
        dayPart = z;
        if (ListNumber(m) > 12)
            std::swap(monthPart, dayPart);
        return true;
    }
    if (x.size() == 2) {  // day-month-year, or month-day-year when the middle is above 12
        year = WrittenYear(z);
        monthPart = m;
        dayPart = x;
        if (ListNumber(m) > 12) {
            monthPart = x;
            dayPart = m;
        }
        return true;
    }
    return false;
}

}  // namespace

bool ParseUnixLine(const char *line, qsizetype len, TFtpDirEntry &e, QDate today)
{
    qsizetype pos = 0;
    const auto next = [&](bool restOfLine = false) {
        return NextListToken(line, len, pos, restOfLine);
    };

    const auto first = next();
    if (!first || !IsUnixTypeLetter(first->front()))
        return false;
    const bool twoPart = first->size() == 1;  // a type letter, then a bracketed rights list
    if (twoPart) {
        const auto rights = next();
        if (!rights)
            return false;
        e.Attributes.reserve(qsizetype(rights->size()) + 2);
        e.Attributes.append(first->front()).append(' ').append(rights->data(), qsizetype(rights->size()));
    } else {
        e.Attributes = ToBytes(*first);
    }
    e.IsDir = first->front() == 'd' || first->front() == 'l';
    e.IsLink = first->front() == 'l';

    if (!twoPart) {
        const auto count = next();
        if (!count)
            return false;
        const bool folderVariant = e.IsDir && count->size() <= 6 && "folder"sv.starts_with(*count);
        if (!folderVariant) {
            const auto owner = next();
            if (!owner)
                return false;
            AppendOwner(e.Owner, *owner);
        }
    }

    auto a = next();
    auto b = next();
    if (!a || !b)
        return false;

    // Owner and group may hold blanks, or the size may be glued to the group: walk on until
    // the size or the month shows where the owner text ends.
    std::optional<TListSlice> p;
    while (b && !IsAllDigits(*b) && !IsAllDigits(*a)) {
        if (FindMonthName(*b) != 0) {
            if (EndsWithDigit(*a))
                break;
            if (p && EndsWithDigit(*p)) {
                AppendOwner(e.Owner, *a);
                a = p;
                break;
            }
        }
        if (p)
            AppendOwner(e.Owner, *p);
        p = b;
        b = next();
    }
    if (!b)
        return false;

    TListSlice sizeText;
    TListSlice dateToken;
    if (IsAllDigits(*b)) {
        AppendOwner(e.Owner, *a);
        if (p)
            AppendOwner(e.Owner, *p);
        sizeText = *b;
        const auto d = next();
        if (!d)
            return false;
        dateToken = *d;
    } else if (IsAllDigits(*a)) {
        sizeText = *a;
        dateToken = *b;
    } else {
        std::size_t start = a->size();
        while (start > 0 && IsListDigit((*a)[start - 1]))
            --start;
        sizeText = a->substr(start);
        dateToken = *b;
    }
    e.Size = UnixSize(sizeText);

    int year = 0;
    TListSlice monthPart;
    TListSlice dayPart;
    if (FindCharN(dateToken, '-') >= 0) {
        if (!SplitUnixDate(dateToken, '-', monthPart, dayPart, year))
            return false;
    } else if (FindCharN(dateToken, '/') >= 0) {
        if (!SplitUnixDate(dateToken, '/', monthPart, dayPart, year))
            return false;
    } else {
        monthPart = dateToken;
        const auto d = next();
        if (!d)
            return false;
        dayPart = TrimTrailing(*d, ".,"sv);
        if (dayPart.empty())
            return false;
    }
    if (ListNumber(dayPart) == 0)  // day before month, as in "31 janv."
        std::swap(monthPart, dayPart);

    const auto timeToken = next();
    if (!timeToken)
        return false;

    monthPart = TrimTrailing(monthPart, ".,"sv);
    if (monthPart.empty())
        return false;
    e.Date.Month = FindMonthName(monthPart);
    if (e.Date.Month == 0)
        return false;
    e.Date.Day = ListInt(dayPart);

    qsizetype sep = FindCharN(*timeToken, ':');
    if (sep < 0)
        sep = FindCharN(*timeToken, '.');
    if (sep < 0)
        sep = FindCharN(*timeToken, '-');
    if (sep >= 0) {
        e.Date.Hour = ListInt(timeToken->substr(0, std::size_t(sep)));
        e.Date.Minute = ListInt(timeToken->substr(std::size_t(sep) + 1));
        e.Date.HasTime = true;
        if (year == 0)
            year = InferListYear(e.Date.Month, e.Date.Day, today.isValid() ? today : ListToday());
    } else {
        if (year > 0)
            return false;
        year = ListInt(*timeToken);  // older entries show the year instead of the time
    }
    if (year == 0)
        return false;
    e.Date.Year = year;

    const auto name = next(true);
    if (!name)
        return false;
    TListSlice n = *name;
    if (e.IsLink) {
        const qsizetype arrow = FindStrN(n, " ->"sv);
        if (arrow >= 0)
            n = n.substr(0, std::size_t(arrow));
    }
    // ls -F marks: executable, folder, pipe.
    if (!n.empty() && (n.back() == '*' || n.back() == '/' || n.back() == '|'))
        n.remove_suffix(1);
    e.Name = ToBytes(n);
    e.Date.HasDate = true;
    return true;
}

bool ParseDosLine(const char *line, qsizetype len, TFtpDirEntry &e)
{
    qsizetype pos = 0;
    const auto date = NextListToken(line, len, pos);
    if (!date || IsUnixTypeLetter(date->front()) || IsAllDigits(*date) || !ParseListDate(*date, e.Date))
        return false;
    const auto time = NextListToken(line, len, pos);
    if (!time || !ParseListTime(*time, e.Date))
        return false;
    const auto size = NextListToken(line, len, pos);
    if (!size)
        return false;
    if (*size == "<DIR>"sv) {
        e.IsDir = true;
        e.Size = -1;
    } else {
        e.Size = ListNumber(*size);
    }
    const auto name = NextListToken(line, len, pos, true);
    if (!name)
        return false;
    e.Name = ToBytes(*name);
    return true;
}

bool ParseListLine(const char *line, qsizetype len, TFtpDirEntry &entry, QDate today)
{
    // Each reader starts from a cleared entry, so one that gives up leaves nothing behind.
    TFtpDirEntry e;
    if (ParseUnixLine(line, len, e, today)) {
        entry = std::move(e);
        return true;
    }
    using TReader = bool (*)(const char *, qsizetype, TFtpDirEntry &);
    static constexpr TReader kReaders[] = {ParseDosLine, ParseEplfLine, ParseNumericLine,
                                           ParseOs400Line, ParseVmsLine};
    for (const TReader reader : kReaders) {
        e = TFtpDirEntry();
        if (reader(line, len, e)) {
            entry = std::move(e);
            return true;
        }
    }
    return false;
}

bool ParseDirLine(const char *line, qsizetype len, TFtpDirInfo &info, QDate today)
{
    info = TFtpDirInfo();
    TFtpDirEntry e;
    if (!ParseListLine(line, len, e, today))
        return false;

    info.Name = std::move(e.Name);
    info.IsDir = e.IsDir;
    info.IsLink = e.IsLink;
    info.Attributes = std::move(e.Attributes);
    info.Owner = std::move(e.Owner);
    info.Size = e.Size;

    // A date or time that does not exist is dropped; the entry stays.
    const TListDate &d = e.Date;
    double days = 0;
    const bool hasDate = d.HasDate && EncodeListDate(d.Year, d.Month, d.Day, days);
    if (hasDate)
        info.ModTime = days;
    if (d.HasTime && d.Hour >= 0 && d.Hour <= 23 && d.Minute >= 0 && d.Minute <= 59) {
        const double timeOfDay = (d.Hour * 60 + d.Minute) / 1440.0;
        info.ModTime = hasDate ? days + timeOfDay : timeOfDay;
    }

    if (info.Name.isEmpty())
        return false;
    return !(info.IsDir && (info.Name == "." || info.Name == ".."));
}

bool ParseDirLine(const QByteArray &line, TFtpDirInfo &info, QDate today)
{
    return ParseDirLine(line.constData(), line.size(), info, today);
}
