#include "emulated_hid_bed.h"

#include <QFile>

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

constexpr char kHidrawMajor[] = "240";

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

QByteArray escaped(const QString& text)
{
    return text.toUtf8().replace('\\', "\\\\").replace('\n', "\\n");
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
        const QByteArray& descriptor = device.m_model.reportDescriptor;
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
                hidraw_devinfo info{3, qint16(device.m_model.vendorId), qint16(device.m_model.productId)};
                std::memcpy(data->data, &info, sizeof info);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
        } else if (_IOC_TYPE(request) == 'H' && _IOC_NR(request) == 0x04) {  // HIDIOCGRAWNAME
            const gsize length = _IOC_SIZE(request);
            if (UMockdevIoctlData* data = resolve(client, length)) {
                const QByteArray name = device.m_model.hidName.toUtf8().left(qsizetype(length) - 1);
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

EmulatedDeviceModel emulatedInstrument(std::optional<QString> product, std::optional<QString> serial)
{
    EmulatedDeviceModel model;
    model.product = std::move(product);
    model.serial = std::move(serial);
    model.hidName = QStringLiteral("KV-4410");
    // Vendor page 0xFF00, usage 1; 64 bytes in and 64 bytes out, no report IDs.
    static const unsigned char descriptor[] = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor page, usage 1, application
        0x19, 0x01, 0x29, 0x40, 0x15, 0x00, 0x26, 0xFF, 0x00,
        0x75, 0x08, 0x95, 0x40, 0x81, 0x00,  // input: 64 x 8 bits
        0x19, 0x01, 0x29, 0x40, 0x91, 0x00,  // output: 64 x 8 bits
        0xC0,
    };
    model.reportDescriptor = QByteArray(reinterpret_cast<const char*>(descriptor), sizeof descriptor);
    return model;
}

EmulatedDeviceModel numberedReportDevice()
{
    EmulatedDeviceModel model;
    model.vendorId = 0x1234;
    model.productId = 0x5678;
    model.product = QStringLiteral("Numbered");
    model.hidName = QStringLiteral("Numbered");
    model.usesReportIds = true;
    static const unsigned char descriptor[] = {
        0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01,  // vendor page, usage 2, application
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08,
        0x85, 0x01, 0x09, 0x01, 0x81, 0x02,  // input report 1: 8 bytes
        0x85, 0x02, 0x09, 0x01, 0x91, 0x02,  // output report 2: 8 bytes
        0xC0,
    };
    model.reportDescriptor = QByteArray(reinterpret_cast<const char*>(descriptor), sizeof descriptor);
    return model;
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
    // Like the kernel's node numbers, the lowest free one: a replug in the same port gets
    // the same node and, here, the same sysfs path.
    int n = 0;
    while (std::any_of(m_devices.begin(), m_devices.end(), [n](const auto& d) { return d->m_number == n; }))
        ++n;
    auto device = std::make_unique<EmulatedHidDevice>();
    device->m_bed = this;
    device->m_number = n;
    device->m_model = model;
    const QByteArray usbPath = "/devices/pci0000:00/0000:00:14.0/usb1/1-" + QByteArray::number(n + 1);
    const QByteArray hidName = QStringLiteral("0003:%1:%2.%3")
                                   .arg(model.vendorId, 4, 16, QLatin1Char('0'))
                                   .arg(model.productId, 4, 16, QLatin1Char('0'))
                                   .arg(n + 1, 4, 16, QLatin1Char('0'))
                                   .toUpper()
                                   .toLatin1();
    const QByteArray parentPath = model.onUsb ? usbPath + "/1-" + QByteArray::number(n + 1) + ":1.0"
                                             : QByteArray("/devices/virtual/misc/uhid");
    const QByteArray hidPath = parentPath + "/" + hidName;
    const QByteArray rawName = "hidraw" + QByteArray::number(n);
    const QByteArray rawPath = hidPath + "/hidraw/" + rawName;
    const QByteArray minor = QByteArray::number(n);

    QByteArray text;
    if (model.onUsb) {
        text += "P: " + usbPath + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
        text += "A: idVendor=" + QByteArray::number(model.vendorId, 16).rightJustified(4, '0') + "\n";
        text += "A: idProduct=" + QByteArray::number(model.productId, 16).rightJustified(4, '0') + "\n";
        text += "A: bcdDevice=" + QByteArray::number(model.version, 16).rightJustified(4, '0') + "\n";
        if (model.product)
            text += "A: product=" + escaped(*model.product) + "\n";
        if (model.serial)
            text += "A: serial=" + escaped(*model.serial) + "\n";
        text += "\nP: " + parentPath + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
    }
    text += "P: " + hidPath + "\nE: SUBSYSTEM=hid\n";
    if (model.identified)
        text += "E: HID_ID=0003:" + QByteArray::number(model.vendorId, 16).rightJustified(8, '0').toUpper()
          + ":" + QByteArray::number(model.productId, 16).rightJustified(8, '0').toUpper() + "\n";
    text += "E: HID_NAME=" + model.hidName.toUtf8() + "\n";
    if (model.serial)
        text += "E: HID_UNIQ=" + model.serial->toUtf8() + "\n";
    text += "H: report_descriptor=" + model.reportDescriptor.toHex() + "\n\n";
    text += "P: " + rawPath + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + rawName + "\nE: MAJOR="
          + kHidrawMajor + "\nE: MINOR=" + minor + "\nA: dev=" + kHidrawMajor + ":" + minor + "\n";

    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, text.constData(), &error)) {
        const std::string message = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("testbed: " + message);
    }
    for (const QByteArray& path : {rawPath, hidPath, parentPath, usbPath}) {
        if (model.onUsb || path == rawPath || path == hidPath)
            device->m_sysfsTree.push_back(QStringLiteral("/sys") + QString::fromLatin1(path));
    }
    device->m_devnode = QStringLiteral("/dev/") + QString::fromLatin1(rawName);
    device->m_syspath = device->m_sysfsTree.front();

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
        throw std::runtime_error("testbed: cannot make the node");

    device->m_handler = umockdev_ioctl_base_new();
    g_signal_connect(device->m_handler, "handle-ioctl", G_CALLBACK(&EmulatedHidDevice::Ioctl::onIoctl),
                     device.get());
    g_signal_connect(device->m_handler, "handle-read", G_CALLBACK(&EmulatedHidDevice::Ioctl::onRead),
                     device.get());
    g_signal_connect(device->m_handler, "handle-write", G_CALLBACK(&EmulatedHidDevice::Ioctl::onWrite),
                     device.get());
    if (!umockdev_testbed_attach_ioctl(m_testbed, device->m_devnode.toUtf8().constData(),
                                       device->m_handler, &error)) {
        const std::string message = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("testbed: " + message);
    }
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
