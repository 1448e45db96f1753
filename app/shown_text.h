#ifndef SHOWN_TEXT_H
#define SHOWN_TEXT_H

#include <QString>

// Texts from the device or the server are shown as plain text and cut at a
// length that fits the window with room to spare: a label or list never has
// to lay out a text of thousands of characters.
constexpr int shown_text_limit = 100;

inline QString shown_text(const QString &text)
{
    if (text.size() <= shown_text_limit)
        return text;
    int keep = shown_text_limit - 1;
    if (text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep) + QChar(0x2026);
}

#endif // SHOWN_TEXT_H
