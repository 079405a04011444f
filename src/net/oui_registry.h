#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halvera {

// The vendor table maclist.ini is built from the IEEE OUI registry as Debian ships it
// (ieee-data, oui.txt): section "[MAC]", one line "XXXXXX=Vendor" per prefix, six upper-case
// hex digits, the name in CP932 cut to the width of a node's vendor field, CR LF.

// A registry name (UTF-8, untrusted) as the table holds it: CP932; accented Latin letters
// folded to their plain letters (CP932 has none), control bytes and line ends turned to
// blanks so a name stays on its line, blanks trimmed, at most NODE_NAME_MAX bytes and
// never half a two-byte character. Characters CP932 cannot express become "?".
std::string VendorNameCp932(std::string_view utf8);

// The table text of a registry listing: its "XXXXXX (base 16) Name" lines, in prefix order,
// the first entry of a prefix winning, entries without a name left out. entries, when
// given, receives the number of prefixes written.
std::string BuildMaclist(std::string_view ouiText, std::size_t* entries = nullptr);

}  // namespace halvera
