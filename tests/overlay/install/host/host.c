/* Draws shapes and Latin and Chinese text into an I420 frame through an
 * installed libDravik.so, calls the drawing-context family, and checks the
 * codes it gets back. */
#include <Dravik.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { W = 352, H = 288 };

static int failures;

static void expect(int got, int want, const char *what)
{
    if (got != want) {
        fprintf(stderr, "%s: got %d, want %d\n", what, got, want);
        ++failures;
    }
}

/* Whether any luma sample of rows r0..r1 and columns c0..c1 is not `value`. */
static int touched(const uint8_t *y, int r0, int r1, int c0, int c1, uint8_t value)
{
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            if (y[r * W + c] != value)
                return 1;
    return 0;
}

int main(void)
{
    uint8_t *y = malloc(W * H), *u = malloc(W * H / 4), *v = malloc(W * H / 4);
    memset(y, 16, W * H);
    memset(u, 128, W * H / 4);
    memset(v, 128, W * H / 4);
    DravikFrame frame = {{y, u, v, NULL}, {W, W / 2, W / 2, 0}, W, H};
    const float zone[] = {0.1f, 0.6f, 0.4f, 0.55f, 0.45f, 0.9f, 0.05f, 0.95f};
    char tooLong[300];
    memset(tooLong, 'x', sizeof tooLong - 1);
    tooLong[sizeof tooLong - 1] = '\0';

    expect(Dravik_DrawLine(0.0f, 0.5f, 1.0f, 0.5f, 2, 0x00FFFF, &frame, 0),
           DRAVIK_OK, "line");
    expect(touched(y, 144, 145, 0, W - 1, 16) && !touched(y, 146, 146, 0, W - 1, 16),
           1, "line rows 144 and 145");
    expect(Dravik_DrawRectangle(0.6f, 0.6f, 0.9f, 0.9f, 3, 0x0000FF, 0, 1,
                                &frame, 0),
           DRAVIK_OK, "rectangle");
    expect(Dravik_DrawPloygon(4, zone, 2, 0x00FF00, 0, 0, &frame, 0),
           DRAVIK_OK, "polygon");
    expect(Dravik_DrawLine(0, 0, 1, 1, 1, 0, NULL, 0), DRAVIK_E_PARAM,
           "line without a frame");

    DravikWordContext *latin = NULL, *chinese = NULL;
    expect(Dravik_DrawWord(0.02f, 0.02f, 0, 0, 1, 0x000000, "Speed 60 km/h", 20,
                           0, "DejaVu Sans", 0xFFFFFF, &frame, &latin, 0),
           DRAVIK_OK, "Latin text");
    expect(touched(y, 5, 20, 7, 40, 16), 1, "Latin text box");
    expect(Dravik_DrawWord(0.02f, 0.2f, 0, 0, 1, 0xFFFFFF, "智能交通 京A12345",
                           24, 0, "WenQuanYi Micro Hei", 0x0000FF, &frame,
                           &chinese, 0),
           DRAVIK_OK, "Chinese text");
    expect(touched(y, 60, 80, 7, 60, 16), 1, "Chinese text box");
    expect(Dravik_DrawWord(0.5f, 0.02f, 0, 0, 1, 0x000000, "Speed 60 km/h", 20,
                           0, "DejaVu Sans", 0xFFFFFF, &frame, &latin, 0),
           DRAVIK_OK, "Latin text moved");
    expect(Dravik_DrawWord(0, 0, 0, 0, 1, 0, tooLong, 20, 0, "DejaVu Sans", 0,
                           &frame, &latin, 0),
           DRAVIK_E_PARAM, "text too long");
    Dravik_DrawEnd(&latin);
    Dravik_DrawEnd(&chinese);
    expect(latin == NULL && chinese == NULL, 1, "slots cleared");
    Dravik_DrawEnd(&latin);
    Dravik_DrawEnd(NULL);

    /* The drawing-context family links and refuses a missing context; this
     * host includes no cairo header. */
    const int32_t region[] = {10, 10, 100, 10, 100, 80};
    expect(Dravik_StartTextEngine(), DRAVIK_OK, "text engine start");
    expect(Dravik_GdiplusDrawLine(0, 0, 10, 10, 1, 0, 0, 0, 0, NULL),
           DRAVIK_E_PARAM, "pen line without a context");
    expect(Dravik_GdiplusDrawRectLabelLine(3, region, 1, 0, 0, 0, NULL),
           DRAVIK_E_PARAM, "region mark without a context");
    expect(Dravik_GdiplusDrawRectLabelLine(3, region, 1, 0, 0, 7, NULL),
           DRAVIK_OK, "region mark of an unknown type");
    expect(Dravik_GdiplusOSD(0, 0, "OSD", 20, "DejaVu Sans", 0xFFFFFF, 100, 0,
                             50, 0, 1, NULL),
           DRAVIK_E_PARAM, "on-screen text without a context");
    Dravik_StopTextEngine();
    Dravik_StopTextEngine();

    free(y);
    free(u);
    free(v);
    if (failures == 0)
        puts("dravik host: all codes as expected");
    return failures != 0;
}
