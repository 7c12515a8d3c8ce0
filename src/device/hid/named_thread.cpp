#include "device/hid/named_thread.h"

#include <pthread.h>

namespace kv {

TNamedThread::TNamedThread(const QString& className, const QString& name)
    : m_name(name.isEmpty() ? className : className + QStringLiteral(" {") + name + u'}')
{
}

TNamedThread::~TNamedThread()
{
    // A derived class must have waited already: run() is gone by now.
    wait();
}

void TNamedThread::start()
{
    if (m_thread.joinable())
        return;
    const QByteArray name = m_name.toUtf8().left(15);
    m_thread = std::thread([this, name] {
        pthread_setname_np(pthread_self(), name.constData());
        run();
    });
}

void TNamedThread::wait()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

}  // namespace kv
