#pragma once

#include <QString>

#include <string>
#include <string_view>

// Our strings are the bytes the file system and the INI files hold; Qt
// widgets want QString. The conversion happens only at the widget edge, and
// bytes that are not UTF-8 are shown as replacement characters.
inline QString ToQString(std::string_view text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}
