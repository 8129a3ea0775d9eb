/* A Windows host: linked against the import library, it finds paintcore.dll
 * beside itself or on the PATH. Built as C, 64-bit or 32-bit:
 *   x86_64-w64-mingw32-gcc host.c -Iinclude build-win64/libpaintcore.dll.a
 *   i686-w64-mingw32-gcc host.c -Iinclude build-win32/libpaintcore.dll.a */
#include <stdio.h>
#include <windows.h>

#include "paintcore.h"

int main(void) {
    static unsigned char px[4] = {255, 128, 0, 255}, image[640 * 480 * 4];
    PTE_CreateImage(GetConsoleWindow(), 640, 480, 128, 0);  /* image and tip capacity */
    PTE_CreateLayer(1, 640, 480);                   /* the background: opaque white */
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayer(1);
    PTE_LoadRGBA32Layer(px, 4, 1, 10, 10, 1, 1, 0);  /* one pixel at (10, 10) */
    PTE_GetRGBA32(image, 640 * 4);                  /* the layer as RGBA32 */
    printf("%d %s\n", image[(10 * 640 + 10) * 4 + 1], PTE_GetLastError());  /* 128 */
    PTE_DeleteImage();
    return 0;
}
