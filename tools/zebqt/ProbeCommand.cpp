// zebqt probe FILE: the stream records the reader gives for a movie.
#include <iostream>
#include <stdexcept>

#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/StreamFields.h"

namespace {

void WriteFieldsJson(JsonWriter& json, const std::vector<StreamField>& fields) {
  json.BeginObject();
  for (const StreamField& field : fields) {
    json.Key(field.name);
    std::visit(
        [&json](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::string>) {
            json.String(value);
          } else if constexpr (std::is_same_v<T, int64_t>) {
            json.Number(value);
          } else {
            json.Unsigned(value);
          }
        },
        field.value);
  }
  json.EndObject();
}

void PrintFieldsText(const std::string& title, const std::vector<StreamField>& fields) {
  std::cout << title << '\n';
  for (const StreamField& field : fields) {
    std::string name = field.name;
    name.resize(20, ' ');
    std::cout << "  " << name;
    std::visit([](const auto& value) { std::cout << value; }, field.value);
    if (!field.label.empty()) std::cout << " (" << field.label << ')';
    std::cout << '\n';
  }
}

}  // namespace

int RunProbe(const PluginLibrary& plugin, const CommandLine& line) {
  const std::string path = MovieArgument(line);
  ReaderSession session(plugin, path);
  const uint32_t video_count = session.VideoStreamCount();
  const uint32_t audio_count = session.AudioStreamCount();
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginObject().Field("file", path).Key("video").BeginArray();
    if (video_count > 0) WriteFieldsJson(json, VideoFields(session.VideoStream()));
    json.EndArray().Key("audio").BeginArray();
    for (uint32_t i = 0; i < audio_count; ++i)
      WriteFieldsJson(json, AudioFields(session.AudioStream(i)));
    json.EndArray().EndObject();
    std::cout << '\n';
    return 0;
  }
  std::cout << path << ": " << video_count << " video stream(s), " << audio_count
            << " audio stream(s)\n";
  if (video_count > 0) PrintFieldsText("video", VideoFields(session.VideoStream()));
  for (uint32_t i = 0; i < audio_count; ++i) {
    PrintFieldsText("audio " + std::to_string(i), AudioFields(session.AudioStream(i)));
  }
  return 0;
}
