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

} // namespace mobrix::app
