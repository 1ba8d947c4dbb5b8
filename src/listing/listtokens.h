#pragma once
#include <QtCore/QtGlobal>

#include <cstdint>
#include <optional>
#include <string_view>

// A listing line is read in place: tokens are slices of it, copied out only into the fields
// that are set.
using TListSlice = std::string_view;

inline TListSlice ListSlice(const char *line, qsizetype len)
{
    return TListSlice(line, static_cast<std::size_t>(len));
}

// Skips blanks (space and tab) from `pos`. With `restOfLine` the slice runs to the end of the
// line, inner and trailing blanks included; otherwise to the next blank. `pos` moves past it.
std::optional<TListSlice> NextListToken(const char *line, qsizetype len, qsizetype &pos,
                                        bool restOfLine = false);

bool IsAllDigits(TListSlice s);  // true for an empty slice

// Leading decimal digits, "." and "," skipped wherever they stand; 0 when there are none.
// Saturates instead of overflowing.
qint64 ListNumber(TListSlice s);

// ListNumber clamped to the range of the 32-bit date fields.
int ListInt(TListSlice s);

// Position inside the slice, or -1.
qsizetype FindCharN(TListSlice s, char c);
qsizetype FindStrN(TListSlice s, TListSlice text);

inline bool IsListDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool EndsWithDigit(TListSlice s)
{
    return !s.empty() && IsListDigit(s.back());
}
