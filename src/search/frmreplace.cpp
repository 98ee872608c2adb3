// The Replace window (being built).
#include "search/frmreplace.h"

namespace {
frmReplace *g_replace = nullptr;
}

frmReplace &frmReplace::instance()
{
    if (!g_replace)
        g_replace = new frmReplace;
    return *g_replace;
}

bool frmReplace::isLoaded() { return g_replace != nullptr; }

void frmReplace::unload()
{
    delete g_replace;
    g_replace = nullptr;
}

frmReplace::frmReplace() {}
frmReplace::~frmReplace() = default;
