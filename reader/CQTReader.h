// One open movie: its first video track, its sound tracks and the roads that
// deliver their samples.
#pragma once

#include <cstdint>

class CQTReader {
 public:
  CQTReader();
  virtual ~CQTReader();
  CQTReader(const CQTReader&) = delete;
  CQTReader& operator=(const CQTReader&) = delete;

  // Releases everything the open built; harmless when nothing is open.
  void Close();
};
