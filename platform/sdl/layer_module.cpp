// kernel32's modules and file copies, for live code: a demo's frame code
// built as a shared object, loaded, swapped and unloaded while it runs.
// Needs: libdl. Limits: an object's own symbols stay out of the global
// scope (RTLD_LOCAL), so two versions of one demo can be loaded at once.
#include "platform/sdl/layer_internal.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

HMODULE WINAPI LoadLibraryA(LPCSTR path)
{
    if (LayerShouldFail("LoadLibraryA") || !path)
        return nullptr;
    // Every reference resolved now: a missing symbol fails the load, not a
    // later frame.
    return (HMODULE)dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    if (LayerShouldFail("GetProcAddress") || !module || !name)
        return nullptr;
    return (FARPROC)dlsym((void*)module, name);
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    if (!module)
        return FALSE;
    return dlclose((void*)module) == 0 ? TRUE : FALSE;
}

BOOL WINAPI CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    if (LayerShouldFail("CopyFileA") || !from || !to)
        return FALSE;
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return FALSE;
    int out = open(to, O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC), 0644);
    if (out < 0) {
        close(in);
        return FALSE;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buffer + done, size_t(got - done));
            ok = put > 0;
            done += put > 0 ? put : 0;
        }
        if (!ok)
            break;
    }
    close(in);
    ok = close(out) == 0 && ok;
    if (!ok)
        unlink(to);
    return ok ? TRUE : FALSE;
}

BOOL WINAPI DeleteFileA(LPCSTR path)
{
    if (!path)
        return FALSE;
    return unlink(path) == 0 ? TRUE : FALSE;
}
