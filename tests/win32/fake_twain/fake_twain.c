/* A data source manager for the tests: two sources, "Flatbed" and
 * "Camera" (the default), the user's pick in the selection dialog being
 * the first. Enabling a source posts a message to the session's window,
 * which the source then claims as its "transfer ready" event; the transfer
 * hands out a 2 x 2 24-bit bitmap. What the manager was asked is noted for
 * the test to read through fake_twain_log. */
#include <windows.h>

#include <string.h>

#include "fake_twain.h"

#pragma pack(push, 2)
typedef struct {
    WORD MajorNum, MinorNum, Language, Country;
    char Info[34];
} Version;
typedef struct {
    DWORD Id;
    Version Version;
    WORD ProtocolMajor, ProtocolMinor;
    DWORD SupportedGroups;
    char Manufacturer[34], ProductFamily[34], ProductName[34];
} Identity;
typedef struct {
    WORD ShowUI, ModalUI;
    HANDLE hParent;
} UserInterface;
typedef struct {
    void* pEvent;
    WORD TWMessage;
} Event;
typedef struct {
    WORD Count;
    DWORD EOJ;
} Pending;
typedef struct {
    WORD Cap, ConType;
    HANDLE hContainer;
} Capability;
typedef struct {
    WORD ItemType;
    DWORD Item;
} OneValue;
#pragma pack(pop)

enum { SUCCESS = 0, FAILURE = 1, DSEVENT = 4, NOTDSEVENT = 5, XFERDONE = 6, ENDOFLIST = 7 };
enum { READY = WM_USER + 7 };

static struct FakeTwainLog log_ = {0, "", 0, -1, 0};
static const char* const names[2] = {"Flatbed", "Camera"};
static int next_;

static void identify(Identity* s, int index) {
    memset(s, 0, sizeof *s);
    s->Id = (DWORD)(index + 1);
    strcpy(s->ProductName, names[index]);
}

/* The bitmap: top row (10, 20, 30), (40, 50, 60); bottom row (1, 2, 3), (4, 5, 6). */
static HGLOBAL bitmap(void) {
    static const BYTE rows[] = {3, 2, 1, 6, 5, 4, 0, 0, 30, 20, 10, 60, 50, 40, 0, 0};
    BITMAPINFOHEADER h;
    HGLOBAL block = GlobalAlloc(GHND, sizeof h + sizeof rows);
    BYTE* p = (BYTE*)GlobalLock(block);
    memset(&h, 0, sizeof h);
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biPlanes = 1;
    h.biBitCount = 24;
    memcpy(p, &h, sizeof h);
    memcpy(p + sizeof h, rows, sizeof rows);
    GlobalUnlock(block);
    return block;
}

static WORD identity(WORD message, Identity* s) {
    switch (message) {
        case 4: /* MSG_GETFIRST */
            next_ = 0;
            /* fall through */
        case 5: /* MSG_GETNEXT */
            if (next_ >= 2) return ENDOFLIST;
            identify(s, next_++);
            return SUCCESS;
        case 3: /* MSG_GETDEFAULT */
            identify(s, 1);
            return SUCCESS;
        case 0x0403: /* MSG_USERSELECT */
            ++log_.userSelects;
            identify(s, 0);
            return SUCCESS;
        case 0x0401: /* MSG_OPENDS */
            strcpy(log_.opened, s->ProductName);
            return SUCCESS;
        case 0x0402: /* MSG_CLOSEDS */
            return SUCCESS;
    }
    return FAILURE;
}

WORD WINAPI DSM_Entry(Identity* app, Identity* source, DWORD group, WORD data, WORD message, void* record) {
    (void)app, (void)source;
    if (group == 2 && data == 0x0104 && message == 1) { /* DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET */
        *(HGLOBAL*)record = bitmap();
        return XFERDONE;
    }
    switch (data) {
        case 4: /* DAT_PARENT */
            log_.openSessions += message == 0x0301 ? 1 : -1;
            return SUCCESS;
        case 3: /* DAT_IDENTITY */
            return identity(message, (Identity*)record);
        case 1: { /* DAT_CAPABILITY */
            const Capability* c = (const Capability*)record;
            const OneValue* v = (const OneValue*)GlobalLock(c->hContainer);
            if (c->Cap == 0x0101 && v != NULL) log_.pixelTypeSet = (int)v->Item;
            GlobalUnlock(c->hContainer);
            return SUCCESS;
        }
        case 9: { /* DAT_USERINTERFACE */
            const UserInterface* ui = (const UserInterface*)record;
            if (message == 0x0502) { /* MSG_ENABLEDS */
                log_.showUI = ui->ShowUI;
                PostMessageA((HWND)ui->hParent, READY, 0, 0);
            }
            return SUCCESS;
        }
        case 2: { /* DAT_EVENT */
            Event* e = (Event*)record;
            const MSG* m = (const MSG*)e->pEvent;
            e->TWMessage = m->message == READY ? 0x0101 : 0; /* MSG_XFERREADY */
            return m->message == READY ? DSEVENT : NOTDSEVENT;
        }
        case 5: /* DAT_PENDINGXFERS */
            ((Pending*)record)->Count = 0;
            return SUCCESS;
    }
    return FAILURE;
}

const struct FakeTwainLog* fake_twain_log(void) { return &log_; }
