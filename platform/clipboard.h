// The clipboard as the engine uses it: one picture, exchanged as a packed
// device-independent bitmap (platform/imglib/dib.h), shared with the other
// programs of the desktop where the system has a clipboard.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

using Dib = std::vector<uint8_t>;

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Makes the bitmap the clipboard's content, for this program and the
    // others, until something replaces it; it stays available after the
    // call returns. False when the clipboard could not be taken: it then
    // holds what it held before.
    virtual bool put(Dib dib) = 0;
    // The clipboard's picture as a packed bitmap; empty when the clipboard
    // holds no picture or it could not be read.
    virtual Dib take() = 0;
    // Whether the last picture put is still what the desktop's clipboard
    // offers to other programs (false once another program put something,
    // and always on a clipboard that lives inside the process).
    virtual bool owned() = 0;
};

// The clipboard of this system, made on first use.
Clipboard& system_clipboard();

// The clipboard the engine uses: the system's unless another was installed.
Clipboard& clipboard();
// Installs a clipboard in place of the system's (null restores it);
// returns the one installed before. For tests.
Clipboard* install_clipboard(Clipboard* replacement);

}  // namespace platform
