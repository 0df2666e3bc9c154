// kit_form: shows the kit's form dialog so the robot can be shown to drive a
// window of another process. The exit code tells what the dialog saw: bit 0
// one rate change, bit 1 one tab change, bit 2 the name "remote" on OK,
// bit 3 closed with OK.
#include "KitForms.h"

int main() {
    FormLog log;
    INT_PTR result = RunFormModal(log);
    return (log.rateChanges == 1) | (log.tabChanges == 1) << 1 | (log.nameOnOk == "remote") << 2 |
           (result == IDOK) << 3;
}
