// The two status lines of the setup layout, set from any thread; the
// dialog's thread carries the text out. The update layout has neither
// control, so there the texts go nowhere.
#include "app/main_dialog.h"
#include "engine/setup_engine.h"
#include "res/resource.h"

void SetStatusLine(const char* text, int line) {
    int id;
    if (line == 0) {
        id = IDC_STATUS_FILE;
    } else if (line == 1) {
        id = IDC_STATUS_TIME;
    } else {
        return;
    }
    SetWindowTextA(GetDlgItem(g_mainDialog, id), text);
}
