#pragma once
// Report lengths from a HID report descriptor: what a HID driver's capabilities give on
// systems that, like hidraw, hand out only the raw descriptor.

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace kv {

struct HidReportLayout {
    // Byte lengths including the report-ID byte: 1 + payload for a device without report
    // IDs, 1 + the longest report of that kind with them; 0 when there is no such report.
    int inputLength = 0;
    int outputLength = 0;
    int featureLength = 0;
    bool usesReportIds = false;
    // Usage of the first application collection.
    quint16 usagePage = 0;
    quint16 usage = 0;
};

// std::nullopt for a malformed descriptor (a truncated item, Pop without Push, a report
// larger than a HID report can be).
std::optional<HidReportLayout> parseReportDescriptor(QByteArrayView descriptor);

}  // namespace kv
