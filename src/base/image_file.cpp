#include "base/image_file.h"

#include <cstdint>

#include "base/logger.h"

namespace {
// The imaging library's flat interface, as far as a picture file needs it.
struct StartupInput {
    UINT32 version = 1;
    void* debugCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);
using FromFileFn = int(WINAPI*)(const WCHAR*, void**);
using ToHbitmapFn = int(WINAPI*)(void*, HBITMAP*, DWORD);
using DisposeFn = int(WINAPI*)(void*);

template <class F>
F resolve(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

HBITMAP LoadImageFile(HMODULE imaging, const std::wstring& path) {
    if (!imaging) return nullptr;
    const auto startup = resolve<StartupFn>(imaging, "GdiplusStartup");
    const auto shutdown = resolve<ShutdownFn>(imaging, "GdiplusShutdown");
    const auto fromFile = resolve<FromFileFn>(imaging, "GdipCreateBitmapFromFile");
    const auto toHbitmap = resolve<ToHbitmapFn>(imaging, "GdipCreateHBITMAPFromBitmap");
    const auto dispose = resolve<DisposeFn>(imaging, "GdipDisposeImage");
    if (!startup || !shutdown || !fromFile || !toHbitmap || !dispose) return nullptr;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;

    ULONG_PTR token = 0;
    const StartupInput input;
    if (startup(&token, &input, nullptr) != 0) return nullptr;
    HBITMAP result = nullptr;
    void* bitmap = nullptr;
    if (fromFile(path.c_str(), &bitmap) == 0 && bitmap) {
        if (toHbitmap(bitmap, &result, 0xFFFFFFFF) != 0) result = nullptr;
        dispose(bitmap);
    }
    shutdown(token);
    return result;
}
