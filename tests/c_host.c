/* The public header used from C, as the README shows: a host creates an
 * image and a layer, loads a pixel and reads it back. */
#include <stdio.h>

#include "paintcore.h"

int main(void) {
    unsigned char px[4] = {255, 128, 0, 255};
    unsigned char back[4] = {0};
    PTE_CreateImage(NULL, 1, 1, 16, 0);
    if (PTE_CreateLayer(1, 1, 1) != 1) return 1;
    PTE_SetLayer(1);
    PTE_LoadRGBA32(px, 4, 0);
    if (PTE_GetRGBA32(back, 4) != 1) return 1;
    printf("%u %u %u %u\n", back[0], back[1], back[2], back[3]);
    PTE_DeleteImage();
    return (back[0] == 255 && back[1] == 128 && back[2] == 0 && back[3] == 255) ? 0 : 1;
}
