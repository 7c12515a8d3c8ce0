#include "emulated_hid_bed.h"

#include <QFile>

#include <gio/gio.h>
#include <umockdev.h>

#include <linux/capability.h>
#include <linux/hidraw.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace kv::test {

namespace {

// Root passes every permission check; without this a node made unreadable would still
// open. The uid stays, so the testbed's files, all owned by it, stay usable.
void dropPermissionOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[cap / 32].effective &= ~(1u << (cap % 32));
        data[cap / 32].permitted &= ~(1u << (cap % 32));
    }
    ::syscall(SYS_capset, &header, data);
}

QString recordingPath(const char* name)
{
    return QStringLiteral(KV_EMULATION_RECORDINGS "/") + QLatin1String(name);
}

// The sysfs paths of a recording's devices, in its order: the node first.
std::vector<QByteArray> recordedPaths(const QByteArray& recording)
{
    std::vector<QByteArray> paths;
    for (const QByteArray& line : recording.split('\n')) {
        if (line.startsWith("P: "))
            paths.push_back(line.mid(3).trimmed());
    }
    return paths;
}

// One property of a device in the testbed, as udev reads it from the uevent file.
QByteArray recordedProperty(const QString& sysDir, const QByteArray& name)
{
    QFile uevent(sysDir + QStringLiteral("/uevent"));
    if (!uevent.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : uevent.readAll().split('\n')) {
        if (line.startsWith(name + '='))
            return line.mid(name.size() + 1);
    }
    return {};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

[[noreturn]] void fail(const std::string& what, GError* error = nullptr)
{
    const std::string message = error ? what + ": " + error->message : what;
    g_clear_error(&error);
    throw std::runtime_error("testbed: " + message);
}

UMockdevIoctlData* resolve(UMockdevIoctlClient* client, gsize length)
{
    return umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, nullptr);
}

}  // namespace

// The handlers the emulation's worker thread calls for a node.
struct EmulatedHidDevice::Ioctl {
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto& device = *static_cast<EmulatedHidDevice*>(self);
        const gulong request = umockdev_ioctl_client_get_request(client);
        const QByteArray& descriptor = device.m_reportDescriptor;
        if (request == HIDIOCGRDESCSIZE) {
            if (UMockdevIoctlData* data = resolve(client, sizeof(int))) {
                const int size = int(descriptor.size());
                std::memcpy(data->data, &size, sizeof size);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
        } else if (request == HIDIOCGRDESC) {
            if (UMockdevIoctlData* data = resolve(client, sizeof(hidraw_report_descriptor))) {
                auto* out = reinterpret_cast<hidraw_report_descriptor*>(data->data);
                const quint32 n = std::min<quint32>(out->size, quint32(descriptor.size()));
                std::memcpy(out->value, descriptor.constData(), n);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
        } else if (request == HIDIOCGRAWINFO) {
            if (UMockdevIoctlData* data = resolve(client, sizeof(hidraw_devinfo))) {
                hidraw_devinfo info{3, qint16(device.m_vendorId), qint16(device.m_productId)};
                std::memcpy(data->data, &info, sizeof info);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
        } else if (_IOC_TYPE(request) == 'H' && _IOC_NR(request) == 0x04) {  // HIDIOCGRAWNAME
            const gsize length = _IOC_SIZE(request);
            if (UMockdevIoctlData* data = resolve(client, length)) {
                const QByteArray name = device.m_hidName.left(qsizetype(length) - 1);
                std::memcpy(data->data, name.constData(), size_t(name.size()) + 1);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, glong(name.size() + 1), 0);
                return TRUE;
            }
        }
        // Terminal requests and whatever hidraw does not know.
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }

    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto& device = *static_cast<EmulatedHidDevice*>(self);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        QByteArray report(reinterpret_cast<const char*>(arg->data), arg->data_len);
        const glong length = arg->data_len;
        // hidraw takes the report ID in byte 0 and drops it for a device without IDs.
        if (!device.m_model.usesReportIds && !report.isEmpty())
            report.remove(0, 1);
        Answerer answerer;
        {
            std::lock_guard lock(device.m_mutex);
            if (device.m_hungUp) {
                umockdev_ioctl_client_complete(client, -1, EIO);
                return TRUE;
            }
            device.m_written.push_back(report);
            answerer = device.m_answerer;
        }
        umockdev_ioctl_client_complete(client, length, 0);
        if (answerer)
            answerer(device, report);
        return TRUE;
    }

