#pragma once
#include "tftpcommand.h"

#include <initializer_list>
#include <vector>

// A growable queue of session commands, one byte each.
class TCommandSequence {
public:
    void SetCount(int n);
    int Count() const { return int(m_items.size()); }
    // Grows the sequence with fcNone up to i + 1 elements when i is beyond the end.
    TFtpCommand Item(int i);
    void Append(std::initializer_list<TFtpCommand> values);
    void Insert(int pos, std::initializer_list<TFtpCommand> values);
    void Delete(int pos, int count);

private:
    std::vector<TFtpCommand> m_items;
};
