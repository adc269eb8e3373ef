// A converter module that loads but lacks DSP_bgr24toyuv420.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int DSP_somethingElse()
#else
extern "C" __attribute__((visibility("default"))) int DSP_somethingElse()
#endif
{
    return 0;
}
