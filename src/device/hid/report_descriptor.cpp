#include "device/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace kv {

namespace {

enum ItemType { Main = 0, Global = 1, Local = 2 };

struct GlobalState {
    quint32 usagePage = 0;
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
};

// Largest report the kernel accepts (HID_MAX_BUFFER_SIZE), in bits.
constexpr quint64 kMaxReportBits = 16384ull * 8;

}  // namespace

std::optional<HidReportLayout> parseReportDescriptor(QByteArrayView descriptor)
{
    const auto* bytes = reinterpret_cast<const quint8*>(descriptor.data());
    const qsizetype size = descriptor.size();

    GlobalState global;
    std::vector<GlobalState> stack;
    // Bits per report ID for input, output and feature.
    std::map<quint32, std::array<quint64, 3>> bits;
    HidReportLayout layout;
    bool haveTopUsage = false;
    quint32 firstUsage = 0;
    bool haveUsage = false;

    qsizetype pos = 0;
    while (pos < size) {
        const quint8 prefix = bytes[pos++];
        if (prefix == 0xFE) {  // long item: size, tag, data; no long items are defined
            if (pos + 2 > size)
                return std::nullopt;
            const qsizetype dataSize = bytes[pos];
            pos += 2 + dataSize;
            if (pos > size)
                return std::nullopt;
            continue;
        }
        const int dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + dataSize > size)
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < dataSize; ++i)
            value |= quint32(bytes[pos + i]) << (8 * i);
        pos += dataSize;
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;

        if (type == Global) {
            switch (tag) {
            case 0x0: global.usagePage = value; break;
            case 0x7: global.reportSize = value; break;
            case 0x8:
                global.reportId = value;
                layout.usesReportIds = true;
                break;
            case 0x9: global.reportCount = value; break;
            case 0xA: stack.push_back(global); break;
            case 0xB:
                if (stack.empty())
                    return std::nullopt;
                global = stack.back();
                stack.pop_back();
                break;
            default: break;
            }
        } else if (type == Local) {
            if (tag == 0x0 && !haveUsage) {
                firstUsage = dataSize == 4 ? value : (global.usagePage << 16) | value;
                haveUsage = true;
            }
        } else if (type == Main) {
            int kind = -1;
            switch (tag) {
            case 0x8: kind = 0; break;  // Input
            case 0x9: kind = 1; break;  // Output
            case 0xB: kind = 2; break;  // Feature
            case 0xA:                   // Collection
                if (!haveTopUsage && haveUsage) {
                    layout.usagePage = quint16(firstUsage >> 16);
                    layout.usage = quint16(firstUsage & 0xFFFF);
                    haveTopUsage = true;
                }
                break;
            default: break;
            }
            if (kind >= 0) {
                quint64& total = bits[global.reportId][size_t(kind)];
                total += quint64(global.reportSize) * global.reportCount;
                if (total > kMaxReportBits)
                    return std::nullopt;
            }
            // Local items apply to one main item only.
            haveUsage = false;
        }
    }

    std::array<int, 3> longest{0, 0, 0};
    std::array<bool, 3> any{false, false, false};
    for (const auto& [id, perKind] : bits) {
        for (size_t k = 0; k < 3; ++k) {
            if (perKind[k] == 0)
                continue;
            any[k] = true;
            longest[k] = std::max(longest[k], int((perKind[k] + 7) / 8));
        }
    }
    // The report-ID byte: the ID itself, or the 0 put in front of a report without one.
    layout.inputLength = any[0] ? longest[0] + 1 : 0;
    layout.outputLength = any[1] ? longest[1] + 1 : 0;
    layout.featureLength = any[2] ? longest[2] + 1 : 0;
    return layout;
}

}  // namespace kv
