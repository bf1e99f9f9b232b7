// The boundary between the dialog layer and the module that draws its
// windows (GTK 3, a shared library of its own that is loaded only when a
// dialog is to be shown). Both sides are built from this header; the
// version guards against a module of another build.
#pragma once

#include <cstdint>

#include "platform/ui/DialogTemplate.h"

namespace zeb::ui {

struct Dialog;  // a dialog window while it runs; the module's own
using DialogHandle = Dialog*;

// Messages a dialog procedure receives.
inline constexpr uint32_t kMsgInitDialog = 0x0110;  // lParam: the caller's parameter
inline constexpr uint32_t kMsgCommand = 0x0111;     // wParam: the control's ID

// Messages a control takes (SendItemMessage); answers are -1 for a control
// of another kind.
inline constexpr uint32_t kMsgListAddString = 0x0143;      // lParam: UTF-8 text; answer: its index
inline constexpr uint32_t kMsgListSetSelection = 0x014E;   // wParam: index
inline constexpr uint32_t kMsgListGetSelection = 0x0147;   // answer: the index, -1 for none
inline constexpr uint32_t kMsgSliderSetPosition = 0x0405;  // lParam: position
inline constexpr uint32_t kMsgSliderGetPosition = 0x0400;  // answer: the position

// Answers 1 when it handled the message, 0 when not.
using DialogProc = intptr_t (*)(DialogHandle dialog, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// The IDs the keyboard and the window's close box send as commands.
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;

// Message box buttons and answers.
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;

inline constexpr uint32_t kDialogModuleVersion = 1;

struct DialogModuleApi {
  uint32_t version;
  // 0 when windows can be shown (the display answered), else nonzero.
  int32_t (*start)();
  // Runs the dialog modally; the answer is the value EndDialog gave, -1 when
  // the window could not be made.
  intptr_t (*runDialog)(const DialogTemplate* dialogTemplate, DialogProc proc, intptr_t param);
  void (*endDialog)(DialogHandle dialog, intptr_t result);
  // Texts are UTF-8; getItemText copies at most capacity - 1 bytes and a
  // terminating zero, and answers the length of the whole text.
  int32_t (*setItemText)(DialogHandle dialog, int32_t id, const char* text);
  int32_t (*getItemText)(DialogHandle dialog, int32_t id, char* text, int32_t capacity);
  intptr_t (*sendItemMessage)(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                              intptr_t lParam);
  void (*setUserData)(DialogHandle dialog, void* data);
  void* (*getUserData)(DialogHandle dialog);
  // Answers the ID of the pressed button (kIdOk, kIdCancel).
  int32_t (*messageBox)(const char* text, const char* caption, uint32_t buttons);
};

// The module's one export.
inline constexpr const char* kDialogModuleEntry = "ZEBDialogModuleApi";
inline constexpr const char* kDialogModuleFile = "libZEBPlugDialogsGtk.so";
using DialogModuleEntry = const DialogModuleApi* (*)();

}  // namespace zeb::ui
