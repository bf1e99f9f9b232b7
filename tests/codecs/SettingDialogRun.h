// A settings dialog export (701 video, 702 audio) run under an X display
// while a script plays the user; what it handed back, its block erased.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "tests/support/ScriptedUser.h"

namespace zeb::test {

template <typename Record>
struct DialogOutcome {
  uint32_t result = 0, kind = 0;
  std::vector<uint8_t> block;
  Record record{};
};

// The test skips without a display; the script must end with exit code 0.
template <typename Record>
DialogOutcome<Record> RunSettingDialog(const TestPlugin& plugin, uint32_t ordinal, Record record,
                                       const std::string& script) {
  using Export = uint32_t (*)(Record*, uint32_t, uint32_t, uint32_t*, void**, uint32_t*);
  DialogOutcome<Record> outcome;
  ScriptedUser user(script);
  void* block = nullptr;
  uint32_t size = 0;
  outcome.result = plugin.Get<Export>(ordinal)(&record, 0, 0, &outcome.kind, &block, &size);
  EXPECT_EQ(user.Wait(), 0);
  outcome.record = record;
  if (block != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(block);
    outcome.block.assign(bytes, bytes + size);
  }
  EXPECT_EQ(plugin.Get<PFN_EraseCustomSettingMemory>(ZEB_ORD_EraseCustomSettingMemory)(block), 0u);
  return outcome;
}

}  // namespace zeb::test
