#include "pc1.h"

#include <array>
#include <cstdint>

const QByteArray PasswordKey = QByteArrayLiteral("Wolkesh");
const QByteArray QueueKey = QByteArrayLiteral("\x5C\x13\xD7\x62");

namespace {

class TPc1 {
public:
    explicit TPc1(const QByteArray &key)
    {
        for (qsizetype i = 1; i < key.size() && i <= 16; ++i)
            m_key[std::size_t(i - 1)] = std::uint8_t(key[i]);
    }

    // The 16-bit word whose two halves are xored into one byte.
    std::uint16_t Assemble()
    {
        m_i = 0;
        m_x1a0[0] = std::uint16_t(m_key[0] * 256 + m_key[1]);
        std::uint16_t inter = Code();
        for (int k = 1; k < 8; ++k) {
            m_x1a0[k] = std::uint16_t(m_x1a0[k - 1] ^ (m_key[2 * k] * 256 + m_key[2 * k + 1]));
            inter ^= Code();
        }
        return inter;
    }

    void Feed(std::uint8_t plain)
    {
        for (auto &k : m_key)
            k ^= plain;
    }

private:
    std::uint16_t Code()
    {
        const std::uint16_t a = m_x1a0[m_i];
        const std::uint16_t d = std::uint16_t(m_x1a2 + m_i);
        const std::uint16_t s = m_si;
        m_si = std::uint16_t(0x015A * a);
        m_x1a2 = std::uint16_t(0x015A * a + 0x4E35 * d + s);
        m_x1a0[m_i] = std::uint16_t(0x4E35 * a + 1);
        const std::uint16_t res = m_x1a0[m_i] ^ m_x1a2;
        ++m_i;
        return res;
    }

    std::array<std::uint8_t, 16> m_key{};
    std::array<std::uint16_t, 8> m_x1a0{};
    std::uint16_t m_x1a2 = 0;
    std::uint16_t m_si = 0;
    std::uint16_t m_i = 0;
};

std::uint8_t Mask(std::uint16_t inter)
{
    return std::uint8_t((inter >> 8) ^ (inter & 0xFF));
}

}  // namespace

QByteArray Pc1Encrypt(const QByteArray &key, const QByteArray &plain)
{
    QByteArray padded = plain;
    if (padded.size() % 24 != 0)
        padded.append(24 - padded.size() % 24, '\0');

    TPc1 cipher(key);
    QByteArray stored;
    stored.reserve(padded.size() * 2);
    for (char ch : padded) {
        const std::uint8_t c = std::uint8_t(ch);
        const std::uint16_t inter = cipher.Assemble();
        cipher.Feed(c);
        const std::uint8_t enciphered = c ^ Mask(inter);
        stored.append(char('A' + (enciphered >> 4)));
        stored.append(char('A' + (enciphered & 15)));
    }
    return stored;
}

QByteArray Pc1Decrypt(const QByteArray &key, const QByteArray &stored)
{
    TPc1 cipher(key);
    QByteArray plain;
    plain.reserve(stored.size() / 2);
    for (qsizetype i = 0; i + 1 < stored.size(); i += 2) {
        const int h = std::uint8_t(stored[i]) - 65;
        const int l = std::uint8_t(stored[i + 1]) - 65;
        const std::uint8_t enciphered = std::uint8_t((h * 16 + l) & 0xFF);
        const std::uint8_t c = enciphered ^ Mask(cipher.Assemble());
        cipher.Feed(c);
        plain.append(char(c));
    }
    // Trims blanks and control characters (the zero padding among them) from both ends.
    qsizetype begin = 0, end = plain.size();
    while (begin < end && std::uint8_t(plain[begin]) <= 32)
        ++begin;
    while (end > begin && std::uint8_t(plain[end - 1]) <= 32)
        --end;
    return plain.mid(begin, end - begin);
}

QByteArray EncryptPassword(const QByteArray &password)
{
    return password.isEmpty() ? QByteArray() : Pc1Encrypt(PasswordKey, password);
}

QByteArray DecryptPassword(const QByteArray &stored)
{
    return stored.isEmpty() ? QByteArray() : Pc1Decrypt(PasswordKey, stored);
}
