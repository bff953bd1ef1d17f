// The diagnostic dump and the timing log of the write operations (createOrUpdateParts,
// createOrUpdateRelations), for support engineers who follow a CAD save on a server.
//
// The dump goes to standard output, one line per call: the indent level times three blanks,
// the texts, a new line. Texts are written as they are, never used as a format. The operations
// decide from the environment, at the start of each call, whether to dump at all.
#pragma once

#include <cstdint>
#include <string>

namespace Korvane {
namespace Soa {
namespace Cad {
namespace Diagnostics {

void printText(int level, const std::string& text);
// A label and its value, or a header with an empty second text.
void printTexts(int level, const std::string& first, const std::string& second);
// A label and a number in decimal: tags and flags (0 or 1) are dumped as numbers.
void printNumber(int level, const std::string& label, std::uint64_t number);
// The "updating " / "ignoring " lines of attribute writes.
void printFour(int level, const std::string& first, const std::string& second,
               const std::string& third, const std::string& fourth);
// A line of 81 asterisks that opens and closes a dump.
void printBanner();

// Appends `label`, `phase` and the current UTC time as "HH:MM:SS\n" to the file `fileName`.
// A file that cannot be opened for appending is skipped without a message: the timing log never
// fails the call that writes it.
void appendTimeStamp(const std::string& fileName, const std::string& label,
                     const std::string& phase);

}  // namespace Diagnostics
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
