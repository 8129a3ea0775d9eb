// The Escape key through user32's asynchronous key state.
#include <windows.h>

#include "platform/keys.h"

namespace platform {

// Held now (high bit), or pressed and released since the previous look (low
// bit), so that a short press between two looks is not lost.
bool escape_key_down() { return (GetAsyncKeyState(VK_ESCAPE) & 0x8001) != 0; }

}  // namespace platform
