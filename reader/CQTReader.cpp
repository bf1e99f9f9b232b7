#include "reader/CQTReader.h"

#include "frame/LoadQuickTime.h"

CQTReader::CQTReader() { LoadQuickTimeOnce(); }

CQTReader::~CQTReader() { Close(); }

void CQTReader::Close() {}
