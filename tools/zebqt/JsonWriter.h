// A small streaming JSON writer: objects, arrays, strings and numbers, with
// the commas and escapes done once here.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view value);
  JsonWriter& Number(int64_t value);
  JsonWriter& Unsigned(uint64_t value);
  JsonWriter& Bool(bool value);

  // Key followed by a value.
  template <typename Value>
  JsonWriter& Field(std::string_view key, const Value& value);

 private:
  void BeforeValue();

  std::ostream& out_;
  // One entry per open container: whether it has a member yet.
  std::vector<bool> has_member_;
  bool after_key_ = false;
};

template <typename Value>
JsonWriter& JsonWriter::Field(std::string_view key, const Value& value) {
  Key(key);
  if constexpr (std::is_same_v<Value, bool>) {
    return Bool(value);
  } else if constexpr (std::is_convertible_v<Value, std::string_view>) {
    return String(value);
  } else if constexpr (std::is_signed_v<Value>) {
    return Number(value);
  } else {
    return Unsigned(value);
  }
}
