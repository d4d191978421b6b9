#pragma once
// Texts that come from the hardware (SPD part numbers, SMBIOS strings) are bytes in whatever
// 8-bit character set the module or board maker used. For display, the settings file and the
// report they are turned into UTF-8: printable ASCII stays, bytes 0xA0..0xFF are read as
// Latin-1, and control characters (C0, DEL, C1), which would break a settings line or a report,
// become '?'.

#include <string>
#include <string_view>

namespace zm::ident {

std::string DisplayText(std::string_view bytes);

}  // namespace zm::ident
