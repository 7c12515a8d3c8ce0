#pragma once

#include <QString>
#include <QtGlobal>

namespace kv {

// Where an interface is found. deviceInstance identifies one appearance of the interface:
// it differs between two plug-ins of the same device, so a re-plugged device is a new one.
struct THidPnPInfo {
    quint32 deviceInstance = 0;
    QString path;
};

}  // namespace kv
