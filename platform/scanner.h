// Scanners as the engine uses them: is a scanning service there, which
// device to scan from, and one picture from it as a packed
// device-independent bitmap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clipboard.h"

namespace platform {

class Scanner {
public:
    virtual ~Scanner() = default;
    // Whether the system's scanning service can be used at all.
    virtual bool available() = 0;
    // The device to scan from: the one the host chose, else the first one
    // found. False when there is no device (nothing is shown either way).
    virtual bool select_source() = 0;
    // The name of device `index` (0 = the first found); empty past the last.
    virtual std::string source_name(int32_t index) = 0;
    // Chooses the device of that name for the scans to come; false when no
    // device has that name (the choice is then as before).
    virtual bool choose_source(const std::string& name) = 0;
    // Scans one picture from the selected device (the first one when none
    // was selected); empty when nothing was scanned.
    virtual Dib acquire() = 0;
};

Scanner& system_scanner();
Scanner& scanner();
Scanner* install_scanner(Scanner* replacement);

}  // namespace platform
