#pragma once
// The model's text is single-byte (names, messages, paths as stored): each
// byte is one Latin-1 character on screen, and typed text goes back the
// same way.

#include <QByteArray>
#include <QString>

#include <string>

namespace mobrix::app {

inline QString FromLatin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToLatin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Raw single-byte text (names, tags, reserved blocks) for a list box: one
// visible character per byte, as the Windows code page shows it, control
// bytes as their symbols.
inline QString DisplayText(const std::string& bytes)
{
    // Bytes 0x80 to 0x9F are control characters in Latin-1 and would vanish
    // from the fixed-width rows; they show as the Windows code page shows
    // them, where the files come from (its five unused bytes as U+FFFD).
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20)
            text += QChar(0x2400 + b); // the symbol for the control byte
        else if (b == 0x7F)
            text += QChar(0x2421);
        else if (b >= 0x80 && b < 0xA0)
            text += QChar(kHighControls[b - 0x80]);
        else
            text += QChar(b);
    }
    return text;
}

} // namespace mobrix::app
