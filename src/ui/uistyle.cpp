#include "uistyle.h"

QColor StoredColor(qint32 value, const QPalette &palette)
{
    const quint32 v = quint32(value);
    if ((v & 0xFF000000u) == 0xFF000000u) {
        switch (v & 0xFFu) {
        case 5: return palette.color(QPalette::Base);
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 15: return palette.color(QPalette::Button);
        default: return palette.color(QPalette::Text);
        }
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

void ApplyFontStyle(QFont &font, int style)
{
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
}

QFont StoredFont(const QString &name, int pointSize, int style)
{
    QFont font;
    if (!name.isEmpty())
        font.setFamilies({name, font.family()});
    if (pointSize > 0)
        font.setPointSize(pointSize);
    ApplyFontStyle(font, style);
    return font;
}
