#include "core/errors.h"

#include <cstring>

namespace kv {

Error::Error(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{
}

FileOpenError::FileOpenError(const QString& path, int errorCode)
    : Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, systemErrorText(errorCode)))
{
}

FileOpenError::FileOpenError(const QString& path, const QString& reason)
    : Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason))
{
}

FileCreateError::FileCreateError(const QString& path, int errorCode)
    : Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, systemErrorText(errorCode)))
{
}

FileCreateError::FileCreateError(const QString& path, const QString& target, int errorCode)
    : Error(QStringLiteral("Cannot create file \"%1\" → \"%2\". %3")
                .arg(path, target, systemErrorText(errorCode)))
{
}

FileCreateError::FileCreateError(const QString& path, const QString& reason)
    : Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason))
{
}

StreamWriteError::StreamWriteError(int errorCode)
    : Error(QStringLiteral("Stream write error"))
    , m_errorCode(errorCode)
{
}

StreamWriteError::StreamWriteError(const QString& path, int errorCode)
    : Error(QStringLiteral("Stream write error \"%1\". %2").arg(path, systemErrorText(errorCode)))
    , m_errorCode(errorCode)
{
}

ConvertError::ConvertError(const QString& text)
    : Error(QStringLiteral("'%1' is not a valid floating point value").arg(text))
{
}

ZeroDivideError::ZeroDivideError()
    : Error(QStringLiteral("Floating point division by zero"))
{
}

InvalidOpError::InvalidOpError()
    : Error(QStringLiteral("Invalid floating point operation"))
{
}

QString systemErrorText(int errorCode)
{
    char buffer[512];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    QString result = QString::fromLocal8Bit(text).left(256);
    while (!result.isEmpty()) {
        const QChar last = result.back();
        if (last == u' ' || last == u'\r' || last == u'\n' || last == u'.')
            result.chop(1);
        else
            break;
    }
    return result;
}

}  // namespace kv
