// The dialog layer: modal dialogs from templates with a dialog procedure,
// control texts and numbers, message boxes. The windows are drawn by a
// module loaded from the caller's folder on first use; without a display
// (neither DISPLAY nor WAYLAND_DISPLAY set, or the module cannot start)
// nothing is shown and DialogsAvailable answers false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/DialogModule.h"

namespace zeb::ui {

// Loads and starts the module from the folder of the library that holds
// this layer, on the first call; later calls answer the first one's result.
bool DialogsAvailable();

// -1 when dialogs are not available or the window could not be made.
intptr_t DialogBoxParam(const DialogTemplate& dialogTemplate, DialogProc proc, intptr_t param);
void EndDialog(DialogHandle dialog, intptr_t result);

bool SetDlgItemText(DialogHandle dialog, int32_t id, std::u16string_view text);
bool SetDlgItemTextUtf8(DialogHandle dialog, int32_t id, std::string_view text);
std::string GetDlgItemTextUtf8(DialogHandle dialog, int32_t id);
bool SetDlgItemInt(DialogHandle dialog, int32_t id, uint32_t value);
// The control's text as an unsigned number; false (and 0) when it holds
// anything but digits between optional blanks, or a value above 2^32 - 1.
bool GetDlgItemInt(DialogHandle dialog, int32_t id, uint32_t* value);
bool ParseUnsigned(std::string_view text, uint32_t* value);

intptr_t SendDlgItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);
void SetDialogUserData(DialogHandle dialog, void* data);
void* GetDialogUserData(DialogHandle dialog);

// kIdOk or kIdCancel; kIdCancel when no window can be shown.
int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t buttons);

}  // namespace zeb::ui
