// The Find window (being built).
#include "search/frmfind.h"

namespace {
frmFind *g_find = nullptr;
}

frmFind &frmFind::instance()
{
    if (!g_find)
        g_find = new frmFind;
    return *g_find;
}

bool frmFind::isLoaded() { return g_find != nullptr; }

void frmFind::unload()
{
    delete g_find;
    g_find = nullptr;
}

frmFind::frmFind() {}
frmFind::~frmFind() = default;
void frmFind::cmdFind_Click() {}
