#include "tcommandsequence.h"

#include <algorithm>

void TCommandSequence::SetCount(int n)
{
    m_items.resize(std::size_t(std::max(n, 0)), fcNone);
}

TFtpCommand TCommandSequence::Item(int i)
{
    if (i < 0)
        return fcNone;
    if (i >= Count())
        SetCount(i + 1);
    return m_items[std::size_t(i)];
}

void TCommandSequence::Append(std::initializer_list<TFtpCommand> values)
{
    m_items.insert(m_items.end(), values);
}

void TCommandSequence::Insert(int pos, std::initializer_list<TFtpCommand> values)
{
    pos = std::clamp(pos, 0, Count());
    m_items.insert(m_items.begin() + pos, values);
}

void TCommandSequence::Delete(int pos, int count)
{
    if (pos < 0 || pos >= Count() || count <= 0)
        return;
    const int end = std::min(Count(), pos + count);
    m_items.erase(m_items.begin() + pos, m_items.begin() + end);
}
