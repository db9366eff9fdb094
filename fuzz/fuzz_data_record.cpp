// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a data file: read from disk and from memory alike, and a
// record once written back reads the same.
#include "app/DataFiles.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace aurelith;

namespace {

const DataFiles& files()
{
    static const DataFiles instance = [] {
        char pattern[] = "/tmp/aurelith-fuzz-XXXXXX";
        const char* folder = ::mkdtemp(pattern);
        if (!folder)
            std::abort();
        static std::string made = folder;
        std::atexit([] { std::filesystem::remove_all(made); });
        return DataFiles(folder);
    }();
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<Value> fields = DataFiles::decode(bytes);

    {
        std::ofstream out(files().pathOf("rec"), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<Value> fromDisk;
    if (files().read("rec", fromDisk) != DataFiles::ReadStatus::read)
        std::abort();
    // The reader takes at most one record's worth; within that it must agree with decode.
    if (size <= DataFiles::kMaxRecordBytes && fromDisk != fields)
        std::abort();

    // Writing normalises a record (quotes in texts, 15 digits); after that it is stable.
    const std::string once = DataFiles::encode(fields);
    const std::vector<Value> again = DataFiles::decode(once);
    // One empty field is written as an empty line, which reads as no fields;
    // every other record keeps its number of fields.
    const bool soleEmpty = fields.size() == 1 && fields.front().isEmpty();
    if ((soleEmpty ? !again.empty() : again.size() != fields.size()) || DataFiles::encode(again) != once)
        std::abort();
    for (const Value& v : fields) {
        (void)v.number();
        (void)v.int16();
        (void)v.colour();
    }
    return 0;
}
