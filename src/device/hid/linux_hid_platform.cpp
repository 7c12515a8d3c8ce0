#include "device/hid/linux_hid_platform.h"

#include "core/errors.h"
#include "device/hid/report_descriptor.h"

#include <QByteArray>
#include <QFile>
#include <QSocketNotifier>

#include <libudev.h>
#include <linux/hidraw.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <set>

namespace kv {

namespace {

// The kernel's hidraw queue length (HIDRAW_BUFFER_SIZE), not exported to user space.
constexpr int kHidrawQueueLength = 64;

// What udev tells about one hidraw node, read once per scan.
struct NodeInfo {
    QString syspath;
    QString hidSyspath;  // the parent hid device, which holds report_descriptor
    HidAttributes attributes;
    bool identified = false;
    std::optional<QString> product;
    std::optional<QString> serial;
};

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

std::optional<quint16> hex16(const char* s)
{
    if (!s)
        return std::nullopt;
    bool ok = false;
    const uint v = QByteArray(s).toUInt(&ok, 16);
    return ok && v <= 0xFFFF ? std::optional<quint16>(quint16(v)) : std::nullopt;
}

NodeInfo describe(udev_device* node)
{
    NodeInfo info;
    info.syspath = text(udev_device_get_syspath(node));
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr)) {
        info.hidSyspath = text(udev_device_get_syspath(hid));
        // HID_ID is "bus:vendor:product" in hexadecimal, e.g. "0003:000004D8:0000003F".
        const QList<QByteArray> id = QByteArray(udev_device_get_property_value(hid, "HID_ID")).split(':');
        if (id.size() == 3) {
            bool okVendor = false;
            bool okProduct = false;
            info.attributes.VendorID = quint16(id[1].toUInt(&okVendor, 16));
            info.attributes.ProductID = quint16(id[2].toUInt(&okProduct, 16));
            info.identified = okVendor && okProduct;
        }
        if (const char* name = udev_device_get_property_value(hid, "HID_NAME"))
            info.product = text(name);
        const QString uniq = text(udev_device_get_property_value(hid, "HID_UNIQ"));
        if (!uniq.isEmpty())
            info.serial = uniq;
    }
    // A USB device names itself better than HID_NAME, which prefixes the manufacturer.
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device")) {
        const auto vendor = hex16(udev_device_get_sysattr_value(usb, "idVendor"));
        const auto product = hex16(udev_device_get_sysattr_value(usb, "idProduct"));
        if (vendor && product) {
            info.attributes.VendorID = *vendor;
            info.attributes.ProductID = *product;
            info.identified = true;
        }
        if (const auto version = hex16(udev_device_get_sysattr_value(usb, "bcdDevice")))
            info.attributes.VersionNumber = *version;
        if (const char* name = udev_device_get_sysattr_value(usb, "product"))
            info.product = text(name);
        if (const char* serial = udev_device_get_sysattr_value(usb, "serial"))
            info.serial = text(serial);
    }
    return info;
}

// One open of a node. Shared between the handle table and a waitRead in progress, so a
// close on another thread never pulls the descriptor from under poll().
struct Node {
    NodeInfo info;
    int fd = -1;
    int wakeFd = -1;  // eventfd that ends a poll on close or cancel
    bool usesReportIds = true;
    std::optional<HidReportLayout> layout;
    std::atomic<bool> closed = false;
    std::atomic<bool> dead = false;
    std::mutex readMutex;
    quint8* buffer = nullptr;
    int length = 0;
    bool reading = false;

