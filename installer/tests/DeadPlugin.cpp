// Stands in for a setup engine that Windows cannot load (an import this
// Windows lacks, say): the setup script must not take its silence for
// success.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) { return reason != DLL_PROCESS_ATTACH; }

extern "C" __declspec(dllexport) void __cdecl Install(HWND, int, char*, void*, void*) {}
extern "C" __declspec(dllexport) void __cdecl Uninstall(HWND, int, char*, void*, void*) {}
