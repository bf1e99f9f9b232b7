// zebqt info: library information, media-layer start-up and the exports the
// ordinal table fills.
#include <cstring>
#include <iostream>

#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/JsonWriter.h"

namespace {

struct Family {
  const char* name;
  uint32_t first;
  uint32_t last;
};

constexpr Family kFamilies[] = {
    {"video decoder", 1, 11},          {"video encoder", 101, 111}, {"audio decoder", 200, 211},
    {"audio encoder", 300, 311},       {"reader", 400, 431},        {"muxer", 500, 511},
    {"library information", 600, 602}, {"settings", 700, 702},      {"start-up", 1000, 1000},
};

struct LibraryFacts {
  const LibInfoRecord* record;
  std::string version;
  uint32_t started;
};

LibraryFacts GatherFacts(const PluginLibrary& plugin) {
  const auto get_info = plugin.Require<PFN_TQGetLibInfo>(ZEB_ORD_TQGetLibInfo);
  const auto query = plugin.Require<PFN_QueryLibInfo>(ZEB_ORD_QueryLibInfo);
  const auto load = plugin.Require<PFN_LoadQuickTime>(ZEB_ORD_LoadQuickTime);
  char version[16];
  uint32_t length = sizeof version;
  int anchor = 0;
  query(&anchor, 2, 2, 0, &length, version);
  return {get_info(), std::string(version, length), load()};
}

std::vector<uint32_t> FilledOrdinals(const PluginLibrary& plugin, const Family& family) {
  std::vector<uint32_t> filled;
  for (uint32_t ordinal = family.first; ordinal <= family.last; ++ordinal) {
    if (plugin.Lookup(ordinal) != nullptr) filled.push_back(ordinal);
  }
  return filled;
}

void PrintJson(const PluginLibrary& plugin, const LibraryFacts& facts) {
  JsonWriter json(std::cout);
  json.BeginObject()
      .Field("plugin", plugin.path())
      .Field("version", facts.version)
      .Field("framework_version", facts.record->frameworkVersion)
      .Field("build", std::string(facts.record->buildDate) + " " + facts.record->buildTime)
      .Field("media_layer_started", facts.started == 1);
  json.Key("families").BeginArray();
  for (const Family& family : kFamilies) {
    const auto filled = FilledOrdinals(plugin, family);
    json.BeginObject().Field("family", family.name).Field("slots", family.last - family.first + 1);
    json.Key("filled").BeginArray();
    for (const uint32_t ordinal : filled) json.Unsigned(ordinal);
    json.EndArray().EndObject();
  }
  json.EndArray().EndObject();
  std::cout << '\n';
}

void PrintText(const PluginLibrary& plugin, const LibraryFacts& facts) {
  std::cout << "plug-in      " << plugin.path() << '\n'
            << "version      " << facts.version << " (framework " << facts.record->frameworkVersion
            << ")\n"
            << "built        " << facts.record->buildDate << ' ' << facts.record->buildTime << '\n'
            << "media layer  " << (facts.started == 1 ? "started" : "cannot be started") << '\n'
            << "exports\n";
  for (const Family& family : kFamilies) {
    const auto filled = FilledOrdinals(plugin, family);
    std::cout << "  " << family.name << " (" << family.first;
    if (family.last != family.first) std::cout << "-" << family.last;
    std::cout << "): " << filled.size() << " of " << family.last - family.first + 1 << '\n';
  }
}

}  // namespace

int RunInfo(const PluginLibrary& plugin, const CommandLine& line) {
  const LibraryFacts facts = GatherFacts(plugin);
  if (line.json) {
    PrintJson(plugin, facts);
  } else {
    PrintText(plugin, facts);
  }
  return facts.started == 1 ? kExitOk : kExitPlugin;
}