    ~Node()
    {
        if (fd >= 0)
            ::close(fd);
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    void wake() const
    {
        const quint64 one = 1;
        if (wakeFd >= 0)
            [[maybe_unused]] const auto n = ::write(wakeFd, &one, sizeof one);
    }
};

// Whether the udev daemon runs: it makes its control socket at start.
bool udevRunning()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

std::optional<HidReportLayout> layoutFromNode(int fd)
{
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0)
        return std::nullopt;
    hidraw_report_descriptor descriptor{};
    descriptor.size = quint32(std::min(size, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0)
        return std::nullopt;
    return parseReportDescriptor(
        QByteArrayView(reinterpret_cast<const char*>(descriptor.value), qsizetype(descriptor.size)));
}

std::optional<HidReportLayout> layoutFromSysfs(const QString& hidSyspath)
{
    if (hidSyspath.isEmpty())
        return std::nullopt;
    QFile file(hidSyspath + QStringLiteral("/report_descriptor"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseReportDescriptor(file.read(HID_MAX_DESCRIPTOR_SIZE));
}

}  // namespace

struct LinuxHidPlatform::Impl {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
    std::function<void()> callback;  // GUI thread only

    std::mutex mutex;
    std::map<QString, NodeInfo> nodes;           // by device node path, from the last scan
    std::map<QString, quint32> instances;        // by syspath: the current appearance
    std::map<HidHandle, std::shared_ptr<Node>> handles;
    HidHandle nextHandle = 1;
    quint32 nextInstance = 1;

    std::shared_ptr<Node> node(HidHandle handle)
    {
        std::lock_guard lock(mutex);
        const auto it = handles.find(handle);
        return it == handles.end() ? nullptr : it->second;
    }

    void forget(const QString& syspath)
    {
        std::lock_guard lock(mutex);
        instances.erase(syspath);
    }
};

LinuxHidPlatform::LinuxHidPlatform(QObject* parent) : QObject(parent), d(std::make_unique<Impl>())
{
    d->context = udev_new();
    if (!d->context)
        return;
    // Events from the udev daemon come after it has made the node and set its access.
    d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (!d->monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(d->monitor) < 0) {
        udev_monitor_unref(d->monitor);
        d->monitor = nullptr;
        return;
    }
    const int fd = udev_monitor_get_fd(d->monitor);
    d->notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        while (udev_device* event = udev_monitor_receive_device(d->monitor)) {
            // A node that went is a new appearance when it comes back, even at the same
            // syspath.
            if (qstrcmp(udev_device_get_action(event), "remove") == 0)
                d->forget(text(udev_device_get_syspath(event)));
            udev_device_unref(event);
        }
        if (d->callback)
            d->callback();
    });
}

LinuxHidPlatform::~LinuxHidPlatform()
{
    delete d->notifier;
    if (d->monitor)
        udev_monitor_unref(d->monitor);
    if (d->context)
        udev_unref(d->context);
}

bool LinuxHidPlatform::monitoring() const
{
    return d->monitor != nullptr;
}

std::vector<std::optional<THidPnPInfo>> LinuxHidPlatform::scanInterfaces()
{
    std::vector<std::optional<THidPnPInfo>> result;
    if (!d->context)
        return result;
    udev_enumerate* enumerate = udev_enumerate_new(d->context);
    if (!enumerate)
        return result;
    std::map<QString, NodeInfo> nodes;
    std::vector<std::pair<QString, QString>> found;  // device node, syspath; nodeless: empty
    // A node udev has not finished with may not have the user's access yet; its "add"
    // event follows once it has. Without the udev daemon nothing is ever initialised.
    if (udevRunning())
        udev_enumerate_add_match_is_initialized(enumerate);
    if (udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0
        && udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
        {
            udev_device* node = udev_device_new_from_syspath(d->context, udev_list_entry_get_name(entry));
            const char* devnode = node ? udev_device_get_devnode(node) : nullptr;
            if (!devnode) {
                found.emplace_back();
            } else {
                NodeInfo info = describe(node);
                found.emplace_back(text(devnode), info.syspath);
                nodes[text(devnode)] = std::move(info);
            }
            if (node)
                udev_device_unref(node);
        }
    }
    udev_enumerate_unref(enumerate);

    std::lock_guard lock(d->mutex);
    std::map<QString, quint32> instances;
    for (const auto& [devnode, syspath] : found) {
        if (devnode.isEmpty()) {
            result.emplace_back(std::nullopt);
            continue;
        }
        const auto known = d->instances.find(syspath);
        const quint32 instance = known != d->instances.end() ? known->second : d->nextInstance++;
        instances[syspath] = instance;
        result.emplace_back(THidPnPInfo{instance, devnode});
    }
    // A syspath missing from this scan is a new appearance when it shows up again.
    d->instances = std::move(instances);
    d->nodes = std::move(nodes);
    return result;
}

