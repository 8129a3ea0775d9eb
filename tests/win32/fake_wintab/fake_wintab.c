/* A tablet interface module for the tests: the five calls the engine binds,
 * exported by ordinal only (a lookup by name finds none of them), answering
 * for one pen whose queue holds two packets, and noting what it was given
 * for the test to read through fake_wintab_log. */
#include <windows.h>

#include <string.h>

#include "fake_wintab.h"

static struct FakeWintabLog log_;

/* The default context's record, in the interface's layout (172 bytes). */
typedef struct {
    char lcName[40];
    UINT lcOptions, lcStatus, lcLocks, lcMsgBase, lcDevice, lcPktRate;
    DWORD lcPktData, lcPktMode, lcMoveMask, lcBtnDnMask, lcBtnUpMask;
    LONG lcInOrgX, lcInOrgY, lcInOrgZ, lcInExtX, lcInExtY, lcInExtZ;
    LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ, lcOutExtX, lcOutExtY, lcOutExtZ;
    DWORD lcSensX, lcSensY, lcSensZ;
    BOOL lcSysMode;
    int lcSysOrgX, lcSysOrgY, lcSysExtX, lcSysExtY;
    DWORD lcSysSensX, lcSysSensY;
} Context;

typedef struct {
    LONG axMin, axMax;
    UINT axUnits;
    DWORD axResolution;
} Axis;

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)module, (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) log_.errorModeAtLoad = GetErrorMode();
    return TRUE;
}

UINT WINAPI WTInfoA(UINT category, UINT index, void* out) {
    if (category == 100 && index == 15) {
        Axis a = {0, 1023, 0, 0};
        memcpy(out, &a, sizeof a);
        return sizeof a;
    }
    if (category == 3 && index == 0) {
        Context c;
        memset(&c, 0, sizeof c);
        strcpy(c.lcName, "default");
        c.lcOptions = 4;
        c.lcPktData = 0xFFFF;
        c.lcBtnDnMask = 0x3;
        c.lcBtnUpMask = 0x7;
        c.lcInExtX = 15200;
        c.lcInExtY = 9500;
        c.lcOutExtX = 15200;
        c.lcOutExtY = 9500;
        memcpy(out, &c, sizeof c);
        return sizeof c;
    }
    return 0;
}

HANDLE WINAPI WTOpenA(HWND window, const Context* c, BOOL enable) {
    log_.window = window;
    log_.enabled = enable;
    memcpy(log_.name, c->lcName, sizeof log_.name);
    log_.packetData = c->lcPktData;
    log_.moveMask = c->lcMoveMask;
    log_.options = c->lcOptions;
    log_.packetMode = c->lcPktMode;
    log_.buttonDownMask = c->lcBtnDnMask;
    log_.buttonUpMask = c->lcBtnUpMask;
    log_.inExtentX = c->lcInExtX;
    log_.outOriginX = c->lcOutOrgX;
    log_.outOriginY = c->lcOutOrgY;
    log_.outExtentX = c->lcOutExtX;
    log_.outExtentY = c->lcOutExtY;
    return (HANDLE)(UINT_PTR)0x5A5A;
}

BOOL WINAPI WTClose(HANDLE context) {
    log_.closed = context == (HANDLE)(UINT_PTR)0x5A5A;
    return TRUE;
}

int WINAPI WTPacketsGet(HANDLE context, int most, void* packets) {
    /* status, x, y, normal pressure: the eraser end at half pressure, then
     * the pen tip barely touching. */
    static const DWORD queued[2][4] = {{0x10, 150, 260, 512}, {0, 5, 6, 3}};
    if (context != (HANDLE)(UINT_PTR)0x5A5A) return 0;
    if (packets == NULL) {
        log_.discarded = most;
        return 0;
    }
    memcpy(packets, queued, sizeof queued);
    return 2;
}

BOOL WINAPI WTQueueSizeSet(HANDLE context, int size) {
    log_.queueSize = context == (HANDLE)(UINT_PTR)0x5A5A ? size : -1;
    return TRUE;
}

const struct FakeWintabLog* fake_wintab_log(void) { return &log_; }
