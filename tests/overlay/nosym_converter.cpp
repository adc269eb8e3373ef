// A converter module that loads but lacks DSP_bgr24toyuv420.
extern "C" __attribute__((visibility("default"))) int DSP_somethingElse()
{
    return 0;
}
