// The fields of a stream record as name/value pairs, so the text and JSON
// printers show the same thing.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "zebplug/ZEBPlug.h"

struct StreamField {
  std::string name;
  std::variant<uint64_t, int64_t, std::string> value;
  std::string label = {};  // the value's name, printed beside it in text; JSON keeps the value
};

std::vector<StreamField> VideoFields(const SPlugStreamInfo& info);
std::vector<StreamField> AudioFields(const SPlugStreamInfo& info);
