// The text engine's count, start and stop, and the text rules every
// platform shares.
#include "text_engine.h"

namespace dravik {

std::atomic<uint32_t> engineRefCount{0};
std::mutex engineMutex;

// The count is atomic so that it can be read without the lock; the calls
// that bring it to 1 and back to 0 start and stop the engine under it.
void engineAcquire()
{
    std::lock_guard<std::mutex> lock(engineMutex);
    if (engineRefCount.fetch_add(1) == 0)
        startTextEngine();
}

void engineRelease()
{
    std::lock_guard<std::mutex> lock(engineMutex);
    if (engineRefCount.fetch_sub(1) == 1)
        stopTextEngine();
}

void cutToUnits(std::u16string &text, size_t units)
{
    if (text.size() <= units)
        return;
    size_t cut = units;
    // A high surrogate left at the end would be half a character.
    if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
        --cut;
    text.resize(cut);
}

}  // namespace dravik
