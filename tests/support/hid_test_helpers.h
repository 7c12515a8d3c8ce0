#pragma once
// What the tests of the HID layer, the instrument link and the programs over them share:
// the instrument as a fake device, report bytes, and running one reader hand-over.

#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <optional>

namespace kv::test {

// A КВ-4410 on the fake provider; by default without product string and serial number,
// so it is named "Device VID=04D8 PID=003F".
inline FakeHidDeviceModel fakeInstrument(std::optional<QString> product = std::nullopt,
                                         std::optional<QString> serial = std::nullopt)
{
    FakeHidDeviceModel model;
    model.attributes = {0x04D8, 0x003F, 0x0001};
    model.product = std::move(product);
    model.serial = std::move(serial);
    return model;
}

// A report of `length` bytes: the report ID, then the payload, then zeros.
inline QByteArray reportBytes(std::initializer_list<quint8> payload, quint8 reportId = 0,
                              int length = 65)
{
    QByteArray bytes(length, '\0');
    bytes[0] = char(reportId);
    int i = 1;
    for (quint8 b : payload)
        bytes[i++] = char(b);
    return bytes;
}

// Waits (up to 5 s) for one hand-over of a reader and runs it, as the event loop would;
// false when none came.
inline bool runOneHandOver(THidDeviceController& controller)
{
    for (int i = 0; i < 50; ++i) {
        if (controller.waitForHandOver(100))
            return controller.processHandOvers() > 0;
    }
    return false;
}

}  // namespace kv::test
