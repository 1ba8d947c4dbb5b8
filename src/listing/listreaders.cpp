// The layouts of the less common servers: EPLF, numeric stat / size-first / OS/2, OS/400, VMS.
#include "listparser.h"

#include <limits>

using namespace std::string_view_literals;

namespace {

QByteArray ToBytes(TListSlice s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// "[...]" or "(...)" around a text longer than two characters is removed.
TListSlice Unwrap(TListSlice s, char open, char close)
{
    if (s.size() > 2 && s.front() == open && s.back() == close)
        return s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

bool ParseEplfLine(const char *line, qsizetype len, TFtpDirEntry &e)
{
    if (len < 1 || line[0] != '+')
        return false;
    const TListSlice all = ListSlice(line, len);
    const std::size_t tab = all.find('\t');
    if (tab == TListSlice::npos || tab + 1 >= all.size())
        return false;
    e.Size = -2;
    e.Name = ToBytes(all.substr(tab + 1));

    TListSlice facts = all.substr(1, tab - 1);
    for (std::size_t comma; (comma = facts.find(',')) != TListSlice::npos; facts.remove_prefix(comma + 1)) {
        const TListSlice fact = facts.substr(0, comma);
        if (fact == "/"sv)
            e.IsDir = true;
        else if (fact.starts_with('s'))
            e.Size = ListNumber(fact.substr(1));
        else if (fact.starts_with('m'))
            SplitUnixTime(ListNumber(fact.substr(1)), e.Date);
        else if (fact.size() == 5 && fact.starts_with("up"sv))
            e.Attributes = ToBytes(fact.substr(2));
    }
    return true;
}

bool ParseNumericLine(const char *line, qsizetype len, TFtpDirEntry &e)
{
    qsizetype pos = 0;
    const auto next = [&](bool restOfLine = false) {
        return NextListToken(line, len, pos, restOfLine);
    };
    const auto first = next();
    if (!first || !IsAllDigits(*first))  // all digits, so no Unix type letter either
        return false;
    auto second = next();
    if (!second)
        return false;

    if (IsAllDigits(*second)) {  // mode, links, owner id, size, seconds since 1970, name
        e.Attributes = ToBytes(*first);
        e.IsDir = first->size() >= 2 && (*first)[1] == '4';
        const auto owner = next();
        const auto size = next();
        const auto seconds = next();
        if (!owner || !size || !seconds)
            return false;
        e.Size = ListNumber(*size);
        SplitUnixTime(ListNumber(*seconds), e.Date);
        if (const auto name = next(true))
            e.Name = ToBytes(*name);
        return true;
    }

    e.Size = ListNumber(*first);
    if (second->size() >= 15)
        return false;

    if (const int month = FindMonthName(*second)) {  // size, month, day, year, time, name
        e.Date.Month = month;
        auto day = next();
        if (!day)
            return false;
        TListSlice dayText = *day;
        if (dayText.ends_with(','))
            dayText.remove_suffix(1);
        if (!IsAllDigits(dayText))
            return false;
        e.Date.Day = ListInt(dayText);
        if (e.Date.Day < 1 || e.Date.Day > 31)
            return false;
        const auto year = next();
        if (!year || !IsAllDigits(*year))
            return false;
        e.Date.Year = ExpandYear(ListInt(*year));
        e.Date.HasDate = true;

        const auto time = next();
        if (!time)
            return false;
        const std::size_t colon = time->find(':');
        if (colon == TListSlice::npos || colon == 0 || colon + 1 >= time->size())
            return false;
        const TListSlice hour = time->substr(0, colon);
        const TListSlice minute = time->substr(colon + 1);
        if (!IsAllDigits(hour) || !IsAllDigits(minute))
            return false;
        e.Date.Hour = ListInt(hour);
        e.Date.Minute = ListInt(minute);
        // 00:xx is a 24-hour time after midnight; rejecting it would lose the entry.
        if (e.Date.Hour > 24 || e.Date.Minute > 59)
            return false;
        e.Date.HasTime = true;

        const auto name = next(true);
        if (!name)
            return false;
        TListSlice n = *name;
        e.IsDir = n.size() > 1 && (n.back() == '\\' || n.back() == '/');
        if (e.IsDir)
            n.remove_suffix(1);
        e.Name = ToBytes(n);
        return true;
    }

    // OS/2: size, attributes (maybe "DIR"), date, time, name.
    e.IsDir = false;
    std::optional<TListSlice> token = second;
    while (FindCharN(*token, '-') < 0) {
        if (*token == "dir"sv || *token == "DIR"sv)
            e.IsDir = true;
        token = next();
        if (!token)
            return false;
    }
    if (!ParseListDate(*token, e.Date))
        return false;
    const auto time = next();
    if (!time)
        return false;
    const qsizetype colon = FindCharN(*time, ':');
    if (colon < 0)
        return false;
    e.Date.Hour = ListInt(time->substr(0, std::size_t(colon)));
    e.Date.Minute = ListInt(time->substr(std::size_t(colon) + 1));
    e.Date.HasTime = true;
    const auto name = next(true);
    if (!name)
        return false;
    e.Name = ToBytes(*name);
    e.Date.HasDate = true;
    return true;
}

bool ParseOs400Line(const char *line, qsizetype len, TFtpDirEntry &e)
{
    qsizetype pos = 0;
    const auto next = [&](bool restOfLine = false) {
        return NextListToken(line, len, pos, restOfLine);
    };
    const auto owner = next();
    if (!owner)
        return false;
    const auto size = next();
    if (!size || !IsAllDigits(*size))
        return false;
    const auto date = next();
    if (!date || !ParseListDate(*date, e.Date))
        return false;
    const auto time = next();
    if (!time || !ParseListTime(*time, e.Date))
        return false;
    if (!next())  // the object type, such as *DIR or *FILE
        return false;
    const auto name = next(true);
    if (!name)
        return false;
    TListSlice n = *name;
    if (n.back() == '/') {
        if (n.size() == 1)
            return false;
        n.remove_suffix(1);
        e.IsDir = true;
    }
    e.Owner = ToBytes(*owner);
    e.Size = ListNumber(*size);
    e.Name = ToBytes(n);
    return true;
}

bool ParseVmsLine(const char *line, qsizetype len, TFtpDirEntry &e)
{
    qsizetype pos = 0;
    const auto next = [&](bool restOfLine = false) {
        return NextListToken(line, len, pos, restOfLine);
    };
    const auto file = next();
    if (!file)
        return false;
    const std::size_t semi = file->find(';');
    if (semi == TListSlice::npos)
        return false;
    e.Size = -2;
    if (semi > 4 && file->substr(semi - 4, 4) == ".DIR"sv) {  // DOCS.DIR;1 is the folder DOCS;1
        e.IsDir = true;
        e.Name.reserve(qsizetype(file->size()) - 4);
        e.Name.append(file->data(), qsizetype(semi) - 4).append(file->data() + semi, qsizetype(file->size() - semi));
    } else {
        e.Name = ToBytes(*file);
    }

    const auto blocks = next();  // used/allocated blocks of 512 bytes
    if (!blocks)
        return false;
    const TListSlice used = blocks->substr(0, blocks->find('/'));
    if (!IsAllDigits(used))
        return false;
    const qint64 count = ListNumber(used);
    e.Size = count > std::numeric_limits<qint64>::max() / 512 ? std::numeric_limits<qint64>::max() : count * 512;

    const auto date = next();  // 31-JAN-2005
    if (!date)
        return false;
    e.Date.HasDate = true;
    const std::size_t dash1 = date->find('-');
    if (dash1 == TListSlice::npos)
        return false;
    e.Date.Day = ListInt(date->substr(0, dash1));
    const std::size_t dash2 = date->find('-', dash1 + 1);
    if (dash2 == TListSlice::npos)
        return false;
    const TListSlice month = date->substr(dash1 + 1, dash2 - dash1 - 1);
    e.Date.Month = month.size() < 15 ? FindMonthName(month) : 0;
    if (e.Date.Month == 0)
        return false;
    e.Date.Year = WrittenYear(date->substr(dash2 + 1));

    e.Date.HasTime = true;
    const auto time = next();
    if (!time)
        return false;
    const std::size_t colon = time->find(':');
    if (colon == TListSlice::npos)
        return false;
    e.Date.Hour = ListInt(time->substr(0, colon));
    e.Date.Minute = ListInt(time->substr(colon + 1));

    const auto owner = next();
    if (!owner)
        return false;
    e.Owner = ToBytes(Unwrap(*owner, '[', ']'));
    const auto rights = next(true);
    if (!rights)
        return false;
    e.Attributes = ToBytes(Unwrap(*rights, '(', ')'));
    return true;
}
