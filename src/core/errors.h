#pragma once
// The family of errors a user action can meet. Each carries the exact text the program
// shows in its error box; one guard at the event boundary shows them (error_guard.h).

#include <QString>

#include <exception>

namespace kv {

class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// "Cannot open file "<path>". <system text>"
class FileOpenError : public Error {
public:
    FileOpenError(const QString& path, int errorCode);
    // For what the system has no error code for, e.g. "Not a regular file".
    FileOpenError(const QString& path, const QString& reason);
};

// "Cannot create file "<path>". <system text>"
class FileCreateError : public Error {
public:
    FileCreateError(const QString& path, int errorCode);
    // For a symbolic link whose target is what failed: "<link>" → "<target>".
    FileCreateError(const QString& path, const QString& target, int errorCode);
    // With the system's text already made (a folder that could not be made, say).
    FileCreateError(const QString& path, const QString& reason);
};

// "Stream write error": a write that stored fewer bytes than asked. With a path it names
// the file and the system's cause: "Stream write error "<path>". No space left on device".
// errorCode() keeps the system's code (0 when there was none).
class StreamWriteError : public Error {
public:
    explicit StreamWriteError(int errorCode = 0);
    StreamWriteError(const QString& path, int errorCode);
    int errorCode() const noexcept { return m_errorCode; }

private:
    int m_errorCode = 0;
};

// "'<text>' is not a valid floating point value"
class ConvertError : public Error {
public:
    explicit ConvertError(const QString& text);
};

// "Floating point division by zero"
class ZeroDivideError : public Error {
public:
    ZeroDivideError();
};

// "Invalid floating point operation"
class InvalidOpError : public Error {
public:
    InvalidOpError();
};

// The system's text for an errno value, without trailing blanks, line breaks and full
// stops, at most 256 characters.
QString systemErrorText(int errorCode);

}  // namespace kv
