#include "platform/ui/Dialogs.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/sys/ModulePath.h"
#include "platform/sys/Utf.h"

namespace zeb::ui {

namespace {

const DialogModuleApi* g_module = nullptr;

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The module stays loaded for the life of the process: GTK cannot be
// unloaded once started.
const DialogModuleApi* LoadModule() {
  if (!HasDisplay()) return nullptr;
  const std::string folder = zeb::sys::FolderOf(zeb::sys::ModulePathOf(&g_module));
  void* library = dlopen((folder + kDialogModuleFile).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  const auto entry = reinterpret_cast<DialogModuleEntry>(dlsym(library, kDialogModuleEntry));
  const DialogModuleApi* api = entry == nullptr ? nullptr : entry();
  if (api == nullptr || api->version != kDialogModuleVersion || api->start() != 0) return nullptr;
  return api;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool DialogsAvailable() {
  static std::once_flag once;
  std::call_once(once, [] { g_module = LoadModule(); });
  return g_module != nullptr;
}

intptr_t DialogBoxParam(const DialogTemplate& dialogTemplate, DialogProc proc, intptr_t param) {
  if (!DialogsAvailable()) return -1;
  return g_module->runDialog(&dialogTemplate, proc, param);
}

void EndDialog(DialogHandle dialog, intptr_t result) { g_module->endDialog(dialog, result); }

bool SetDlgItemTextUtf8(DialogHandle dialog, int32_t id, std::string_view text) {
  const std::string terminated(text);
  return g_module->setItemText(dialog, id, terminated.c_str()) != 0;
}

bool SetDlgItemText(DialogHandle dialog, int32_t id, std::u16string_view text) {
  return SetDlgItemTextUtf8(dialog, id, zeb::sys::Utf16ToUtf8(text));
}

std::string GetDlgItemTextUtf8(DialogHandle dialog, int32_t id) {
  const int32_t length = g_module->getItemText(dialog, id, nullptr, 0);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<size_t>(length) + 1);
  g_module->getItemText(dialog, id, text.data(), static_cast<int32_t>(text.size()));
  return std::string(text.data());
}

bool SetDlgItemInt(DialogHandle dialog, int32_t id, uint32_t value) {
  return SetDlgItemTextUtf8(dialog, id, std::to_string(value));
}

bool ParseUnsigned(std::string_view text, uint32_t* value) {
  *value = 0;
  size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  uint64_t number = 0;
  size_t digits = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
    number = number * 10 + static_cast<uint64_t>(text[at] - '0');
    if (number > UINT32_MAX) return false;
  }
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (digits == 0 || at != text.size()) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

bool GetDlgItemInt(DialogHandle dialog, int32_t id, uint32_t* value) {
  return ParseUnsigned(GetDlgItemTextUtf8(dialog, id), value);
}

intptr_t SendDlgItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
  return g_module->sendItemMessage(dialog, id, message, wParam, lParam);
}

void SetDialogUserData(DialogHandle dialog, void* data) { g_module->setUserData(dialog, data); }

void* GetDialogUserData(DialogHandle dialog) { return g_module->getUserData(dialog); }

int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t buttons) {
  if (!DialogsAvailable()) return kIdCancel;
  return g_module->messageBox(zeb::sys::Utf16ToUtf8(text).c_str(),
                              zeb::sys::Utf16ToUtf8(caption).c_str(), buttons);
}

}  // namespace zeb::ui
