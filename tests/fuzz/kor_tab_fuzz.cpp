// kor.tab bytes through the loader; whatever it reads must save and read back the same.
#include "measure/calibration_store.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parsed = kv::parseCalibrationFile(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (parsed.records.size() > std::size_t(kv::kMaxCalibrationCount))
        std::abort();
    if (parsed.damaged && parsed.intactRecords > int(parsed.records.size()))
        std::abort();
    const QByteArray saved = kv::serializeCalibrations(parsed.records);
    const auto again = kv::parseCalibrationFile(saved);
    if (again.damaged || again.records.size() != parsed.records.size()
        || (!parsed.records.empty()
            && std::memcmp(again.records.data(), parsed.records.data(),
                           parsed.records.size() * sizeof(kv::TCalibration)) != 0))
        std::abort();
    for (const kv::TCalibration& record : parsed.records)
        (void)record.nameText();
    return 0;
}
