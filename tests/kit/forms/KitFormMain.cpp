// kit_form: shows the kit's form dialog so the robot can be shown to drive a
// window of another process. The exit code tells what the dialog saw: bit 0
// one rate change, bit 1 one tab change, bit 2 the name "remote" on OK,
// bit 3 closed with OK. With the argument "box" it shows a Yes/No message
// box instead and exits with the answer; with "version" it exits with the
// Windows version it sees, platform * 10000 + major * 100 + minor.
#include "KitForms.h"
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "box") == 0)
        return MessageBoxA(nullptr, "Remote box", "Kit Form", MB_YESNO);
    if (argc > 1 && strcmp(argv[1], "version") == 0) {
        OSVERSIONINFOA v{sizeof v};
        if (!GetVersionExA(&v)) return 0;
        return static_cast<int>(v.dwPlatformId * 10000 + v.dwMajorVersion * 100 + v.dwMinorVersion);
    }
    FormLog log;
    INT_PTR result = RunFormModal(log);
    return (log.rateChanges == 1) | (log.tabChanges == 1) << 1 | (log.nameOnOk == "remote") << 2 |
           (result == IDOK) << 3;
}
