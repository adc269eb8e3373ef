/* A host that loads libDravik.so at run time, draws text, unloads it and
 * loads it again, as player plug-ins do. Each round must draw. */
#include <Dravik.h>

#include <dlfcn.h>
#include <stdio.h>

typedef int (*DrawWord)(float, float, uint32_t, uint32_t, uint32_t, uint32_t,
                        const char *, uint32_t, uint32_t, const char *,
                        uint32_t, DravikFrame *, DravikWordContext **, uint32_t);

int main(int argc, char **argv)
{
    static uint8_t y[160 * 64], u[80 * 32], v[80 * 32];
    DravikFrame frame = {{y, u, v, NULL}, {160, 80, 80, 0}, 160, 64};
    if (argc != 2)
        return 2;
    for (int round = 0; round < 3; ++round) {
        void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            fprintf(stderr, "%s\n", dlerror());
            return 1;
        }
        DrawWord draw = (DrawWord)dlsym(library, "Dravik_DrawWord");
        y[0] = 0;
        const int rc = draw ? draw(0, 0, 0, 0, 1, 0xFFFFFF, "车道 2", 20, 0,
                                   "DejaVu Sans", 0, &frame, NULL, 0)
                            : -1;
        dlclose(library);
        if (rc != DRAVIK_OK || y[0] == 0) {
            fprintf(stderr, "round %d: %d\n", round, rc);
            return 1;
        }
    }
    return 0;
}