    // Reads go to the pseudo-terminal, where poll() sees them.
    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer) { return FALSE; }
};

EmulatedDeviceModel emulatedInstrument(std::optional<QString> serial)
{
    return {recordingPath("kv4410.umockdev"), std::move(serial)};
}

EmulatedDeviceModel numberedReportDevice()
{
    return {recordingPath("uhid_numbered_reports.umockdev"), std::nullopt, true};
}

EmulatedDeviceModel unidentifiedDevice()
{
    return {recordingPath("uhid_unidentified.umockdev"), std::nullopt, true};
}

EmulatedHidDevice::~EmulatedHidDevice()
{
    if (m_handler)
        g_object_unref(m_handler);
    if (m_master >= 0)
        ::close(m_master);
}

void EmulatedHidDevice::queueInput(const QByteArray& report)
{
    std::lock_guard lock(m_mutex);
    if (m_master >= 0)
        [[maybe_unused]] const auto n = ::write(m_master, report.constData(), size_t(report.size()));
}

void EmulatedHidDevice::setAnswerer(Answerer answerer)
{
    std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

std::vector<QByteArray> EmulatedHidDevice::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

int EmulatedHidDevice::writeCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_written.size());
}

void EmulatedHidDevice::setAccessible(bool accessible)
{
    ::chmod(QFile::encodeName(m_ptsPath).constData(), accessible ? 0666 : 0);
}

void EmulatedHidDevice::removeNodeOnly()
{
    const QString node = m_bed->rootDir() + m_devnode;
    QFile::remove(node);
}

bool EmulatedHidBed::available()
{
    const char* preload = ::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "umockdev-preload");
}

EmulatedHidBed::EmulatedHidBed()
{
    static const bool once = [] {
        dropPermissionOverride();
        // Opening a terminal may make it the controlling one; its hang-up must not end
        // the test.
        std::signal(SIGHUP, SIG_IGN);
        // GLib opens a descriptor for good (its worker's context) when the type of its
        // asynchronous tasks is first used, which the testbed's thread does at a moment
        // of its own. Used here, it is open before a test counts descriptors.
        g_type_ensure(G_TYPE_TASK);
        return true;
    }();
    (void)once;
    m_testbed = umockdev_testbed_new();
}

EmulatedHidBed::~EmulatedHidBed()
{
    while (!m_devices.empty())
        unplug(*m_devices.back());
    g_object_unref(m_testbed);
}

QString EmulatedHidBed::rootDir() const
{
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    const QString dir = QString::fromUtf8(root);
    g_free(root);
    return dir;
}

