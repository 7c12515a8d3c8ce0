// Journal and archive file bytes through the loader, then written out again.
#include "journal/table_file.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kv::JournalTable table;
    kv::readTableBytes(table, QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    (void)kv::tableFileBytes(table);
    return 0;
}
