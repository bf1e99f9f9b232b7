// The dialog procedure of a settings form over a session record: `Show`
// fills the controls from the session when the dialog opens, `Read` takes
// them back when OK is pressed; Cancel ends the dialog with nothing read.
#pragma once

#include <cstdint>

#include "platform/ui/Dialogs.h"

namespace zeb::ui {

template <typename Session, void (*Show)(DialogHandle, Session&),
          void (*Read)(DialogHandle, Session&)>
intptr_t SettingsFormProc(DialogHandle dialog, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) {
  if (message == kMsgInitDialog) {
    SetDialogUserData(dialog, reinterpret_cast<void*>(lParam));
    Show(dialog, *reinterpret_cast<Session*>(lParam));
    return 1;
  }
  if (message != kMsgCommand) return 0;
  if (wParam == kIdOk) {
    Read(dialog, *static_cast<Session*>(GetDialogUserData(dialog)));
    EndDialog(dialog, kIdOk);
    return 1;
  }
  if (wParam == kIdCancel) {
    EndDialog(dialog, kIdCancel);
    return 1;
  }
  return 0;
}

}  // namespace zeb::ui
