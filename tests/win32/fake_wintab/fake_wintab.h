/* What the test module of the tablet interface was given. */
#pragma once

#include <windows.h>

struct FakeWintabLog {
    UINT errorModeAtLoad;
    HWND window;
    BOOL enabled;
    char name[40];
    DWORD packetData, moveMask, options, packetMode, buttonDownMask, buttonUpMask;
    LONG inExtentX, outOriginX, outOriginY, outExtentX, outExtentY;
    int queueSize;
    int discarded;
    BOOL closed;
};

typedef const struct FakeWintabLog*(*FakeWintabLogFn)(void);
