// The backup decoder over arbitrary bytes: no crash, no read out of bounds, memory bounded by the
// input; the records it accepts encode back to exactly the bytes they were read from, and the
// registry-editor export of them never fails. The same bytes read as a shortcut store: a store taken
// as whole encodes back to exactly those bytes.
#include "maintenance/BackupFormat.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/RegExport.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    backup::DecodeResult d = backup::Decode(bytes);
    std::size_t used = d.damaged ? d.damageOffset : size;
    if (used > size || (d.damaged && d.damage.empty()) || (!d.damaged && !d.damage.empty())) __builtin_trap();
    if (backup::Encode(d.records) != bytes.substr(0, used)) {
        std::fprintf(stderr, "re-encoding differs from the %zu bytes read\n", used);
        __builtin_trap();
    }
    std::string text = backup::ExportRegedit4(d.records);
    if (text.compare(0, 10, "REGEDIT4\r\n") != 0) __builtin_trap();
    backup::LinkDecodeResult links = backup::DecodeLinks(bytes);
    if (links.damaged == links.damage.empty()) __builtin_trap();
    if (!links.damaged && backup::EncodeLinks(links.links) != bytes) __builtin_trap();
    return 0;
}
