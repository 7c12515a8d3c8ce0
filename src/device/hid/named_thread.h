#pragma once

#include <QString>
#include <QThread>

namespace kv {

// A thread that names itself for debuggers: the class name, then " {name}" when a name
// is given. Qt hands the object name to the system thread name when the thread starts.
class TNamedThread : public QThread {
public:
    explicit TNamedThread(const QString& className, const QString& name = {},
                          QObject* parent = nullptr)
        : QThread(parent)
    {
        setObjectName(name.isEmpty() ? className : className + QStringLiteral(" {") + name + u'}');
    }
};

}  // namespace kv