EmulatedHidDevice& EmulatedHidBed::plug(const EmulatedDeviceModel& model)
{
    const QByteArray recording = readAll(model.recording);
    const std::vector<QByteArray> paths = recordedPaths(recording);
    if (paths.empty())
        fail("no device in " + model.recording.toStdString());
    const QString syspath = QStringLiteral("/sys") + QString::fromLatin1(paths.front());
    const QString devnode = QStringLiteral("/dev/") + syspath.section(u'/', -1);
    // Like the kernel, one device per node: a replug gets the node and the sysfs path it
    // had before, which the provider must still tell apart.
    if (std::any_of(m_devices.begin(), m_devices.end(), [&](const auto& d) { return d->m_devnode == devnode; }))
        fail(devnode.toStdString() + " is taken");

    GError* error = nullptr;
    if (!umockdev_testbed_add_from_file(m_testbed, QFile::encodeName(model.recording).constData(), &error))
        fail(model.recording.toStdString(), error);
    auto device = std::make_unique<EmulatedHidDevice>();
    device->m_bed = this;
    device->m_model = model;
    device->m_devnode = devnode;
    device->m_syspath = syspath;
    for (const QByteArray& path : paths)
        device->m_sysfsTree.push_back(QStringLiteral("/sys") + QString::fromLatin1(path));

    // The hidraw node sits in its hid device's "hidraw" folder.
    const QString hidPath = syspath.section(u'/', 0, -3);
    const QString hidDir = rootDir() + hidPath;
    device->m_reportDescriptor = readAll(hidDir + QStringLiteral("/report_descriptor"));
    device->m_hidName = recordedProperty(hidDir, "HID_NAME");
    const QList<QByteArray> id = recordedProperty(hidDir, "HID_ID").split(':');
    if (id.size() == 3) {
        device->m_vendorId = quint16(id[1].toUInt(nullptr, 16));
        device->m_productId = quint16(id[2].toUInt(nullptr, 16));
    }
    if (model.serial) {
        const QByteArray serial = model.serial->toUtf8();
        umockdev_testbed_set_property(m_testbed, hidPath.toUtf8().constData(), "HID_UNIQ", serial.constData());
        for (const QString& path : device->m_sysfsTree) {
            if (recordedProperty(rootDir() + path, "DEVTYPE") == "usb_device")
                umockdev_testbed_set_attribute(m_testbed, path.toUtf8().constData(), "serial", serial.constData());
        }
    }

    // The node is a pseudo-terminal of our own (the testbed's are not freed on removal):
    // raw, so bytes pass unchanged and nothing is echoed back.
    device->m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (device->m_master < 0 || ::grantpt(device->m_master) != 0 || ::unlockpt(device->m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    device->m_ptsPath = QString::fromLocal8Bit(::ptsname(device->m_master));
    termios mode{};
    ::tcgetattr(device->m_master, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(device->m_master, TCSANOW, &mode);
    if (!QFile::link(device->m_ptsPath, rootDir() + device->m_devnode))
        fail("cannot make " + devnode.toStdString());

    device->m_handler = umockdev_ioctl_base_new();
    g_signal_connect(device->m_handler, "handle-ioctl", G_CALLBACK(&EmulatedHidDevice::Ioctl::onIoctl),
                     device.get());
    g_signal_connect(device->m_handler, "handle-read", G_CALLBACK(&EmulatedHidDevice::Ioctl::onRead),
                     device.get());
    g_signal_connect(device->m_handler, "handle-write", G_CALLBACK(&EmulatedHidDevice::Ioctl::onWrite),
                     device.get());
    if (!umockdev_testbed_attach_ioctl(m_testbed, device->m_devnode.toUtf8().constData(),
                                       device->m_handler, &error))
        fail("ioctl of " + devnode.toStdString(), error);
    device->setAccessible(model.accessible);
    m_devices.push_back(std::move(device));
    return *m_devices.back();
}

void EmulatedHidBed::uevent(EmulatedHidDevice& device, const char* action)
{
    umockdev_testbed_uevent(m_testbed, device.m_syspath.toUtf8().constData(), action);
}

void EmulatedHidBed::unplug(EmulatedHidDevice& device)
{
    // The terminal's master goes, which hangs up every open node the way a vanished
    // hidraw device does.
    {
        std::lock_guard lock(device.m_mutex);
        device.m_hungUp = true;
        ::close(device.m_master);
        device.m_master = -1;
    }
    umockdev_testbed_detach_ioctl(m_testbed, device.m_devnode.toUtf8().constData(), nullptr);
    QFile::remove(rootDir() + device.m_devnode);
    uevent(device, "remove");
    // Child first: removing a parent leaves the children's bus and class links behind.
    for (const QString& path : device.m_sysfsTree)
        umockdev_testbed_remove_device(m_testbed, path.toUtf8().constData());
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if (it->get() == &device) {
            m_devices.erase(it);
            break;
        }
    }
}

QByteArray measurementInput(std::uint16_t periodCount)
{
    QByteArray report(64, '\0');
    report[0] = char(0x37);
    report[1] = char(periodCount & 0xFF);
    report[2] = char(periodCount >> 8);
    return report;
}

EmulatedHidDevice::Answerer pollAnswerer(std::shared_ptr<std::atomic<std::uint16_t>> count)
{
    return [count](EmulatedHidDevice& device, const QByteArray& report) {
        if (!report.isEmpty() && quint8(report[0]) == 0x80)
            device.queueInput(measurementInput(count->load()));
    };
}

int openDescriptorCount()
{
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    ::closedir(dir);
    return count - 1;  // the listing's own descriptor
}

}  // namespace kv::test
