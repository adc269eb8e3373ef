/* The public header compiles as C, and every export can be called from C
 * through the shared library as installed beside its converter. */
#include "Dravik.h"

#include <stdio.h>
#include <string.h>

enum { W = 96, H = 64 };

static uint8_t luma[W * H], cb[(W / 2) * (H / 2)], cr[(W / 2) * (H / 2)];
static int failures;

static void expect(int got, int want, const char *what)
{
    if (got != want) {
        fprintf(stderr, "%s: got %d, want %d\n", what, got, want);
        ++failures;
    }
}

int main(void)
{
    DravikFrame frame = {{luma, cb, cr, NULL}, {W, W / 2, W / 2, 0}, W, H};
    const float triangle[] = {0.1f, 0.1f, 0.9f, 0.2f, 0.5f, 0.9f};
    DravikWordContext *slot = NULL;

    expect(Dravik_DrawLine(0.1f, 0.1f, 0.9f, 0.6f, 2, 0x0000FF, &frame, 0),
           DRAVIK_OK, "line");
    expect(luma[(H / 10) * W + W / 10], 76, "red line's luma");
    expect(Dravik_DrawLine(0, 0, 1, 1, 1, 0, NULL, 0), DRAVIK_E_PARAM,
           "line without a frame");
    expect(Dravik_DrawRectangle(0.2f, 0.2f, 0.8f, 0.8f, 3, 0x00FF00, 0, 1,
                                &frame, 0),
           DRAVIK_OK, "rectangle");
    expect(Dravik_DrawPloygon(3, triangle, 1, 0xFF0000, 0, 0, &frame, 0),
           DRAVIK_OK, "polygon");
    expect(Dravik_DrawPloygon(3, NULL, 1, 0, 0, 0, &frame, 0), DRAVIK_E_PARAM,
           "polygon without points");

    memset(luma, 0, sizeof luma);
    expect(Dravik_DrawWord(0, 0, 0, 0, 1, 0xFFFFFF, "Dravik 你好", 16, 0,
                           "DejaVu Sans", 0, &frame, &slot, 0),
           DRAVIK_OK, "text");
    expect(slot != NULL, 1, "context kept in the slot");
    expect(luma[0] > 200, 1, "white box in the corner");
    expect(Dravik_DrawWord(0.5f, 0.5f, 0, 0, 1, 0xFFFFFF, "Dravik 你好", 16, 0,
                           "DejaVu Sans", 0, &frame, &slot, 0),
           DRAVIK_OK, "cached text moved");
    expect(Dravik_DrawWord(0, 0, 0, 0, 1, 0xFFFFFF, "", 16, 0, "DejaVu Sans",
                           0, &frame, NULL, 0),
           DRAVIK_E_PARAM, "empty text");
    Dravik_DrawEnd(&slot);
    expect(slot == NULL, 1, "slot cleared");
    Dravik_DrawEnd(&slot);
    Dravik_DrawEnd(NULL);

    return failures != 0;
}