HidHandle LinuxHidPlatform::open(const QString& path, HidAccess access, int& error)
{
    NodeInfo info;
    {
        std::lock_guard lock(d->mutex);
        const auto it = d->nodes.find(path);
        if (it == d->nodes.end()) {
            error = ENOENT;
            return kInvalidHidHandle;
        }
        info = it->second;
    }
    auto node = std::make_shared<Node>();
    node->info = std::move(info);
    if (access == HidAccess::None) {
        // Attributes and strings come from udev; only check the node is still there.
        if (::access(QFile::encodeName(path).constData(), F_OK) != 0) {
            error = errno;
            return kInvalidHidHandle;
        }
        node->layout = layoutFromSysfs(node->info.hidSyspath);
    } else {
        const int flags = (access == HidAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
        node->fd = ::open(QFile::encodeName(path).constData(), flags);
        if (node->fd < 0) {
            error = errno;
            return kInvalidHidHandle;
        }
        node->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (node->wakeFd < 0) {
            error = errno;
            return kInvalidHidHandle;
        }
        node->layout = layoutFromNode(node->fd);
        if (!node->layout)
            node->layout = layoutFromSysfs(node->info.hidSyspath);
    }
    node->usesReportIds = node->layout && node->layout->usesReportIds;
    std::lock_guard lock(d->mutex);
    const HidHandle id = d->nextHandle++;
    d->handles[id] = std::move(node);
    return id;
}

void LinuxHidPlatform::close(HidHandle handle)
{
    std::shared_ptr<Node> node;
    {
        std::lock_guard lock(d->mutex);
        const auto it = d->handles.find(handle);
        if (it == d->handles.end())
            return;
        node = std::move(it->second);
        d->handles.erase(it);
    }
    node->closed = true;
    node->wake();
}

bool LinuxHidPlatform::attributes(HidHandle handle, HidAttributes& out)
{
    const auto node = d->node(handle);
    if (!node || !node->info.identified)
        return false;
    out = node->info.attributes;
    return true;
}

bool LinuxHidPlatform::caps(HidHandle handle, HidCaps& out)
{
    const auto node = d->node(handle);
    if (!node || !node->layout)
        return false;
    const HidReportLayout& layout = *node->layout;
    out = HidCaps{layout.usage, layout.usagePage, quint16(layout.inputLength),
                  quint16(layout.outputLength), quint16(layout.featureLength)};
    return true;
}

bool LinuxHidPlatform::productString(HidHandle handle, QString& out)
{
    const auto node = d->node(handle);
    if (!node || !node->info.product)
        return false;
    out = *node->info.product;
    return true;
}

bool LinuxHidPlatform::serialString(HidHandle handle, QString& out)
{
    const auto node = d->node(handle);
    if (!node || !node->info.serial)
        return false;
    out = *node->info.serial;
    return true;
}

bool LinuxHidPlatform::indexedString(HidHandle handle, int index, QString& out)
{
    // hidraw offers no string requests. The serial number udev gives is one the kernel
    // has already checked exists, so the language list only needs to differ from it:
    // US English, the language the kernel reads strings in on nearly every device.
    const auto node = d->node(handle);
    if (!node || index != 0)
        return false;
    out = QString(QChar(0x0409));
    return true;
}

bool LinuxHidPlatform::setInputBufferCount(HidHandle, int)
{
    return false;
}

bool LinuxHidPlatform::inputBufferCount(HidHandle handle, int& count)
{
    const auto node = d->node(handle);
    if (!node || node->fd < 0)
        return false;
    count = kHidrawQueueLength;
    return true;
}

int LinuxHidPlatform::startRead(HidHandle handle, quint8* buffer, int length)
{
    const auto node = d->node(handle);
    if (!node || node->fd < 0)
        return EBADF;
    if (node->dead)
        return ENODEV;
    if (length <= 0 || !buffer)
        return EINVAL;
    std::lock_guard lock(node->readMutex);
    if (node->reading)
        return EBUSY;
    node->buffer = buffer;
    node->length = length;
    node->reading = true;
    return 0;
}

HidReadResult LinuxHidPlatform::waitRead(HidHandle handle, int timeoutMs)
{
    const auto node = d->node(handle);
    if (!node)
        return {HidReadStatus::Aborted, 0, 0};
    {
        std::lock_guard lock(node->readMutex);
        if (!node->reading)
            return {HidReadStatus::Aborted, 0, 0};
    }
    pollfd fds[2] = {{node->fd, POLLIN, 0}, {node->wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready > 0 && (fds[1].revents & POLLIN)) {
        // Consume the wake-up, so a stale one cannot end a later wait at once.
        quint64 count = 0;
        [[maybe_unused]] const auto n = ::read(node->wakeFd, &count, sizeof count);
    }
    std::lock_guard lock(node->readMutex);
    const auto finish = [&node](HidReadStatus status, int bytes, int error) {
        node->reading = false;
        return HidReadResult{status, bytes, error};
    };
    if (node->closed || !node->reading)
        return finish(HidReadStatus::Aborted, 0, 0);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return {HidReadStatus::TimedOut, 0, 0};
    if (ready < 0)
        return finish(HidReadStatus::Failed, 0, errno);
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        node->dead = true;
        return finish(HidReadStatus::Disconnected, 0, ENODEV);
    }
    if (!(fds[0].revents & POLLIN))
        return {HidReadStatus::TimedOut, 0, 0};
    // Without report IDs hidraw gives the report without its ID byte: put the 0 back.
    const int offset = node->usesReportIds ? 0 : 1;
    if (node->length <= offset)
        return finish(HidReadStatus::Failed, 0, EINVAL);
    const ssize_t n = ::read(node->fd, node->buffer + offset, size_t(node->length - offset));
    if (n < 0) {
        const int error = errno;
        if (error == EAGAIN || error == EINTR)
            return {HidReadStatus::TimedOut, 0, 0};
        if (error == ENODEV || error == EIO) {
            node->dead = true;
            return finish(HidReadStatus::Disconnected, 0, error);
        }
        return finish(HidReadStatus::Failed, 0, error);
    }
    if (offset == 1)
        node->buffer[0] = 0;
    return finish(HidReadStatus::Completed, n == 0 ? 0 : int(n) + offset, 0);
}

void LinuxHidPlatform::cancelRead(HidHandle handle)
{
    const auto node = d->node(handle);
    if (!node)
        return;
    {
        std::lock_guard lock(node->readMutex);
        node->reading = false;
    }
    node->wake();
}

bool LinuxHidPlatform::write(HidHandle handle, const quint8* data, qsizetype length,
                             qsizetype& written, int& error)
{
    written = 0;
    const auto node = d->node(handle);
    if (!node || node->fd < 0) {
        error = EBADF;
        return false;
    }
    // hidraw takes the report ID in byte 0 and drops a 0 for a device without IDs.
    const ssize_t n = ::write(node->fd, data, size_t(length));
    if (n < 0) {
        error = errno;
        return false;
    }
    written = n;
    return true;
}

QString LinuxHidPlatform::errorText(int errorCode)
{
    return systemErrorText(errorCode);
}

void LinuxHidPlatform::setDeviceChangeCallback(std::function<void()> callback)
{
    d->callback = std::move(callback);
}

}  // namespace kv
